#pragma once

#include <QDialog>
#include <cstdint>
#include <functional>

struct CK7QBldContext;
class CK7QBldDDBackground;
class CK7QBldDDData;
class CK7QBldDDImages;
class CK7QBldDDStrings;
class CK7QBldDDPage;
class IK7QBldFrame;
class QPushButton;
class QTabWidget;

// The page-object sheet (modal, caption 62186): the list page and the three
// definition pages, with its own row of buttons. Previous, Next and the
// default button apply the list to the macro, close the sheet and move
// through the object tree; Cancel discards everything done in it.
class CK7QBldDynamicData : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kIdPrevious = 1159;
  static constexpr int kIdNext = 1158;
  static constexpr int kIdCancel = 2;
  static constexpr int kIdDefault = 1;

  CK7QBldDynamicData(CK7QBldContext& context, IK7QBldFrame& frame, QWidget* parent);

  CK7QBldDDData* DataPage() const { return m_data; }
  CK7QBldDDBackground* BackgroundPage() const { return m_background; }
  CK7QBldDDStrings* StringsPage() const { return m_strings; }
  CK7QBldDDImages* ImagesPage() const { return m_images; }
  QTabWidget* Tabs() const { return m_tabs; }

  // The buttons' commands.
  void OnPrevious() { Finish(-1); }
  void OnNext() { Finish(1); }
  void OnDefault() { Finish(1); }
  void OnCancel() { done(2); }

  // Opens the sheet over `parent` and waits for it; tests replace the wait.
  static int Run(CK7QBldContext& context, IK7QBldFrame& frame, QWidget* parent);
  static std::function<int(CK7QBldDynamicData&)> s_exec;

  // What the object tree shows for the page objects: their count and a
  // button that opens the sheet, which also opens at once.
  static QWidget* MakeTreePanel(CK7QBldContext& context, IK7QBldFrame& frame, QWidget* parent);

 private:
  void OnPageShown(int index);
  // Applies the list page, closes, moves `step` items through the tree and
  // marks the document when a page changed anything.
  void Finish(int step);
  bool AnyModified() const;

  CK7QBldContext& m_context;
  IK7QBldFrame& m_frame;
  std::uint32_t m_color;
  QTabWidget* m_tabs;
  CK7QBldDDData* m_data;
  CK7QBldDDBackground* m_background;
  CK7QBldDDStrings* m_strings;
  CK7QBldDDImages* m_images;
  QPushButton* m_previous;
  QPushButton* m_next;
};
