#pragma once

#include <QIcon>
#include <QPixmap>

// The builder's own pictures: the splash bitmap (222), the banner of its
// pages (170) and the application icon. They are painted, so they scale and
// need no binary files in the tree.
namespace K7QBldArtwork {

QPixmap Splash();       // bitmap 222
QPixmap Banner(int width = 120, int height = 300);  // bitmap 170
QIcon ApplicationIcon();

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

}  // namespace K7QBldArtwork
