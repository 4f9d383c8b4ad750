// SPDX-License-Identifier: GPL-3.0-or-later
// The program as main() starts it, with a person's first steps taken inside it: "Phonebook", then a new Home
// number typed into the client editor (not stored yet). Says "ready" on its output when it stands so, then runs
// until it ends. tst_terminationsignals sends it the signals.
// Usage: signalled_program <text to type into Home> | --main-window-only  [step] [--answer-boxes]
//   step: --connect   presses Connect once the program stands ready
//         --send      opens the keypad with a pause of a minute and presses SEND once the program stands ready
//         --close     presses the client editor's Close when a line "go" comes on the input, after "ready"
//   With a step, message boxes are the real ones, and each says "box: <text>" on the output as it shows, and
//   "closed box: <text>" as it goes;
//   --answer-boxes: the "user" presses the default button of each box as soon as it shows.
#include "dialer/frmMiravoCall.h"
#include "support/Controls.h"
#include "support/ScriptedMessages.h"
#include "ui/TerminationSignals.h"

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSocketNotifier>
#include <QTimer>

#include <unistd.h>

#include <cstdio>
#include <memory>

using miravo::test::control;

namespace {

void say(const QString& line)
{
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

QWidget* openWindowNamed(const QString& name)
{
    for (QWidget* topLevel : QApplication::topLevelWidgets()) {
        if (topLevel->objectName() == name && topLevel->isVisible())
            return topLevel;
    }
    qFatal("no open window %s", qPrintable(name));
}

// Tells about every message box as it shows, and answers it when asked to.
class BoxWatcher final : public QObject {
public:
    explicit BoxWatcher(bool answer)
        : m_answer(answer)
    {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Hide && qobject_cast<QMessageBox*>(watched))
            say(QStringLiteral("closed box: ") + static_cast<QMessageBox*>(watched)->text());
        if (event->type() == QEvent::Show) {
            if (auto* box = qobject_cast<QMessageBox*>(watched)) {
                say(QStringLiteral("box: ") + box->text());
                if (m_answer) {
                    const QPointer<QMessageBox> shown(box);
                    QTimer::singleShot(0, box, [shown] {
                        if (shown && shown->defaultButton())
                            shown->defaultButton()->click();
                    });
                }
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool m_answer;
};

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("MiravoDialer"));
    miravo::closeWindowsOnTerminationSignals();
    const QStringList arguments = QCoreApplication::arguments();
    const bool connect = arguments.contains(QLatin1String("--connect"));
    const bool send = arguments.contains(QLatin1String("--send"));
    const bool closeEditor = arguments.contains(QLatin1String("--close"));
    const bool realBoxes = connect || send || closeEditor || arguments.contains(QLatin1String("--answer-boxes"));

    // Any message the program shows goes to the error output, where the test finds it; with real boxes the
    // output tells about each one instead.
    std::unique_ptr<miravo::test::ScriptedMessages> messages;
    BoxWatcher boxes(arguments.contains(QLatin1String("--answer-boxes")));
    if (realBoxes) {
        app.installEventFilter(&boxes);
    } else {
        messages = std::make_unique<miravo::test::ScriptedMessages>();
        messages->onShow([](const miravo::MessageRequest& request) {
            std::fprintf(stderr, "message: %s\n", qPrintable(request.text));
        });
    }

    miravo::frmMiravoCall* window = miravo::showMainWindow();
    const QString typed = arguments.value(1);
    if (typed != QLatin1String("--main-window-only")) {
        QTest::mouseClick(control<QPushButton>(window, QStringLiteral("cmdPhonebook")), Qt::LeftButton);
        QWidget* clients = openWindowNamed(QStringLiteral("frmClients"));
        auto* home = control<QLineEdit>(clients, QStringLiteral("txtFields_9"));
        home->setFocus();
        home->selectAll();
        QTest::keyClicks(home, typed);
        if (home->text() != typed)
            qFatal("typing gave \"%s\"", qPrintable(home->text()));
    }
    QCoreApplication::processEvents();
    if (connect || send) {
        // "ready" comes right before the press, in the same handler: a signal sent on it is handled inside the
        // wait the press leads to, not before.
        QTimer::singleShot(0, window, [window, send] {
            if (send) {
                QTest::mouseClick(control<QPushButton>(window, QStringLiteral("cmdDial")), Qt::LeftButton);
                QWidget* keypad = openWindowNamed(QStringLiteral("frmPhone"));
                control<QLineEdit>(keypad, QStringLiteral("txtPause"))->setText(QStringLiteral("60"));
                say(QStringLiteral("ready"));
                QTest::mouseClick(control<QPushButton>(keypad, QStringLiteral("cmdSend")), Qt::LeftButton);
            } else {
                say(QStringLiteral("ready"));
                QTest::mouseClick(control<QPushButton>(window, QStringLiteral("cmdConnect")), Qt::LeftButton);
            }
        });
    } else if (closeEditor) {
        // The test prepares what the close will meet (a lock on the file) between "ready" and "go".
        auto* input = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, &app);
        QObject::connect(input, &QSocketNotifier::activated, input, [input] {
            char line[16] = {};
            if (::read(STDIN_FILENO, line, sizeof line - 1) <= 0 || qstrncmp(line, "go", 2) != 0)
                return;
            input->setEnabled(false);
            QWidget* clients = openWindowNamed(QStringLiteral("frmClients"));
            QTest::mouseClick(control<QPushButton>(clients, QStringLiteral("cmdClose")), Qt::LeftButton);
        });
        say(QStringLiteral("ready"));
    } else {
        say(QStringLiteral("ready"));
    }
    const int exitCode = QApplication::exec();
    // Closed windows are destroyed, as when the user closes them; one left over would be a leak at exit.
    for (const QWidget* topLevel : QApplication::topLevelWidgets()) {
        if (!topLevel->parentWidget())
            std::fprintf(stderr, "window left: %s\n", qPrintable(topLevel->objectName()));
    }
    return exitCode;
}
