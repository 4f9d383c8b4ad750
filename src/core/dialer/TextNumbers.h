// SPDX-License-Identifier: GPL-3.0-or-later
// The program's two text-to-number conversions: the port fields hold a COM port number, the keypad's pause field
// a number of seconds. Both refuse what they cannot read instead of guessing; the callers turn a refusal into
// their own message.
#pragma once

#include <QString>

#include <optional>

namespace miravo {

// A 16-bit signed whole number: blanks around it, an optional sign and decimal digits ("3", " 3 ", "-1", "+12").
// Refused: empty text, fractions, exponents, anything else, and values outside -32768..32767.
std::optional<qint16> toPortNumber(const QString& text);

// A number of seconds with an optional fraction: blanks around it, an optional sign, digits with one decimal
// separator, written as "." or "," ("2.5", "2,5", ".5", "-1"). Refused: empty text, exponents, "nan", "inf",
// more than one separator, anything else.
std::optional<double> toPauseSeconds(const QString& text);

} // namespace miravo
