#pragma once

#include <QIcon>
#include <QPixmap>
#include <QRectF>

class QPainter;

// The launcher's pictures, painted so that they are sharp at any size and
// screen scale: the program icon (128) and the dialog's picture (129).
namespace PlaunchArtwork {

// A database with an arrow leaving it, filling `box`.
void PaintIcon(QPainter& p, const QRectF& box);
QIcon ApplicationIcon();
// Bitmap 129, 96 x 160 logical pixels at the screen's pixel ratio.
QPixmap Picture(qreal devicePixelRatio);

}  // namespace PlaunchArtwork
