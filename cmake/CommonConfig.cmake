# SPDX-License-Identifier: GPL-3.0-or-later
# miravo_common: the compiler and linker settings every target of the project is built with (warnings, warnings
# as errors, the sanitizers). Each library, program, test and benchmark links it; nothing is set for a whole folder
# with add_compile_options, so a target made outside this project's rules (a test fixture, a third-party piece)
# is not silently built with our flags, and tests/shape checks that it stays so.
add_library(miravo_common INTERFACE)
target_compile_options(miravo_common INTERFACE -Wall -Wextra -Wpedantic)
if(MIRAVO_WERROR)
    target_compile_options(miravo_common INTERFACE -Werror)
endif()
if(MIRAVO_SANITIZE)
    target_compile_options(miravo_common INTERFACE
        -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    target_link_options(miravo_common INTERFACE -fsanitize=address,undefined)
endif()

# Debian's hardening flags, on the same target.
include(${CMAKE_CURRENT_LIST_DIR}/Hardening.cmake)
