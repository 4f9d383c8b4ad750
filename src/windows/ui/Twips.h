// SPDX-License-Identifier: GPL-3.0-or-later
// Window geometry is designed in twips (1/1440 inch). This is the one place where twips become pixels:
// 15 twips are one pixel at 96 dots per inch, and Qt's high-DPI scaling takes it from there.
#pragma once

#include <QRect>

namespace miravo {

inline constexpr int TwipsPerPixel = 15;

constexpr int twipsToPixels(int twips)
{
    // Round to the nearest pixel, symmetrically for the few designed negative offsets.
    return twips >= 0 ? (twips + TwipsPerPixel / 2) / TwipsPerPixel : -((-twips + TwipsPerPixel / 2) / TwipsPerPixel);
}

// A designed rectangle: left, top, width, height in twips.
struct TwipsRect {
    int left;
    int top;
    int width;
    int height;

    QRect toPixels() const
    {
        return QRect(twipsToPixels(left), twipsToPixels(top), twipsToPixels(width), twipsToPixels(height));
    }
};

} // namespace miravo
