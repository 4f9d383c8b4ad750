// SPDX-License-Identifier: GPL-3.0-or-later
// The modem link's figures, against a pseudo-terminal modem on COM3 in a temporary data folder:
//  - DialAfterYes: from the moment the user answers Yes in the main window until the last byte of the tone
//    command has reached the modem's end of the line (close, open, line settings, write, delivery);
//  - WriteThenClose: open, write an access-number command and close at once, counting bytes that never arrived;
//  - QSerialPortAloneWriteThenClose: the same with a bare QSerialPort, which drops what it has not sent yet.
#include "VirtualModem.h"
#include "dialer/frmMiravoCall.h"
#include "modem/DialCommands.h"
#include "modem/ModemPort.h"
#include "ui/MessageService.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QThread>

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>

using miravo::VirtualModem;

namespace {

// Answers Yes to the question and notes when it did.
class YesAnswer final : public miravo::MessageService {
public:
    miravo::MessageAnswer show(const miravo::MessageRequest& request) override
    {
        if (request.style != miravo::MessageStyle::YesNoCritical)
            return miravo::MessageAnswer::Ok;
        answeredAt = VirtualModem::Clock::now();
        return miravo::MessageAnswer::Yes;
    }
    VirtualModem::Clock::time_point answeredAt;
};

// Processes events until `done` or 10 s; false on time-out.
template <typename Done>
bool waitFor(Done done)
{
    const QDeadlineTimer deadline(10000);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        QThread::yieldCurrentThread();
    }
    return true;
}

void DialAfterYes(benchmark::State& state)
{
    VirtualModem modem(3);
    if (!modem.start()) {
        state.SkipWithError(qPrintable(modem.errorString()));
        return;
    }
    YesAnswer answer;
    miravo::setMessageService(&answer);
    {
        miravo::frmMiravoCall window;
        window.findChild<QLineEdit*>(QStringLiteral("txtDial_Num1"))->setText(QStringLiteral("18005551234"));
        window.findChild<QLineEdit*>(QStringLiteral("txtDial_Num2"))->setText(QStringLiteral("2"));
        window.findChild<QLineEdit*>(QStringLiteral("txtDial_Num3"))->setText(QStringLiteral("4321"));
        auto* connect = window.findChild<QPushButton*>(QStringLiteral("cmdConnect"));
        auto* disconnect = window.findChild<QPushButton*>(QStringLiteral("cmdDisconnect"));
        const qsizetype toneBytes =
            miravo::commandBytes(miravo::toneCommand(QStringLiteral("2"), QStringLiteral("4321"), QString())).size();

        for (auto _ : state) {
            disconnect->click();
            if (!waitFor([&] { return !modem.isPortOpen(); }))
                state.SkipWithError("the port did not close");
            modem.clearReceived();
            connect->click(); // a closed port: access-number command, the question, Yes, the tone command
            const qsizetype expected = 16 + toneBytes;
            if (!waitFor([&] { return modem.received().size() >= expected; })) {
                state.SkipWithError("the tone command did not arrive");
                break;
            }
            const std::chrono::duration<double> took = modem.lastReceivedAt() - answer.answeredAt;
            state.SetIterationTime(took.count());
        }
    }
    miravo::setMessageService(nullptr);
}
BENCHMARK(DialAfterYes)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(200);

constexpr int Rounds = 1000;

// Runs `roundTrip` (open, write `command`, close) Rounds times and reports the bytes that never arrived.
template <typename RoundTrip>
void writeCloseLoop(benchmark::State& state, RoundTrip roundTrip)
{
    VirtualModem modem(3);
    if (!modem.start()) {
        state.SkipWithError(qPrintable(modem.errorString()));
        return;
    }
    const QString command = miravo::accessNumberCommand(QStringLiteral("18005551234"));
    qint64 sent = 0;
    qint64 lost = 0;
    for (auto _ : state) {
        modem.clearReceived();
        const int closesBefore = modem.closeCount();
        for (int i = 0; i < Rounds; ++i)
            roundTrip(command);
        sent += qint64(Rounds) * command.size();
        waitFor([&] { return modem.closeCount() >= closesBefore + Rounds; });
        lost += qint64(Rounds) * command.size() - modem.received().size();
    }
    state.counters["rounds"] = benchmark::Counter(double(Rounds) * double(state.iterations()));
    state.counters["bytes_sent"] = benchmark::Counter(double(sent));
    state.counters["bytes_lost"] = benchmark::Counter(double(lost));
}

void WriteThenClose(benchmark::State& state)
{
    miravo::ModemPort port;
    port.setPortNumber(3);
    writeCloseLoop(state, [&](const QString& command) {
        port.open();
        port.write(miravo::commandBytes(command));
        port.close();
    });
}
BENCHMARK(WriteThenClose)->Unit(benchmark::kMillisecond)->Iterations(5);

void QSerialPortAloneWriteThenClose(benchmark::State& state)
{
    QSerialPort port;
    writeCloseLoop(state, [&](const QString& command) {
        port.setPortName(QFileInfo(miravo::devicePathForPort(3)).canonicalFilePath());
        port.open(QIODevice::WriteOnly);
        port.write(command.toLatin1());
        port.close();
    });
}
BENCHMARK(QSerialPortAloneWriteThenClose)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The COM3 link goes into a data folder of the benchmark's own, never the user's.
    QTemporaryDir dataFolder;
    qputenv("XDG_DATA_HOME", dataFolder.path().toLocal8Bit());
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
