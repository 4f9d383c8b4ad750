// MiravoDialer: a calling-card dialer. The program is its main window; every other window opens from there.
#include "dialer/frmMiravoCall.h"
#include "ui/AccessibleControls.h"
#include "ui/Picture.h"
#include "ui/TerminationSignals.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("MiravoDialer"));
    miravo::closeWindowsOnTerminationSignals();
    miravo::presentWindowsAsWindows();
    // The desktop entry's name lets the taskbar and the window switcher match the windows to the menu entry.
    QGuiApplication::setDesktopFileName(QStringLiteral(MIRAVO_APP_ID));
    // The window's own icon, for a window manager that does not look the desktop entry up: 48 px only, read as PNG
    // alone (an icon file left to QIcon asks every image plugin installed first, see Picture.h). A 256 px one as
    // well would cost the start memory (bench/README.md) for a picture the desktop entry's icon theme offers.
    QApplication::setWindowIcon(QIcon(miravo::readPicture(QStringLiteral(":/icons/" MIRAVO_APP_ID "-48.png"), "png")));

    miravo::showMainWindow();
    return QApplication::exec();
}
