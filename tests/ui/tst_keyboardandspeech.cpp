// SPDX-License-Identifier: GPL-3.0-or-later
// The keyboard rules every window keeps (Enter presses the focused button; an active window always has a focused
// control, also after a message box), the notification object that speaks without moving the focus, and the
// caption that is a command. Offscreen, with real widgets and real message boxes.
#include "support/Announcements.h"
#include "ui/Announcer.h"
#include "ui/ClickableCaption.h"
#include "ui/FocusKeeping.h"
#include "ui/MessageService.h"

#include <QAccessible>
#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include <memory>

using namespace miravo;
using miravo::test::Announcements;

namespace {

// A window as the program builds them: fields and buttons on a plain widget.
struct SampleWindow {
    std::unique_ptr<QWidget> window = std::make_unique<QWidget>(nullptr, Qt::Window);
    QLineEdit* first = new QLineEdit(window.get());
    QLineEdit* second = new QLineEdit(window.get());
    QPushButton* button = new QPushButton(QStringLiteral("Connect"), window.get());
    QToolButton* toolButton = new QToolButton(window.get());

    SampleWindow()
    {
        toolButton->setFocusPolicy(Qt::StrongFocus);
        window->resize(300, 200);
        first->move(0, 0);
        second->move(0, 40);
        button->move(0, 80);
        toolButton->move(0, 120);
    }
};

bool showActive(QWidget* window)
{
    window->show();
    window->activateWindow();
    return QTest::qWaitForWindowActive(window);
}

} // namespace

class tst_KeyboardAndSpeech : public QObject {
    Q_OBJECT

private slots:
    void enterPressesTheFocusedButton_data();
    void enterPressesTheFocusedButton();
    void activeWindowHasAFocusedControl_data();
    void activeWindowHasAFocusedControl();
    void messageBoxGivesTheFocusBack();
    void announcements_data();
    void announcements();
    void captionIsACommand_data();
    void captionIsACommand();
};

void tst_KeyboardAndSpeech::enterPressesTheFocusedButton_data()
{
    QTest::addColumn<QString>("focused");
    QTest::addColumn<int>("key");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<int>("buttonClicks");
    QTest::addColumn<int>("toolButtonClicks");

    const Qt::KeyboardModifiers none;
    QTest::newRow("Return on a push button") << "button" << int(Qt::Key_Return) << none << true << 1 << 0;
    QTest::newRow("keypad Enter on a push button")
        << "button" << int(Qt::Key_Enter) << Qt::KeyboardModifiers(Qt::KeypadModifier) << true << 1 << 0;
    QTest::newRow("Return on a tool button") << "toolButton" << int(Qt::Key_Return) << none << true << 0 << 1;
    QTest::newRow("Space still presses") << "button" << int(Qt::Key_Space) << none << true << 1 << 0;
    QTest::newRow("a disabled button is not pressed") << "button" << int(Qt::Key_Return) << none << false << 0 << 0;
    QTest::newRow("Shift+Return is not Enter")
        << "button" << int(Qt::Key_Return) << Qt::KeyboardModifiers(Qt::ShiftModifier) << true << 0 << 0;
    QTest::newRow("Return in a field presses nothing") << "first" << int(Qt::Key_Return) << none << true << 0 << 0;
}

void tst_KeyboardAndSpeech::enterPressesTheFocusedButton()
{
    QFETCH(QString, focused);
    QFETCH(int, key);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(bool, enabled);
    QFETCH(int, buttonClicks);
    QFETCH(int, toolButtonClicks);

    SampleWindow sample;
    pressButtonsOnEnter(sample.window.get());
    QVERIFY(showActive(sample.window.get()));
    QWidget* target = focused == "button"       ? static_cast<QWidget*>(sample.button)
                      : focused == "toolButton" ? static_cast<QWidget*>(sample.toolButton)
                                                : static_cast<QWidget*>(sample.first);
    target->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), target);
    target->setEnabled(enabled);
    QSignalSpy button(sample.button, &QPushButton::clicked);
    QSignalSpy toolButton(sample.toolButton, &QToolButton::clicked);

    QTest::keyClick(target, Qt::Key(key), modifiers);
    QCOMPARE(button.size(), buttonClicks);
    QCOMPARE(toolButton.size(), toolButtonClicks);
}

void tst_KeyboardAndSpeech::activeWindowHasAFocusedControl_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("expected");

    QTest::newRow("opened: the first of the tab order") << ""
                                                        << "second";
    QTest::newRow("back to the window: the control that had the focus") << "first"
                                                                        << "first";
    QTest::newRow("back to a window whose focus was cleared: the first") << "cleared"
                                                                         << "second";
}

void tst_KeyboardAndSpeech::activeWindowHasAFocusedControl()
{
    QFETCH(QString, before);
    QFETCH(QString, expected);

    SampleWindow sample;
    // The first of this window's tab order is its second field, so that "first" in the window is not what Qt
    // itself would pick.
    keepFocusInWindow(sample.window.get(), sample.second);
    QVERIFY(showActive(sample.window.get()));
    QTRY_COMPARE(QApplication::focusWidget(), sample.second);
    if (!before.isEmpty()) {
        if (before == "first")
            sample.first->setFocus();
        QWidget other(nullptr, Qt::Window);
        other.resize(100, 100);
        QVERIFY(showActive(&other));
        if (before == "cleared")
            sample.window->focusWidget()->clearFocus();
        QVERIFY(showActive(sample.window.get()));
    }
    QWidget* wanted = expected == "first" ? static_cast<QWidget*>(sample.first) : sample.second;
    QTRY_COMPARE(QApplication::focusWidget(), wanted);
}

void tst_KeyboardAndSpeech::messageBoxGivesTheFocusBack()
{
    setMessageService(nullptr); // the real boxes
    SampleWindow sample;
    keepFocusInWindow(sample.window.get(), sample.first);
    QVERIFY(showActive(sample.window.get()));
    sample.second->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), sample.second);

    // The user reads the box and presses Enter: it goes, and typing goes on in the field that had the focus.
    bool answered = false;
    QTimer::singleShot(0, [&answered] {
        QTRY_VERIFY(QApplication::activeModalWidget());
        QTest::keyClick(QApplication::activeModalWidget(), Qt::Key_Return);
        answered = true;
    });
    QCOMPARE(showMessage(QStringLiteral("database is locked")), MessageAnswer::Ok);
    QVERIFY(answered);
    QTRY_COMPARE(QApplication::focusWidget(), sample.second);
    QTest::keyClicks(QApplication::focusWidget(), "abc");
    QCOMPARE(sample.second->text(), QStringLiteral("abc"));
}

void tst_KeyboardAndSpeech::announcements_data()
{
    QTest::addColumn<QStringList>("announced");
    QTest::addColumn<QStringList>("said");

    QTest::newRow("one message") << QStringList{"Page loaded: Miravo cards"}
                                 << QStringList{"Page loaded: Miravo cards"};
    QTest::newRow("the same message twice is said twice") << QStringList{"5", "5"} << QStringList{"5", "5"};
    QTest::newRow("lines stay lines") << QStringList{"Dialing: 1\n\nSequence Listing"}
                                      << QStringList{"Dialing: 1\n\nSequence Listing"};
    QTest::newRow("blank says nothing") << QStringList{"", "  ", "7"} << QStringList{"7"};
}

void tst_KeyboardAndSpeech::announcements()
{
    QFETCH(QStringList, announced);
    QFETCH(QStringList, said);

    SampleWindow sample;
    auto* announcer = new Announcer(sample.window.get());
    QVERIFY(showActive(sample.window.get()));
    sample.first->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), sample.first);
    const Announcements heard(sample.window.get());
    for (const QString& message : std::as_const(announced))
        announcer->announce(message);
    QCOMPARE(heard.said(), said);
    // Said without taking the focus, and never a tab stop of its own.
    QCOMPARE(QApplication::focusWidget(), sample.first);
    QCOMPARE(announcer->focusPolicy(), Qt::NoFocus);
}

void tst_KeyboardAndSpeech::captionIsACommand_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("clicks");

    QTest::newRow("Space") << "space" << 1;
    QTest::newRow("Return") << "return" << 1;
    QTest::newRow("keypad Enter") << "enter" << 1;
    QTest::newRow("a mouse click") << "mouse" << 1;
    QTest::newRow("a press dragged off the caption") << "drag off" << 0;
    QTest::newRow("the accessible press action") << "action" << 1;
    QTest::newRow("a letter") << "letter" << 0;
}

void tst_KeyboardAndSpeech::captionIsACommand()
{
    QFETCH(QString, how);
    QFETCH(int, clicks);

    SampleWindow sample;
    auto* caption = new ClickableCaption(QStringLiteral("COM:"), QStringLiteral("Quick dial"), sample.window.get());
    caption->setGeometry(100, 0, 40, 16);
    QVERIFY(showActive(sample.window.get()));
    caption->setFocus(Qt::TabFocusReason);
    QTRY_COMPARE(QApplication::focusWidget(), caption);
    QSignalSpy clicked(caption, &ClickableCaption::clicked);

    QAccessibleInterface* spoken = QAccessible::queryAccessibleInterface(caption);
    QVERIFY(spoken);
    QCOMPARE(spoken->role(), QAccessible::Button);
    QCOMPARE(spoken->text(QAccessible::Name), QStringLiteral("Quick dial"));

    if (how == "space")
        QTest::keyClick(caption, Qt::Key_Space);
    else if (how == "return")
        QTest::keyClick(caption, Qt::Key_Return);
    else if (how == "enter")
        QTest::keyClick(caption, Qt::Key_Enter, Qt::KeypadModifier);
    else if (how == "letter")
        QTest::keyClick(caption, Qt::Key_A);
    else if (how == "mouse")
        QTest::mouseClick(caption, Qt::LeftButton);
    else if (how == "drag off") {
        QTest::mousePress(caption, Qt::LeftButton, {}, QPoint(5, 5));
        QTest::mouseRelease(caption, Qt::LeftButton, {}, QPoint(200, 150));
    } else if (how == "action") {
        QVERIFY(spoken->actionInterface());
        spoken->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    }
    QCOMPARE(clicked.size(), clicks);
    QCOMPARE(caption->text(), QStringLiteral("COM:"));
}

QTEST_MAIN(tst_KeyboardAndSpeech)
#include "tst_keyboardandspeech.moc"
