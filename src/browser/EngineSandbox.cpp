// SPDX-License-Identifier: GPL-3.0-or-later
#include "EngineSandbox.h"

#include <QByteArray>
#include <QtGlobal>

#include <unistd.h>

namespace miravo {

void switchOffEngineSandboxForRoot()
{
    if (::getuid() != 0 && ::geteuid() != 0)
        return;
    // The engine's own switch, read when it starts; the same as passing --no-sandbox to Chromium.
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", QByteArrayLiteral("1"));
}

} // namespace miravo
