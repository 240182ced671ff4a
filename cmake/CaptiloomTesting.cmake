# captiloom_add_test(<name> SOURCES <files...> LIBRARIES <targets...>)
#
# One QtTest executable per suite, registered with ctest under its own name.
# Widget suites run on the offscreen platform so they need no display.
function(captiloom_add_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBRARIES" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE Qt6::Test Captiloom::options ${ARG_LIBRARIES})
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QT_FORCE_STDERR_LOGGING=1"
        TIMEOUT 300)
endfunction()
