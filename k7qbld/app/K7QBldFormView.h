#pragma once

#include <QPointer>
#include <QWidget>

struct CK7QBldContext;
class CK7QBldDBSheet;
class CMainFrame;
class QBoxLayout;
class QLabel;
class QSplitter;
class QTreeWidget;
class QTreeWidgetItem;

// The builder's single view (form template 131): the object tree (1001) of
// the macro's parts on one side, the panel of the selected part over the
// placement area (1131), and beside it, while a profile is open, the
// database sheet from which the author drags database objects into pages.
class CK7QBldFormView : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kIdTree = 1001;
  static constexpr int kIdPlacement = 1131;
  static constexpr int kPanelTopOffset = 6;
  enum Shown { kNone = 0, kPanel = 1 };

  CK7QBldFormView(CK7QBldContext& context, CMainFrame& frame);

  QTreeWidget* Tree() const { return m_tree; }
  // The tree item of an item code, or nullptr.
  QTreeWidgetItem* ItemByCode(int code) const;
  // Selects the item of `code`; with `refresh` its page is shown afresh even when selected.
  void SelectItem(int code, bool refresh = false);
  int SelectedCode() const;
  // The widget in the placement area.
  QWidget* CurrentPanel() const { return m_panel; }
  Shown ShownKind() const { return m_shown; }

  // Makes the database sheet anew (the old one goes before the profile is
  // read again), which reads the profile; 62321 on failure, when the sheet
  // stays empty.
  bool LoadProfile(const QString& path);
  // The database sheet, nullptr before a profile was opened.
  CK7QBldDBSheet* DatabaseSheet() const;
  // Removes the database sheet at once: it points into the profile.
  void DestroyDatabaseSheet();
  // Shows the selected item's page again (after a reset or an open); rows
  // the page held are not stored, as they belong to the macro before.
  void Refresh();
  // Has the shown page store the rows it holds into the macro.
  void StoreCurrentPage();

  // Hides the tree and returns the width taken away; ExpandTree shows it again.
  int CollapseTree();
  void ExpandTree();

 private:
  void FillTree();
  void OnSelectionChanged();
  void ShowPanel(QWidget* panel, Shown kind);
  QWidget* MakePanel(int code);
  QWidget* MakeRootPanel();
  QWidget* MakeLaterPanel(int code);
  void ShowSelected();
  // Back and Next as on the guide pages: through every item of the tree.
  void AddGuideButtons(QWidget* panel, QBoxLayout* layout, bool back);

  CK7QBldContext& m_context;
  CMainFrame& m_frame;
  QTreeWidget* m_tree;
  QWidget* m_placement;
  QSplitter* m_splitter;
  QPointer<QWidget> m_panel;
  QPointer<CK7QBldDBSheet> m_sheet;
  Shown m_shown = kNone;
};
