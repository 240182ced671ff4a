# captiloom_add_layer(<name> SOURCES <files...> [PUBLIC <targets...>] [PRIVATE <targets...>])
#
# One static library per layer, named Captiloom::<name>. It exposes its own
# folder's headers and nothing else: a layer reaches another only by linking
# it, so the window cannot include what the conversion keeps to itself.
function(captiloom_add_layer name)
    cmake_parse_arguments(ARG "" "" "SOURCES;PUBLIC;PRIVATE" ${ARGN})
    add_library(captiloom_${name} STATIC ${ARG_SOURCES})
    add_library(Captiloom::${name} ALIAS captiloom_${name})
    target_include_directories(captiloom_${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
    target_link_libraries(captiloom_${name}
        PUBLIC ${ARG_PUBLIC}
        PRIVATE Captiloom::options ${ARG_PRIVATE})
endfunction()
