#include "data/RecordNavigator.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>

namespace miravo {

RecordNavigator::RecordNavigator(const QString& name, QWidget* parent)
    : QWidget(parent)
{
    setObjectName(name);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    layout->addWidget(addButton("cmdFirst", QStringLiteral("|<"), tr("First record"), RecordMove::First));
    layout->addWidget(addButton("cmdPrevious", QStringLiteral("<"), tr("Previous record"), RecordMove::Previous));
    auto* caption = new QLabel(name, this);
    caption->setObjectName(QStringLiteral("caption"));
    caption->setAlignment(Qt::AlignVCenter | Qt::AlignLeft);
    caption->setIndent(4);
    caption->setFrameShape(QFrame::Panel);
    caption->setFrameShadow(QFrame::Sunken);
    layout->addWidget(caption, 1);
    layout->addWidget(addButton("cmdNext", QStringLiteral(">"), tr("Next record"), RecordMove::Next));
    layout->addWidget(addButton("cmdLast", QStringLiteral(">|"), tr("Last record"), RecordMove::Last));
}

QToolButton* RecordNavigator::addButton(const char* objectName, const QString& text, const QString& toolTip,
                                        RecordMove move)
{
    auto* button = new QToolButton(this);
    button->setObjectName(QString::fromLatin1(objectName));
    button->setText(text);
    button->setToolTip(toolTip);
    button->setAccessibleName(toolTip);
    button->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    // Like any bound data source's bar, it takes no keyboard focus: Tab walks the fields and buttons only.
    button->setFocusPolicy(Qt::NoFocus);
    connect(button, &QToolButton::clicked, this, [this, move] { emit moveRequested(move); });
    return button;
}

} // namespace miravo
