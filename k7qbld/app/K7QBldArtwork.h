#pragma once

#include <QIcon>
#include <QPixmap>
#include <QRectF>

class QPainter;

// The builder's own pictures: the splash bitmap (222), the banner of its
// pages (170) and the application icon. They are painted, so they scale and
// need no binary files in the tree; pictures are painted at the screens'
// pixel ratio, so they stay sharp on a scaled screen.
namespace K7QBldArtwork {

QPixmap Splash();                                   // bitmap 222, 420 x 240 logical pixels
QPixmap Banner(int width = 120, int height = 300);  // bitmap 170
QIcon ApplicationIcon();
// The application icon's picture, filling `box` (also the installed icons).
void PaintIcon(QPainter& p, const QRectF& box);

// The images of the object tree (bitmap 133), 16 pixels wide.
enum TreeImage {
  kImageMacro,
  kImageGuide,
  kImageFolder,
  kImageVariable,
  kImageMessage,
  kImagePage,
  kImageCampaign,
  kImageObject,
  kImageFunction,
  kImageFinish,
};
QIcon TreeIcon(TreeImage image);
// One tree image in 16-pixel coordinates.
void PaintTreeImage(QPainter& p, TreeImage image);

}  // namespace K7QBldArtwork
