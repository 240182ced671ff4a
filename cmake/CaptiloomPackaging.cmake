# Installs the program with its desktop entry, icons, AppStream metadata,
# manual pages (English and Simplified Chinese), user guide, changelog and
# copyright file, and describes the Debian package
# that `cpack -G DEB` builds from that installation.
include(GNUInstallDirs)

if(WIN32)
    # Windows programs keep their DLLs, plugins and translations in their
    # own folder: the zip is that folder.
    install(TARGETS captiloom RUNTIME DESTINATION .)
else()
    install(TARGETS captiloom RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

if(UNIX AND NOT APPLE)
    # The one entry in the applications folder declares no file type, so that
    # it never becomes what a double-click on a text file opens. Splitting a
    # text file's prose is a right-click verb of each file manager's own:
    # Dolphin's service menus, Thunar's Send To, and a script that GNOME Files
    # runs once the user links it into ~/.local/share/nautilus/scripts (a
    # package cannot put anything in a user's home). Dolphin trusts a service
    # menu owned by root; installed by a user into ~/.local, it needs the
    # executable bit too.
    install(FILES ${PROJECT_SOURCE_DIR}/data/captiloom.desktop
            DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES ${PROJECT_SOURCE_DIR}/data/dolphin/captiloom-split.desktop
            DESTINATION ${CMAKE_INSTALL_DATADIR}/kio/servicemenus)
    install(FILES ${PROJECT_SOURCE_DIR}/data/thunar/captiloom-split.desktop
            DESTINATION ${CMAKE_INSTALL_DATADIR}/Thunar/sendto)
    install(PROGRAMS ${PROJECT_SOURCE_DIR}/data/nautilus/captiloom-split
            DESTINATION ${CMAKE_INSTALL_DATADIR}/captiloom RENAME nautilus-split)
    foreach(size 16 32 48 256)
        install(FILES ${PROJECT_SOURCE_DIR}/data/icons/captiloom-${size}.png
                DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
                RENAME captiloom.png)
    endforeach()
    install(FILES ${PROJECT_SOURCE_DIR}/data/icons/captiloom.svg
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
    install(FILES ${PROJECT_SOURCE_DIR}/data/invalid.captiloom.captiloom.metainfo.xml
            DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

    # Debian keeps manual pages and changelogs compressed, and without a name
    # or time stamp in the gzip header two builds of one source give the same
    # package.
    find_program(CAPTILOOM_GZIP gzip REQUIRED)
    set(compressedDir ${PROJECT_BINARY_DIR}/compressed)
    file(MAKE_DIRECTORY ${compressedDir})
    set(compressedFiles)
    # Source name in data/, then the name it is compressed under.
    set(compressed changelog changelog captiloom.1 captiloom.1 captiloom.zh_CN.1 zh_CN/captiloom.1)
    while(compressed)
        list(POP_FRONT compressed name target)
        get_filename_component(targetDir ${compressedDir}/${target} DIRECTORY)
        file(MAKE_DIRECTORY ${targetDir})
        add_custom_command(OUTPUT ${compressedDir}/${target}.gz
            COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/data/${name} ${compressedDir}/${target}
            COMMAND ${CAPTILOOM_GZIP} -9nf ${compressedDir}/${target}
            DEPENDS ${PROJECT_SOURCE_DIR}/data/${name}
            VERBATIM)
        list(APPEND compressedFiles ${compressedDir}/${target}.gz)
    endwhile()
    add_custom_target(captiloom_compressed_docs ALL DEPENDS ${compressedFiles})

    install(FILES ${compressedDir}/captiloom.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    # Where man looks first in a Simplified-Chinese locale.
    install(FILES ${compressedDir}/zh_CN/captiloom.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/zh_CN/man1)
    # Named after the package, not after the project's capitalised name as
    # CMAKE_INSTALL_DOCDIR would be.
    install(FILES ${compressedDir}/changelog.gz ${PROJECT_SOURCE_DIR}/data/copyright
            DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/captiloom)

    # The user guide, one HTML page with its pictures inside, where both
    # manual pages say it is; the package set of scripts/install-dependencies
    # has pandoc, so every package carries it.
    captiloom_add_guide(${CMAKE_INSTALL_DATADIR}/doc/captiloom)

    # A package whose version is not the changelog's latest entry is one that
    # lintian and apt's changelog view both get wrong.
    file(STRINGS ${PROJECT_SOURCE_DIR}/data/changelog latestEntry LIMIT_COUNT 1)
    if(NOT latestEntry MATCHES "^captiloom \\(${PROJECT_VERSION}\\) ")
        message(WARNING "data/changelog does not begin with an entry for ${PROJECT_VERSION}")
    endif()
endif()

set(CPACK_PACKAGE_NAME captiloom)
set(CPACK_PACKAGE_VENDOR Captiloom)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_CONTACT "Captiloom developers <dev@captiloom.invalid>")
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Write one subtitle per line, leave an empty line for a pause, save the\n"
    "text in the system code page (GBK for Simplified Chinese), and Captiloom\n"
    "writes a numbered subtitle file with a display time for every line,\n"
    "ready to import into a video editor.")
# dpkg-shlibdeps finds the libraries the program links. The window system
# plugin is loaded at run time, so it is named here, and so is a CJK font:
# every text of the window is Chinese, and without one it is all boxes.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's translations give the buttons (OK, Yes, No) and the reasons for a
# failed file operation in Chinese, in the window and on the command line.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "qt6-qpa-plugins, qt6-translations-l10n, fonts-noto-cjk | fonts-wqy-microhei | fonts-wqy-zenhei")

if(WIN32)
    set(CPACK_GENERATOR ZIP)
    set(CPACK_PACKAGE_FILE_NAME captiloom-${PROJECT_VERSION}-windows-x64)
    # One folder, named as the zip is, holds everything: "extract here"
    # makes that one folder instead of scattering files and folders among
    # whatever else the user keeps there.
    set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
endif()

include(CPack)
