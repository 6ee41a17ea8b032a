#pragma once

#include <QMainWindow>
#include <QMessageBox>
#include <QPointer>
#include <functional>

#include "K7QBldEditView.h"
#include "K7QBldFindDialog.h"

class CK7QBldEditDoc;
class QAction;

// Shows a message box and returns the button pressed; tests replace it.
using K7QEditPrompt = std::function<QMessageBox::StandardButton(
    QMessageBox::Icon icon, const QString& text, QMessageBox::StandardButtons buttons)>;

// The editor's frame window: the edit view and menu 128, no tool bar and no
// status bar. It owns the document and carries out the file commands.
class CMainFrame : public QMainWindow {
  Q_OBJECT

 public:
  // `title` replaces the application name in the caption when not empty.
  explicit CMainFrame(const QString& title = QString(), K7QEditPrompt prompt = {},
                      QWidget* parent = nullptr);
  ~CMainFrame() override;

  CK7QBldEditDoc* Doc() const { return m_doc; }
  CK7QBldEditView* View() const { return m_view; }
  CK7QBldFindDialog* FindDialog() const { return m_findDialog; }
  QAction* Action(const QString& name) const;

  void NewDocument();
  // Opens `path` (created empty when missing); shows why when it fails.
  bool OpenDocumentFile(const QString& path);
  bool SaveDocument();
  bool SaveDocumentAs();
  // Asks whether to save a modified document; false means "stay".
  bool SaveModified();

  // Find next: repeats the last search, or opens the find dialog first.
  void EditFindNext();
  void EditReplaceNext();
  int EditReplaceAll();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void CreateMenus();
  void UpdateFrameTitle();
  void UpdateCommands();
  void ShowFindDialog(bool replace);
  QMessageBox::StandardButton Prompt(QMessageBox::Icon icon, const QString& text,
                                     QMessageBox::StandardButtons buttons = QMessageBox::Ok);

  QString m_title;
  K7QEditPrompt m_prompt;
  CK7QBldEditView* m_view;
  CK7QBldEditDoc* m_doc;
  QPointer<CK7QBldFindDialog> m_findDialog;
  SK7QFindOptions m_lastFind;
};
