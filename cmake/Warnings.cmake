# Warnings are errors everywhere in our own code.
function(pelko_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wshadow -Wnon-virtual-dtor -Wpedantic
        -Wnull-dereference -Werror)
endfunction()
