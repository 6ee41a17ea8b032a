#include "PlaunchArtwork.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace PlaunchArtwork {

namespace {

void PaintCylinder(QPainter& p, const QRectF& body, const QColor& fill) {
  const qreal cap = body.height() * 0.3;
  QPainterPath side;
  side.moveTo(body.left(), body.top() + cap / 2);
  side.lineTo(body.left(), body.bottom() - cap / 2);
  side.arcTo(QRectF(body.left(), body.bottom() - cap, body.width(), cap), 180, 180);
  side.lineTo(body.right(), body.top() + cap / 2);
  p.setBrush(fill);
  p.drawPath(side);
  p.setBrush(fill.lighter(125));
  p.drawEllipse(QRectF(body.left(), body.top(), body.width(), cap));
}

}  // namespace

void PaintIcon(QPainter& p, const QRectF& box) {
  const qreal w = box.width();
  const qreal h = box.height();
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(0x2b, 0x3a, 0x55), w * 0.03));
  PaintCylinder(p, QRectF(box.left() + w * 0.06, box.top() + h * 0.12, w * 0.52, h * 0.76),
                QColor(0x4f, 0x8c, 0xd8));
  QPolygonF arrow;
  for (const auto& [x, y] : {std::pair{0.50, 0.42},
                             {0.70, 0.42},
                             {0.70, 0.28},
                             {0.95, 0.52},
                             {0.70, 0.76},
                             {0.70, 0.62},
                             {0.50, 0.62}})
    arrow << QPointF(box.left() + w * x, box.top() + h * y);
  p.setBrush(QColor(0xf0, 0x9a, 0x29));
  p.drawPolygon(arrow);
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

QPixmap Picture(qreal devicePixelRatio) {
  const QSize logical(96, 160);
  QPixmap pixmap(logical * devicePixelRatio);
  pixmap.setDevicePixelRatio(devicePixelRatio);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient g(0, 0, 0, logical.height());
  g.setColorAt(0, QColor(0x1d, 0x3b, 0x6e));
  g.setColorAt(1, QColor(0x4f, 0x8c, 0xd8));
  p.fillRect(QRectF(QPointF(0, 0), QSizeF(logical)), g);
  p.setPen(QPen(Qt::white, 2));
  for (int i = 0; i < 3; ++i) {
    const QRectF body(23, 28 + i * 34, 50, 28);
    p.setBrush(Qt::NoBrush);
    p.drawRect(body.adjusted(0, 5, 0, -5));
    p.setBrush(QColor(0x2c, 0x5a, 0x9c));
    p.drawEllipse(QRectF(body.left(), body.top(), body.width(), 10));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(body.left(), body.bottom() - 10, body.width(), 10), 180 * 16, 180 * 16);
  }
  QFont font(QStringLiteral("Sans"));
  font.setPixelSize(12);
  font.setBold(true);
  p.setFont(font);
  p.drawText(QRectF(0, 134, logical.width(), 20), Qt::AlignCenter, QStringLiteral("PROFILE"));
  return pixmap;
}

}  // namespace PlaunchArtwork
