// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's four dialing fields, as a value: what the keypad window reads from the main window for one
// step (through keypad/DialFieldSource.h) and what its sequence slots and quick dial are composed from.
#pragma once

#include <QString>

namespace miravo {

struct MainDialFields {
    QString accessNumber; // txtDial_Num1
    QString language;     // txtDial_Num2
    QString accessCode;   // txtDial_Num3
    QString destination;  // txtDial_Num4
};

} // namespace miravo
