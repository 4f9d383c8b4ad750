#include "browser/BrowserPlugin.h"

#include "browser/EngineAccessibility.h"
#include "browser/EngineSandbox.h"
#include "browser/frmBrowser.h"

namespace miravo {

QWidget* BrowserPlugin::createBrowserWindow(const BrowserPages& pages)
{
    // The window starts the engine; as root its sandbox would end the program instead.
    switchOffEngineSandboxForRoot();
    exposePagesWhenAssistiveTechnologyIsActive();
    return new frmBrowser(pages);
}

} // namespace miravo
