#include "K7QBldImagePreview.h"

#include <QPainter>
#include <algorithm>
#include <cstdio>

CK7QBldImagePreview::CK7QBldImagePreview(QWidget* parent, const std::string* fragment)
    : CK7QBldDragButton(QString(), parent, fragment) {
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void CK7QBldImagePreview::SetImage(const QImage& image) {
  m_image = image;
  update();
}

void CK7QBldImagePreview::SetNote(const QString& note) {
  m_note = note;
  update();
}

double CK7QBldImagePreview::Zoom() const {
  const QRect inner = rect().adjusted(1, 1, -1, -1);
  if (m_image.isNull() || inner.width() <= 0 || inner.height() <= 0) return 0;
  const double factor =
      std::max(double(m_image.width()) / inner.width(), double(m_image.height()) / inner.height());
  return factor > 0 ? 1.0 / factor : 0;
}

QString CK7QBldImagePreview::ZoomText(double zoom) { return QString::asprintf("x%3.1f", zoom); }

void CK7QBldImagePreview::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QRect inner = rect().adjusted(1, 1, -1, -1);
  painter.fillRect(rect(), palette().window());
  const double zoom = Zoom();
  if (zoom > 0) {
    const QSizeF size(m_image.width() * zoom, m_image.height() * zoom);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, zoom < 1);
    painter.drawImage(QRectF(inner.topLeft(), size), m_image);
    const QString text = ZoomText(zoom);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(inner.adjusted(2, 2, -3, -2),
                     Qt::AlignRight | Qt::AlignBottom | Qt::TextSingleLine, text);
  }
  if (!m_note.isEmpty()) {
    const QRect noteRect = inner.adjusted(4, 4, -4, -4);
    const int flags = zoom > 0 ? Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap
                               : Qt::AlignCenter | Qt::TextWordWrap;
    if (zoom > 0) {
      const QRect box = painter.boundingRect(noteRect, flags, m_note).adjusted(-2, -2, 2, 2);
      painter.fillRect(box, palette().base());
    }
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(noteRect, flags, m_note);
  }
  // The sunken border: shadow on the top and left, highlight on the bottom and right.
  const QRect r = rect().adjusted(0, 0, -1, -1);
  painter.setPen(palette().color(QPalette::Dark));
  painter.drawLine(r.topLeft(), r.topRight());
  painter.drawLine(r.topLeft(), r.bottomLeft());
  painter.setPen(palette().color(QPalette::Light));
  painter.drawLine(r.bottomLeft(), r.bottomRight());
  painter.drawLine(r.topRight(), r.bottomRight());
}
