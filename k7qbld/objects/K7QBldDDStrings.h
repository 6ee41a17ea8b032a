#pragma once

#include "K7QBldDDPage.h"

// The text page of the page-object sheet (dialog 227, kind 1): the cell
// shows another text. The text is taken as typed, blanks and all.
class CK7QBldDDStrings : public CK7QBldDDPage {
  Q_OBJECT

 public:
  static constexpr int kId = 227;
  static constexpr int kIdText = 1370;

  CK7QBldDDStrings(CK7QBldContext& context, const CK7QBldMacro& macro, CK7QBldDDData& data,
                   QWidget* parent);

 protected:
  bool ReadReplacement(QString& replacement) override;

 private:
  QLineEdit* m_text;
};
