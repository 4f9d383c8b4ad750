# SPDX-License-Identifier: GPL-3.0-or-later
# Debian's hardening flags, as its own packages are built with them: what `dpkg-buildflags` gives with every
# hardening feature on (stack protector, fortified functions, read-only relocations bound at start, ...). The
# package made from this build then passes lintian's hardening checks. The optimisation and debug flags stay the
# build type's. Off for the sanitizer build and for Debug, where fortified functions would warn without
# optimisation. Given to every target through miravo_common (CommonConfig.cmake).
option(MIRAVO_HARDENING "Build with Debian's hardening flags (dpkg-buildflags)" ON)
find_program(DPKG_BUILDFLAGS_EXECUTABLE dpkg-buildflags)
if(MIRAVO_HARDENING AND DPKG_BUILDFLAGS_EXECUTABLE AND NOT MIRAVO_SANITIZE AND NOT CMAKE_BUILD_TYPE STREQUAL "Debug")
    foreach(kind CPPFLAGS CXXFLAGS LDFLAGS)
        execute_process(COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
                                ${DPKG_BUILDFLAGS_EXECUTABLE} --get ${kind}
            OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
        separate_arguments(flags UNIX_COMMAND "${flags}")
        # -ffile-prefix-map makes the build reproducible across folders, which is no hardening: left out, so that
        # debuggers find the sources.
        list(FILTER flags EXCLUDE REGEX "^-O[0-9s]?$|^-g$|^-ffile-prefix-map=")
        if(kind STREQUAL "LDFLAGS")
            target_link_options(miravo_common INTERFACE ${flags})
        else()
            target_compile_options(miravo_common INTERFACE ${flags})
        endif()
    endforeach()
    message(STATUS "Hardening flags from dpkg-buildflags: on")
endif()
