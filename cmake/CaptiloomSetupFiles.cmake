# Run by the `setup` target (see CaptiloomWindows.cmake) after the program has
# been installed into a staging folder: writes the NSIS include that installs
# exactly those files and removes exactly those again, so that the uninstaller
# never deletes a file it did not put there, and an upgrade loses every file
# the new version no longer has.
#
# In: CAPTILOOM_STAGE (the staging folder), CAPTILOOM_OUTPUT (the .nsh to write).
file(GLOB_RECURSE files RELATIVE "${CAPTILOOM_STAGE}" LIST_DIRECTORIES false
     "${CAPTILOOM_STAGE}/*")
list(SORT files)

set(install "!macro CAPTILOOM_INSTALL_FILES\n")
set(remove "!macro CAPTILOOM_REMOVE_FILES\n")
set(dirs)
set(currentDir "-")
set(bytes 0)
foreach(file IN LISTS files)
    get_filename_component(dir "${file}" DIRECTORY)
    string(REPLACE "/" "\\" windowsFile "${file}")
    string(REPLACE "/" "\\" windowsDir "${dir}")
    if(NOT dir STREQUAL currentDir)
        if(dir STREQUAL "")
            string(APPEND install "  SetOutPath \"$INSTDIR\"\n")
        else()
            string(APPEND install "  SetOutPath \"$INSTDIR\\${windowsDir}\"\n")
            # Every level, so that the uninstaller can remove the folders the
            # installer made, deepest first.
            set(level "${dir}")
            while(NOT level STREQUAL "")
                list(APPEND dirs "${level}")
                get_filename_component(level "${level}" DIRECTORY)
            endwhile()
        endif()
        set(currentDir "${dir}")
    endif()
    string(APPEND install "  File \"${CAPTILOOM_STAGE}/${file}\"\n")
    string(APPEND remove "  Delete \"$INSTDIR\\${windowsFile}\"\n")
    file(SIZE "${CAPTILOOM_STAGE}/${file}" size)
    math(EXPR bytes "${bytes} + ${size}")
endforeach()

list(REMOVE_DUPLICATES dirs)
# Longer paths first: a folder's subfolders go before it.
list(SORT dirs ORDER DESCENDING)
foreach(dir IN LISTS dirs)
    string(REPLACE "/" "\\" windowsDir "${dir}")
    string(APPEND remove "  RMDir \"$INSTDIR\\${windowsDir}\"\n")
endforeach()

string(APPEND install "!macroend\n")
string(APPEND remove "!macroend\n")
math(EXPR kilobytes "(${bytes} + 1023) / 1024")
file(WRITE "${CAPTILOOM_OUTPUT}"
     "; Written by the build from the staged installation; do not edit.\n"
     "!define CAPTILOOM_INSTALLED_KB ${kilobytes}\n" "${install}" "${remove}")
