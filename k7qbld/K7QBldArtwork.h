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

}  // namespace K7QBldArtwork
