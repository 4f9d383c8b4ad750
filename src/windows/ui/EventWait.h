// SPDX-License-Identifier: GPL-3.0-or-later
// A wait that keeps the program live: pending events are handled while it lasts, so every button of every
// window works during a keypad pause, and handlers may run (and be re-entered) inside it.
//
// The clock and the event processing behind the wait are a service, replaceable the way the message boxes are
// (setMessageService): the real one sleeps in an event loop on the monotonic clock; tests install their own, so
// that they script what happens during a pause and never sleep through one.
#pragma once

#include <QtGlobal>

class QObject;

namespace miravo {

class EventWaitService {
public:
    virtual ~EventWaitService() = default;
    // Elapsed time in milliseconds, from any fixed start; never goes back.
    virtual qint64 nowMs() = 0;
    // Handles pending events for up to `ms` milliseconds, returning early when `guard` (if any) is destroyed; it
    // may also return earlier for no reason: the caller looks at the clock again.
    virtual void processEventsFor(qint64 ms, const QObject* guard) = 0;
};

// Waits `seconds` of elapsed time (fractions allowed; 0 or less, or not a number, returns at once) while
// processing events: as long as the clock shows less than the start plus the pause, events are processed.
// The real service sleeps in an event loop until a precise timer ends it, so the wait costs next to no CPU,
// unlike a loop that polls the clock around processEvents().
// When `guard` is given and destroyed during the wait, the wait ends early. Returns whether `guard` (if any)
// is still alive, so the caller knows whether it may go on touching it.
bool waitProcessingEvents(double seconds, const QObject* guard = nullptr);

// Replaces the service behind waitProcessingEvents(); nullptr puts the real clock and event loop back.
// The caller keeps ownership and must restore the real service before destroying its own.
void setEventWaitService(EventWaitService* service);

} // namespace miravo
