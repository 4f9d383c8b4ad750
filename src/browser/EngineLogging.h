// SPDX-License-Identifier: GPL-3.0-or-later
// The browser engine's messages on the terminal. Used by the browser module before it creates its window, which is
// when the engine starts.
#pragma once

#include <QByteArray>

namespace miravo {

// Keeps the engine's start-up report and its internal diagnostics off the terminal, so that a normal run prints
// nothing. Warnings and errors of Qt and of the program still show. A user who wants the engine's report back gets
// it with QT_LOGGING_RULES="qt.webenginecontext.info=true", and Chromium's own log lines with
// QTWEBENGINE_CHROMIUM_FLAGS="--log-level=0": both settings of the user win over these.
// Must run before the engine starts; it reads its flags once.
void quietEngineLogging();

// The Chromium flags with the program's log level put first, unless the user's flags choose a level themselves.
QByteArray chromiumFlagsWithQuietLog(const QByteArray& userFlags);

} // namespace miravo
