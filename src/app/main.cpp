// MiravoDialer: a calling-card dialer. The program is its main window; every other window opens from there.
#include "browser/BrowserLoader.h"
#include "dialer/frmMiravoCall.h"
#include "ui/AccessibleControls.h"
#include "ui/TerminationSignals.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char* argv[])
{
    miravo::prepareApplicationForBrowser();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("MiravoDialer"));
    miravo::closeWindowsOnTerminationSignals();
    miravo::presentWindowsAsWindows();
    // The desktop entry's name lets the taskbar and the window switcher match the windows to the menu entry.
    QGuiApplication::setDesktopFileName(QStringLiteral(MIRAVO_APP_ID));
    QIcon icon;
    for (const int size : {48, 256})
        icon.addFile(QStringLiteral(":/icons/" MIRAVO_APP_ID "-%1.png").arg(size), QSize(size, size));
    QApplication::setWindowIcon(icon);

    miravo::showMainWindow();
    return QApplication::exec();
}
