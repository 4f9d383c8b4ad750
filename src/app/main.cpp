// MiravoDialer: a calling-card dialer. The program is its main window; every other window opens from there.
#include "dialer/frmMiravoCall.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    // The browser module's engine draws through OpenGL contexts shared with the program's own; that sharing has to
    // be asked for before the application object exists, long before the module is loaded.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("MiravoDialer"));

    miravo::showMainWindow();
    return QApplication::exec();
}
