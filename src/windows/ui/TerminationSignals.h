// SPDX-License-Identifier: GPL-3.0-or-later
// Ending the program from outside: SIGTERM (what a desktop session sends at logout), SIGINT (Ctrl+C in a
// terminal) and SIGHUP (the terminal that started the program closing) close the windows the ordinary way, so that each
// does what it does on a close (the record editors store the user's edits), and then the program ends with exit code 0.
// The program's main() installs it; the windows know nothing of it.
#pragma once

namespace miravo {

// Call once, after the application object exists. A signal that the program was started with ignored (a
// background job's SIGINT, SIGHUP under nohup) stays ignored.
// When a window refuses to close (an editor whose store refused the edits says why and keeps them), the program
// goes on with that window open and the next signal tries again. A further signal that arrives while the windows
// are still closing ends the program at once, the signal's default way.
void closeWindowsOnTerminationSignals();

} // namespace miravo
