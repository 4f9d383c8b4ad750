// SPDX-License-Identifier: GPL-3.0-or-later
// The two dial commands, composed in one place for both dialing windows.
// Values go in as their texts stand (letters and blanks included, nothing trimmed), except control characters:
// a CR or LF inside a value would end the command early and make the rest a second modem command, so every
// character below 0x20, DEL and the C1 controls 0x80 to 0x9F (CR and LF to a modem that drops the eighth bit)
// are removed from the values.
#pragma once

#include <QByteArray>
#include <QString>

namespace miravo {

// "ATDT" + access number + CR
QString accessNumberCommand(const QString& accessNumber);

// "ATDT" + value1 + "," + value2 + ",," + value3 + ",#" + CR LF
QString toneCommand(const QString& value1, const QString& value2, const QString& value3);

// The bytes that go on the line: each character as one byte (Latin-1); a character that has no Latin-1 byte
// becomes '?'.
QByteArray commandBytes(const QString& command);

} // namespace miravo
