// SPDX-License-Identifier: GPL-3.0-or-later
// What a line that is no serial modem makes of a dial command's bytes. A Hayes modem reads "ATDT<dial string>"
// up to the CR and dials the string: a number goes out as a call, and on a call already up the characters go
// out as touch tones, each ',' a pause. The ModemManager and speaker lines do the same from these pieces.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace miravo {

// How long a ',' pauses: the usual default of a modem's pause register (S8 = 2 seconds).
constexpr qint64 DialPauseMs = 2000;

// The dial string of a dial command: what stands between "ATD" (with "T" or "P", in either case) and the CR that
// ends it, which may have an LF after it. Nothing when the bytes are no dial command of that shape.
std::optional<QString> dialString(const QByteArray& command);

// Whether the command is a tone command: it ends with CR LF, the access-number command with CR alone. A line
// that keeps a call tells by this whether a command goes on the call or starts a new one.
bool isToneCommand(const QByteArray& command);

// The number a call is placed to: the dial string without the characters a modem skips in it (blanks, '-', '(',
// ')', '.'); the rest stands as it is.
QString numberToCall(const QString& dialString);

// One step of the touch tones a dial string sends on a call that is up.
struct ToneStep {
    enum class Kind {
        Key,   // one touch tone
        Pause, // DialPauseMs of silence
    };
    Kind kind = Kind::Key;
    QChar key; // for a Key: 0-9, *, #, A-D

    friend bool operator==(const ToneStep&, const ToneStep&) = default;
};

// The touch tones of a dial string, in order: 0-9, '*', '#' and A-D (also written a-d) are keys, each ',' is a
// pause; every other character is skipped, as a modem skips it.
QList<ToneStep> toneSteps(const QString& dialString);

} // namespace miravo
