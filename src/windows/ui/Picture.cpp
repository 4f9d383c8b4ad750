// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/Picture.h"

#include <QFile>
#include <QImageReader>

namespace miravo {

QPixmap readPicture(const QString& path, const char* format, qreal devicePixelRatio)
{
    QString file = path;
    qreal ratio = 1.0;
    if (devicePixelRatio > 1.0) {
        const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
        const QString twice =
            dot < 0 ? path + QStringLiteral("@2x") : path.left(dot) + QStringLiteral("@2x") + path.mid(dot);
        if (QFile::exists(twice)) {
            file = twice;
            ratio = 2.0;
        }
    }
    QImageReader reader(file, format);
    reader.setAutoDetectImageFormat(false);
    QPixmap picture = QPixmap::fromImage(reader.read());
    picture.setDevicePixelRatio(ratio);
    return picture;
}

} // namespace miravo
