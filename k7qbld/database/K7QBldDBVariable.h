#pragma once

#include <string>

#include "K7QBldDBLibraryPage.h"

class CK7QBldDragList;
class QListWidget;

// Page 146 of the database sheet: the variables of six library files, one
// per category, each dragged into the page as its reference.
class CK7QBldDBVariable : public CK7QBldDBLibraryPage {
  Q_OBJECT

 public:
  static constexpr int kIdCategories = 1461;
  static constexpr int kIdList = 1462;
  static constexpr int kCategoryCount = 6;

  CK7QBldDBVariable(CK7QBldContext& context, IK7QBldFrame& frame, QWidget* parent = nullptr);

  const std::string& Fragment() const { return m_fragment; }
  QListWidget* Categories() const { return m_categories; }
  CK7QBldDragList* List() const { return m_list; }
  // Chooses category `index` (0 to 5): its list is read afresh and its
  // first entry selected. The number of lines, kMissing or kFailed.
  int ChooseCategory(int index);

 protected:
  void OnSetActive(bool first) override;

 private:
  void OnSelectionChanged();
  std::string CategoryPath() const;

  QListWidget* m_categories;
  CK7QBldDragList* m_list;
  std::string m_fragment;
  int m_category = 0;
};
