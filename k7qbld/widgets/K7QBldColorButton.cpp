#include "K7QBldColorButton.h"

#include <QColorDialog>
#include <QPainter>
#include <QRegularExpression>

#include "K7QBldGroceries.h"

namespace {

QColor FromSystem(std::uint32_t bgr) {
  return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                static_cast<int>((bgr >> 16) & 0xFF));
}

}  // namespace

CK7QBldColorButton::CK7QBldColorButton(QWidget* parent) : QPushButton(parent) {
  setMinimumSize(24, 20);
  connect(this, &QPushButton::clicked, this, &CK7QBldColorButton::OnClicked);
}

void CK7QBldColorButton::SetColor(std::uint32_t systemColor) {
  systemColor &= 0xFFFFFF;
  if (systemColor == m_color) return;
  m_color = systemColor;
  update();
  emit ColorChanged(m_color);
}

QString CK7QBldColorButton::HtmlColor() const {
  return QStringLiteral("#%1")
      .arg(CK7QBldGroceries::SwapRedBlue(m_color), 6, 16, QLatin1Char('0'))
      .toUpper();
}

bool CK7QBldColorButton::SetHtmlColor(const QString& text) {
  static const QRegularExpression kForm(QStringLiteral("^#?[0-9A-Fa-f]{6}$"));
  const QString trimmed = text.trimmed();
  if (!kForm.match(trimmed).hasMatch()) return false;
  const std::uint32_t rgb = trimmed.right(6).toUInt(nullptr, 16);
  SetColor(CK7QBldGroceries::SwapRedBlue(rgb));
  return true;
}

void CK7QBldColorButton::paintEvent(QPaintEvent*) {
  // The rectangles are given as left, top, right and bottom edges, the
  // right and bottom ones outside the shape, as the platform draws them.
  const int w = width();
  const int h = height();
  const auto edges = [](int l, int t, int r, int b) { return QRect(l, t, r - l, b - t); };
  QPainter p(this);
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::black);
  p.drawRect(edges(0, 0, w - 4, h - 4));
  p.setBrush(Qt::white);
  p.drawRect(edges(1, 1, w - 5, h - 5));
  p.setBrush(Qt::black);
  p.drawRect(edges(2, 2, w - 6, h - 6));
  p.fillRect(edges(w - 4, 4, w, h), Qt::darkGray);
  p.fillRect(edges(4, h - 4, w, h), Qt::darkGray);
  p.fillRect(edges(3, 3, w - 7, h - 7), FromSystem(m_color));
  if (hasFocus()) {
    p.setPen(QPen(palette().highlight().color(), 1, Qt::DotLine));
    p.setBrush(Qt::NoBrush);
    p.drawRect(edges(1, 1, w - 6, h - 6));
  }
}

void CK7QBldColorButton::OnClicked() {
  if (!m_pick) return;
  const QColor current = FromSystem(m_color);
  const QColor chosen = m_chooser ? m_chooser(current) : QColorDialog::getColor(current, this);
  if (!chosen.isValid()) return;
  SetColor(static_cast<std::uint32_t>(chosen.red()) |
           (static_cast<std::uint32_t>(chosen.green()) << 8) |
           (static_cast<std::uint32_t>(chosen.blue()) << 16));
}
