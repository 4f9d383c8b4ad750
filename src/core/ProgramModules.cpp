// SPDX-License-Identifier: GPL-3.0-or-later
#include "ProgramModules.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPluginLoader>

#ifndef MIRAVO_MODULE_DIR_FROM_BIN
#error "MIRAVO_MODULE_DIR_FROM_BIN must give the installed module folder relative to the program's (set by CMake)"
#endif

namespace miravo {
namespace {

QStringList& folderOverride()
{
    static QStringList folders;
    return folders;
}

// The folders the module may be in, relative to the program's own folder. Installed, the module lies in a library
// folder of the program's own (lib/<multiarch>/miravodialer under the /usr prefix); the build computes that folder's
// path from the program's, so the installed tree works under any prefix and DESTDIR. In the build tree the module
// is in lib beside bin. The program's own folder comes last, for a module copied next to the program.
QStringList defaultModuleFolders(const QString& programFolder)
{
    QStringList folders;
    for (const QString& relative : {QStringLiteral(MIRAVO_MODULE_DIR_FROM_BIN), QStringLiteral("../lib")})
        folders.append(QDir::cleanPath(programFolder + QLatin1Char('/') + relative));
    folders.append(programFolder);
    folders.removeDuplicates();
    return folders;
}

// When no folder holds the module file at all, says so with the file's name and every folder it was looked for
// in, so that a broken installation can be put right without reading the source. Empty when a folder holds it:
// the loader's own reason why that file failed says more then.
QString missingModuleMessage(const QString& name, const QStringList& folders)
{
    const QString fileName = QStringLiteral("lib%1.so").arg(name);
    QStringList shown;
    for (const QString& folder : folders) {
        if (QFileInfo::exists(QDir(folder).filePath(fileName)))
            return {};
        shown.append(QDir::toNativeSeparators(folder));
    }
    return QStringLiteral("%1 is in none of the folders it was looked for in: %2.")
        .arg(fileName, shown.join(QStringLiteral(", ")));
}

} // namespace

QStringList browserModuleFolders()
{
    if (!folderOverride().isEmpty())
        return folderOverride();
    return defaultModuleFolders(QCoreApplication::applicationDirPath());
}

void setBrowserModuleFolders(const QStringList& folders)
{
    folderOverride() = folders;
}

Result<QObject*> loadProgramModule(const QString& name, const char* kind, bool (*accepts)(QObject*))
{
    const QStringList folders = browserModuleFolders();
    QString error;
    for (const QString& folder : folders) {
        // QPluginLoader adds the platform's prefix and suffix (lib....so) to the base name.
        QPluginLoader loader(QDir(folder).filePath(name));
        QObject* root = loader.instance();
        if (!root) {
            // A module that is there but broken says more than one that is missing from a later folder.
            if (error.isEmpty() || QFileInfo::exists(loader.fileName()))
                error = loader.errorString();
            continue;
        }
        if (accepts(root))
            return root;
        error = QStringLiteral("%1 is not the program's %2 module.")
                    .arg(QDir::toNativeSeparators(loader.fileName()), QLatin1String(kind));
    }
    if (const QString missing = missingModuleMessage(name, folders); !missing.isEmpty())
        error = missing;
    return Failure{error};
}

} // namespace miravo
