#include "K7QBldArtwork.h"

#include <QFont>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace K7QBldArtwork {

namespace {

// A stack of three cylinders (a database) with a page in front of it.
void PaintEmblem(QPainter& p, const QRectF& box) {
  const qreal w = box.width();
  const qreal h = box.height();
  p.setPen(QPen(QColor(0x2b, 0x3a, 0x55), w * 0.02));
  for (int i = 2; i >= 0; --i) {
    const QRectF body(box.left() + w * 0.05, box.top() + h * (0.18 + i * 0.2), w * 0.55, h * 0.22);
    p.setBrush(QColor(0x4f, 0x7c, 0xc2).lighter(100 + i * 15));
    p.drawRect(body.adjusted(0, body.height() / 2, 0, 0));
    p.drawEllipse(
        QRectF(body.left(), body.top() + body.height() / 4, body.width(), body.height() / 2));
    p.drawEllipse(
        QRectF(body.left(), body.bottom() - body.height() / 4, body.width(), body.height() / 2));
  }
  const QRectF page(box.left() + w * 0.45, box.top() + h * 0.35, w * 0.5, h * 0.6);
  p.setBrush(Qt::white);
  p.drawRect(page);
  p.setPen(QPen(QColor(0x80, 0x00, 0x80), w * 0.025));
  for (int i = 1; i <= 4; ++i) {
    const qreal y = page.top() + page.height() * i / 5.5;
    p.drawLine(QPointF(page.left() + page.width() * 0.12, y),
               QPointF(page.right() - page.width() * (i % 2 ? 0.12 : 0.35), y));
  }
}

// A pixmap of `width` x `height` logical pixels at the highest pixel ratio
// of the screens, painted in logical coordinates.
QPixmap ScreenPixmap(int width, int height) {
  const qreal ratio = qGuiApp ? qGuiApp->devicePixelRatio() : 1.0;
  QPixmap pixmap(QSize(width, height) * ratio);
  pixmap.setDevicePixelRatio(ratio);
  return pixmap;
}

// An icon with a picture for each size a desktop asks for.
template <typename Paint>
QIcon SizedIcon(Paint paint, std::initializer_list<int> sizes) {
  QIcon icon;
  for (int size : sizes) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    // Painted in 16-pixel coordinates, scaled up.
    p.scale(size / 16.0, size / 16.0);
    paint(p);
    p.end();
    icon.addPixmap(pixmap);
  }
  return icon;
}

}  // namespace

void PaintIcon(QPainter& p, const QRectF& box) {
  p.setRenderHint(QPainter::Antialiasing);
  PaintEmblem(
      p, QRectF(box.left() + box.width() / 32, box.top(), box.width() * 15 / 16, box.height()));
}

QPixmap Splash() {
  QPixmap pixmap = ScreenPixmap(420, 240);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient g(0, 0, 0, 240);
  g.setColorAt(0, QColor(0xf4, 0xf7, 0xfc));
  g.setColorAt(1, QColor(0xc9, 0xd8, 0xf0));
  p.fillRect(QRectF(0, 0, 420, 240), g);
  PaintEmblem(p, QRectF(24, 40, 150, 160));
  p.setPen(QColor(0x1d, 0x2b, 0x45));
  QFont title(QStringLiteral("Sans"), 30, QFont::Bold);
  p.setFont(title);
  p.drawText(QRectF(190, 70, 220, 50), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("K7QBld"));
  QFont sub(QStringLiteral("Sans"), 11);
  p.setFont(sub);
  p.drawText(QRectF(190, 132, 220, 60), Qt::AlignLeft | Qt::TextWordWrap,
             QStringLiteral("Database pages, built by hand and by query"));
  p.setPen(QPen(QColor(0x4f, 0x7c, 0xc2), 3));
  p.drawLine(190, 122, 400, 122);
  return pixmap;
}

QPixmap Banner(int width, int height) {
  QPixmap pixmap = ScreenPixmap(width, height);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient g(0, 0, 0, height);
  g.setColorAt(0, QColor(0x4f, 0x7c, 0xc2));
  g.setColorAt(1, QColor(0x1d, 0x2b, 0x45));
  p.fillRect(QRectF(0, 0, width, height), g);
  PaintEmblem(p, QRectF(width * 0.1, height * 0.05, width * 0.8, width * 0.8));
  return pixmap;
}

QIcon ApplicationIcon() {
  return SizedIcon([](QPainter& p) { PaintIcon(p, QRectF(0, 0, 16, 16)); },
                   {16, 24, 32, 48, 64, 128, 256});
}

QIcon TreeIcon(TreeImage image) {
  // 16 pixels, and 32 for a screen scaled by 2.
  return SizedIcon([image](QPainter& p) { PaintTreeImage(p, image); }, {16, 32});
}

void PaintTreeImage(QPainter& p, TreeImage image) {
  const QColor ink(0x2b, 0x3a, 0x55);
  p.setPen(QPen(ink, 1));
  switch (image) {
    case kImageMacro:
      PaintEmblem(p, QRectF(0, 0, 16, 16));
      break;
    case kImageGuide:  // a signpost
      p.setBrush(QColor(0xf0, 0xb4, 0x29));
      p.drawPolygon(QPolygonF(
          {QPointF(2, 3), QPointF(11, 3), QPointF(14, 6), QPointF(11, 9), QPointF(2, 9)}));
      p.drawLine(QPointF(5, 9), QPointF(5, 15));
      break;
    case kImageFolder:
      p.setBrush(QColor(0xe8, 0xc5, 0x6a));
      p.drawRect(QRectF(1.5, 4.5, 13, 9));
      p.drawRect(QRectF(1.5, 2.5, 5, 2));
      break;
    case kImageVariable:  // "$"
      p.setFont(QFont(QStringLiteral("Sans"), 10, QFont::Bold));
      p.setPen(QColor(0x1f, 0x7a, 0x3a));
      p.drawText(QRectF(0, 0, 16, 16), Qt::AlignCenter, QStringLiteral("$"));
      break;
    case kImageMessage:  // a speech balloon
      p.setBrush(QColor(0xff, 0xff, 0xe0));
      p.drawRoundedRect(QRectF(1.5, 2.5, 13, 8), 2, 2);
      p.drawLine(QPointF(4, 10.5), QPointF(3, 14));
      break;
    case kImagePage:
      p.setBrush(Qt::white);
      p.drawRect(QRectF(3.5, 1.5, 9, 13));
      p.setPen(QColor(0x80, 0x00, 0x80));
      for (int y = 4; y <= 11; y += 3) p.drawLine(5, y, 11, y);
      break;
    case kImageCampaign:  // a calendar
      p.setBrush(Qt::white);
      p.drawRect(QRectF(1.5, 3.5, 13, 11));
      p.fillRect(QRectF(2, 4, 12, 3), QColor(0xc2, 0x3b, 0x3b));
      break;
    case kImageObject:  // a table cell
      p.setBrush(QColor(0xcf, 0xe0, 0xf8));
      p.drawRect(QRectF(1.5, 3.5, 13, 9));
      p.drawLine(QPointF(8, 3.5), QPointF(8, 12.5));
      p.drawLine(QPointF(1.5, 8), QPointF(14.5, 8));
      break;
    case kImageFunction:  // "f"
      p.setFont(QFont(QStringLiteral("Serif"), 11, QFont::Bold, true));
      p.setPen(QColor(0x4f, 0x7c, 0xc2));
      p.drawText(QRectF(0, 0, 16, 16), Qt::AlignCenter, QStringLiteral("f"));
      break;
    case kImageFinish:  // a check mark
      p.setPen(QPen(QColor(0x1f, 0x7a, 0x3a), 2.5));
      p.drawPolyline(QPolygonF({QPointF(2, 8), QPointF(6, 13), QPointF(14, 3)}));
      break;
  }
}

}  // namespace K7QBldArtwork
