// SPDX-License-Identifier: GPL-3.0-or-later
#include "keypad/KeypadTexts.h"

namespace miravo {
namespace {

const QString CrLf = QStringLiteral("\r\n");

QString dialingLine(const QString& accessNumber)
{
    return QStringLiteral("Dialing: ") + accessNumber + CrLf + CrLf;
}

} // namespace

QString resolveSlot(const QString& slotText, const MainDialFields& fields)
{
    // QString's == compares the whole texts exactly, letter case included.
    if (slotText == SlotLanguage)
        return fields.language;
    if (slotText == SlotAccessCode)
        return fields.accessCode;
    if (slotText == SlotDestination)
        return fields.destination;
    return QString();
}

QChar keypadCharacter(int element)
{
    if (element >= 0 && element <= 9)
        return QChar(u'0' + element);
    if (element == 10)
        return u'*';
    if (element == 11)
        return u'#';
    return QChar();
}

QString freshDisplayText()
{
    return QStringLiteral("Select sequence below....") + CrLf + "Press the SEND button...";
}

QString sendStartStatus(const QString& accessNumber)
{
    return dialingLine(accessNumber) + "Pick up the handset when the dialing is complete." + CrLf + CrLf +
           "Press End after you hear ringing.";
}

QString sequenceStatus(const QString& accessNumber, const QString& value1, const QString& value2, const QString& value3)
{
    return dialingLine(accessNumber) + "Sequence Listing" + CrLf + value1 + CrLf + value2 + CrLf + value3;
}

QString quickDialStatus(const MainDialFields& fields)
{
    return dialingLine(fields.accessNumber) + "Language: " + fields.language + CrLf + "Code: " + fields.accessCode +
           CrLf + "Calling: " + fields.destination;
}

} // namespace miravo
