# SPDX-License-Identifier: GPL-3.0-or-later
# Warnings for every target of the project, fatal when KORVAX_WERROR is on.
add_library(korvax_warnings INTERFACE)
if(MSVC)
    target_compile_options(korvax_warnings INTERFACE /W4 $<$<BOOL:${KORVAX_WERROR}>:/WX>)
else()
    target_compile_options(korvax_warnings INTERFACE
        -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion
        -Wnon-virtual-dtor -Wold-style-cast -Woverloaded-virtual
        $<$<BOOL:${KORVAX_WERROR}>:-Werror>)
endif()

if(KORVAX_SANITIZE)
    # _GLIBCXX_ASSERTIONS adds bounds checks to the standard containers.
    add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer
        -D_GLIBCXX_ASSERTIONS)
    add_link_options(-fsanitize=address,undefined)
endif()

# libFuzzer's coverage instrumentation and the sanitizers for every target;
# the fuzz targets link libFuzzer itself (tests/fuzz). Needs clang.
if(KORVAX_FUZZ)
    add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all
        -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
endif()
