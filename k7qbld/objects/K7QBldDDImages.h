#pragma once

#include "K7QBldDDPage.h"

// The image page of the page-object sheet (dialog 228, kind 2): the cell
// shows an image of the server's image folder. The object keeps the file
// name alone; the macro gets the folder ("K7Q_IMG_PATH") in front of it.
class CK7QBldDDImages : public CK7QBldDDPage {
  Q_OBJECT

 public:
  static constexpr int kId = 228;
  static constexpr int kIdImagePath = 1365;
  static constexpr int kIdBrowse = 1366;
  static constexpr int kIdPreview = 1367;

  CK7QBldDDImages(CK7QBldContext& context, const CK7QBldMacro& macro, CK7QBldDDData& data,
                  QWidget* parent);

  void OnBrowse();
  CK7QBldPreviewButton* Preview() const { return m_preview; }

 protected:
  bool ReadReplacement(QString& replacement) override;

 private:
  QLineEdit* m_imagePath;
  CK7QBldPreviewButton* m_preview;
};
