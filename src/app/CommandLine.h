// SPDX-License-Identifier: GPL-3.0-or-later
// The program's command line: only --help and --version, answered before anything needs a display. Everything
// else on the command line is ignored, as a desktop launcher may pass files or URLs the program has no use for.
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace miravo {

struct CommandLineAnswer {
    int exitCode = 0;
    QString text; // for standard output
};

// The answer to `arguments` (without the program's own name), or nothing when the program should start.
std::optional<CommandLineAnswer> answerCommandLine(const QStringList& arguments);

} // namespace miravo
