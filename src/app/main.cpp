// MiravoDialer: a calling-card dialer. The program is its main window; every other window opens from there.
#include "browser/BrowserLoader.h"
#include "dialer/frmMiravoCall.h"
#include "ui/TerminationSignals.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    miravo::prepareApplicationForBrowser();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("MiravoDialer"));
    miravo::closeWindowsOnTerminationSignals();

    miravo::showMainWindow();
    return QApplication::exec();
}
