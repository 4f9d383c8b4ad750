// SPDX-License-Identifier: GPL-3.0-or-later
// Placing a window's designed controls. Every window keeps its design as a table of entries (object name, rectangle
// in twips, caption, font) and builds its controls with these functions, so that naming, geometry and fonts are
// applied the same way everywhere. The placing functions return the control: a window adds what is its own (a
// label's colour, a button's default behaviour). They also say what a screen reader hears (AccessibleControls.h):
// a button is named by its caption, a caption label names its field, a picture is named by its description.
// Header-only, because the browser module uses it as well and links nothing of the program's.
#pragma once

#include "ui/AccessibleControls.h"
#include "ui/Picture.h"
#include "ui/Twips.h"

#include <QComboBox>
#include <QFont>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <limits>

namespace miravo {

// A font as designed. The design fonts are missing on most systems.
struct FontDesign {
    const char* family;
    qreal pointSize;
    bool bold = false;
};

// The dialog font the windows were designed with.
inline constexpr FontDesign DialogFont{"MS Sans Serif", 8.25};

// One designed control: object name, rectangle in twips, caption ("" for none) and, where the design gives the
// control a font of its own, that font (otherwise it keeps the one it inherits).
struct ControlDesign {
    const char* name;
    TwipsRect rect;
    const char* caption = "";
    const FontDesign* font = nullptr;
};

namespace detail {

// The first of `families` that is installed, or "" when none is. The installed families are kept until the fonts on
// offer change: QFontDatabase::families() builds that whole list on every call, and the main window asks for its
// designed fonts 14 times at start (bench/README.md has what that cost).
inline QString firstInstalledFamily(const QStringList& families)
{
    static QStringList installed;
    static QMetaObject::Connection forget;
    if (!forget && qGuiApp) {
        installed.clear(); // a new application: its fonts may differ from an earlier one's
        forget = QObject::connect(qGuiApp, &QGuiApplication::fontDatabaseChanged, qGuiApp, [] { installed.clear(); });
    }
    // Without an application to report changes, the list is read afresh every time.
    const QStringList current = forget && !installed.isEmpty() ? installed : QFontDatabase::families();
    if (forget)
        installed = current;
    const auto first = std::find_if(families.cbegin(), families.cend(),
                                    [&](const QString& name) { return current.contains(name, Qt::CaseInsensitive); });
    return first != families.cend() ? *first : QString();
}

} // namespace detail

// The designed font. Where its family is missing (the usual case off Windows) a metric-compatible, or at least
// narrow, sans serif takes its place, so that the captions fit their designed frames.
inline QFont designedFont(const FontDesign& design)
{
    QStringList families{QString::fromLatin1(design.family), QStringLiteral("Microsoft Sans Serif"),
                         QStringLiteral("Liberation Sans"), QStringLiteral("Arial")};
    // Only the first installed one: for every family it does not find, Qt asks the font configuration for an
    // alias, once per size and weight, which costs the start a few milliseconds. Where none is installed, the whole
    // list goes to Qt, whose substitution then decides.
    const QString first = detail::firstInstalledFamily(families);
    if (!first.isEmpty())
        families = QStringList{first};
    QFont font;
    font.setFamilies(families);
    font.setPointSizeF(design.pointSize);
    font.setBold(design.bold);
    return font;
}

// Names the control, puts it on its designed rectangle and gives it its designed font, if it has one.
template <typename W>
W* place(W* control, const ControlDesign& design)
{
    control->setObjectName(QString::fromLatin1(design.name));
    control->setGeometry(design.rect.toPixels());
    if (design.font)
        control->setFont(designedFont(*design.font));
    return control;
}

inline QLabel* placeLabel(QWidget* parent, const ControlDesign& design)
{
    return place(new QLabel(QString::fromLatin1(design.caption), parent), design);
}

// The caption label that stands beside `field` and names it, for the eye and for a screen reader. It is kept
// readable inside its frame: on one line, wrapped, or in a slightly smaller font when neither fits.
inline QLabel* placeCaption(QWidget* parent, const ControlDesign& design, QWidget* field)
{
    QLabel* caption = placeLabel(parent, design);
    tieCaption(caption, field); // named by the whole caption, even if it must be shown elided
    fitCaption(caption);
    return caption;
}

inline QPushButton* placeButton(QWidget* parent, const ControlDesign& design)
{
    QPushButton* button = place(new QPushButton(QString::fromLatin1(design.caption), parent), design);
    nameButton(button);
    return button;
}

// An editable list whose text is the user's: no completer changes what is typed, Enter adds nothing to the list,
// and neither Enter nor leaving the box picks the entry that equals the typed text (a window that looks up typed
// text does so on purpose). The caption, if any, is the designed text.
inline QComboBox* placeEditableCombo(QWidget* parent, const ControlDesign& design)
{
    auto* combo = place(new QComboBox(parent), design);
    combo->setEditable(true);
    combo->setCompleter(nullptr);
    combo->setInsertPolicy(QComboBox::NoInsert);
    QObject::disconnect(combo->lineEdit(), &QLineEdit::editingFinished, combo, nullptr);
    if (*design.caption)
        combo->setEditText(QString::fromLatin1(design.caption));
    return combo;
}

// Sets the tab order to `order`, first to last. (Qt 6.4's setTabOrder takes two widgets at a time.)
inline void chainTabOrder(const QList<QWidget*>& order)
{
    for (qsizetype i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

// Lifts the length limit of every text field in `window`, the text boxes of its combo boxes included. A line edit
// cuts its text at 32,767 characters unless told otherwise: a longer value from the store would be dialed short, or
// stored back short by merely looking at it.
inline void allowLongValues(QWidget* window)
{
    for (QLineEdit* edit : window->findChildren<QLineEdit*>())
        edit->setMaxLength(std::numeric_limits<int>::max());
}

// A picture stretched over its designed rectangle, read as an image of `format` (see Picture.h); `description` is
// what a screen reader says for it.
inline QLabel* placePicture(QWidget* parent, const ControlDesign& design, const QString& resource, const char* format,
                            const QString& description)
{
    auto* picture = place(new QLabel(parent), design);
    picture->setPixmap(readPicture(resource, format, parent->devicePixelRatioF()));
    picture->setScaledContents(true);
    picture->setAccessibleName(description);
    return picture;
}

} // namespace miravo
