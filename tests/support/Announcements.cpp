// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/Announcements.h"

#include <QAccessible>
#include <QEvent>
#include <QTest>
#include <QWidget>

namespace miravo::test {

Announcements::Announcements(QWidget* window)
    : m_announcer(window->findChild<QWidget*>(QStringLiteral("announcer")))
{
    if (!m_announcer) {
        QTest::qFail("the window has no notification object", __FILE__, __LINE__);
        return;
    }
    m_announcer->installEventFilter(this);
}

bool Announcements::eventFilter(QObject* watched, QEvent* event)
{
    // A screen reader speaks a notification when it shows: what its accessible interface says then is what is heard.
    if (watched == m_announcer && event->type() == QEvent::Show) {
        QAccessibleInterface* spoken = QAccessible::queryAccessibleInterface(m_announcer);
        if (spoken && spoken->role() == QAccessible::Notification)
            m_said.append(spoken->text(QAccessible::Name));
    }
    return false;
}

} // namespace miravo::test
