#include "K7QBldBitmapButton.h"

#include <QPainter>
#include <QPainterPath>

CK7QBldBitmapButton::CK7QBldBitmapButton(QWidget* parent) : QPushButton(parent) {
  const QPixmap bitmap = Bitmap();
  setIcon(QIcon(bitmap));
  setIconSize(bitmap.size());
  // Sized from the bitmap; where it stands is the layout's business.
  setFixedSize(bitmap.width() + 8, bitmap.height() + 8);
}

QPixmap CK7QBldBitmapButton::Bitmap() {
  QPixmap pixmap(20, 16);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  QPainterPath palette;
  palette.addEllipse(QRectF(0.5, 1.5, 16, 13));
  QPainterPath thumb;
  thumb.addEllipse(QRectF(9.5, 8.5, 4, 4));
  p.setPen(QPen(QColor(0x60, 0x48, 0x30), 1));
  p.setBrush(QColor(0xe8, 0xd0, 0xa8));
  p.drawPath(palette.subtracted(thumb));
  const QColor dots[] = {Qt::red, QColor(0xf0, 0xc0, 0x00), QColor(0x20, 0xa0, 0x20), Qt::blue};
  const QPointF at[] = {{4.5, 6}, {7.5, 4}, {11, 4.5}, {4.5, 10}};
  p.setPen(Qt::NoPen);
  for (int i = 0; i < 4; ++i) {
    p.setBrush(dots[i]);
    p.drawEllipse(at[i], 1.6, 1.6);
  }
  p.setPen(QPen(QColor(0x50, 0x30, 0x10), 2, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(18.5, 1.5), QPointF(13.5, 8));
  return pixmap;
}
