#pragma once

#include <QIcon>
#include <QRectF>

class QPainter;

// The macro text editor's icon, painted so that it is sharp at any size and
// screen scale.
namespace K7QBldEditArtwork {

// A page of text with a pencil, filling `box`.
void PaintIcon(QPainter& p, const QRectF& box);
QIcon ApplicationIcon();

}  // namespace K7QBldEditArtwork
