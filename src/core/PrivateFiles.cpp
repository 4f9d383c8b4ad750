// SPDX-License-Identifier: GPL-3.0-or-later
#include "PrivateFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace miravo {
namespace {

QString systemReason(const QString& path)
{
    return QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), QString::fromLocal8Bit(std::strerror(errno)));
}

} // namespace

Outcome makePrivateFolder(const QString& folder)
{
    const QString absolute = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    if (QFileInfo(absolute).isDir())
        return {};
    // The missing folders from the top down: QDir::mkpath would make them with the umask's usual 0755.
    QStringList missing;
    for (QString path = absolute; !QFileInfo::exists(path) && path != QLatin1String("/");
         path = QFileInfo(path).absolutePath())
        missing.prepend(path);
    for (const QString& path : std::as_const(missing)) {
        if (::mkdir(QFile::encodeName(path).constData(), S_IRWXU) != 0 && errno != EEXIST)
            return Failure{systemReason(path)};
    }
    if (!QFileInfo(absolute).isDir())
        return Failure{QStringLiteral("%1 is not a folder.").arg(QDir::toNativeSeparators(absolute))};
    return {};
}

Outcome createPrivateFile(const QString& path)
{
    // O_EXCL with O_NOFOLLOW: never opens, truncates or follows what is there already.
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                          S_IRUSR | S_IWUSR);
    if (fd < 0)
        return Failure{systemReason(path)};
    ::close(fd);
    return {};
}

} // namespace miravo
