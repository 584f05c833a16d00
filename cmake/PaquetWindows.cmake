# The Windows release archive (cpack -G ZIP in build-windows/) and installer
# (Quilvarest-<version>-win64.msi, built with everything else when wixl is
# installed): the executable, its store beside it, and the licence notices
# of what the executable holds (Qt is linked statically: LGPL-3, with how to
# relink).

# The notices, as "source|name in the licences folder": the archive and the
# installer carry the same list.
set(QUILVAREST_AVIS
    "${PROJECT_SOURCE_DIR}/resources/licences/AVIS-TIERS.txt|AVIS-TIERS.txt"
    "${PROJECT_SOURCE_DIR}/LICENSE|LICENSE.txt"
    # Debian's own copies of the licence texts, so that none is kept twice.
    "/usr/share/common-licenses/LGPL-3|LGPL-3.txt"
    "/usr/share/common-licenses/GPL-3|GPL-3.txt"
    "${PROJECT_SOURCE_DIR}/data/README.md|DONNEES.md"
    # The dialog's font is carried inside the executable too.
    "${PROJECT_SOURCE_DIR}/resources/police/LGPL-2.1.txt|LGPL-2.1.txt"
    "${PROJECT_SOURCE_DIR}/resources/police/README.md|POLICE.md")

# wixl finds a file only by a path relative to the folder it runs in (an
# absolute Source is not found): it runs in the build folder, and every
# path it is given is relative to that.
set(quilvarest_composants "")
set(quilvarest_sources_avis "")
set(numero 0)
foreach(avis IN LISTS QUILVAREST_AVIS)
    string(REPLACE "|" ";" parties "${avis}")
    list(GET parties 0 source)
    list(GET parties 1 nom)
    install(FILES ${source} DESTINATION licences RENAME ${nom})
    math(EXPR numero "${numero} + 1")
    file(RELATIVE_PATH relatif ${CMAKE_BINARY_DIR} ${source})
    string(APPEND quilvarest_composants
        "      <Component Id=\"Avis${numero}\" Guid=\"*\" Win64=\"yes\">\n"
        "        <File Id=\"Avis${numero}\" Name=\"${nom}\" Source=\"${relatif}\" KeyPath=\"yes\" />\n"
        "      </Component>\n")
    list(APPEND quilvarest_sources_avis ${source})
endforeach()
set(QUILVAREST_WXS_AVIS ${CMAKE_BINARY_DIR}/installateur/avis.wxs)
file(WRITE ${QUILVAREST_WXS_AVIS}
    "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
    "<!-- Written by cmake/PaquetWindows.cmake: the licence notices of the installer. -->\n"
    "<Wix xmlns=\"http://schemas.microsoft.com/wix/2006/wi\">\n"
    "  <Fragment>\n"
    "    <ComponentGroup Id=\"Licences\" Directory=\"DossierLicences\">\n"
    "${quilvarest_composants}"
    "    </ComponentGroup>\n"
    "  </Fragment>\n"
    "</Wix>\n")

# quilvarest_installateur(SORTIE VERSION): the installer of the build's
# executable and store at VERSION, written to SORTIE.
function(quilvarest_installateur sortie version)
    set(wxs ${PROJECT_SOURCE_DIR}/resources/Quilvarest.wxs)
    file(RELATIVE_PATH sources ${CMAKE_BINARY_DIR} ${PROJECT_SOURCE_DIR})
    add_custom_command(OUTPUT ${sortie}
        COMMAND ${QUILVAREST_WIXL} -a x64 -D Version=${version} -D Construction=. -D Sources=${sources}
            -o ${sortie} ${wxs} ${QUILVAREST_WXS_AVIS}
        DEPENDS Quilvarest quilvarest_store ${CMAKE_BINARY_DIR}/Quilvarest.abs ${wxs} ${QUILVAREST_WXS_AVIS}
            ${quilvarest_sources_avis} ${PROJECT_SOURCE_DIR}/resources/icone/quilvarest.ico
        WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
        COMMENT "Writing the installer ${sortie}"
        VERBATIM)
endfunction()

if(QUILVAREST_WIXL)
    quilvarest_installateur(${QUILVAREST_MSI} ${PROJECT_VERSION})
    # The same installer at the next version, which the installer's test
    # (tests/windows) puts over the first to see it replaced in place. The
    # Windows Installer compares three fields only: the third one goes up.
    math(EXPR suivante "${PROJECT_VERSION_PATCH} + 1")
    quilvarest_installateur(${QUILVAREST_MSI_SUIVANT}
        ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${suivante}.0)
    add_custom_target(quilvarest_installateur ALL DEPENDS ${QUILVAREST_MSI} ${QUILVAREST_MSI_SUIVANT})
else()
    message(STATUS "wixl not found: no Windows installer (scripts/dependances.sh installs it)")
endif()

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME Quilvarest)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME Quilvarest-${PROJECT_VERSION}-win64)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
include(CPack)
