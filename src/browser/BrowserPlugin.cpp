#include "browser/BrowserPlugin.h"

#include "browser/frmBrowser.h"

namespace miravo {

QWidget* BrowserPlugin::createBrowserWindow(const BrowserPages& pages)
{
    return new frmBrowser(pages);
}

} // namespace miravo
