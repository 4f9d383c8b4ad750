// SPDX-License-Identifier: GPL-3.0-or-later
// Maps COM numbers to lines, as the program reads them: the links <data folder>/MiravoDialer/ports/COMn.
//   miravo-ports list            what can be dialed through, and each mapped COM number with its line
//   miravo-ports set N LINE      COM N dials through LINE: a serial device path, modemmanager,
//                                modemmanager:<equipment identifier>, or speaker
//   miravo-ports unset N         COM N is /dev/ttyS<N-1> again
#include "ToolCommandLine.h"
#include "modem/LineChoice.h"
#include "modem/ModemManager.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSerialPortInfo>

#include <sys/stat.h>

#include <cstdio>
#include <limits>
#include <map>

namespace {

constexpr int UsageError = miravo::tools::UsageError;
constexpr int Failed = 1;

const char* const Usage = "Usage: miravo-ports list | set N LINE | unset N   (--help for more)\n";

void out(const QString& text)
{
    std::fputs(qPrintable(text + QLatin1Char('\n')), stdout);
}

int fail(const QString& text, int code = Failed)
{
    std::fputs(qPrintable(QStringLiteral("miravo-ports: ") + text + QLatin1Char('\n')), stderr);
    return code;
}

// A COM number as the program takes it: a whole number from 1 to 32767.
std::optional<int> portNumber(const QString& text)
{
    bool ok = false;
    const short number = text.toShort(&ok);
    if (!ok || number < miravo::FirstPortNumber)
        return std::nullopt;
    return number;
}

QString modemState(int state)
{
    static const std::map<int, QString> names{
        {-1, QStringLiteral("failed")},    {0, QStringLiteral("unknown")},       {1, QStringLiteral("initializing")},
        {2, QStringLiteral("locked")},     {3, QStringLiteral("disabled")},      {4, QStringLiteral("disabling")},
        {5, QStringLiteral("enabling")},   {6, QStringLiteral("enabled")},       {7, QStringLiteral("searching")},
        {8, QStringLiteral("registered")}, {9, QStringLiteral("disconnecting")}, {10, QStringLiteral("connecting")},
        {11, QStringLiteral("connected")}};
    const auto found = names.find(state);
    return found != names.end() ? found->second : QString::number(state);
}

// The COM links in the ports folder, by number.
std::map<int, QString> mappedPorts()
{
    std::map<int, QString> ports;
    static const QRegularExpression name(QStringLiteral("^COM([0-9]+)$"));
    const QDir folder(miravo::portLinksFolder());
    for (const QString& entry : folder.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
        const auto match = name.match(entry);
        if (!match.hasMatch())
            continue;
        if (const auto number = portNumber(match.captured(1)))
            ports[*number] = folder.filePath(entry);
    }
    return ports;
}

QString describeLine(int number)
{
    const miravo::LineChoice line = miravo::lineForPort(number);
    if (line.kind != miravo::LineKind::Serial)
        return miravo::lineName(line);
    const QFileInfo link(line.device);
    const QString target = link.isSymLink() ? link.symLinkTarget() : line.device;
    return QFileInfo::exists(target) ? target : target + QStringLiteral("  (missing)");
}

int list()
{
    out(QStringLiteral("Serial ports:"));
    QMap<QString, QStringList> stableNames; // device -> its /dev/serial/by-id names
    const QDir byId(QStringLiteral("/dev/serial/by-id"));
    for (const QFileInfo& entry : byId.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot))
        stableNames[entry.canonicalFilePath()].append(entry.absoluteFilePath());
    const auto serialPorts = QSerialPortInfo::availablePorts();
    if (serialPorts.isEmpty())
        out(QStringLiteral("  none found"));
    for (const QSerialPortInfo& port : serialPorts) {
        QString line = QStringLiteral("  ") + port.systemLocation();
        if (!port.description().isEmpty())
            line += QStringLiteral("  ") + port.description();
        out(line);
        for (const QString& stable : stableNames.value(port.systemLocation()))
            out(QStringLiteral("    ") + stable);
    }

    out(QString());
    out(QStringLiteral("ModemManager modems with voice calls:"));
    const auto modems = miravo::modemmanager::modems();
    if (!modems.ok()) {
        out(QStringLiteral("  none: ") + modems.reason());
    } else {
        int shown = 0;
        for (const auto& modem : modems.value()) {
            if (!modem.hasVoice)
                continue;
            ++shown;
            out(QStringLiteral("  %1:%2  %3 %4 (%5)%6")
                    .arg(miravo::ModemManagerLineName, modem.equipmentIdentifier, modem.manufacturer, modem.model,
                         modemState(modem.state), shown == 1 ? QStringLiteral("  = modemmanager") : QString()));
        }
        if (shown == 0)
            out(QStringLiteral("  none"));
    }

    out(QString());
    // Whether a sound server with an output runs shows at the first dial: asking here would load the sound
    // server's client library into a tool that has no other use for it.
    out(QStringLiteral("Without a modem:"));
    out(QStringLiteral("  %1  touch tones on the default audio output, for a telephone held to the speaker")
            .arg(miravo::SpeakerLineName));

    out(QString());
    out(QStringLiteral("COM ports (%1; unmapped COM n is /dev/ttyS<n-1>):").arg(miravo::portLinksFolder()));
    const auto ports = mappedPorts();
    if (ports.empty())
        out(QStringLiteral("  none mapped"));
    for (const auto& [number, path] : ports)
        out(QStringLiteral("  COM%1  %2").arg(number).arg(describeLine(number)));
    return 0;
}

int set(int number, const QString& text)
{
    const auto line = miravo::parseLineName(text);
    if (!line) {
        return fail(QStringLiteral("\"%1\" names no line. LINE is a serial device path (such as /dev/ttyACM0), "
                                   "modemmanager (the first modem with voice calls), "
                                   "modemmanager:<equipment identifier> or speaker (touch tones on the default "
                                   "audio output).")
                        .arg(text),
                    UsageError);
    }
    if (line->kind == miravo::LineKind::Serial) {
        struct stat status {};
        if (::stat(QFile::encodeName(text).constData(), &status) == 0 && !S_ISCHR(status.st_mode))
            return fail(QStringLiteral("%1 is not a serial device.").arg(text));
        if (!QFileInfo::exists(text)) {
            std::fputs(qPrintable(QStringLiteral("miravo-ports: note: %1 does not exist now; COM%2 cannot be "
                                                 "opened until it does.\n")
                                      .arg(text)
                                      .arg(number)),
                       stderr);
        }
    }
    if (!QDir().mkpath(miravo::portLinksFolder()))
        return fail(QStringLiteral("cannot create %1.").arg(miravo::portLinksFolder()));
    const QString link = miravo::portLinkPath(number);
    const QFileInfo existing(link);
    if (existing.isDir() && !existing.isSymLink())
        return fail(QStringLiteral("%1 is a folder; remove it first.").arg(link));

    // Make the new link beside the old one and move it over, so the program never sees COM N missing.
    const QString fresh = link + QStringLiteral(".new");
    QFile::remove(fresh);
    if (!QFile::link(miravo::lineName(*line), fresh))
        return fail(QStringLiteral("cannot create %1.").arg(fresh));
    if (::rename(QFile::encodeName(fresh).constData(), QFile::encodeName(link).constData()) != 0) {
        QFile::remove(fresh);
        return fail(QStringLiteral("cannot replace %1: %2").arg(link, QString::fromLocal8Bit(std::strerror(errno))));
    }
    out(QStringLiteral("COM%1  %2").arg(number).arg(miravo::lineName(*line)));
    return 0;
}

int unset(int number)
{
    const QString link = miravo::portLinkPath(number);
    const QFileInfo existing(link);
    if (existing.isSymLink() || existing.exists()) {
        if (existing.isDir() && !existing.isSymLink())
            return fail(QStringLiteral("%1 is a folder, not a mapping; remove it yourself.").arg(link));
        if (!QFile::remove(link))
            return fail(QStringLiteral("cannot remove %1.").arg(link));
    }
    out(QStringLiteral("COM%1  /dev/ttyS%2").arg(number).arg(number - 1));
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("miravo-ports"));
    QCoreApplication::setApplicationVersion(QStringLiteral(MIRAVO_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Chooses what MiravoDialer's COM port numbers dial through.\n\n"
        "  list          serial ports (with their stable /dev/serial/by-id names), ModemManager's modems with\n"
        "                voice calls, the speaker, and each mapped COM number with its line\n"
        "  set N LINE    COM N dials through LINE:\n"
        "                  a serial device path (a Hayes modem), such as /dev/ttyACM0\n"
        "                  modemmanager        the first ModemManager modem with voice calls (a phone's modem)\n"
        "                  modemmanager:<id>   the ModemManager modem with that equipment identifier\n"
        "                  speaker             touch tones on the default audio output, for a telephone held to it\n"
        "  unset N       COM N is /dev/ttyS<N-1> again\n\n"
        "The mapping is the link <data folder>/MiravoDialer/ports/COMn (data folder: $XDG_DATA_HOME, or "
        "~/.local/share).\nExit status: 0 done, 1 failed, 2 wrong use."));
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("list, set or unset"));
    parser.addPositionalArgument(QStringLiteral("arguments"), QStringLiteral("N, and for set LINE"),
                                 QStringLiteral("[N [LINE]]"));
    miravo::tools::parseCommandLine(parser, app);

    const QStringList args = parser.positionalArguments();
    const QString command = args.value(0);
    const auto wrongUse = [](const QString& why) {
        return fail(why + QLatin1Char('\n') + QString::fromLatin1(Usage).trimmed(), UsageError);
    };
    if (command == QLatin1String("list")) {
        if (args.size() != 1)
            return wrongUse(QStringLiteral("list takes no arguments."));
        return list();
    }
    if (command != QLatin1String("set") && command != QLatin1String("unset"))
        return wrongUse(command.isEmpty() ? QStringLiteral("no command given.")
                                          : QStringLiteral("unknown command \"%1\".").arg(command));
    const qsizetype expected = command == QLatin1String("set") ? 3 : 2;
    if (args.size() != expected)
        return wrongUse(command == QLatin1String("set") ? QStringLiteral("set takes N and LINE.")
                                                        : QStringLiteral("unset takes N."));
    const auto number = portNumber(args.at(1));
    if (!number)
        return wrongUse(QStringLiteral("\"%1\" is no COM number (1 to %2).")
                            .arg(args.at(1))
                            .arg(std::numeric_limits<short>::max()));
    return command == QLatin1String("set") ? set(*number, args.at(2)) : unset(*number);
}
