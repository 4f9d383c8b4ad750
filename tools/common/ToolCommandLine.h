// SPDX-License-Identifier: GPL-3.0-or-later
// The tools' common command line: --help and --version answered on standard output with exit 0, and every usage
// error (an unknown option, a missing value, too many arguments) reported in one line with the same exit code.
#pragma once

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>

namespace miravo::tools {

// The exit code of every usage error, in every tool (their manual pages say so).
constexpr int UsageError = 2;

// Reports a usage error in one line, with where to find the usage, and ends the tool.
[[noreturn]] inline void exitWithUsageError(const QString& message)
{
    const QString name = QCoreApplication::applicationName();
    std::fprintf(stderr, "%s: %s (see %s --help)\n", qPrintable(name), qPrintable(message), qPrintable(name));
    std::exit(UsageError);
}

// Parses the command line; answers --help and --version, or a usage error, and ends the tool then.
inline void parseCommandLine(QCommandLineParser& parser, const QCoreApplication& app)
{
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    if (!parser.parse(app.arguments()))
        exitWithUsageError(parser.errorText());
    if (parser.isSet(help))
        parser.showHelp(0);
    if (parser.isSet(version))
        parser.showVersion();
}

} // namespace miravo::tools
