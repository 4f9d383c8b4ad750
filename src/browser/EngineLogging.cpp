// SPDX-License-Identifier: GPL-3.0-or-later
#include "EngineLogging.h"

#include <QLoggingCategory>
#include <QtGlobal>

namespace miravo {

namespace {

// Chromium's levels: 0 info, 1 warning, 2 error, 3 fatal. Its "errors" at this level are the engine's own
// diagnostics (a GPU command buffer it retries, for one); what the user must know, the browser window shows.
constexpr char QuietChromiumLevel[] = "--log-level=3";

} // namespace

QByteArray chromiumFlagsWithQuietLog(const QByteArray& userFlags)
{
    if (userFlags.contains("--log-level"))
        return userFlags;
    const QByteArray trimmed = userFlags.trimmed();
    return trimmed.isEmpty() ? QByteArray(QuietChromiumLevel) : QuietChromiumLevel + QByteArray(" ") + trimmed;
}

void quietEngineLogging()
{
    // Rules set here give way to QT_LOGGING_RULES and QT_LOGGING_CONF. The engine reports its start in
    // "qt.webenginecontext" (22 lines at the first "Products") and, as root, that its sandbox is off in the default
    // category: both at info level, which the program itself never uses.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.webenginecontext.info=false\ndefault.info=false"));
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", chromiumFlagsWithQuietLog(qgetenv("QTWEBENGINE_CHROMIUM_FLAGS")));
}

} // namespace miravo
