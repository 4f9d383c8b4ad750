# cmake -DPROGRAM=<executable> -DMODULE=<browser module> -P CheckLinkedLibraries.cmake
# Fails unless the program's ELF NEEDED entries name no QtWebEngine library while the module's do: the program
# starts without the browser engine and loads it with the module on first use.
find_program(READELF NAMES readelf REQUIRED)

function(needed_libraries file out)
    execute_process(COMMAND ${READELF} --dynamic ${file} OUTPUT_VARIABLE dynamic RESULT_VARIABLE failed)
    if(failed)
        message(FATAL_ERROR "readelf could not read ${file}")
    endif()
    string(REGEX MATCHALL "\\(NEEDED\\)[^\n]*\\[[^]]*\\]" entries "${dynamic}")
    set(names "")
    foreach(entry IN LISTS entries)
        string(REGEX REPLACE ".*\\[([^]]*)\\]" "\\1" name "${entry}")
        list(APPEND names ${name})
    endforeach()
    set(${out} "${names}" PARENT_SCOPE)
endfunction()

needed_libraries(${PROGRAM} program)
needed_libraries(${MODULE} module)
message(STATUS "program needs: ${program}")
message(STATUS "module needs: ${module}")

if(NOT program MATCHES "libQt6Widgets")
    message(FATAL_ERROR "could not read the program's libraries (no libQt6Widgets among them)")
endif()
if(program MATCHES "WebEngine")
    message(FATAL_ERROR "the program links the browser engine: ${program}")
endif()
if(NOT module MATCHES "libQt6WebEngineWidgets")
    message(FATAL_ERROR "the browser module does not link the browser engine: ${module}")
endif()
