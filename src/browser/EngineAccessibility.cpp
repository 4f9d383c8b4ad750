// SPDX-License-Identifier: GPL-3.0-or-later
#include "EngineAccessibility.h"

#include <QAccessible>
#include <QList>
#include <QtGlobal>

namespace miravo {
namespace {

constexpr char EngineFlags[] = "QTWEBENGINE_CHROMIUM_FLAGS";
const QByteArray PageAccessibilityFlag = QByteArrayLiteral("--force-renderer-accessibility");

} // namespace

QByteArray withPageAccessibility(const QByteArray& engineFlags)
{
    const QList<QByteArray> flags = engineFlags.simplified().split(' ');
    if (flags.contains(PageAccessibilityFlag))
        return engineFlags;
    const QByteArray trimmed = engineFlags.trimmed();
    return trimmed.isEmpty() ? PageAccessibilityFlag : trimmed + ' ' + PageAccessibilityFlag;
}

void exposePagesWhenAssistiveTechnologyIsActive()
{
    if (!QAccessible::isActive())
        return;
    qputenv(EngineFlags, withPageAccessibility(qgetenv(EngineFlags)));
}

} // namespace miravo
