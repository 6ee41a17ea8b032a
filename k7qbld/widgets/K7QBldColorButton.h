#pragma once

// Folder k7qbld/widgets: controls shared by the pages of several blocks.

#include <QPushButton>
#include <cstdint>
#include <functional>

// An owner-drawn button that shows and holds one colour: a framed swatch
// with a shadow. The colour is kept as the system colour value
// (0x00BBGGRR); pages read and write it in the "#RRGGBB" form of HTML.
// With picking on, a click lets the author choose another colour.
class CK7QBldColorButton : public QPushButton {
  Q_OBJECT

 public:
  explicit CK7QBldColorButton(QWidget* parent = nullptr);

  std::uint32_t Color() const { return m_color; }
  void SetColor(std::uint32_t systemColor);
  // "#RRGGBB" of the colour; SetHtmlColor takes that form (leading "#"
  // optional, hexadecimal either case) and is false for anything else.
  QString HtmlColor() const;
  bool SetHtmlColor(const QString& text);

  // A click opens the colour dialog and takes the colour chosen there.
  void SetPickOnClick(bool pick) { m_pick = pick; }
  // What a click asks (tests answer it): the chosen colour, or an invalid one.
  std::function<QColor(const QColor& current)> m_chooser;

 signals:
  void ColorChanged(std::uint32_t systemColor);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void OnClicked();

  std::uint32_t m_color = 0;
  bool m_pick = false;
};
