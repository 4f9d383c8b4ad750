// SPDX-License-Identifier: GPL-3.0-or-later
// The two-stage dial on its own, without any window, against a real pseudo-terminal as the modem on COM3: the
// bytes on the line, the close and re-open between the two commands, when the caller's wait is asked, and which
// failing steps reach the caller's failure rule and what its answer does.
#include "modem/ModemPort.h"
#include "modem/TwoStageDial.h"
#include "support/ComPorts.h"
#include "support/DialTexts.h"
#include "support/TempDataFolder.h"
#include "support/VirtualModemRecorder.h"

#include <QtTest>

#include <memory>

using namespace miravo;
using miravo::test::Access;
using miravo::test::holdPort;
using miravo::test::portObject;
using miravo::test::TempDataFolder;
using miravo::test::Tone;
using miravo::test::VirtualModemRecorder;

namespace {

QString stepName(DialStep step)
{
    switch (step) {
    case DialStep::Open:
        return QStringLiteral("open");
    case DialStep::AccessNumber:
        return QStringLiteral("access");
    case DialStep::Reopen:
        return QStringLiteral("reopen");
    case DialStep::LineSettings:
        return QStringLiteral("settings");
    case DialStep::ToneCommand:
        return QStringLiteral("tone");
    }
    return QString();
}

} // namespace

class tst_TwoStageDial : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TempDataFolder> m_folder;
    std::unique_ptr<VirtualModemRecorder> m_modem;

private slots:
    void init();
    void cleanup();

    void dial_data();
    void dial();
    void valuesAreReadWhenTheirStepComes();
};

void tst_TwoStageDial::init()
{
    m_folder = std::make_unique<TempDataFolder>();
    m_modem = std::make_unique<VirtualModemRecorder>(3);
    QVERIFY2(m_modem->isReady(), qPrintable(m_modem->errorString()));
}

void tst_TwoStageDial::cleanup()
{
    m_modem.reset();
    m_folder.reset();
}

void tst_TwoStageDial::dial_data()
{
    QTest::addColumn<bool>("openFirst");       // the port is open from an earlier dial
    QTest::addColumn<bool>("heldElsewhere");   // another port object holds COM3
    QTest::addColumn<QString>("wait");         // "" (no wait), "tones", "hang up", "abandon"
    QTest::addColumn<bool>("waitWhenOpen");    // DialPlan::waitWhenAlreadyOpen
    QTest::addColumn<bool>("stopOnFailure");   // the failure rule's answer
    QTest::addColumn<QByteArray>("line");      // every byte that reached the modem
    QTest::addColumn<int>("waits");            // how often the wait was asked
    QTest::addColumn<QStringList>("failures"); // the failing steps reported, in order
    QTest::addColumn<int>("opens");            // opens the modem saw
    QTest::addColumn<bool>("openAfter");

    const QStringList none;
    QTest::newRow("closed port, go ahead: both commands, closed and re-opened between")
        << false << false << "tones" << false << false << Access + Tone << 1 << none << 2 << true;
    QTest::newRow("closed port, hang up: the access number, then let go")
        << false << false << "hang up" << true << false << Access << 1 << none << 1 << false;
    QTest::newRow("closed port, abandoned: the port is left as it is")
        << false << false << "abandon" << false << true << Access << 1 << none << 1 << true;
    QTest::newRow("open port, asked again: the tones alone after a re-open")
        << true << false << "tones" << true << false << Tone << 1 << none << 2 << true;
    QTest::newRow("open port, asked again, hang up: nothing sent")
        << true << false << "hang up" << true << false << QByteArray() << 1 << none << 1 << false;
    QTest::newRow("open port, not asked again: the tones at once")
        << true << false << "tones" << false << false << Tone << 0 << none << 1 << true;
    QTest::newRow("no wait: the tones follow the access number on the same open")
        << false << false << "" << false << true << Access + Tone << 0 << none << 1 << true;
    QTest::newRow("no wait, open port: the tones alone")
        << true << false << "" << false << true << Tone << 0 << none << 1 << true;
    QTest::newRow("held elsewhere, go on: every port step reported, the wait still asked")
        << false << true << "tones" << false << false << QByteArray() << 1
        << QStringList{"open", "access", "reopen", "tone"} << 1 << false;
    QTest::newRow("held elsewhere, go on, hang up: the two first steps only")
        << false << true << "hang up" << true << false << QByteArray() << 1 << QStringList{"open", "access"} << 1
        << false;
    QTest::newRow("held elsewhere, stop: the open alone, no wait")
        << false << true << "tones" << false << true << QByteArray() << 0 << QStringList{"open"} << 1 << false;
    QTest::newRow("held elsewhere, no wait, go on") << false << true << "" << false << false << QByteArray() << 0
                                                    << QStringList{"open", "access", "tone"} << 1 << false;
}

void tst_TwoStageDial::dial()
{
    QFETCH(bool, openFirst);
    QFETCH(bool, heldElsewhere);
    QFETCH(QString, wait);
    QFETCH(bool, waitWhenOpen);
    QFETCH(bool, stopOnFailure);
    QFETCH(QByteArray, line);
    QFETCH(int, waits);
    QFETCH(QStringList, failures);
    QFETCH(int, opens);
    QFETCH(bool, openAfter);

    std::unique_ptr<ModemPort> holder;
    if (heldElsewhere) {
        holder = holdPort(3);
        QVERIFY(holder);
    }
    const auto port = portObject(3);
    if (openFirst)
        QVERIFY(port->open().ok());

    int asked = 0;
    QByteArray lineDuringWait;
    QStringList reported;
    DialPlan plan;
    plan.accessNumber = [] { return QStringLiteral("18005551234"); };
    plan.toneValues = [] { return ToneValues{"2", "4321", "5551234"}; };
    plan.waitWhenAlreadyOpen = waitWhenOpen;
    if (!wait.isEmpty()) {
        plan.waitForUser = [&] {
            ++asked;
            // The modem dials the access number while the user is asked.
            if (!openFirst && !heldElsewhere)
                m_modem->waitForBytes(Access.size());
            lineDuringWait = m_modem->received();
            if (wait == QLatin1String("hang up"))
                return AfterWait::HangUp;
            if (wait == QLatin1String("abandon"))
                return AfterWait::Abandon;
            return AfterWait::Tones;
        };
    }
    plan.onFailure = [&](DialStep step, const Failure&) {
        reported.append(stepName(step));
        return stopOnFailure ? AfterFailure::Stop : AfterFailure::GoOn;
    };

    dialInTwoStages(*port, plan);

    QCOMPARE(asked, waits);
    if (asked > 0)
        QCOMPARE(lineDuringWait, openFirst || heldElsewhere ? QByteArray() : Access);
    QCOMPARE(reported, failures);
    QCOMPARE(port->isOpen(), openAfter);
    if (openAfter && !line.isEmpty())
        QCOMPARE(m_modem->modem().lineSettings(), QStringLiteral("9600,N,8,1"));
    holder.reset();
    port->close();
    QVERIFY(m_modem->waitForCloses(heldElsewhere ? 1 : opens));
    QCOMPARE(m_modem->received(), line);
    QCOMPARE(m_modem->openCount(), heldElsewhere ? 1 : opens); // the holder's own open, when it held the port
}

void tst_TwoStageDial::valuesAreReadWhenTheirStepComes()
{
    // The user may change a field during the wait: the tones carry the values of the moment they are sent, the
    // access number those of the moment it was dialed.
    QString access = QStringLiteral("1800");
    ToneValues tones{"1", "2", "3"};
    DialPlan plan;
    plan.accessNumber = [&] { return access; };
    plan.toneValues = [&] { return tones; };
    plan.waitForUser = [&] {
        access = QStringLiteral("1900");
        tones = ToneValues{"7", "", "9 9"};
        return AfterWait::Tones;
    };
    plan.onFailure = [](DialStep, const Failure&) { return AfterFailure::Stop; };
    const auto port = portObject(3);

    dialInTwoStages(*port, plan);
    const QByteArray line = "ATDT1800\rATDT7,,,9 9,#\r\n";
    QVERIFY(m_modem->waitForBytes(line.size()));
    QCOMPARE(m_modem->received(), line);
}

QTEST_GUILESS_MAIN(tst_TwoStageDial)
#include "tst_twostagedial.moc"
