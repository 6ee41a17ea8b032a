#pragma once

#include <QString>
#include <QWidget>
#include <cstddef>
#include <vector>

#include "K7QBldDragSource.h"

class IK7QBldFrame;
class QLabel;
class QListWidget;
class QVBoxLayout;
struct CK7QBldContext;

// What the statement, variable and function pages of the database sheet
// share: they read library files named by the settings, show a one-line
// description in the main window's status bar, say how many lines of a
// file they had to pass over, and hear from the sheet when the author
// turns to them and away.
class CK7QBldDBLibraryPage : public QWidget, public IK7QBldDragPage {
  Q_OBJECT

 public:
  static constexpr int kIdSkipped = 1465;

  CK7QBldDBLibraryPage(CK7QBldContext& context, IK7QBldFrame& frame, QWidget* parent);

  // The sheet turned to this page / away from it.
  void SetActive();
  void KillActive();

  // What the page last put into the status bar.
  const QString& StatusText() const { return m_status; }
  bool DragStarting(QWidget* control, int id) override;

 protected:
  // Every activation; `first` for the first one, which initialises the
  // page (a missing library is reported then, and only then).
  virtual void OnSetActive(bool first) = 0;
  // Load results besides a line count: the file is missing; it could not be
  // read (reported already).
  static constexpr int kMissing = -1;
  static constexpr int kFailed = -2;

  // The path of the library file under `key` of the FilePath settings.
  static std::string LibraryPath(const char* key);
  void ShowStatus(const QString& text);
  // Lines of the file read last that had to be passed over (0 hides the note).
  void ShowSkipped(int skipped);
  QVBoxLayout* Layout() const { return m_layout; }
  // The labelled list of the page's categories (control `id`), added to its
  // layout; each item holds its index (Qt::UserRole) and is named by the
  // string `labels[i]`.
  QListWidget* AddCategoryList(int id, const std::vector<unsigned>& labels);
  template <typename Category, std::size_t N>
  QListWidget* AddCategoryList(int id, const Category (&categories)[N]) {
    std::vector<unsigned> labels;
    for (const Category& category : categories) labels.push_back(category.label);
    return AddCategoryList(id, labels);
  }
  // The layout's last row: the note about skipped lines.
  void AddSkippedNote();

  // The variable and statement pages' lists. Both throw a file error, which
  // the page reports under its own name.
  // Fills `list` with the entries of the library at `path` (item data: the
  // entry's line); the number of lines read, -1 when the file is missing.
  // What was read before a file error stays listed.
  int FillEntries(QListWidget* list, const std::string& path);
  // Reads the entry of the list's current item again: its text becomes the
  // fragment and its description the status text (both empty when the file
  // no longer holds it).
  void ShowEntry(QListWidget* list, const std::string& path, std::string& fragment);

  CK7QBldContext& m_context;
  IK7QBldFrame& m_frame;

 private:
  QVBoxLayout* m_layout;
  QLabel* m_skipped = nullptr;
  QString m_status;
  bool m_initialised = false;
};
