#pragma once

#include <QImage>

#include "K7QBldDragControls.h"

// A drag-source button that shows a picture: scaled to fit inside a sunken
// border by one factor for both axes (small pictures are enlarged), drawn
// from the top-left corner, with the zoom written "x%3.1f" in the
// bottom-right corner. Without a picture it shows its text, if any.
class CK7QBldImagePreview : public CK7QBldDragButton {
  Q_OBJECT

 public:
  explicit CK7QBldImagePreview(QWidget* parent = nullptr, const std::string* fragment = nullptr);

  void SetImage(const QImage& image);
  const QImage& Image() const { return m_image; }
  // A line shown over the top of the preview (a picture that could not be
  // written back), or the whole text without a picture.
  void SetNote(const QString& note);
  const QString& Note() const { return m_note; }
  // The zoom factor at the present size (0 without a picture) and its text.
  double Zoom() const;
  static QString ZoomText(double zoom);

 protected:
  void paintEvent(QPaintEvent* event) override;
  QSize sizeHint() const override { return {160, 160}; }

 private:
  QImage m_image;
  QString m_note;
};
