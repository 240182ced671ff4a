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
    # The second entry is what file managers offer under "Open with" for a
    # text file: splitting its prose, then the window; menus do not show it.
    install(FILES ${PROJECT_SOURCE_DIR}/data/captiloom.desktop
                  ${PROJECT_SOURCE_DIR}/data/captiloom-split.desktop
            DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
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
# Recordings are decoded by Qt Multimedia's FFmpeg plugin, loaded at run time
# from libqt6multimedia6 (which the library brings in as well).
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "qt6-qpa-plugins, libqt6multimedia6, qt6-translations-l10n, fonts-noto-cjk | fonts-wqy-microhei | fonts-wqy-zenhei")

if(WIN32)
    set(CPACK_GENERATOR ZIP)
    set(CPACK_PACKAGE_FILE_NAME captiloom-${PROJECT_VERSION}-windows-x64)
    # Unpacked in place, captiloom.exe lies in the folder the user chose.
    set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
endif()

include(CPack)
