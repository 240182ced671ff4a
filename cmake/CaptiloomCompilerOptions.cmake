# Warnings and sanitizers shared by every target of the project.
add_library(captiloom_options INTERFACE)
add_library(Captiloom::options ALIAS captiloom_options)

if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    target_compile_options(captiloom_options INTERFACE -Wall -Wextra -Wpedantic)
    if(CAPTILOOM_WARNINGS_AS_ERRORS)
        target_compile_options(captiloom_options INTERFACE -Werror)
    endif()
elseif(MSVC)
    target_compile_options(captiloom_options INTERFACE /W4 /utf-8 /permissive-)
    if(CAPTILOOM_WARNINGS_AS_ERRORS)
        target_compile_options(captiloom_options INTERFACE /WX)
    endif()
endif()

if(CAPTILOOM_SANITIZE)
    if(MSVC)
        message(FATAL_ERROR "CAPTILOOM_SANITIZE needs GCC or Clang")
    endif()
    set(_captiloom_sanitizers -fsanitize=address,undefined -fno-omit-frame-pointer
                              -fno-sanitize-recover=all)
    target_compile_options(captiloom_options INTERFACE ${_captiloom_sanitizers})
    target_link_options(captiloom_options INTERFACE ${_captiloom_sanitizers})
endif()

# The fuzz configuration instruments every library for coverage, so that the
# fuzzer sees its way through the code it calls, and checks it with the same
# sanitizers; only the fuzz targets themselves link the fuzzer's main().
if(CAPTILOOM_BUILD_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
        message(FATAL_ERROR "CAPTILOOM_BUILD_FUZZ needs clang: configure with `cmake --preset fuzz`")
    endif()
    set(_captiloom_fuzzing -fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
                           -fno-sanitize-recover=all)
    target_compile_options(captiloom_options INTERFACE ${_captiloom_fuzzing})
    target_link_options(captiloom_options INTERFACE ${_captiloom_fuzzing})
endif()
