# SPDX-License-Identifier: GPL-3.0-or-later
# miravo_check_product_host(<setting>)
# The product page is http://<setting>/products/miravodialer_rqt.htm, so the setting must be a host, optionally
# with a port: a host name, an IPv4 address or an IPv6 address in brackets, then ":" and a port from 1 to 65535.
# Anything else stops the configure step here, instead of building a program whose browser opens an address
# with no host in it.
#
# Run as a script it checks one setting: cmake -DMIRAVO_PRODUCT_HOST=<setting> -P ProductHost.cmake
function(miravo_check_product_host setting)
    set(label "[A-Za-z0-9]([A-Za-z0-9-]*[A-Za-z0-9])?")
    set(host_name "${label}(\\.${label})*")
    set(ipv6 "\\[[0-9A-Fa-f:.]*:[0-9A-Fa-f:.]*\\]")
    set(reason "")
    if(NOT setting MATCHES "^(${host_name}|${ipv6})(:[1-9][0-9]*)?$")
        set(reason "it is not a host or host:port")
    elseif(setting MATCHES ":::" OR setting MATCHES "::.*::")
        set(reason "its IPv6 address has more than one \"::\"")
    elseif(setting MATCHES "[^]:]:([0-9]+)$|\\]:([0-9]+)$")
        set(port "${CMAKE_MATCH_1}${CMAKE_MATCH_2}")
        string(LENGTH "${port}" digits)
        if(digits GREATER 5 OR port GREATER 65535)
            set(reason "its port ${port} is above 65535")
        endif()
    endif()
    if(reason)
        message(FATAL_ERROR
            "MIRAVO_PRODUCT_HOST is \"${setting}\": ${reason}.\n"
            "It must be a host or host:port (a host name, an IPv4 address or an IPv6 address in brackets, and a "
            "port from 1 to 65535), as in miravodialer.example or 127.0.0.1:8080; the product page is "
            "http://<host>[:port]/products/miravodialer_rqt.htm.")
    endif()
endfunction()

if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
    miravo_check_product_host("${MIRAVO_PRODUCT_HOST}")
endif()
