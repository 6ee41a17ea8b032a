#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <map>
#include <memory>

#include "K7QBldFrame.h"
#include "K7QBldMacro.h"
#include "K7QBldSettings.h"

class CK7QBldDoc;
class CK7QBldFormView;
class QAction;
class QProcess;
struct CK7QBldContext;

// The builder's top-level window. It owns the macro's parts for the life of
// the window, the document and the form view; it starts the page editor and
// the macro text editor and polls them every 500 ms; when the page editor
// ends it converts the page back. Its placement is restored from
// "WindowPos" at start and written back at close.
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

  // Applies the stored placement when it is valid; a show command other than
  // normal requested by the caller replaces the stored one. Then shows.
  void RestoreAndShow(unsigned callerShowCmd = K7QBldSettings::kShowNormal);
  K7QBldSettings::WindowPlacement CurrentPlacement() const;

  // Starts the page editor on `pagePath` for the tree item `itemCode`.
  bool EditPage(int itemCode, const QString& pagePath) override;
  // Starts the macro text editor on `macroPath` with `title` as its window title.
  bool ViewMacro(const QString& macroPath, const QString& title) override;
  // Copies the profile's large-object files next to the page.
  bool CopyLargeObjectFiles(const QString& pagePath) override;
  // Hides the tree side of the form view (before the page editor starts) and back.
  void CollapseSidePanel() override;
  void ExpandSidePanel() override;
  bool SidePanelCollapsed() const { return m_takenWidth > 0; }

  // Checks both editors; what the two timers do.
  void PollEditors();
  bool PageEditorRunning() const { return m_pageEditor != nullptr; }
  bool MacroEditorRunning() const { return m_macroEditor != nullptr; }

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

 protected:
  void closeEvent(QCloseEvent* event) override;
  void timerEvent(QTimerEvent* event) override;

 private:
  void CreateActions();
  QAction* AddAction(int id, const char* key, const char* fallback, std::function<void()> handler);
  void ConvertEditedPage();
  bool PageChangedSince(const QString& path, long long size, long long mtime) const;
  QString AskEditorPath(const QString& current);

  CK7QBldContext& m_context;
  CK7QBldMacro m_macro;
  CK7QBldDoc* m_document = nullptr;
  CK7QBldFormView* m_formView = nullptr;
  std::map<int, QAction*> m_actions;

  // The page editor and what it is editing.
  std::unique_ptr<QProcess> m_pageEditor;
  QString m_editedPage;
  int m_editedItemCode = 0;
  long long m_pageSize = 0;
  long long m_pageTime = 788918400;  // 1995-01-01 00:00:00
  // The macro text editor and the macro it shows.
  std::unique_ptr<QProcess> m_macroEditor;
  QString m_viewedMacro;
  long long m_macroSize = 0;
  long long m_macroTime = 788918400;
  int m_pageTimerId = 0;
  int m_macroTimerId = 0;
  int m_takenWidth = 0;
};
