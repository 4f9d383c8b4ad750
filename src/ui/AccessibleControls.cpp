#include "ui/AccessibleControls.h"

#include <QAbstractButton>
#include <QAccessibleWidget>
#include <QComboBox>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionComboBox>

namespace miravo {
namespace {

// Smaller than this a caption is no longer comfortable to read; eliding is the better choice then.
constexpr qreal SmallestPointSize = 6.5;
constexpr qreal PointSizeStep = 0.25;
// The blank a line edit keeps on either side of its text, and its cursor.
constexpr int EditTextMargins = 6;

int oneLineWidth(const QFont& font, const QString& text)
{
    return QFontMetrics(font).horizontalAdvance(text);
}

// The font shrunk in small steps until the text fits `room` on one line; the smallest tried when none does.
QFont shrunkToFit(QFont font, const QString& text, int room)
{
    if (font.pointSizeF() <= 0)
        return font; // a pixel-sized font is left as it is
    while (oneLineWidth(font, text) > room && font.pointSizeF() - PointSizeStep >= SmallestPointSize)
        font.setPointSizeF(font.pointSizeF() - PointSizeStep);
    return font;
}

// Qt's own interface for a combo box speaks its text as its name on Linux (a label relation is meant to say
// what the box is for), so a screen reader would announce "Acme Cards" instead of "Select Card Company" once a
// company is chosen. A named combo box gets this interface instead: its name says what it holds, its value and
// its text box say what it holds now.
class NamedComboBox final : public QAccessibleWidget {
public:
    explicit NamedComboBox(QComboBox* combo)
        : QAccessibleWidget(combo, QAccessible::ComboBox)
    {}

    QString text(QAccessible::Text kind) const override
    {
        const auto* combo = static_cast<const QComboBox*>(widget());
        if (kind == QAccessible::Value)
            return combo->currentText();
        return QAccessibleWidget::text(kind);
    }
};

QAccessibleInterface* namedComboBoxes(const QString& className, QObject* object)
{
    if (className != QLatin1String("QComboBox") || !object->isWidgetType())
        return nullptr;
    auto* combo = static_cast<QComboBox*>(object);
    if (combo->accessibleName().isEmpty())
        return nullptr;
    return new NamedComboBox(combo);
}

} // namespace

QString spokenCaption(const QString& caption)
{
    QString spoken;
    spoken.reserve(caption.size());
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == u'&' && i + 1 < caption.size())
            ++i; // "&x" says x, "&&" says &
        spoken.append(caption[i]);
    }
    return spoken.trimmed();
}

void nameControl(QWidget* control, const QString& name)
{
    control->setAccessibleName(name);
    if (auto* combo = qobject_cast<QComboBox*>(control)) {
        static const bool installed = (QAccessible::installFactory(namedComboBoxes), true);
        Q_UNUSED(installed);
        // An interface made before the name was set (filling the box already tells screen readers about it) is
        // Qt's own: it goes, and the next question makes ours.
        QAccessibleInterface* existing = QAccessible::queryAccessibleInterface(combo);
        if (existing && !dynamic_cast<NamedComboBox*>(existing))
            QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(existing));
        if (combo->lineEdit())
            combo->lineEdit()->setAccessibleName(name);
    }
}

void tieCaption(QLabel* caption, QWidget* field)
{
    caption->setBuddy(field);
    // Named as well as tied: Qt reads an editable combo box's text as its name on Linux, where the caption
    // belongs.
    nameControl(field, spokenCaption(caption->text()));
}

void nameButton(QAbstractButton* button)
{
    button->setAccessibleName(spokenCaption(button->text()));
}

void fitCaption(QLabel* caption)
{
    const QString text = caption->text();
    const QRect frame =
        caption->contentsRect().adjusted(caption->margin(), caption->margin(), -caption->margin(), -caption->margin());
    const QFontMetrics metrics(caption->font());
    if (metrics.horizontalAdvance(text) <= frame.width()) {
        caption->setWordWrap(false);
        return;
    }
    const QRect wrapped = metrics.boundingRect(QRect(0, 0, frame.width(), 10 * frame.height()),
                                               Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, text);
    if (wrapped.height() <= frame.height()) {
        caption->setWordWrap(true);
        return;
    }
    caption->setWordWrap(false);
    const QFont smaller = shrunkToFit(caption->font(), text, frame.width());
    caption->setFont(smaller);
    if (oneLineWidth(smaller, text) > frame.width()) {
        caption->setToolTip(text);
        caption->setText(QFontMetrics(smaller).elidedText(text, Qt::ElideRight, frame.width()));
    }
}

void fitEditText(QComboBox* combo, const QString& text)
{
    QStyleOptionComboBox option;
    option.initFrom(combo);
    option.editable = combo->isEditable();
    option.frame = combo->hasFrame();
    const QRect field =
        combo->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, combo);
    combo->setFont(shrunkToFit(combo->font(), text, field.width() - EditTextMargins));
}

} // namespace miravo
