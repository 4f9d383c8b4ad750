// SPDX-License-Identifier: GPL-3.0-or-later
// What the keypad window dials from: the port text and the four dialing fields of the window that opened it,
// read afresh each time a step needs them (the user may change them between two steps, even during a pause).
// The main window is the source in the program; a source that goes away closes the keypad window first.
#pragma once

#include "dialer/MainDialFields.h"

#include <QString>

namespace miravo {

class DialFieldSource {
public:
    virtual ~DialFieldSource() = default;

    virtual QString portText() const = 0;
    virtual MainDialFields dialFields() const = 0;
};

} // namespace miravo
