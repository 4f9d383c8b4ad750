// A wait that keeps the program live: pending events are handled while it lasts, so every button of every
// window works during a keypad pause, and handlers may run (and be re-entered) inside it.
#pragma once

class QObject;

namespace miravo {

// Waits `seconds` of elapsed time (fractions allowed; 0 or less, or not a number, returns at once) while
// processing events. The wait sleeps in an event loop until a precise timer ends it, so it costs next to no CPU,
// unlike a loop that polls the clock around processEvents().
// When `guard` is given and destroyed during the wait, the wait ends early. Returns whether `guard` (if any)
// is still alive, so the caller knows whether it may go on touching it.
bool waitProcessingEvents(double seconds, const QObject* guard = nullptr);

} // namespace miravo
