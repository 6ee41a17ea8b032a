#pragma once

#include <string>

#include "K7QBldDBLibraryPage.h"

class CK7QBldDragList;

// Page 145 of the database sheet: the statements of the library file
// `StatementPath`, each dragged into the page as its text.
class CK7QBldDBStatement : public CK7QBldDBLibraryPage {
  Q_OBJECT

 public:
  static constexpr int kIdList = 1460;

  CK7QBldDBStatement(CK7QBldContext& context, IK7QBldFrame& frame, QWidget* parent = nullptr);

  const std::string& Fragment() const { return m_fragment; }
  CK7QBldDragList* List() const { return m_list; }

 protected:
  void OnSetActive(bool first) override;

 private:
  // The list read afresh: the number of lines, kMissing or kFailed.
  int Load();
  void OnSelectionChanged();

  CK7QBldDragList* m_list;
  std::string m_fragment;
};
