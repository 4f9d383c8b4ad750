# SPDX-License-Identifier: GPL-3.0-or-later
# cmake -DCHECK=<ProductHost.cmake> -P TestProductHostSetting.cmake
# Runs the configure step's check of MIRAVO_PRODUCT_HOST on settings that must pass and settings that must stop
# the configure step with the message that names the setting and its form.
set(accepted
    "miravodialer.example"
    "localhost"
    "127.0.0.1:18431"
    "www.example.com:8080"
    "host:65535"
    "[::1]:8080"
    "[2001:db8::1]")
set(refused
    ""                        # no host at all
    "127.0.0.1:"              # a colon without a port
    "host:0"
    "host:65536"
    "host:123456789012"
    "http://example.com"      # a whole address, not a host
    "example.com/products"    # a path
    "user@example.com"
    "host:80:90"
    "under_score.example"
    "-leading-hyphen"
    "::1"                     # IPv6 without brackets
    "[1::2::3]"
    "two words")

set(failures "")
foreach(setting IN LISTS accepted)
    execute_process(COMMAND ${CMAKE_COMMAND} "-DMIRAVO_PRODUCT_HOST=${setting}" -P ${CHECK}
        RESULT_VARIABLE result ERROR_VARIABLE error)
    if(NOT result EQUAL 0)
        string(APPEND failures "\"${setting}\" was refused: ${error}\n")
    endif()
endforeach()
# An empty list entry is dropped by foreach(IN LISTS); the empty setting is checked on its own.
foreach(setting IN LISTS refused ITEMS "")
    execute_process(COMMAND ${CMAKE_COMMAND} "-DMIRAVO_PRODUCT_HOST=${setting}" -P ${CHECK}
        RESULT_VARIABLE result ERROR_VARIABLE error)
    string(REGEX REPLACE "[ \n]+" " " error "${error}")
    if(result EQUAL 0)
        string(APPEND failures "\"${setting}\" was accepted\n")
    elseif(NOT error MATCHES "MIRAVO_PRODUCT_HOST is \"[^\"]*\":.* It must be a host or host:port")
        string(APPEND failures "\"${setting}\" was refused without the message: ${error}\n")
    endif()
endforeach()
if(failures)
    message(FATAL_ERROR "${failures}")
endif()
