// SPDX-License-Identifier: GPL-3.0-or-later
// Reading the windows' pictures from the program's resources.
#pragma once

#include <QPixmap>

class QString;

namespace miravo {

// Reads the picture at `path` as an image of `format` ("png", "jpeg"): only that format's reader is asked.
// QPixmap's own loading asks every image format plugin installed (and loads each, with the SVG library and the JPEG
// decoder) before it settles on one, which a picture whose format is known needs not pay.
// With a `devicePixelRatio` above 1, a rendering at twice the size beside it ("name@2x.png" for "name.png") is read
// instead when there is one, as Qt's icons do: a normal screen then decodes a quarter of the pixels.
// A picture that cannot be read gives a null pixmap, which shows nothing.
QPixmap readPicture(const QString& path, const char* format, qreal devicePixelRatio = 1.0);

} // namespace miravo
