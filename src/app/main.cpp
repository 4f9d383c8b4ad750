// MiravoDialer: a calling-card dialer. The program is its main window; every other window opens from there.
#include "dialer/frmMiravoCall.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("MiravoDialer"));

    miravo::showMainWindow();
    return QApplication::exec();
}
