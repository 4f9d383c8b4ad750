// Placing a window's designed controls. Every window keeps its design as a table of entries (object name, rectangle
// in twips, caption, font) and builds its controls with these functions, so that naming, geometry and fonts are
// applied the same way everywhere. The placing functions return the control: a window adds what is its own (a
// label's colour or word wrap, a button's default behaviour) and ties a caption label to the field it names.
// Header-only, because the browser module uses it as well and links nothing of the program's.
#pragma once

#include "ui/Twips.h"

#include <QComboBox>
#include <QFont>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QString>
#include <QStringList>

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

// The designed font. Where its family is missing (the usual case off Windows) a metric-compatible, or at least
// narrow, sans serif takes its place, so that the captions fit their designed frames.
inline QFont designedFont(const FontDesign& design)
{
    QFont font;
    font.setFamilies({QString::fromLatin1(design.family), QStringLiteral("Microsoft Sans Serif"),
                      QStringLiteral("Liberation Sans"), QStringLiteral("Arial")});
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

inline QPushButton* placeButton(QWidget* parent, const ControlDesign& design)
{
    return place(new QPushButton(QString::fromLatin1(design.caption), parent), design);
}

// An editable list whose text is the user's: no completer changes what is typed, and Enter adds nothing to the
// list. The caption, if any, is the designed text.
inline QComboBox* placeEditableCombo(QWidget* parent, const ControlDesign& design)
{
    auto* combo = place(new QComboBox(parent), design);
    combo->setEditable(true);
    combo->setCompleter(nullptr);
    combo->setInsertPolicy(QComboBox::NoInsert);
    if (*design.caption)
        combo->setEditText(QString::fromLatin1(design.caption));
    return combo;
}

// A picture stretched over its designed rectangle.
inline QLabel* placePicture(QWidget* parent, const ControlDesign& design, const QString& resource)
{
    auto* picture = place(new QLabel(parent), design);
    picture->setPixmap(QPixmap(resource));
    picture->setScaledContents(true);
    return picture;
}

} // namespace miravo
