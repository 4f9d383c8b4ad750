// SPDX-License-Identifier: GPL-3.0-or-later
// A caption that is also a command: the keypad's "COM:" starts the quick dial. It looks like the caption it is,
// yet the keyboard reaches it by Tab, Space and Enter press it, and a screen reader announces it as a button with a
// press action, by a name of its own (the caption itself still names the field beside it for the eye).
#pragma once

#include <QLabel>

namespace miravo {

class ClickableCaption final : public QLabel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ClickableCaption)

public:
    // `commandName` is what a screen reader says for the command ("Quick dial").
    ClickableCaption(const QString& caption, const QString& commandName, QWidget* parent = nullptr);

    // Presses it, as a click, Space or Enter does.
    void click();

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
};

} // namespace miravo
