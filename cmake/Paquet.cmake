# Installation on Linux and its Debian package: `cpack -G DEB` in the build
# folder writes quilvarest_<version>_<arch>.deb.
#
# The layout follows the file-system hierarchy. The executable and its store
# go to /usr/lib/quilvarest, since the program looks for its store beside
# itself; /usr/bin/Quilvarest is a relative link to it, through which the
# program still finds its real folder. The desktop entry and the icons go
# under /usr/share, the copyright notice (with the data's and the font's
# licences) under /usr/share/doc/quilvarest.
#
# Every rule here belongs to the component "quilvarest", which is all the
# package holds: `cmake --install build --component quilvarest --prefix DIR`
# gives the same tree. Other generators (a ZIP for Windows) go beside these
# settings, before include(CPack).

if(UNIX AND NOT APPLE)
    set(QUILVAREST_DOSSIER_PRIVE lib/quilvarest)
    set(QUILVAREST_PAQUET ${CMAKE_BINARY_DIR}/paquet)
    set(QUILVAREST_DEBIAN ${PROJECT_SOURCE_DIR}/resources/debian)

    install(TARGETS Quilvarest RUNTIME DESTINATION ${QUILVAREST_DOSSIER_PRIVE} COMPONENT quilvarest)
    install(FILES ${CMAKE_BINARY_DIR}/Quilvarest.abs DESTINATION ${QUILVAREST_DOSSIER_PRIVE} COMPONENT quilvarest)
    # The link is made in the build folder and installed as a link.
    file(MAKE_DIRECTORY ${QUILVAREST_PAQUET})
    file(CREATE_LINK ../${QUILVAREST_DOSSIER_PRIVE}/Quilvarest ${QUILVAREST_PAQUET}/Quilvarest SYMBOLIC)
    install(FILES ${QUILVAREST_PAQUET}/Quilvarest DESTINATION bin COMPONENT quilvarest)

    install(FILES ${PROJECT_SOURCE_DIR}/resources/quilvarest.desktop DESTINATION share/applications
            COMPONENT quilvarest)
    foreach(taille 16 32 48)
        install(FILES ${PROJECT_SOURCE_DIR}/resources/icone/quilvarest-${taille}.png
                DESTINATION share/icons/hicolor/${taille}x${taille}/apps RENAME quilvarest.png COMPONENT quilvarest)
    endforeach()
    install(FILES ${PROJECT_SOURCE_DIR}/resources/icone/quilvarest.svg DESTINATION share/icons/hicolor/scalable/apps
            COMPONENT quilvarest)

    # Debian wants the changelog and the manual page compressed at the
    # highest level, without a time stamp.
    set(compresses)
    foreach(fichier changelog Quilvarest.1)
        add_custom_command(OUTPUT ${QUILVAREST_PAQUET}/${fichier}.gz
            COMMAND ${CMAKE_COMMAND} -E copy ${QUILVAREST_DEBIAN}/${fichier} ${QUILVAREST_PAQUET}/${fichier}
            COMMAND gzip -9nf ${QUILVAREST_PAQUET}/${fichier}
            DEPENDS ${QUILVAREST_DEBIAN}/${fichier}
            VERBATIM)
        list(APPEND compresses ${QUILVAREST_PAQUET}/${fichier}.gz)
    endforeach()
    add_custom_target(quilvarest_documents ALL DEPENDS ${compresses})
    install(FILES ${QUILVAREST_DEBIAN}/copyright ${QUILVAREST_PAQUET}/changelog.gz DESTINATION share/doc/quilvarest
            COMPONENT quilvarest)
    install(FILES ${QUILVAREST_PAQUET}/Quilvarest.1.gz DESTINATION share/man/man1 COMPONENT quilvarest)

    set(CPACK_GENERATOR DEB)
    set(CPACK_PACKAGE_NAME quilvarest)
    set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
    set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "French postal code and town lookup dialog")
    set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};Quilvarest;quilvarest;/")
    set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
    set(CPACK_STRIP_FILES ON)
    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
    set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Quilvarest maintainers <quilvarest@example.org>")
    set(CPACK_DEBIAN_PACKAGE_SECTION utils)
    set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
    # The libraries the executable links, with their versions, from
    # dpkg-shlibdeps (dpkg-dev); Qt's X11 platform plugin comes with libqt6gui6.
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
    set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
    # The extended description; CPack puts the summary above it as its first line.
    set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Quilvarest is started by another application with the path of an INI
file. The user finds a French postal code and its town, validates or
cancels, and the dialog writes the outcome back into that file. The
postal code store ships with the program.")
endif()

include(CPack)
