// SPDX-License-Identifier: GPL-3.0-or-later
#include "modem/TwoStageDial.h"

#include "modem/DialCommands.h"
#include "modem/ModemPort.h"

namespace miravo {

void dialInTwoStages(ModemPort& port, const DialPlan& plan)
{
    // Whether the dial goes on after a step: a step that worked always does. A failing step is reported by which
    // step it was, with the port's reason: every window shows its own fixed message, and the reason as its detail.
    const auto goesOn = [&](DialStep step, const Outcome& done) {
        return done.ok() || plan.onFailure(step, done.failure()) == AfterFailure::GoOn;
    };

    bool dialedAccessNumber = false;
    if (!port.isOpen()) {
        if (!goesOn(DialStep::Open, port.open()))
            return;
        if (!goesOn(DialStep::AccessNumber, port.write(commandBytes(accessNumberCommand(plan.accessNumber())))))
            return;
        dialedAccessNumber = true;
    }

    if (plan.waitForUser && (dialedAccessNumber || plan.waitWhenAlreadyOpen)) {
        switch (plan.waitForUser()) {
        case AfterWait::Abandon:
            return;
        case AfterWait::HangUp:
            port.close();
            return;
        case AfterWait::Tones:
            break;
        }
        // Closing and opening again is all that stands between the two commands: no hang-up is sent.
        port.close();
        if (!goesOn(DialStep::Reopen, port.open()))
            return;
    }

    const ToneValues values = plan.toneValues();
    if (!goesOn(DialStep::LineSettings, port.setLineSettings(DialLineSettings)))
        return;
    if (!goesOn(DialStep::ToneCommand,
                port.write(commandBytes(toneCommand(values.value1, values.value2, values.value3)))))
        return;
    // The port stays open for the call: the window's own action or its end closes it.
}

} // namespace miravo
