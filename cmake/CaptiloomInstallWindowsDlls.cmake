# Run at install time (see CaptiloomWindows.cmake): copies into the
# installation every DLL that the given programs and plugins load, and the
# DLLs those load, from the given folders.
#
# In: CAPTILOOM_BINARIES, CAPTILOOM_MODULES, CAPTILOOM_DLL_DIRS, CAPTILOOM_OBJDUMP,
#     CAPTILOOM_STRIP, CAPTILOOM_SCRATCH_DIR (a folder of the build to work in).
set(CMAKE_GET_RUNTIME_DEPENDENCIES_PLATFORM windows+pe)
set(CMAKE_GET_RUNTIME_DEPENDENCIES_TOOL objdump)
set(CMAKE_GET_RUNTIME_DEPENDENCIES_COMMAND "${CAPTILOOM_OBJDUMP}")

# CMake looks up a Windows program's DLLs by their lower-case names, as a
# Windows file system would find them; a Linux one does not find Qt6Core.dll
# that way. Lower-case links to the DLLs make the names meet.
set(linkDir "${CAPTILOOM_SCRATCH_DIR}/dlls-by-lower-case-name")
file(REMOVE_RECURSE "${linkDir}")
file(MAKE_DIRECTORY "${linkDir}")
foreach(dir IN LISTS CAPTILOOM_DLL_DIRS)
    file(GLOB dlls "${dir}/*.dll")
    foreach(dll IN LISTS dlls)
        get_filename_component(name "${dll}" NAME)
        string(TOLOWER "${name}" lowerName)
        if(NOT EXISTS "${linkDir}/${lowerName}")
            file(CREATE_LINK "${dll}" "${linkDir}/${lowerName}" SYMBOLIC)
        endif()
    endforeach()
endforeach()

file(GET_RUNTIME_DEPENDENCIES
    EXECUTABLES ${CAPTILOOM_BINARIES}
    MODULES ${CAPTILOOM_MODULES}
    DIRECTORIES "${linkDir}"
    PRE_EXCLUDE_REGEXES "^api-ms-" "^ext-ms-"
    RESOLVED_DEPENDENCIES_VAR resolved
    UNRESOLVED_DEPENDENCIES_VAR unresolved)
# What no given folder holds is Windows' own: kernel32.dll, user32.dll, ...

set(prefix "${CMAKE_INSTALL_PREFIX}")
if(DEFINED ENV{DESTDIR})
    set(prefix "$ENV{DESTDIR}${prefix}")
endif()
foreach(link IN LISTS resolved)
    file(REAL_PATH "${link}" dll)
    file(INSTALL "${dll}" DESTINATION "${prefix}")
endforeach()

# Debian ships MinGW's libstdc++ with its symbols, ten times its size; a user
# has no use for them, nor for those of the plugins.
if(CAPTILOOM_STRIP)
    file(GLOB_RECURSE installedDlls "${prefix}/*.dll")
    foreach(dll IN LISTS installedDlls)
        execute_process(COMMAND "${CAPTILOOM_STRIP}" --strip-unneeded "${dll}"
                        COMMAND_ERROR_IS_FATAL ANY)
    endforeach()
endif()
