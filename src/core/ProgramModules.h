// SPDX-License-Identifier: GPL-3.0-or-later
// The program's modules: libraries loaded at run time, on first use, never linked (the browser window, the
// "Products" fetch, the speaker). One search, in one list of folders, with one set of reasons when it fails.
#pragma once

#include "Result.h"

#include <QStringList>

class QObject;

namespace miravo {

// The folders searched for the modules, in this order: the program's private library folder of the installed
// layout (for example <program folder>/../lib/x86_64-linux-gnu/miravodialer), <program folder>/../lib (where the
// build puts them), then the program's own folder.
QStringList browserModuleFolders();

// Loads the program's module `name` (lib<name>.so, a `kind` module such as "browser") from the first of
// browserModuleFolders() that holds one whose root object `accepts`, and keeps it loaded. A failure says why: the
// reason the last loadable or broken file gave, or every folder looked in when none holds the file.
Result<QObject*> loadProgramModule(const QString& name, const char* kind, bool (*accepts)(QObject*));

// Searches these folders instead (the tests use it for a missing or a broken module); empty restores the default.
void setBrowserModuleFolders(const QStringList& folders);

} // namespace miravo
