// MiravoDialer: a calling-card dialer. The program is its main window; every other window opens from there.
#include "dialer/frmMiravoCall.h"
#include "ui/Picture.h"
#include "ui/TerminationSignals.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("MiravoDialer"));
    miravo::closeWindowsOnTerminationSignals();
    // The desktop entry's name lets the taskbar and the window switcher match the windows to the menu entry.
    QGuiApplication::setDesktopFileName(QStringLiteral(MIRAVO_APP_ID));
    // Read as PNG alone: an icon file left to QIcon asks every image plugin installed first (see Picture.h).
    QIcon icon;
    for (const int size : {48, 256})
        icon.addPixmap(miravo::readPicture(QStringLiteral(":/icons/" MIRAVO_APP_ID "-%1.png").arg(size), "png"));
    QApplication::setWindowIcon(icon);

    miravo::showMainWindow();
    return QApplication::exec();
}
