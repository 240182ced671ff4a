# A test that runs longer than this has failed; scripts/mutation-check
# shortens it, since some faults make a test wait for ever.
set(CAPTILOOM_TEST_TIMEOUT 300 CACHE STRING "Seconds after which a test counts as hung")

# captiloom_add_test(<name> SOURCES <files...> LIBRARIES <targets...> [UNPRIVILEGED])
#
# One QtTest executable per suite, registered with ctest under its own name,
# with the shared test support (tests/support). Widget suites run on the
# offscreen platform so they need no display. An UNPRIVILEGED suite, whose
# cases depend on what the user may read and write, is registered a second
# time as <name>_unprivileged: run by root, that one runs as an ordinary user.
function(captiloom_add_test name)
    cmake_parse_arguments(ARG "UNPRIVILEGED" "" "SOURCES;LIBRARIES" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name}
        PRIVATE Qt6::Test Captiloom::options Captiloom::test_support ${ARG_LIBRARIES})
    if(CAPTILOOM_QTEST_EMULATOR)
        set_target_properties(${name} PROPERTIES CROSSCOMPILING_EMULATOR "${CAPTILOOM_QTEST_EMULATOR}")
    endif()
    add_test(NAME ${name} COMMAND ${name})
    set(environment QT_QPA_PLATFORM=offscreen QT_FORCE_STDERR_LOGGING=1)
    if(CAPTILOOM_SANITIZE)
        # Leaks are looked for in every suite, the widget ones included, and
        # globals are checked for use before their initialisation; the only
        # leaks let through are the proven third-party ones listed in the
        # suppressions file, without a word about them on standard error, which
        # the suites that run the program compare whole. An undefined-behaviour finding stops the suite
        # (-fno-sanitize-recover) with the stack that led to it.
        list(APPEND environment
            ASAN_OPTIONS=detect_leaks=1:check_initialization_order=1:strict_init_order=1
            LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/lsan_suppressions.txt:print_suppressions=0
            UBSAN_OPTIONS=print_stacktrace=1)
    endif()
    set_tests_properties(${name} PROPERTIES
        ENVIRONMENT "${environment}" TIMEOUT ${CAPTILOOM_TEST_TIMEOUT})
    if(ARG_UNPRIVILEGED AND CMAKE_HOST_SYSTEM_NAME STREQUAL "Linux" AND NOT CMAKE_CROSSCOMPILING)
        add_test(NAME ${name}_unprivileged
            COMMAND ${PROJECT_SOURCE_DIR}/tests/run-unprivileged $<TARGET_FILE:${name}>)
        set_tests_properties(${name}_unprivileged PROPERTIES
            ENVIRONMENT "${environment}" TIMEOUT ${CAPTILOOM_TEST_TIMEOUT} SKIP_RETURN_CODE 77)
    endif()
endfunction()
