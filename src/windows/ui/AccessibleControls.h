// SPDX-License-Identifier: GPL-3.0-or-later
// What a screen reader says for a control, and captions that stay readable in their designed frames. The placing
// helper (DesignedControls.h) applies these as it builds each control, so the rules live in one place: a field
// is named by the caption label that stands beside it, a button by its caption, a picture by what it shows, and
// what is spoken is the caption without its access-key marker and without the blanks some designed captions
// carry ("END "). Header-only, like the placing helper, for the browser module.
#pragma once

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QComboBox>
#include <QEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QObject>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QStyleOptionFrame>

namespace miravo {

namespace detail {

// Smaller than this a caption is no longer comfortable to read; eliding is the better choice then.
inline constexpr qreal SmallestPointSize = 6.5;
inline constexpr qreal PointSizeStep = 0.25;
// The blank Qt's line edit keeps on either side of its text, inside what the style gives it.
inline constexpr int EditTextSideBlank = 2;
// A pixel to spare, for the edges of smoothed glyphs.
inline constexpr int EditTextSlack = 1;

// The font shrunk in small steps until the text fits `room` on one line; the smallest tried when none does.
inline QFont shrunkToFit(QFont font, const QString& text, int room)
{
    if (font.pointSizeF() <= 0)
        return font; // a pixel-sized font is left as it is
    while (QFontMetrics(font).horizontalAdvance(text) > room && font.pointSizeF() - PointSizeStep >= SmallestPointSize)
        font.setPointSizeF(font.pointSizeF() - PointSizeStep);
    return font;
}

// Qt's own interface for a combo box speaks its text as its name on Linux (a label relation is meant to say what
// the box is for), so a screen reader would announce "Acme Cards" instead of "Select Card Company" once a company
// is chosen. A named combo box gets this interface instead: its name says what it is for, its value and its
// text box what it holds now. Like Qt's, it holds its drop-down list (which lives in a popup window of its own,
// so a plain widget's interface would not find it) and offers to open it: a screen reader then says "List with
// 2 items" when the list opens.
class NamedComboBox final : public QAccessibleWidget {
public:
    explicit NamedComboBox(QComboBox* combo)
        : QAccessibleWidget(combo, QAccessible::ComboBox)
    {}

    QString text(QAccessible::Text kind) const override
    {
        if (kind == QAccessible::Value)
            return combo()->currentText();
        return QAccessibleWidget::text(kind);
    }

    // The list first, then the text box of an editable one.
    int childCount() const override { return combo()->lineEdit() ? 2 : 1; }

    QAccessibleInterface* child(int index) const override
    {
        if (index == 0)
            return QAccessible::queryAccessibleInterface(combo()->view());
        if (index == 1 && combo()->lineEdit())
            return QAccessible::queryAccessibleInterface(combo()->lineEdit());
        return nullptr;
    }

    int indexOfChild(const QAccessibleInterface* child) const override
    {
        if (!child)
            return -1;
        if (child->object() == combo()->view())
            return 0;
        if (combo()->lineEdit() && child->object() == combo()->lineEdit())
            return 1;
        return -1;
    }

    QStringList actionNames() const override { return {showMenuAction(), pressAction()}; }

    void doAction(const QString& action) override
    {
        if (action != showMenuAction() && action != pressAction())
            return;
        if (combo()->view()->isVisible())
            combo()->hidePopup();
        else
            combo()->showPopup();
    }

private:
    QComboBox* combo() const { return static_cast<QComboBox*>(widget()); }
};

inline QAccessibleInterface* namedComboBoxes(const QString& className, QObject* object)
{
    if (className != QLatin1String("QComboBox") || !object->isWidgetType())
        return nullptr;
    auto* combo = static_cast<QComboBox*>(object);
    return combo->accessibleName().isEmpty() ? nullptr : new NamedComboBox(combo);
}

// A window built on a plain widget (the main window, the keypad, the editors, the browser) would be reported with
// the role of a plain widget, and screen readers on Linux would not take it for a window ("filler" instead of
// "frame"). Dialogs, main windows, menus and popups keep the interfaces Qt gives them.
inline QAccessibleInterface* topLevelWindows(const QString& className, QObject* object)
{
    // Asked once for each class from the most derived up: answering the first question is enough.
    if (!object->isWidgetType() || className != QLatin1String(object->metaObject()->className()))
        return nullptr;
    auto* widget = static_cast<QWidget*>(object);
    const Qt::WindowType type = widget->windowType();
    if ((type != Qt::Window && type != Qt::Tool) || widget->inherits("QDialog") || widget->inherits("QMainWindow"))
        return nullptr;
    return new QAccessibleWidget(widget, QAccessible::Window);
}

// The width a combo box's text box has for its text: what the style leaves inside the box's field, less the blank on
// either side and the cursor.
inline int editTextRoom(const QComboBox* combo)
{
    // A style sets its blanks when it polishes the box (Adwaita gives the text box text margins), which Qt otherwise
    // leaves until the window first shows.
    combo->ensurePolished();
    QStyleOptionComboBox option;
    option.initFrom(combo);
    option.editable = combo->isEditable();
    option.frame = combo->hasFrame();
    const QRect field =
        combo->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, combo);
    const QLineEdit* edit = combo->lineEdit();
    if (!edit)
        return field.width() - 2 * EditTextSideBlank - EditTextSlack;
    QStyleOptionFrame panel;
    panel.initFrom(edit);
    panel.rect = QRect(QPoint(), field.size());
    panel.lineWidth = edit->hasFrame() ? edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &panel, edit) : 0;
    panel.midLineWidth = 0;
    panel.state |= QStyle::State_Sunken;
    const QRect contents =
        edit->style()->subElementRect(QStyle::SE_LineEditContents, &panel, edit).marginsRemoved(edit->textMargins());
    const int cursor = edit->style()->pixelMetric(QStyle::PM_TextCursorWidth, &panel, edit);
    return contents.width() - 2 * EditTextSideBlank - cursor - EditTextSlack;
}

// Keeps a text fitting a combo box's text box: shrinks the box's own font from the one it had at the start, now and
// after each change of style.
class EditTextFit final : public QObject {
public:
    EditTextFit(QComboBox* combo, const QString& text)
        : QObject(combo)
        , m_combo(combo)
        , m_font(combo->font())
        , m_text(text)
    {
        fit();
        combo->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == m_combo && event->type() == QEvent::StyleChange)
            fit();
        return false;
    }

private:
    void fit() { m_combo->setFont(shrunkToFit(m_font, m_text, editTextRoom(m_combo))); }

    QComboBox* m_combo;
    QFont m_font;
    QString m_text;
};

} // namespace detail

// Makes the program's own windows known to screen readers as windows. Run once, before the first window shows.
inline void presentWindowsAsWindows()
{
    static const bool installed = (QAccessible::installFactory(detail::topLevelWindows), true);
    Q_UNUSED(installed);
}

// The caption as spoken: without the "&" that marks the access key ("&&" stays one "&"), trimmed.
inline QString spokenCaption(const QString& caption)
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

// Names a control for screen readers. An editable combo box's text box stays unnamed: it sits inside the named box
// in the accessibility tree, and a screen reader entering it would say the box's name a second time.
inline void nameControl(QWidget* control, const QString& name)
{
    control->setAccessibleName(name);
    auto* combo = qobject_cast<QComboBox*>(control);
    if (!combo)
        return;
    static const bool installed = (QAccessible::installFactory(detail::namedComboBoxes), true);
    Q_UNUSED(installed);
    // An interface made before the name was set (filling the box already tells screen readers about it) is Qt's
    // own: it goes, and the next question makes ours.
    QAccessibleInterface* existing = QAccessible::queryAccessibleInterface(combo);
    if (existing && !dynamic_cast<detail::NamedComboBox*>(existing))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(existing));
}

// Ties a caption label to the field it names: the field becomes the label's buddy (so its access key, if any, moves
// the focus there) and the field's accessible name is the caption.
inline void tieCaption(QLabel* caption, QWidget* field)
{
    caption->setBuddy(field);
    // Named as well as tied: Qt would read an editable combo box's text as its name on Linux.
    nameControl(field, spokenCaption(caption->text()));
}

// A button's accessible name is its caption as spoken ("END " is read "END").
inline void nameButton(QAbstractButton* button)
{
    button->setAccessibleName(spokenCaption(button->text()));
}

// Keeps a caption readable inside its designed frame: on one line when it fits, wrapped when the lines fit the
// frame's height, otherwise on one line in a slightly smaller font; as a last resort elided, with the whole caption
// in its tooltip. The frame itself never changes.
inline void fitCaption(QLabel* caption)
{
    const QString text = caption->text();
    const int margin = caption->margin();
    const QRect frame = caption->contentsRect().adjusted(margin, margin, -margin, -margin);
    const QFontMetrics metrics(caption->font());
    if (text.isEmpty() || metrics.horizontalAdvance(text) <= frame.width()) {
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
    const QFont smaller = detail::shrunkToFit(caption->font(), text, frame.width());
    caption->setFont(smaller);
    if (QFontMetrics(smaller).horizontalAdvance(text) > frame.width()) {
        caption->setToolTip(text);
        caption->setText(QFontMetrics(smaller).elidedText(text, Qt::ElideRight, frame.width()));
    }
}

// Makes `text` fit the text box of a combo box, by a slightly smaller font for that one control when needed. The
// room is the style's: some styles (Adwaita among them) keep a wider blank around a text box's text than others, so
// the fit is made again whenever the style changes. Once for each box.
inline void fitEditText(QComboBox* combo, const QString& text)
{
    new detail::EditTextFit(combo, text);
}

} // namespace miravo
