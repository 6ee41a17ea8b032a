#pragma once

#include <QDialog>
#include <functional>
#include <string>

#include "K7QBldDBLibraryPage.h"
#include "K7QBldFunctionLibrary.h"

class QListWidget;
class QTreeWidget;
class QTreeWidgetItem;

// Page 147 of the database sheet: the built-in functions of seven library
// files, one per category. A function is dragged into the page as its call
// with the argument values the author entered for it; the values are kept
// per library in the macro's argument stores for as long as the window.
class CK7QBldDBFunction : public CK7QBldDBLibraryPage {
  Q_OBJECT

 public:
  static constexpr int kIdCategories = 1463;
  static constexpr int kIdList = 1464;
  static constexpr int kCategoryCount = 7;
  // The images of the function list.
  enum Image { kImageValues = 0, kImageNoValues = 1 };

  CK7QBldDBFunction(CK7QBldContext& context, IK7QBldFrame& frame, QWidget* parent = nullptr);

  const std::string& Fragment() const { return m_fragment; }
  QListWidget* Categories() const { return m_categories; }
  QTreeWidget* List() const { return m_list; }
  int Category() const { return m_category; }
  // The selected function as last loaded.
  const CK7QBldLibraryFunction& Details() const { return m_details; }
  // The image item `row` shows (kImageValues or kImageNoValues), -1 for none.
  int ItemImage(int row) const;

  // Chooses category `index` (0 to 6): its list is read afresh and its first
  // function selected. The number of functions, kMissing or kFailed.
  int ChooseCategory(int index);
  // Double-click: the argument dialog on the selected function.
  void EditArguments();
  // Runs the argument dialog; tests replace it. Returns whether it was accepted.
  std::function<bool(QDialog& dialog)> m_runDialog;

  bool DragStarting(QWidget* control, int id) override;

 protected:
  void OnSetActive(bool first) override;

 private:
  void OnSelectionChanged();
  // Loads the details of the current function; false when there is none.
  bool LoadDetails();
  // Runs the dialog on the details; on OK stores the values. Whether it was accepted.
  bool RunArgumentDialog();
  unsigned CurrentIdentity() const;
  void UpdateImage(QTreeWidgetItem* item);
  std::string CategoryPath() const;

  QListWidget* m_categories;
  QTreeWidget* m_list;
  std::string m_fragment;
  CK7QBldLibraryFunction m_details;
  int m_category = 0;
};
