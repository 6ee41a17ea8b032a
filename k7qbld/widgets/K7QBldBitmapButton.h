#pragma once

#include <QPushButton>

// A button that shows bitmap 192 (a colour palette with a brush) and takes
// the bitmap's size plus 4 pixels on each side, so that layouts keep it there.
class CK7QBldBitmapButton : public QPushButton {
  Q_OBJECT

 public:
  explicit CK7QBldBitmapButton(QWidget* parent = nullptr);

  // Bitmap 192.
  static QPixmap Bitmap();
};
