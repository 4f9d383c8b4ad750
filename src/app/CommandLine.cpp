// SPDX-License-Identifier: GPL-3.0-or-later
#include "CommandLine.h"

namespace miravo {

namespace {

QString helpText()
{
    return QStringLiteral(
        "Usage: miravodialer [--help | --version]\n"
        "A calling-card dialer: dials a card service's access number through a modem, then the language choice,\n"
        "the PIN and the destination as tones.\n"
        "\n"
        "Options:\n"
        "  -h, --help     Show this help and exit.\n"
        "  -v, --version  Show the version and exit.\n"
        "\n"
        "Files:\n"
        "  $XDG_DATA_HOME/MiravoDialer/PCData.mdb     the database (~/.local/share when XDG_DATA_HOME is not set);\n"
        "                                             miravo-create-database makes one\n"
        "  $XDG_DATA_HOME/MiravoDialer/ports/COMn     COM port n, a link to the modem's device (otherwise\n"
        "                                             /dev/ttyS<n-1>)\n"
        "\n"
        "A second start shows the running program's main window. See miravodialer(1).\n");
}

} // namespace

std::optional<CommandLineAnswer> answerCommandLine(const QStringList& arguments)
{
    for (const QString& argument : arguments) {
        if (argument == QLatin1String("--"))
            break;
        if (argument == QLatin1String("--help") || argument == QLatin1String("-h"))
            return CommandLineAnswer{0, helpText()};
        if (argument == QLatin1String("--version") || argument == QLatin1String("-v"))
            return CommandLineAnswer{0, QStringLiteral("miravodialer " MIRAVO_VERSION "\n")};
    }
    return std::nullopt;
}

} // namespace miravo
