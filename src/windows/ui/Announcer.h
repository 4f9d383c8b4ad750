// SPDX-License-Identifier: GPL-3.0-or-later
// Saying something to a screen reader without moving the focus: the keypad's status texts as they appear, a
// finished page load, a record change in an editor, the start-up notice. Qt 6.4 has no announcement event, so the
// window keeps a small notification object that shows itself with the message as its name; screen readers speak
// a notification the moment it shows (Orca: "notification" and the text). It draws nothing and takes no focus.
// Header-only, like the placing helpers, for the browser module.
#pragma once

#include <QAccessible>
#include <QAccessibleWidget>
#include <QRect>
#include <QString>
#include <QWidget>

namespace miravo {

class Announcer final : public QWidget {
public:
    explicit Announcer(QWidget* window)
        : QWidget(window)
    {
        static const bool installed = (QAccessible::installFactory(&Announcer::accessibleFactory), true);
        Q_UNUSED(installed);
        setObjectName(QStringLiteral("announcer"));
        setFocusPolicy(Qt::NoFocus);
        setAttribute(Qt::WA_TransparentForMouseEvents);
        // One pixel in the corner: a widget of no size is not "showing" to the accessibility interface.
        setGeometry(0, 0, 1, 1);
        hide();
    }

    // The last message said; empty before the first.
    QString message() const { return m_message; }

    // Says `message` now. Saying the same text again says it again (a second SEND, the same digit twice).
    void announce(const QString& message)
    {
        if (message.trimmed().isEmpty())
            return;
        hide();
        m_message = message;
        // A screen reader reads the name once the object shows; QAccessible sends the name change too, for those
        // that follow a visible notification's name.
        QAccessibleEvent nameChanged(this, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&nameChanged);
        show();
    }

private:
    class Accessible final : public QAccessibleWidget {
    public:
        explicit Accessible(Announcer* announcer)
            : QAccessibleWidget(announcer, QAccessible::Notification)
        {}

        QString text(QAccessible::Text kind) const override
        {
            if (kind == QAccessible::Name)
                return static_cast<const Announcer*>(widget())->m_message;
            return QAccessibleWidget::text(kind);
        }

        // No place on the screen: a screen reader's review of what the window shows (Orca's flat review) would
        // otherwise read the last message as the window's first line, long after it was said. Showing it is
        // what has it said, and that state comes from the widget.
        QRect rect() const override { return {}; }
    };

    static QAccessibleInterface* accessibleFactory(const QString& className, QObject* object)
    {
        // Asked for QWidget (this class has no meta-object of its own); only announcers answer.
        if (className != QLatin1String("QWidget"))
            return nullptr;
        auto* announcer = dynamic_cast<Announcer*>(object);
        return announcer ? new Accessible(announcer) : nullptr;
    }

    QString m_message;
};

} // namespace miravo
