// SPDX-License-Identifier: GPL-3.0-or-later
// What a window says to a screen reader without moving the focus: its notification object, each time it shows,
// with the name it shows with (the words a screen reader speaks). Records from construction on.
#pragma once

#include <QObject>
#include <QPointer>
#include <QStringList>

class QWidget;

namespace miravo::test {

class Announcements final : public QObject {
public:
    // Listens to the notification object of `window`; fails the running test when the window has none.
    explicit Announcements(QWidget* window);

    // In the order said, line breaks as they are in the text.
    QStringList said() const { return m_said; }
    void clear() { m_said.clear(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWidget> m_announcer;
    QStringList m_said;
};

} // namespace miravo::test
