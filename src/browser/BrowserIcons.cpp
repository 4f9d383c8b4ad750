// SPDX-License-Identifier: GPL-3.0-or-later
#include "BrowserIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QPixmap>
#include <QPolygonF>

#include <array>
#include <functional>

namespace miravo {
namespace {

// What a drawing is drawn with: the ink follows the palette's button text, so the pictures keep the contrast of
// the buttons' own captions on a light or a dark palette; the paper is the button's colour.
struct Colours {
    QColor ink;
    QColor paper;
};

using Drawing = std::function<void(QPainter&, const Colours&)>;

const QColor StopRed(0xc0, 0x39, 0x2b);

void arrow(QPainter& p, const Colours& colours, bool pointsLeft)
{
    // An arrow in a 24 x 24 box: a shaft and a triangular head.
    QPolygonF shape{{3, 12}, {11, 4}, {11, 9}, {21, 9}, {21, 15}, {11, 15}, {11, 20}};
    if (!pointsLeft) {
        for (QPointF& point : shape)
            point.setX(24 - point.x());
    }
    p.setPen(Qt::NoPen);
    p.setBrush(colours.ink);
    p.drawPolygon(shape);
}

void stop(QPainter& p, const Colours&)
{
    p.setPen(Qt::NoPen);
    p.setBrush(StopRed);
    p.drawEllipse(QRectF(2, 2, 20, 20));
    p.setPen(QPen(Qt::white, 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(8, 8), QPointF(16, 16));
    p.drawLine(QPointF(16, 8), QPointF(8, 16));
}

void refresh(QPainter& p, const Colours& colours)
{
    p.setPen(QPen(colours.ink, 3, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(4, 4, 16, 16), 60 * 16, 290 * 16);
    p.setPen(Qt::NoPen);
    p.setBrush(colours.ink);
    p.drawPolygon(QPolygonF{{13, 1}, {20, 5}, {13, 10}});
}

void home(QPainter& p, const Colours& colours)
{
    p.setPen(Qt::NoPen);
    p.setBrush(colours.ink);
    p.drawPolygon(QPolygonF{{12, 2}, {23, 12}, {1, 12}});
    p.drawRect(QRectF(5, 12, 14, 10));
    p.setBrush(colours.paper);
    p.drawRect(QRectF(10, 15, 4, 7));
}

void search(QPainter& p, const Colours& colours)
{
    p.setPen(QPen(colours.ink, 3));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRectF(3, 3, 12, 12));
    p.setPen(QPen(colours.ink, 4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(15, 15), QPointF(21, 21));
}

// Drawn once per scale the screens are likely to use, so that the picture stays sharp at 2x rather than being
// blown up from 24 pixels. The drawing is in the 24-pixel box at every scale.
QIcon drawn(const Drawing& draw, const Colours& colours)
{
    QIcon icon;
    for (const int scale : {1, 2, 3}) {
        QPixmap pixmap(ToolbarIconSize * scale, ToolbarIconSize * scale);
        pixmap.setDevicePixelRatio(scale);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        draw(painter, colours);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

struct IconDesign {
    const char* themeName; // freedesktop.org icon naming
    Drawing fallback;
};

const std::array<IconDesign, 6>& designs()
{
    static const std::array<IconDesign, 6> table{{
        {"go-previous", [](QPainter& p, const Colours& c) { arrow(p, c, true); }},
        {"go-next", [](QPainter& p, const Colours& c) { arrow(p, c, false); }},
        {"process-stop", stop},
        {"view-refresh", refresh},
        {"go-home", home},
        {"edit-find", search},
    }};
    return table;
}

} // namespace

QIcon toolbarIcon(int index, const QPalette& palette)
{
    if (index < 0 || index >= int(designs().size()))
        return {};
    const IconDesign& design = designs()[std::size_t(index)];
    const QString name = QString::fromLatin1(design.themeName);
    if (QIcon::hasThemeIcon(name))
        return QIcon::fromTheme(name);
    return drawn(design.fallback, {palette.color(QPalette::ButtonText), palette.color(QPalette::Button)});
}

} // namespace miravo
