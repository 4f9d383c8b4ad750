// SPDX-License-Identifier: GPL-3.0-or-later
// Opening the browser window from the program. The window lives in the browser module, which is loaded the first
// time it is needed and stays loaded; the program itself does not link the browser engine.
#pragma once

#include "ProgramModules.h"
#include "Result.h"

class QWidget;

namespace miravo {

// Shows the browser window on the product page: one window at a time, brought to the front when it is open,
// destroyed when it is closed, so that the next showing runs its start-up sequence afresh.
// The first showing also creates the OpenGL context the engine draws with (see ShareContext.h): nothing of the
// browser, OpenGL included, is paid before it is asked for.
// When the module is missing or cannot be loaded, a message box says so and nullptr is returned; the program
// goes on without the browser.
QWidget* showBrowserWindow();

} // namespace miravo
