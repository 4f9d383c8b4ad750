// SPDX-License-Identifier: GPL-3.0-or-later
// Keyboard rules every window keeps, so a keyboard or screen-reader user never types into nothing:
// - Enter (Return or the keypad's Enter) on a focused button presses it, as Space does. Qt leaves that to dialogs'
//   default buttons; these windows are no dialogs. Enter in a text field or a list is left to that control.
// - An active window always has a focused control: when the window becomes active and the keyboard focus is not in
//   it (a window opened behind another, or the focus left on the window itself), the control that had the focus
//   last takes it again, or the first of the window's tab order.
// Header-only, like the placing helpers, for the browser module.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QObject>
#include <QPointer>
#include <QWidget>

namespace miravo {

namespace detail {

inline bool isEnterKey(const QKeyEvent* key)
{
    const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
    return (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && modifiers == Qt::NoModifier;
}

// Presses a focused button on Enter.
class EnterPressesButton final : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress || !isEnterKey(static_cast<QKeyEvent*>(event)))
            return false;
        auto* button = qobject_cast<QAbstractButton*>(watched);
        if (!button || !button->isEnabled() || !button->hasFocus())
            return false;
        button->click();
        return true;
    }
};

// Gives an active window without a focused control its control back.
class FocusInWindow final : public QObject {
public:
    FocusInWindow(QWidget* window, QWidget* first)
        : QObject(window)
        , m_window(window)
        , m_first(first)
    {
        window->installEventFilter(this);
    }

    void restore() const
    {
        if (!m_window->isActiveWindow())
            return;
        const QWidget* focus = QApplication::focusWidget();
        if (focus && focus != m_window && m_window->isAncestorOf(focus))
            return;
        QWidget* last = m_window->focusWidget();
        QWidget* target = last && last != m_window && last->isVisible() && last->isEnabled() ? last : m_first.data();
        if (target && target->isVisible() && target->isEnabled())
            target->setFocus(Qt::ActiveWindowFocusReason);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == m_window && event->type() == QEvent::WindowActivate)
            restore();
        return false;
    }

private:
    QWidget* m_window;
    QPointer<QWidget> m_first;
};

} // namespace detail

// Enter presses the focused button, for every button `window` holds now. Run once its controls are built.
inline void pressButtonsOnEnter(QWidget* window)
{
    auto* filter = new detail::EnterPressesButton(window);
    for (QAbstractButton* button : window->findChildren<QAbstractButton*>())
        button->installEventFilter(filter);
}

// Keeps a focused control in `window` whenever it is active; `first` is the first of its tab order, focused on
// opening.
inline void keepFocusInWindow(QWidget* window, QWidget* first)
{
    first->setFocus();
    new detail::FocusInWindow(window, first);
}

} // namespace miravo
