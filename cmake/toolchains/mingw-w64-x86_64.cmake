# Cross-compiles for 64-bit Windows with Debian's MinGW-w64 compilers.
#
# The posix thread model is the one whose libstdc++ has std::thread and
# std::mutex; the default win32 model of the plain names lacks them.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CAPTILOOM_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${CAPTILOOM_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${CAPTILOOM_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${CAPTILOOM_MINGW_TRIPLE}-windres)

# Headers, libraries and CMake packages come from the MinGW sysroot (and from
# whatever prefixes a caller appends, such as a Qt built for Windows), never
# from the Linux host; programs run during the build are the host's own.
if(NOT "/usr/${CAPTILOOM_MINGW_TRIPLE}" IN_LIST CMAKE_FIND_ROOT_PATH)
    list(APPEND CMAKE_FIND_ROOT_PATH /usr/${CAPTILOOM_MINGW_TRIPLE})
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
