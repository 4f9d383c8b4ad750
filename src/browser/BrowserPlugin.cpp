#include "BrowserPlugin.h"

#include "EngineAccessibility.h"
#include "EngineSandbox.h"
#include "frmBrowser.h"

namespace miravo {

QWidget* BrowserPlugin::createBrowserWindow(const BrowserPages& pages)
{
    // The window starts the engine; as root its sandbox would end the program instead.
    switchOffEngineSandboxForRoot();
    exposePagesWhenAssistiveTechnologyIsActive();
    return new frmBrowser(pages);
}

} // namespace miravo
