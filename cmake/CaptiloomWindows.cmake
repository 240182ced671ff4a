# The Windows build: where the DLLs the programs load come from, how the
# suites run under Wine when cross-compiling, what the zip that `cpack -G
# ZIP` makes holds, so that unpacking it and starting captiloom.exe is all a
# user does, and the installer made from the same files (target `setup`).
if(NOT WIN32)
    return()
endif()

# MinGW's own runtime, which a MinGW program loads beside Qt's DLLs.
set(CAPTILOOM_MINGW_RUNTIME_DIRS)
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
        execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                        OUTPUT_VARIABLE dllPath OUTPUT_STRIP_TRAILING_WHITESPACE)
        if(IS_ABSOLUTE "${dllPath}" AND EXISTS "${dllPath}")
            get_filename_component(dllDir "${dllPath}" DIRECTORY)
            get_filename_component(dllDir "${dllDir}" REALPATH)
            list(APPEND CAPTILOOM_MINGW_RUNTIME_DIRS "${dllDir}")
        endif()
    endforeach()
    list(REMOVE_DUPLICATES CAPTILOOM_MINGW_RUNTIME_DIRS)
endif()

set(qtBinDir "${QT6_INSTALL_PREFIX}/${QT6_INSTALL_BINS}")
set(qtPluginDir "${QT6_INSTALL_PREFIX}/${QT6_INSTALL_PLUGINS}")

# Built on Linux, the programs run under Wine; scripts/wine-run gives them the
# DLL folders, Qt's plugins and a Chinese code page. A suite's report goes to
# a file that the script prints, since Wine's console never sees it.
if(CMAKE_CROSSCOMPILING AND NOT CMAKE_CROSSCOMPILING_EMULATOR)
    set(emulator ${PROJECT_SOURCE_DIR}/scripts/wine-run --dll-dir ${qtBinDir})
    foreach(dir IN LISTS CAPTILOOM_MINGW_RUNTIME_DIRS)
        list(APPEND emulator --dll-dir ${dir})
    endforeach()
    list(APPEND emulator --plugin-dir ${qtPluginDir})
    set(CMAKE_CROSSCOMPILING_EMULATOR ${emulator})
    set(CAPTILOOM_QTEST_EMULATOR ${emulator} --qtest)
endif()

# The zip holds one folder's worth: the program, the DLLs it loads, Qt's
# platform, style and multimedia plugins (the last decodes a narrator's
# recording through Media Foundation), Qt's Chinese translations, and a
# qt.conf that points Qt at them relative to the program, wherever it was
# unpacked.
install(FILES ${PROJECT_SOURCE_DIR}/data/windows/qt.conf DESTINATION .)
set(qtPlugins platforms/qwindows.dll styles/qwindowsvistastyle.dll
              multimedia/windowsmediaplugin.dll)
set(qtPluginFiles)
foreach(plugin IN LISTS qtPlugins)
    get_filename_component(pluginDir ${plugin} DIRECTORY)
    install(FILES ${qtPluginDir}/${plugin} DESTINATION plugins/${pluginDir})
    list(APPEND qtPluginFiles "\"${qtPluginDir}/${plugin}\"")
endforeach()
list(JOIN qtPluginFiles " " qtPluginFiles)

# Qt's translations are the same files on every system; Debian's
# qt6-translations-l10n has them.
find_file(CAPTILOOM_QT_CHINESE_TRANSLATION qtbase_zh_CN.qm
    PATHS /usr/share/qt6/translations NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
if(CAPTILOOM_QT_CHINESE_TRANSLATION)
    install(FILES ${CAPTILOOM_QT_CHINESE_TRANSLATION} DESTINATION translations)
else()
    message(WARNING "No qtbase_zh_CN.qm (package qt6-translations-l10n): "
                    "Qt's own buttons stay English in the zip")
endif()

# Whatever DLLs the program and the plugins load, found by reading their
# imports.
install(CODE "
    set(CAPTILOOM_BINARIES \"$<TARGET_FILE:captiloom>\")
    set(CAPTILOOM_MODULES ${qtPluginFiles})
    set(CAPTILOOM_DLL_DIRS \"${qtBinDir}\" ${CAPTILOOM_MINGW_RUNTIME_DIRS})
    set(CAPTILOOM_OBJDUMP \"${CMAKE_OBJDUMP}\")
    set(CAPTILOOM_STRIP \"${CMAKE_STRIP}\")
    set(CAPTILOOM_SCRATCH_DIR \"${PROJECT_BINARY_DIR}\")
    include(\"${CMAKE_CURRENT_LIST_DIR}/CaptiloomInstallWindowsDlls.cmake\")
")

# Who holds what the program carries, and under which licences: ours, and
# that of jieba's dictionary, whose words the splitter reads (MIT, which asks
# for its notice in every copy). The Debian package has the same file.
install(FILES ${PROJECT_SOURCE_DIR}/data/copyright DESTINATION . RENAME copyright.txt)

# The user guide, one HTML page with its pictures inside, beside the program:
# the zip and the installer both carry it, and the installer's Start menu
# links it.
captiloom_add_guide(. REQUIRED)

# The installer: the installation staged into a folder of the build, a list of
# exactly its files for the installer and the uninstaller, and makensis
# (Debian's nsis) over data/windows/captiloom.nsi. Built only when asked
# (`cmake --build build-windows --target setup`), as ./windows does.
find_program(CAPTILOOM_MAKENSIS makensis)
if(CAPTILOOM_MAKENSIS)
    set(stage ${PROJECT_BINARY_DIR}/setup-stage)
    set(setupFile ${PROJECT_BINARY_DIR}/captiloom-${PROJECT_VERSION}-windows-x64-setup.exe)
    add_custom_target(setup
        COMMAND ${CMAKE_COMMAND} -E rm -rf ${stage}
        COMMAND ${CMAKE_COMMAND} --install ${PROJECT_BINARY_DIR} --prefix ${stage} --strip
        COMMAND ${CMAKE_COMMAND} -DCAPTILOOM_STAGE=${stage}
                -DCAPTILOOM_OUTPUT=${PROJECT_BINARY_DIR}/setup-files.nsh
                -P ${CMAKE_CURRENT_LIST_DIR}/CaptiloomSetupFiles.cmake
        COMMAND ${CAPTILOOM_MAKENSIS} -V2 -INPUTCHARSET UTF8
                -DVERSION=${PROJECT_VERSION}
                -DSOURCE_DIR=${PROJECT_SOURCE_DIR}
                -DFILE_LIST=${PROJECT_BINARY_DIR}/setup-files.nsh
                -DOUTFILE=${setupFile}
                ${PROJECT_SOURCE_DIR}/data/windows/captiloom.nsi
        DEPENDS captiloom captiloom_guide
        BYPRODUCTS ${setupFile}
        COMMENT "Making ${setupFile}"
        VERBATIM)
endif()
