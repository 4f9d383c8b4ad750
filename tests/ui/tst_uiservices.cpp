// The toolkit services every window stands on: message boxes, single windows, the event-processing wait, twips.
#include "support/Controls.h"
#include "support/ScriptedMessages.h"
#include "support/ScriptedWait.h"
#include "ui/EventWait.h"
#include "ui/MessageService.h"
#include "ui/Twips.h"
#include "ui/WindowRegistry.h"

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <cmath>
#include <limits>

using namespace miravo;

namespace {

class SampleWindow final : public QWidget {
public:
    static inline int created = 0;
    SampleWindow() { ++created; }
};

} // namespace

class tst_UiServices : public QObject {
    Q_OBJECT

private slots:
    void realMessageBoxes_data();
    void realMessageBoxes();
    void scriptedService();
    void oneWindowOfEachKind();
    void realWait();
    void scriptedWait_data();
    void scriptedWait();
    void waitEndsWhenGuardDies();
    void waitOfNothing_data();
    void waitOfNothing();
    void twips_data();
    void twips();
    void missingControlFailsItsCaseOnly();
};

void tst_UiServices::realMessageBoxes_data()
{
    QTest::addColumn<int>("style");
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("press"); // QMessageBox::StandardButton, 0 = Enter on the default button
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("expectedTitle");
    QTest::addColumn<int>("expectedIcon");

    QTest::newRow("OK box, program title") << int(MessageStyle::OkOnly) << QString() << int(QMessageBox::Ok)
                                           << int(MessageAnswer::Ok) << "MiravoDialer" << int(QMessageBox::NoIcon);
    QTest::newRow("question, Yes") << int(MessageStyle::YesNoCritical) << "Dialing Status" << int(QMessageBox::Yes)
                                   << int(MessageAnswer::Yes) << "Dialing Status" << int(QMessageBox::Critical);
    QTest::newRow("question, Enter takes the default No")
        << int(MessageStyle::YesNoCritical) << "Dialing Status" << 0 << int(MessageAnswer::No) << "Dialing Status"
        << int(QMessageBox::Critical);
}

void tst_UiServices::realMessageBoxes()
{
    QFETCH(int, style);
    QFETCH(QString, title);
    QFETCH(int, press);
    QFETCH(int, answer);
    QFETCH(QString, expectedTitle);
    QFETCH(int, expectedIcon);

    QString seenTitle;
    QString seenText;
    int seenIcon = -1;
    bool wasModal = false;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QVERIFY(box);
        seenTitle = box->windowTitle();
        seenText = box->text();
        seenIcon = box->icon();
        wasModal = box->windowModality() == Qt::ApplicationModal;
        if (press == 0)
            QTest::keyClick(box, Qt::Key_Return);
        else
            box->button(QMessageBox::StandardButton(press))->click();
    });
    const MessageAnswer got = showMessage(QStringLiteral("Check your com port settings.!"), MessageStyle(style), title);

    QCOMPARE(int(got), answer);
    QCOMPARE(seenTitle, expectedTitle);
    QCOMPARE(seenText, QStringLiteral("Check your com port settings.!"));
    QCOMPARE(seenIcon, expectedIcon);
    QVERIFY(wasModal);
}

void tst_UiServices::scriptedService()
{
    test::ScriptedMessages messages;
    messages.answerNext(MessageAnswer::Yes);
    QCOMPARE(showMessage("q", MessageStyle::YesNoCritical, "T"), MessageAnswer::Yes);
    QCOMPARE(showMessage("q2", MessageStyle::YesNoCritical), MessageAnswer::No); // the default when unscripted
    QCOMPARE(messages.texts(), (QStringList{"q", "q2"}));
    QCOMPARE(messages.shown().last().title, ApplicationTitle);
}

void tst_UiServices::oneWindowOfEachKind()
{
    SampleWindow::created = 0;
    SampleWindow* first = showWindow<SampleWindow>();
    QVERIFY(first->isVisible());
    QVERIFY(!first->parentWidget());
    QVERIFY(!first->isModal());

    QCOMPARE(showWindow<SampleWindow>(), first); // showing an open window only raises it
    QCOMPARE(SampleWindow::created, 1);

    QPointer<SampleWindow> closed(first);
    first->close();
    QTRY_VERIFY(closed.isNull()); // closing destroys it

    SampleWindow* second = showWindow<SampleWindow>();
    QCOMPARE(SampleWindow::created, 2); // the next show creates it afresh
    second->close();
    QTRY_VERIFY(openWindow<SampleWindow>().isNull());
}

void tst_UiServices::realWait()
{
    // The real clock and event loop, briefly. Events that come due during the wait are handled inside it, the
    // later of them included, so the wait neither blocks events nor ends before they come due.
    QPushButton button;
    int clicks = 0;
    connect(&button, &QPushButton::clicked, [&] { ++clicks; });
    QTimer::singleShot(20, &button, [&] { button.click(); });
    QTimer::singleShot(120, &button, [&] { button.click(); });
    QVERIFY(waitProcessingEvents(0.2, &button));
    QCOMPARE(clicks, 2);

    // A guard that dies ends a long wait with it: a marker far later than the guard's end has not come due yet.
    auto* guard = new QObject;
    bool markerCame = false;
    QObject scope;
    QTimer::singleShot(20, guard, [guard] { delete guard; });
    QTimer::singleShot(20000, &scope, [&] { markerCame = true; });
    QVERIFY(!waitProcessingEvents(30.0, guard));
    QVERIFY(!markerCame);
}

void tst_UiServices::scriptedWait_data()
{
    QTest::addColumn<double>("seconds");
    QTest::addColumn<qint64>("ms");

    QTest::newRow("ten seconds") << 10.0 << qint64(10000);
    QTest::newRow("a fraction, rounded up to whole milliseconds") << 2.0004 << qint64(2001);
    QTest::newRow("beyond 64-bit milliseconds, clamped") << 1e300 << std::numeric_limits<qint64>::max();
}

void tst_UiServices::scriptedWait()
{
    QFETCH(double, seconds);
    QFETCH(qint64, ms);
    test::ScriptedWait wait;
    QPushButton button;
    int clicks = 0;
    connect(&button, &QPushButton::clicked, [&] { ++clicks; });
    // What happens during the pause runs inside the wait, and so does what it sets off.
    wait.duringNextPause([&] { QTimer::singleShot(0, &button, [&] { button.click(); }); });

    QVERIFY(waitProcessingEvents(seconds, &button));
    QCOMPARE(clicks, 1);
    QCOMPARE(wait.pauses(), QList<qint64>{ms});
    QCOMPARE(wait.elapsedMs(), ms); // the clock moved on by the whole pause, and the wait ended there
}

void tst_UiServices::waitEndsWhenGuardDies()
{
    test::ScriptedWait wait;
    auto* guard = new QObject;
    wait.duringNextPause([guard] { delete guard; });
    QVERIFY(!waitProcessingEvents(30.0, guard));
    QCOMPARE(wait.pauses(), QList<qint64>{30000}); // one leg: the wait did not go on after the guard died
    QCOMPARE(wait.elapsedMs(), qint64(0));
}

void tst_UiServices::waitOfNothing_data()
{
    QTest::addColumn<double>("seconds");
    QTest::newRow("zero") << 0.0;
    QTest::newRow("negative") << -5.0;
    QTest::newRow("not a number") << std::nan("");
}

void tst_UiServices::waitOfNothing()
{
    QFETCH(double, seconds);
    test::ScriptedWait wait;
    QObject guard;
    QVERIFY(waitProcessingEvents(seconds));
    QVERIFY(waitProcessingEvents(seconds, &guard));
    QVERIFY(wait.pauses().isEmpty()); // returned at once, without a pause
}

void tst_UiServices::twips_data()
{
    QTest::addColumn<int>("twips");
    QTest::addColumn<int>("pixels");
    QTest::newRow("window width") << 8085 << 539;
    QTest::newRow("one pixel") << 15 << 1;
    QTest::newRow("rounds up from half") << 8 << 1;
    QTest::newRow("rounds down below half") << 7 << 0;
    QTest::newRow("negative offset") << -30 << -2;
    QTest::newRow("small negative offset") << -15 << -1;
}

void tst_UiServices::twips()
{
    QFETCH(int, twips);
    QFETCH(int, pixels);
    QCOMPARE(twipsToPixels(twips), pixels);
}

void tst_UiServices::missingControlFailsItsCaseOnly()
{
    // The test support's control lookup: a missing control is this case's failure, not the end of the test
    // program; the steps after it run on a stand-in without crashing.
    QWidget window;
    auto* present = new QLineEdit(&window);
    present->setObjectName(QStringLiteral("txtPresent"));
    QCOMPARE(test::control<QLineEdit>(&window, "txtPresent"), present);

    QEXPECT_FAIL("", "a missing control fails the case it is looked up in", Continue);
    QLineEdit* missing = test::control<QLineEdit>(&window, "txtMissing");
    QVERIFY(missing && missing != present);
    missing->setText(QStringLiteral("typed"));
    QVERIFY(!window.findChild<QLineEdit*>(QStringLiteral("txtMissing")));
}

QTEST_MAIN(tst_UiServices)
#include "tst_uiservices.moc"
