// What a screen reader says for a control, and captions that stay readable in their designed frames.
// Every window names its controls through these few functions, so that the rules live in one place:
// a field is named by the caption label that stands beside it, a button by its caption, and what is spoken is
// the caption without its access-key marker and without the blanks some designed captions carry.
#pragma once

#include <QString>

class QAbstractButton;
class QComboBox;
class QLabel;
class QWidget;

namespace miravo {

// The caption as spoken: without the "&" that marks the access key ("&&" stays one "&"), trimmed.
QString spokenCaption(const QString& caption);

// Names a control for screen readers. An editable combo box's text box is named too: it is a focusable
// control of its own in the accessibility tree.
void nameControl(QWidget* control, const QString& name);

// Ties a caption label to the field it names: the field becomes the label's buddy (so its access key, if any,
// moves the focus there) and the field's accessible name is the caption.
void tieCaption(QLabel* caption, QWidget* field);

// A button's accessible name is its caption as spoken ("END " is read "END").
void nameButton(QAbstractButton* button);

// Keeps a caption readable inside its designed frame: on one line when it fits, wrapped when two lines fit the
// frame's height, otherwise on one line in a slightly smaller font; as a last resort elided, with the whole
// caption in its tooltip. The frame itself never changes.
void fitCaption(QLabel* caption);

// Makes `text` fit the edit box of a combo box, by a slightly smaller font for that one control when needed.
void fitEditText(QComboBox* combo, const QString& text);

} // namespace miravo
