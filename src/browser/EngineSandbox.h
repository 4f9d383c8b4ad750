// SPDX-License-Identifier: GPL-3.0-or-later
// The browser engine's sandbox when the program runs as root. Used by the browser module before it creates its
// window, which is when the engine starts.
#pragma once

namespace miravo {

// Switches the engine's sandbox off when the program runs as root, and does nothing otherwise.
// Chromium, inside the engine, will not run its sandbox as root: it ends the whole process on the spot ("Running as
// root without --no-sandbox is not supported"), taking every window and every unsaved edit with it. Root is a
// choice made outside the program (containers, fresh servers); the browser window there still opens, only the
// engine's pages run without the confinement Chromium gives them as an ordinary user.
// Must run before the engine starts; it reads the setting once.
void switchOffEngineSandboxForRoot();

} // namespace miravo
