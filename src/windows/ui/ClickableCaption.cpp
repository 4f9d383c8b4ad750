// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ClickableCaption.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

namespace miravo {
namespace {

// A button to assistive technology: its name is the command, its one action is pressing it.
class AccessibleCaptionCommand final : public QAccessibleWidget {
public:
    explicit AccessibleCaptionCommand(ClickableCaption* caption)
        : QAccessibleWidget(caption, QAccessible::Button)
    {}

    QString text(QAccessible::Text kind) const override
    {
        // Not the label's text: the caption reads "COM:", the command is what it does.
        if (kind == QAccessible::Name)
            return widget()->accessibleName();
        return QAccessibleWidget::text(kind);
    }

    QStringList actionNames() const override { return {pressAction()}; }

    void doAction(const QString& actionName) override
    {
        if (actionName == pressAction())
            static_cast<ClickableCaption*>(widget())->click();
    }
};

QAccessibleInterface* captionCommands(const QString& className, QObject* object)
{
    if (className != QLatin1String("miravo::ClickableCaption"))
        return nullptr;
    return new AccessibleCaptionCommand(static_cast<ClickableCaption*>(object));
}

} // namespace

ClickableCaption::ClickableCaption(const QString& caption, const QString& commandName, QWidget* parent)
    : QLabel(caption, parent)
{
    static const bool installed = (QAccessible::installFactory(captionCommands), true);
    Q_UNUSED(installed);
    setAccessibleName(commandName);
    setFocusPolicy(Qt::StrongFocus);
}

void ClickableCaption::click()
{
    emit clicked();
}

void ClickableCaption::mouseReleaseEvent(QMouseEvent* event)
{
    // A release over the caption is its click, as for a button; one that ends elsewhere was taken back.
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        event->accept();
        click();
        return;
    }
    QLabel::mouseReleaseEvent(event);
}

void ClickableCaption::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier) {
            event->accept();
            click();
            return;
        }
        break;
    default:
        break;
    }
    QLabel::keyPressEvent(event);
}

void ClickableCaption::paintEvent(QPaintEvent* event)
{
    QLabel::paintEvent(event);
    if (!hasFocus())
        return;
    // The keyboard user sees where the focus is; otherwise the caption looks as designed.
    QPainter painter(this);
    QStyleOptionFocusRect option;
    option.initFrom(this);
    option.backgroundColor = palette().color(backgroundRole());
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
}

} // namespace miravo
