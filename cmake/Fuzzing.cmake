# PELKO_FUZZ=ON builds the libFuzzer targets of tests/fuzz with clang: every library is
# instrumented for the fuzzer (coverage) and built with AddressSanitizer and
# UndefinedBehaviorSanitizer; only the fuzzer executables link libFuzzer's main.
option(PELKO_FUZZ "Build the libFuzzer targets (clang only)" OFF)
if(PELKO_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
        message(FATAL_ERROR "PELKO_FUZZ needs clang (CMAKE_CXX_COMPILER=clang++), not "
            "${CMAKE_CXX_COMPILER_ID}")
    endif()
    add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined
        -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
endif()
