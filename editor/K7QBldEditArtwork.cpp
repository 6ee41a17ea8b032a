#include "K7QBldEditArtwork.h"

#include <QPainter>

namespace K7QBldEditArtwork {

void PaintIcon(QPainter& p, const QRectF& box) {
  const qreal w = box.width();
  const qreal h = box.height();
  p.setRenderHint(QPainter::Antialiasing);
  const QColor ink(0x2b, 0x3a, 0x55);
  p.setPen(QPen(ink, w * 0.03));
  p.setBrush(Qt::white);
  const QRectF page(box.left() + w * 0.14, box.top() + h * 0.08, w * 0.62, h * 0.82);
  p.drawRoundedRect(page, w * 0.04, w * 0.04);
  p.setPen(QPen(QColor(0x4f, 0x7c, 0xc2), h * 0.055, Qt::SolidLine, Qt::RoundCap));
  for (int i = 0; i < 5; ++i) {
    const qreal y = page.top() + page.height() * (0.2 + i * 0.15);
    const qreal right = page.right() - page.width() * (i == 4 ? 0.45 : 0.15);
    p.drawLine(QPointF(page.left() + page.width() * 0.15, y), QPointF(right, y));
  }
  // The pencil, across the lower right corner.
  p.setPen(QPen(ink, w * 0.025));
  p.save();
  p.translate(box.left() + w * 0.62, box.top() + h * 0.72);
  p.rotate(-45);
  p.setBrush(QColor(0xe8, 0x6a, 0x2a));
  p.drawRect(QRectF(-w * 0.05, -h * 0.06, w * 0.42, h * 0.12));
  p.setBrush(QColor(0xf3, 0xd0, 0x9a));
  QPolygonF tip;
  tip << QPointF(-w * 0.05, -h * 0.06) << QPointF(-w * 0.2, 0) << QPointF(-w * 0.05, h * 0.06);
  p.drawPolygon(tip);
  p.restore();
}

QIcon ApplicationIcon() {
  QIcon icon;
  for (int size : {16, 24, 32, 48, 64, 128, 256}) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    PaintIcon(p, QRectF(0, 0, size, size));
    p.end();
    icon.addPixmap(pixmap);
  }
  return icon;
}

}  // namespace K7QBldEditArtwork
