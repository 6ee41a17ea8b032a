#pragma once

#include <QString>
#include <functional>

class QListWidget;
class QMainWindow;
class QProcess;
class QTreeWidget;
class QWidget;

// The window side of the builder's utility services: starting programs,
// centring windows, moving through the object tree (control 1001 of the main
// window's view), report-style list helpers and the document-modified flag.
class CK7QBldGroceriesUi {
 public:
  // Identifier of the object tree.
  static constexpr const char* kObjectTreeName = "1001";

  void SetMainWindow(QMainWindow* main) { m_main = main; }
  QMainWindow* MainWindow() const { return m_main; }
  // What marks the active document modified; set by the document.
  void SetModifiedHandler(std::function<void()> handler) { m_modified = std::move(handler); }

  // Starts the command line (first token names the program) without waiting.
  // Returns the running process, owned by the caller, or nullptr on failure.
  static QProcess* RunProgram(const QString& commandLine);
  static void CenterWindowOver(QWidget* window, QWidget* reference);

  int SelectNextObject() const;
  int SelectPreviousObject() const;
  static int SelectNextObject(QTreeWidget* tree);
  static int SelectPreviousObject(QTreeWidget* tree);

  static bool AddListBoxString(QListWidget* list, const QString& text);
  static bool FindListItem(QTreeWidget* list, int column, const QString& text);
  static void RenumberListItems(QTreeWidget* list);

  void SetDocumentModified() const {
    if (m_modified) m_modified();
  }

 private:
  QTreeWidget* ObjectTree() const;

  QMainWindow* m_main = nullptr;
  std::function<void()> m_modified;
};
