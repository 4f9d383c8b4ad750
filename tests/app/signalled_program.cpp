// The program as main() starts it, with a person's first steps taken inside it: "Phonebook", then a new Home
// number typed into the client editor (not stored yet). Says "ready" on its output when it stands so, then runs
// until it ends. tst_terminationsignals sends it the signals.
// Usage: signalled_program <text to type into Home> | --main-window-only
#include "dialer/frmMiravoCall.h"
#include "support/Controls.h"
#include "support/ScriptedMessages.h"
#include "ui/TerminationSignals.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>

#include <cstdio>

using miravo::test::control;

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("MiravoDialer"));
    miravo::closeWindowsOnTerminationSignals();
    // Any message the program shows goes to the error output, where the test finds it.
    miravo::test::ScriptedMessages messages;
    messages.onShow(
        [](const miravo::MessageRequest& request) { std::fprintf(stderr, "message: %s\n", qPrintable(request.text)); });

    miravo::frmMiravoCall* window = miravo::showMainWindow();
    const QString typed = QCoreApplication::arguments().value(1);
    if (typed != QLatin1String("--main-window-only")) {
        QTest::mouseClick(control<QPushButton>(window, QStringLiteral("cmdPhonebook")), Qt::LeftButton);
        QWidget* clients = nullptr;
        for (QWidget* topLevel : QApplication::topLevelWidgets()) {
            if (topLevel->objectName() == QLatin1String("frmClients") && topLevel->isVisible())
                clients = topLevel;
        }
        if (!clients)
            qFatal("Phonebook opened no client editor");
        auto* home = control<QLineEdit>(clients, QStringLiteral("txtFields_9"));
        home->setFocus();
        home->selectAll();
        QTest::keyClicks(home, typed);
        if (home->text() != typed)
            qFatal("typing gave \"%s\"", qPrintable(home->text()));
    }
    QCoreApplication::processEvents();
    std::printf("ready\n");
    std::fflush(stdout);
    const int exitCode = QApplication::exec();
    // Closed windows are destroyed, as when the user closes them; one left over would be a leak at exit.
    for (const QWidget* topLevel : QApplication::topLevelWidgets()) {
        if (!topLevel->parentWidget())
            std::fprintf(stderr, "window left: %s\n", qPrintable(topLevel->objectName()));
    }
    return exitCode;
}
