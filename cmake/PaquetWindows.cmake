# The Windows release archive (cpack -G ZIP in build-windows/): the
# executable, its store beside it, and the licence notices of what the
# executable holds (Qt is linked statically: LGPL-3, with how to relink).
install(FILES ${PROJECT_SOURCE_DIR}/resources/licences/AVIS-TIERS.txt DESTINATION licences)
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION licences RENAME LICENSE.txt)
# Debian's own copies of the licence texts, so that none is kept twice.
install(FILES /usr/share/common-licenses/LGPL-3 DESTINATION licences RENAME LGPL-3.txt)
install(FILES /usr/share/common-licenses/GPL-3 DESTINATION licences RENAME GPL-3.txt)
install(FILES ${PROJECT_SOURCE_DIR}/data/README.md DESTINATION licences RENAME DONNEES.md)
# The dialog's font is carried inside the executable too.
install(FILES ${PROJECT_SOURCE_DIR}/resources/police/LGPL-2.1.txt DESTINATION licences)
install(FILES ${PROJECT_SOURCE_DIR}/resources/police/README.md DESTINATION licences RENAME POLICE.md)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME Quilvarest)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME Quilvarest-${PROJECT_VERSION}-win64)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
include(CPack)
