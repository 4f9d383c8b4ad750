// SPDX-License-Identifier: GPL-3.0-or-later
#include "BrowserPlugin.h"

#include "EngineAccessibility.h"
#include "EngineLogging.h"
#include "EngineSandbox.h"
#include "frmBrowser.h"

namespace miravo {

QWidget* BrowserPlugin::createBrowserWindow(const BrowserPages& pages)
{
    // The window starts the engine; as root its sandbox would end the program instead.
    switchOffEngineSandboxForRoot();
    exposePagesWhenAssistiveTechnologyIsActive();
    // The engine reports its start on the terminal; a normal run prints nothing.
    quietEngineLogging();
    return new frmBrowser(pages);
}

} // namespace miravo
