# captiloom_add_layer(<name> SOURCES <files...> [PUBLIC <targets...>] [PRIVATE <targets...>])
#
# One static library per layer, named Captiloom::<name>, whose headers are
# included as "<name>/file.h" from src/.
function(captiloom_add_layer name)
    cmake_parse_arguments(ARG "" "" "SOURCES;PUBLIC;PRIVATE" ${ARGN})
    add_library(captiloom_${name} STATIC ${ARG_SOURCES})
    add_library(Captiloom::${name} ALIAS captiloom_${name})
    target_include_directories(captiloom_${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(captiloom_${name}
        PUBLIC ${ARG_PUBLIC}
        PRIVATE Captiloom::options ${ARG_PRIVATE})
endfunction()
