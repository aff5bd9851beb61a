# Target-scoped warnings, so third-party headers and other projects are left alone.
function(glyphon_set_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic)
endfunction()
