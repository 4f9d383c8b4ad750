// SPDX-License-Identifier: GPL-3.0-or-later
// The OpenGL context that the browser engine shares its drawing with, created when the browser is first needed.
#pragma once

#include "Result.h"

namespace miravo {

// Makes sure Qt has a global share context: creates one when there is none yet. Call it before the browser module
// is loaded: the engine looks for the context as it starts. Where no OpenGL context can be made, the browser is
// set to draw in software instead. A failure says why; the browser must not be loaded then.
Outcome ensureGlobalShareContext();

} // namespace miravo
