#pragma once

#include <cstdint>

#include "K7QBldDDPage.h"

class CK7QBldBitmapButton;
class CK7QBldColorButton;
class QRadioButton;

// The background page of the page-object sheet (dialog 226, kind 0): the
// cell's background becomes a colour, chosen in the system colour dialog or
// typed as "#RRGGBB", or an image. The colour is the main frame's, kept
// between openings of the sheet.
class CK7QBldDDBackground : public CK7QBldDDPage {
  Q_OBJECT

 public:
  static constexpr int kId = 226;
  static constexpr int kIdUseColor = 1360;
  static constexpr int kIdUseImage = 1361;
  static constexpr int kIdSwatch = 1362;
  static constexpr int kIdColorButton = 1363;
  static constexpr int kIdColor = 1364;
  static constexpr int kIdImagePath = 1365;
  static constexpr int kIdBrowse = 1366;
  static constexpr int kIdPreview = 1367;

  // `color` is the kept colour (0xRRGGBB), updated as the author picks or types.
  CK7QBldDDBackground(CK7QBldContext& context, const CK7QBldMacro& macro, CK7QBldDDData& data,
                      std::uint32_t& color, QWidget* parent);

  // What losing the focus does to the colour text: a valid "#RRGGBB" (after
  // trimming, any case) becomes the colour, anything else makes it white
  // and marks the text invalid. True when valid.
  bool OnColorEdited();
  void OnBrowse();
  void OnImagePathEdited();
  // "#RRGGBB" of a colour text; false when it is none.
  static bool ParseColor(const QString& text, std::uint32_t& rgb);
  CK7QBldColorButton* Swatch() const { return m_swatch; }
  CK7QBldPreviewButton* Preview() const { return m_preview; }

 protected:
  bool ReadReplacement(QString& replacement) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void UseImage(bool image);
  void SetColor(std::uint32_t rgb);

  std::uint32_t& m_color;
  bool m_colorValid = true;
  bool m_settingColor = false;
  QRadioButton* m_useColor;
  QRadioButton* m_useImage;
  CK7QBldColorButton* m_swatch;
  CK7QBldBitmapButton* m_colorButton;
  QLineEdit* m_colorEdit;
  QLineEdit* m_imagePath;
  QPushButton* m_browseButton;
  CK7QBldPreviewButton* m_preview;
};
