// SPDX-License-Identifier: GPL-3.0-or-later
// The database holds PINs and card passwords, so what of ours creates it (the installer tool, the virtual
// modem's port folder, the tests' data folders) creates it for its owner alone: folders 0700, the file 0600.
// Nothing here loosens what exists already.
#pragma once

#include "Result.h"

#include <QString>

namespace miravo {

// Creates `folder` and every missing folder above it, each 0700 (less what the umask takes away). Folders that
// exist are left as they are. Done when the folder exists afterwards.
Outcome makePrivateFolder(const QString& folder);

// Creates the empty file `path`, 0600, and fails when anything exists there already (a link included).
Outcome createPrivateFile(const QString& path);

} // namespace miravo
