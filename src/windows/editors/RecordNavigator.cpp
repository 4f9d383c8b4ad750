// SPDX-License-Identifier: GPL-3.0-or-later
#include "editors/RecordNavigator.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QShortcut>
#include <QToolButton>

namespace miravo {

RecordNavigator::RecordNavigator(const QString& name, QWidget* parent)
    : QWidget(parent)
{
    setObjectName(name);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    layout->addWidget(addButton("cmdFirst", QStringLiteral("|<"), tr("First record"),
                                QKeySequence(Qt::CTRL | Qt::Key_Home), RecordMove::First));
    layout->addWidget(addButton("cmdPrevious", QStringLiteral("<"), tr("Previous record"),
                                QKeySequence(Qt::CTRL | Qt::Key_PageUp), RecordMove::Previous));
    auto* caption = new QLabel(name, this);
    caption->setObjectName(QStringLiteral("caption"));
    caption->setAlignment(Qt::AlignVCenter | Qt::AlignLeft);
    caption->setIndent(4);
    caption->setFrameShape(QFrame::Panel);
    caption->setFrameShadow(QFrame::Sunken);
    layout->addWidget(caption, 1);
    layout->addWidget(addButton("cmdNext", QStringLiteral(">"), tr("Next record"),
                                QKeySequence(Qt::CTRL | Qt::Key_PageDown), RecordMove::Next));
    layout->addWidget(addButton("cmdLast", QStringLiteral(">|"), tr("Last record"),
                                QKeySequence(Qt::CTRL | Qt::Key_End), RecordMove::Last));
}

QToolButton* RecordNavigator::addButton(const char* objectName, const QString& text, const QString& name,
                                        const QKeySequence& keys, RecordMove move)
{
    auto* button = new QToolButton(this);
    button->setObjectName(QString::fromLatin1(objectName));
    button->setText(text);
    button->setToolTip(QStringLiteral("%1 (%2)").arg(name, keys.toString(QKeySequence::NativeText)));
    button->setAccessibleName(name);
    button->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    // Reached by Tab; a click leaves the focus in the field the user was typing in.
    button->setFocusPolicy(Qt::TabFocus);
    connect(button, &QToolButton::clicked, this, [this, move] { emit moveRequested(move); });
    // A window-wide key rather than the button's own shortcut: the fields keep it while they have the focus.
    auto* shortcut = new QShortcut(keys, this, nullptr, nullptr, Qt::WindowShortcut);
    connect(shortcut, &QShortcut::activated, this, [this, move] { emit moveRequested(move); });
    m_buttons.append(button);
    m_keys.append(keys);
    return button;
}

void RecordNavigator::takeKeysFrom(QWidget* field)
{
    field->installEventFilter(this);
}

bool RecordNavigator::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::ShortcutOverride) {
        // Kept from the field, and not accepted: the window's shortcut then takes the key.
        const auto* key = static_cast<QKeyEvent*>(event);
        if (m_keys.contains(QKeySequence(key->keyCombination())))
            return true;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace miravo
