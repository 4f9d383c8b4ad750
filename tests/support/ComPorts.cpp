// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/ComPorts.h"

namespace miravo::test {

std::unique_ptr<ModemPort> portObject(int portNumber)
{
    auto port = std::make_unique<ModemPort>();
    port->setPortNumber(portNumber);
    return port;
}

std::unique_ptr<ModemPort> holdPort(int portNumber)
{
    auto port = portObject(portNumber);
    if (!port->open().ok())
        return nullptr;
    return port;
}

bool portFree(int portNumber)
{
    return holdPort(portNumber) != nullptr;
}

} // namespace miravo::test
