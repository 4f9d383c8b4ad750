// SPDX-License-Identifier: GPL-3.0-or-later
// Port objects of the test's own: the object under test, or another holder of a port (the other window's port
// object, another program), numbered for COM n of the current per-user data folder.
#pragma once

#include "modem/ModemPort.h"

#include <memory>

namespace miravo::test {

// A closed port object numbered for COM n.
std::unique_ptr<ModemPort> portObject(int portNumber = 3);
// A port object holding COM n open, or nullptr when the open failed (check it with QVERIFY).
std::unique_ptr<ModemPort> holdPort(int portNumber = 3);
// Whether another port object could take COM n right now (it lets go again at once).
bool portFree(int portNumber = 3);

} // namespace miravo::test
