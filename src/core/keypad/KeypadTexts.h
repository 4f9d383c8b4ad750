// SPDX-License-Identifier: GPL-3.0-or-later
// What the keypad window composes without any widget: the names its sequence slots may hold and the value each
// name stands for, and the status texts it shows while it dials. The keypad window (frmPhone) uses these; the
// dial itself is modem/TwoStageDial.h, shared with the main window.
#pragma once

#include "dialer/MainDialFields.h"

#include <QString>
#include <QStringList>

namespace miravo {

// The three names a sequence slot can hold, in the order each slot's list offers them (followed by an empty
// entry). Slot 1, 2 and 3 start out showing them in this order.
inline const QString SlotLanguage = QStringLiteral("Language");
inline const QString SlotAccessCode = QStringLiteral("Access Code / PIN");
inline const QString SlotDestination = QStringLiteral("Long Distance Number");
inline const QStringList SlotEntries{SlotLanguage, SlotAccessCode, SlotDestination, QString()};

// The value a slot stands for: its whole text compared exactly (letter case included) with the three names;
// anything else, the empty entry included, stands for nothing.
QString resolveSlot(const QString& slotText, const MainDialFields& fields);

// The character a keypad key appends to the display: elements 0 to 9 their digit, 10 "*", 11 "#".
QChar keypadCharacter(int element);

// The display box's text of a fresh window: two lines.
QString freshDisplayText();

// "Dialing: <access number>", then how to go on: shown when SEND or REDIAL starts.
QString sendStartStatus(const QString& accessNumber);

// "Dialing: <access number>", "Sequence Listing" and the three values the slots stand for, one a line: what the
// tone command sends, an empty slot as an empty line.
QString sequenceStatus(const QString& accessNumber, const QString& value1, const QString& value2,
                       const QString& value3);

// "Dialing: <access number>" and the three values the quick dial sends.
QString quickDialStatus(const MainDialFields& fields);

} // namespace miravo
