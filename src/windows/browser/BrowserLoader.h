// Opening the browser window from the program. The window lives in the browser module, which is loaded the first
// time it is needed and stays loaded; the program itself does not link the browser engine.
#pragma once

#include "Result.h"

#include <QStringList>

class QObject;

class QWidget;

namespace miravo {

// Shows the browser window on the product page: one window at a time, brought to the front when it is open,
// destroyed when it is closed, so that the next showing runs its start-up sequence afresh.
// The first showing also creates the OpenGL context the engine draws with (see ShareContext.h): nothing of the
// browser, OpenGL included, is paid before it is asked for.
// When the module is missing or cannot be loaded, a message box says so and nullptr is returned; the program
// goes on without the browser.
QWidget* showBrowserWindow();

// The folders searched for the module, in this order: the program's private library folder of the installed
// layout (for example <program folder>/../lib/x86_64-linux-gnu/miravodialer), <program folder>/../lib (where the
// build puts it), then the program's own folder.
QStringList browserModuleFolders();

// Loads the program's module `name` (lib<name>.so, a `kind` module such as "browser") from the first of
// browserModuleFolders() that holds one whose root object `accepts`, and keeps it loaded. A failure says why: the
// reason the last loadable or broken file gave, or every folder looked in when none holds the file.
Result<QObject*> loadProgramModule(const QString& name, const char* kind, bool (*accepts)(QObject*));

// Searches these folders instead (the tests use it for a missing or a broken module); empty restores the default.
void setBrowserModuleFolders(const QStringList& folders);

} // namespace miravo
