# The user guide as one HTML page with its pictures inside, made by pandoc from
# docs/guide.md and installed into `destination`. Without pandoc the guide is
# left out, unless `REQUIRED` says the installation is not complete without it.
function(captiloom_add_guide destination)
    cmake_parse_arguments(PARSE_ARGV 1 arg "REQUIRED" "" "")
    if(arg_REQUIRED)
        find_program(CAPTILOOM_PANDOC pandoc REQUIRED)
    else()
        find_program(CAPTILOOM_PANDOC pandoc)
    endif()
    if(NOT CAPTILOOM_PANDOC)
        message(STATUS "No pandoc: the user guide is left out of the installation")
        return()
    endif()
    set(guideHtml ${PROJECT_BINARY_DIR}/guide.html)
    file(GLOB guideImages CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/docs/*.png
         ${PROJECT_SOURCE_DIR}/docs/images/*.png)
    add_custom_command(OUTPUT ${guideHtml}
        COMMAND ${CAPTILOOM_PANDOC} --standalone --self-contained --quiet
                --metadata lang=zh-CN --css ${PROJECT_SOURCE_DIR}/data/guide.css
                --resource-path ${PROJECT_SOURCE_DIR}/docs
                -o ${guideHtml} ${PROJECT_SOURCE_DIR}/docs/guide.md
        DEPENDS ${PROJECT_SOURCE_DIR}/docs/guide.md ${PROJECT_SOURCE_DIR}/data/guide.css
                ${guideImages}
        VERBATIM)
    add_custom_target(captiloom_guide ALL DEPENDS ${guideHtml})
    install(FILES ${guideHtml} DESTINATION ${destination})
endfunction()
