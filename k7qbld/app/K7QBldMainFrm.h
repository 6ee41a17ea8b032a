#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "K7QBldFrame.h"
#include "K7QBldMacro.h"
#include "K7QBldSettings.h"

class CK7QBldCheck;
class CK7QBldDoc;
class CK7QBldEditorProcess;
class CK7QBldFormView;
class CK7QBldPreview;
class QAction;
struct CK7QBldContext;

// The builder's top-level window. It owns the macro's parts for the life of
// the window, the document and the form view; it starts the page editor and
// the macro text editor (detached: they outlive the builder) and polls them
// every 500 ms; when the page editor ends it converts the page back, and when
// the macro text editor saved the macro the document reads it again. Its
// placement is restored from "WindowPos" at start and written back at close.
class CMainFrame : public QMainWindow, public IK7QBldFrame {
  Q_OBJECT

 public:
  static constexpr int kPageEditorTimer = 2;
  static constexpr int kMacroEditorTimer = 3;
  static constexpr int kPollMs = 500;

  explicit CMainFrame(CK7QBldContext& context, QWidget* parent = nullptr);
  ~CMainFrame() override;

  CK7QBldMacro& Macro() override { return m_macro; }
  CK7QBldDoc& Document() { return *m_document; }
  CK7QBldFormView& FormView() { return *m_formView; }
  CK7QBldContext& Context() { return m_context; }
  CK7QBldPreview& Preview() { return *m_preview; }
  CK7QBldCheck& Check() { return *m_check; }

  // Applies the stored placement when it is valid, moved onto the visible
  // screen; a show command other than normal requested by the caller
  // replaces the stored one, and a stored minimised window opens normal.
  // Then shows.
  void RestoreAndShow(unsigned callerShowCmd = K7QBldSettings::kShowNormal);
  K7QBldSettings::WindowPlacement CurrentPlacement() const;

  // Starts the page editor on `pagePath` for the tree item `itemCode`.
  bool EditPage(int itemCode, const QString& pagePath) override;
  // Starts the macro text editor on `macroPath` with `title` as its window title.
  bool ViewMacro(const QString& macroPath, const QString& title) override;
  bool ViewPageText(const QString& pagePath, const QString& title) override;
  // Copies the profile's large-object files next to the page.
  bool CopyLargeObjectFiles(const QString& pagePath) override;
  // Hides the tree side of the form view (before the page editor starts) and back.
  void CollapseSidePanel() override;
  void ExpandSidePanel() override;
  bool SidePanelCollapsed() const { return m_takenWidth > 0; }

  // Checks both editors; what the two timers do.
  void PollEditors();
  // A page editor was started and its end not handled yet.
  bool PageEditorRunning() const override { return m_pageEditor != nullptr; }
  bool MacroEditorRunning() const { return !m_macroEditors.empty(); }
  QString EditedPage() const { return m_editedPage; }
  // Before the macro goes (close, New, Open, Open Profile) or another page
  // editor starts: while a page editor runs, asks (63103) until the author
  // has closed it, whose page is then converted, or chosen to leave it,
  // whose page is then never converted into this or another macro; with
  // `macroGoes` the page file also stays when the macro's files are
  // deleted. False when the author cancelled.
  bool ConfirmPageEditorClosed(bool macroGoes) override;

  // The page editor program of the App Paths entry ("" with the message shown when missing).
  QString PageEditorProgram();
  // The editor-path dialog: lets the author correct the program path. Tests replace it.
  std::function<QString(const QString& current)> m_editorPathDialog;

  // The action of a command identifier (its objectName), or nullptr.
  QAction* Action(int id) const;
  void UpdateCommandStates();
  void UpdateTitle();
  // Marks the document modified (the utility object's SetDocumentModified).
  void SetDocumentModified() override;
  std::string MacroTitle() const override;
  QString DocumentTitle() const override;
  void SaveAs() override;
  std::uint32_t SharedColor() const override { return m_sharedColor; }
  void SetSharedColor(std::uint32_t color) override { m_sharedColor = color & 0xFFFFFF; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void timerEvent(QTimerEvent* event) override;

 private:
  void CreateActions();
  QAction* AddAction(int id, const char* key, const char* fallback, std::function<void()> handler);
  bool ConvertEditedPage();
  // The page editor has ended: the side panel comes back and the page is converted.
  void FinishPageEdit(bool reselect);
  bool PageChangedSince(const QString& path, long long size, long long mtime) const;
  QString AskEditorPath(const QString& current);
  void StopTimer(int& id);

  CK7QBldContext& m_context;
  CK7QBldMacro m_macro;
  CK7QBldDoc* m_document = nullptr;
  CK7QBldFormView* m_formView = nullptr;
  std::unique_ptr<CK7QBldPreview> m_preview;
  std::unique_ptr<CK7QBldCheck> m_check;
  std::map<int, QAction*> m_actions;

  // The page editor and what it is editing.
  std::unique_ptr<CK7QBldEditorProcess> m_pageEditor;
  QString m_editedPage;
  int m_editedItemCode = 0;
  long long m_pageSize = 0;
  long long m_pageTime = 788918400;  // 1995-01-01 00:00:00
  // The macro text editors started, and whether the macro file is still to
  // be checked after one of them ended.
  std::vector<std::unique_ptr<CK7QBldEditorProcess>> m_macroEditors;
  bool m_macroCheckPending = false;
  // Text editors on working pages, with the page's size and time at their start.
  struct PageTextEditor {
    std::unique_ptr<CK7QBldEditorProcess> process;
    QString page;
    long long size = 0;
    long long time = 0;
  };
  std::vector<PageTextEditor> m_pageTextEditors;
  bool m_polling = false;
  int m_pageTimerId = 0;
  int m_macroTimerId = 0;
  int m_takenWidth = 0;
  std::uint32_t m_sharedColor = 0;
};
