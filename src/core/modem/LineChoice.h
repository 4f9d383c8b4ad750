// SPDX-License-Identifier: GPL-3.0-or-later
// What a COM number dials through. COM n is the entry COMn of the ports folder, else the built-in serial port
// /dev/ttyS<n-1>. The entry is a symbolic link: to a device (a serial line, as always), or with one of the line
// names below as its target text, which no device path can be:
//   modemmanager          the first modem ModemManager offers with voice calls
//   modemmanager:<id>     the ModemManager modem with that equipment identifier (its IMEI, for a phone)
//   speaker               touch tones from the computer's speaker, for a handset held to it
// `miravo-ports` writes these links; `ln -s` does the same by hand.
#pragma once

#include <QString>

#include <optional>

namespace miravo {

// Port numbers start at COM1; a lower number names no port.
constexpr int FirstPortNumber = 1;

enum class LineKind {
    None,         // the number names no port (below COM1)
    Serial,       // a Hayes modem on a serial device
    ModemManager, // a voice call placed by ModemManager on the system bus
    Speaker,      // touch tones played on the speaker
};

struct LineChoice {
    LineKind kind = LineKind::None;
    // Serial: the path to open (the link itself, so a dangling link fails the open, or /dev/ttyS<n-1>).
    QString device;
    // ModemManager: the equipment identifier of the modem, or "" for the first one with voice calls.
    QString equipmentIdentifier;

    friend bool operator==(const LineChoice&, const LineChoice&) = default;
};

inline const QString ModemManagerLineName = QStringLiteral("modemmanager");
inline const QString SpeakerLineName = QStringLiteral("speaker");

// The folder that holds the COMn links: <per-user data folder>/MiravoDialer/ports.
QString portLinksFolder();
// The link for port number n in portLinksFolder() (whether or not it exists; "" when n names no port).
QString portLinkPath(int portNumber);

// What COM n names right now, read from its link (or its absence).
LineChoice lineForPort(int portNumber);
// The serial device that port number n maps to ("" when n names no port or a line that is no serial device).
QString devicePathForPort(int portNumber);

// A line as a user names it ("modemmanager", "modemmanager:<id>", "speaker", or an absolute device path), or
// nothing when the text names none of these.
std::optional<LineChoice> parseLineName(const QString& text);
// The text a COMn link holds for `line`: the inverse of parseLineName.
QString lineName(const LineChoice& line);

} // namespace miravo
