// SPDX-License-Identifier: GPL-3.0-or-later
// How a call is dialed, for every window that dials: the access-number command, a wait for the user, the port
// closed and opened again, the line settings and the tone command. The main window's Connect, the keypad
// window's SEND and REDIAL and its quick dial run these steps; each brings only what is its own: the values, how
// it waits for the user, and what a failing step leads to.
#pragma once

#include "Result.h"

#include <QString>

#include <functional>

namespace miravo {

class ModemPort;

// The port steps that can fail, as they are reported to the failure rule.
enum class DialStep {
    Open,         // the first open, when the port was closed
    AccessNumber, // the write of the access-number command
    Reopen,       // the open after the wait
    LineSettings, // the dial line settings
    ToneCommand,  // the write of the tone command
};

// The three values of the tone command, in the order they are sent.
struct ToneValues {
    QString value1;
    QString value2;
    QString value3;
};

// What the caller's wait for the user leads to.
enum class AfterWait {
    Tones,   // close and re-open the port, then send the tones
    HangUp,  // close the port and end the dial
    Abandon, // end the dial at once, without touching the port again (its window has gone)
};

// What the caller's failure rule makes of a failing step.
enum class AfterFailure {
    GoOn, // carry on with the next step
    Stop, // end the dial here, without touching the port again
};

// One window's way of dialing. accessNumber, toneValues and onFailure are required; waitForUser is optional.
struct DialPlan {
    // Read when the access-number command is written.
    std::function<QString()> accessNumber;
    // Read just before the line settings are set, after any wait: the values of that moment.
    std::function<ToneValues()> toneValues;
    // The wait between the two commands. Without one, the tones follow the access number at once on the open
    // port, with no close and re-open in between (the quick dial).
    std::function<AfterWait()> waitForUser;
    // Whether a port that was open already still gets the wait and the close and re-open (the main window asks
    // its question on every Connect), or goes straight to the tones (the keypad window).
    bool waitWhenAlreadyOpen = false;
    // Told about every failing step and the port's reason; the dial goes on or ends as it answers.
    std::function<AfterFailure(DialStep, const Failure&)> onFailure;
};

// Runs the dial on `port`. Every step that lets other code run (the wait, a failure report) may end the dial;
// after such a step `port` is used only when the caller said to go on, so the caller keeps the port alive for as
// long as it answers that way.
void dialInTwoStages(ModemPort& port, const DialPlan& plan);

} // namespace miravo
