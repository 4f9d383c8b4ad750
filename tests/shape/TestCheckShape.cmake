# SPDX-License-Identifier: GPL-3.0-or-later
# Configures one small project per case, with the shape check at its end, and compares the report with what the
# case expects: nothing for a sound project, a line naming the fault otherwise.
# -DCHECK=<CheckShape.cmake> -DWORK=<scratch folder> -DGENERATOR=<CMake generator>

set(sound_targets [=[
add_library(miravo_common INTERFACE)
add_library(alpha STATIC src/a/a.cpp)
target_link_libraries(alpha PRIVATE miravo_common)
add_executable(beta src/b/b.cpp)
target_link_libraries(beta PRIVATE alpha miravo_common)
]=])

# Each case: a name, the lines of its CMakeLists.txt after project(), an extra configure argument ("-" for none),
# and a regular expression the report must match ("-" for an empty report).
set(cases
    "sound project" "${sound_targets}" - -
    "sources in two folders" [=[
add_library(miravo_common INTERFACE)
add_library(both STATIC src/a/a.cpp src/b/b.cpp)
target_link_libraries(both PRIVATE miravo_common)
]=] - "target both has sources in 2 folders: src/a, src/b"
    "sources added from another folder" [=[
add_library(miravo_common INTERFACE)
add_library(alpha STATIC src/a/a.cpp)
target_link_libraries(alpha PRIVATE miravo_common)
add_subdirectory(src/b)
]=] - "target alpha has sources in 2 folders: src/a, src/b"
    "warning flag for the whole project" "add_compile_options(-Wall)\n${sound_targets}" -
        "folder \\. sets COMPILE_OPTIONS for every target in it: -Wall"
    "definition for the whole project" "add_compile_definitions(MIRAVO_X=1)\n${sound_targets}" -
        "folder \\. sets COMPILE_DEFINITIONS for every target in it: MIRAVO_X=1"
    "sanitizer linked for the whole project" "add_link_options(-fsanitize=address)\n${sound_targets}" -
        "folder \\. sets LINK_OPTIONS for every target in it: -fsanitize=address"
    "warning flag in CMAKE_CXX_FLAGS" "${sound_targets}" "-DCMAKE_CXX_FLAGS=-Wextra"
        "CMAKE_CXX_FLAGS sets flags for every target: -Wextra"
    "target without the common settings" [=[
add_library(miravo_common INTERFACE)
add_library(alpha STATIC src/a/a.cpp)
]=] - "target alpha does not link miravo_common"
)

set(failed 0)
list(LENGTH cases length)
math(EXPR last "${length} - 1")
foreach(i RANGE 0 ${last} 4)
    math(EXPR j1 "${i} + 1")
    math(EXPR j2 "${i} + 2")
    math(EXPR j3 "${i} + 3")
    list(GET cases ${i} name)
    list(GET cases ${j1} body)
    list(GET cases ${j2} args)
    list(GET cases ${j3} expected)
    if(args STREQUAL "-")
        set(args "")
    endif()
    string(MAKE_C_IDENTIFIER "${name}" folder)
    set(project ${WORK}/${folder})
    file(REMOVE_RECURSE ${project})
    file(WRITE ${project}/src/a/a.cpp "int a() { return 1; }\n")
    file(WRITE ${project}/src/b/b.cpp "int main() { return 0; }\n")
    file(WRITE ${project}/src/b/CMakeLists.txt "target_sources(alpha PRIVATE b.cpp)\n")
    file(WRITE ${project}/CMakeLists.txt
        "cmake_minimum_required(VERSION 3.22)\nproject(ShapeCase LANGUAGES CXX)\n${body}\n"
        "include(${CHECK})\nmiravo_check_shape(\${PROJECT_SOURCE_DIR} \${CMAKE_BINARY_DIR}/report.txt)\n")
    execute_process(COMMAND ${CMAKE_COMMAND} -S ${project} -B ${project}/build -G ${GENERATOR} ${args}
        RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
    if(NOT status EQUAL 0)
        message(SEND_ERROR "${name}: the project did not configure:\n${output}")
        set(failed 1)
        continue()
    endif()
    file(READ ${project}/build/report.txt report)
    if(expected STREQUAL "-")
        set(ok FALSE)
        if(report STREQUAL "")
            set(ok TRUE)
        endif()
    else()
        set(ok FALSE)
        if(report MATCHES "${expected}")
            set(ok TRUE)
        endif()
    endif()
    if(ok)
        message(STATUS "PASS ${name}")
    else()
        message(SEND_ERROR "FAIL ${name}: expected '${expected}', the report says:\n${report}")
        set(failed 1)
    endif()
endforeach()
if(failed)
    message(FATAL_ERROR "The shape check missed or invented a fault (see above).")
endif()
