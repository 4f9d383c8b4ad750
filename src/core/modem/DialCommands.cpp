// SPDX-License-Identifier: GPL-3.0-or-later
#include "modem/DialCommands.h"

#include <QList>

namespace miravo {
namespace {

constexpr QChar CR = QChar(13);
constexpr QChar LF = QChar(10);

// A character below 0x20 or DEL inside a value would end the command early or act as a line edit on the modem.
// The C1 controls 0x80 to 0x9F go out as single bytes too, and a modem that ignores the eighth bit, as many do,
// reads 0x8D and 0x8A as CR and LF: a second command.
bool isControlCharacter(char16_t c)
{
    return c < 0x20 || c == 0x7F || (c >= 0x80 && c <= 0x9F);
}

QString withoutControlCharacters(const QString& value)
{
    QString kept;
    kept.reserve(value.size());
    for (const QChar c : value) {
        if (!isControlCharacter(c.unicode()))
            kept.append(c);
    }
    return kept;
}

} // namespace

QString accessNumberCommand(const QString& accessNumber)
{
    return QStringLiteral("ATDT") + withoutControlCharacters(accessNumber) + CR;
}

QString toneCommand(const QString& value1, const QString& value2, const QString& value3)
{
    return QStringLiteral("ATDT") + withoutControlCharacters(value1) + QLatin1Char(',') +
           withoutControlCharacters(value2) + QStringLiteral(",,") + withoutControlCharacters(value3) +
           QStringLiteral(",#") + CR + LF;
}

QByteArray commandBytes(const QString& command)
{
    // One byte per character: walk code points, so that a character outside the 16-bit range (a surrogate pair)
    // also becomes a single '?'.
    QByteArray bytes;
    bytes.reserve(command.size());
    for (const uint codePoint : command.toUcs4())
        bytes.append(codePoint <= 0xFF ? static_cast<char>(codePoint) : '?');
    return bytes;
}

} // namespace miravo
