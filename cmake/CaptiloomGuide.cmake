# The user guide as one HTML page with its pictures inside, made by pandoc from
# docs/guide.md and installed into `destination`. Without pandoc the guide is
# left out, and configuring says so loudly, unless `REQUIRED` says the
# installation is not complete without it. Builds that install nothing (the
# presets of ./test) turn CAPTILOOM_GUIDE off.
option(CAPTILOOM_GUIDE "Make the user guide's HTML page with pandoc and install it" ON)

function(captiloom_add_guide destination)
    cmake_parse_arguments(PARSE_ARGV 1 arg "REQUIRED" "" "")
    if(NOT CAPTILOOM_GUIDE AND NOT arg_REQUIRED)
        return()
    endif()
    if(arg_REQUIRED)
        find_program(CAPTILOOM_PANDOC pandoc REQUIRED)
    else()
        find_program(CAPTILOOM_PANDOC pandoc)
    endif()
    if(NOT CAPTILOOM_PANDOC)
        message(WARNING
            "pandoc was not found: the user guide (guide.html) is LEFT OUT of the "
            "installation and of any package made from this build. Install Debian's "
            "pandoc package (scripts/install-dependencies package) and configure again, "
            "or configure with -DCAPTILOOM_GUIDE=OFF to leave it out on purpose.")
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
