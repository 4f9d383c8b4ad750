// SPDX-License-Identifier: GPL-3.0-or-later
// miravo-virtual-modem [--port N] [--log FILE]
// Stands in for a modem on COM port N (default 3): prints every command the program sends, one a line with
// its terminators visible, and when the program lets go of the port. Ends on Ctrl+C or SIGTERM and removes its
// link again.
#include "ToolCommandLine.h"
#include "VirtualModem.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QSocketNotifier>
#include <QTextStream>
#include <QTime>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

using miravo::CommandSplitter;
using miravo::VirtualModem;

namespace {

int signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
}

// A command that ends without a terminator is printed once nothing more arrived for this long.
constexpr int UnfinishedCommandMs = 300;

class Printer final {
public:
    explicit Printer(QFile* log)
        : m_log(log)
    {}

    void line(const QString& text)
    {
        const QString stamped = QTime::currentTime().toString(QStringLiteral("HH:mm:ss.zzz")) + QStringLiteral("  ") +
                                text + QLatin1Char('\n');
        const QByteArray utf8 = stamped.toUtf8();
        std::fwrite(utf8.constData(), 1, static_cast<size_t>(utf8.size()), stdout);
        std::fflush(stdout);
        if (m_log) {
            m_log->write(utf8);
            m_log->flush();
        }
    }

private:
    QFile* m_log;
};

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("miravo-virtual-modem"));
    QCoreApplication::setApplicationVersion(QStringLiteral(MIRAVO_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("A modem without hardware for MiravoDialer: links a pseudo-terminal as COM port N and "
                       "prints every command it receives."));
    const QCommandLineOption portOption(QStringLiteral("port"), QStringLiteral("COM port number (default 3)."),
                                        QStringLiteral("N"), QStringLiteral("3"));
    const QCommandLineOption logOption(QStringLiteral("log"), QStringLiteral("Also write the lines to FILE."),
                                       QStringLiteral("FILE"));
    const QCommandLineOption replaceOption(QStringLiteral("replace"),
                                           QStringLiteral("Replace a COMn link that is already there."));
    parser.addOptions({portOption, logOption, replaceOption});
    miravo::tools::parseCommandLine(parser, app);

    bool ok = false;
    const int port = parser.value(portOption).toInt(&ok);
    if (!ok || port < 1)
        miravo::tools::exitWithUsageError(QStringLiteral("--port needs a number from 1 up"));
    if (!parser.positionalArguments().isEmpty())
        miravo::tools::exitWithUsageError(QStringLiteral("no arguments besides the options"));

    std::unique_ptr<QFile> log;
    if (parser.isSet(logOption)) {
        log = std::make_unique<QFile>(parser.value(logOption));
        if (!log->open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
            std::fprintf(stderr, "miravo-virtual-modem: cannot write %s\n", qPrintable(log->fileName()));
            return 1;
        }
    }
    Printer printer(log.get());
    CommandSplitter splitter;
    QTimer unfinished;
    unfinished.setSingleShot(true);
    unfinished.setInterval(UnfinishedCommandMs);
    QObject::connect(&unfinished, &QTimer::timeout, &app, [&] {
        if (splitter.hasPending())
            printer.line(miravo::visibleText(splitter.flush()));
    });

    VirtualModem modem(port);
    modem.setReplaceExistingLink(parser.isSet(replaceOption));
    // The events come on the modem's reading thread; print them on this one, in order.
    modem.setListener([&](const VirtualModem::Event& event) {
        QMetaObject::invokeMethod(
            &app,
            [&, event] {
                switch (event.kind) {
                case VirtualModem::Event::Kind::Opened:
                    printer.line(QStringLiteral("-- port opened"));
                    break;
                case VirtualModem::Event::Kind::Received:
                    for (const QByteArray& command : splitter.feed(event.bytes))
                        printer.line(miravo::visibleText(command));
                    if (splitter.hasPending())
                        unfinished.start();
                    break;
                case VirtualModem::Event::Kind::Released:
                    if (splitter.hasPending())
                        printer.line(miravo::visibleText(splitter.flush()));
                    printer.line(QStringLiteral("-- port closed: the modem leaves the line"));
                    break;
                }
            },
            Qt::QueuedConnection);
    });
    if (!modem.start()) {
        std::fprintf(stderr, "miravo-virtual-modem: %s\n", qPrintable(modem.errorString()));
        return 1;
    }

    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0)
        return 1;
    QSocketNotifier signalNotifier(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&signalNotifier, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    std::signal(SIGHUP, onSignal);

    printer.line(QStringLiteral("Virtual modem on COM%1: %2 -> %3. It answers nothing. Ctrl+C ends it.")
                     .arg(port)
                     .arg(modem.linkPath(), modem.devicePath()));
    const int status = QCoreApplication::exec();
    modem.stop();
    printer.line(QStringLiteral("Virtual modem stopped; COM%1 is unlinked.").arg(port));
    return status;
}
