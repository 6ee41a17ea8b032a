#pragma once

#include <QString>
#include <QWidget>
#include <functional>

class CK7QBldDBFunction;
class CK7QBldDBLibraryPage;
class CK7QBldDBReptCtrl;
class CK7QBldDBStatement;
class CK7QBldDBTableColumn;
class CK7QBldDBVariable;
class IK7QBldFrame;
class QTabWidget;
struct CK7QBldContext;

// The database sheet beside the page (caption 62242): the pages from which
// the author drags database objects into the page being edited. It exists
// while a profile is open; its pages point into the frame's profile, so it
// must go before the profile is cleared or read again.
class CK7QBldDBSheet : public QWidget {
  Q_OBJECT

 public:
  CK7QBldDBSheet(CK7QBldContext& context, IK7QBldFrame& frame, QWidget* parent = nullptr);

  // Reads the profile at `path` into the frame's profile and fills the
  // pages. When it cannot be read, 62321 is shown and the pages stay empty.
  bool Load(const QString& path);

  // Adds a page after the ones there are; the sheet owns it.
  int AddPage(QWidget* page, const QString& title);
  int PageCount() const;
  QWidget* Page(int index) const;
  void SetCurrentPage(int index);
  QTabWidget* Tabs() const { return m_tabs; }

  CK7QBldDBTableColumn* ColumnPage() const { return m_columns; }
  CK7QBldDBReptCtrl* RepeatPage() const { return m_repeat; }
  CK7QBldDBStatement* StatementPage() const { return m_statements; }
  CK7QBldDBVariable* VariablePage() const { return m_variables; }
  CK7QBldDBFunction* FunctionPage() const { return m_functions; }

  // Each page as the author sees it, handed to `save` with a name.
  bool TakeScreenshots(const std::function<bool(QWidget*, const QString&)>& save);

 private:
  CK7QBldContext& m_context;
  IK7QBldFrame& m_frame;
  QTabWidget* m_tabs;
  CK7QBldDBTableColumn* m_columns;
  CK7QBldDBReptCtrl* m_repeat = nullptr;
  CK7QBldDBStatement* m_statements;
  CK7QBldDBVariable* m_variables;
  CK7QBldDBFunction* m_functions;
  // The library page the author is on, told when the author leaves it.
  CK7QBldDBLibraryPage* m_activeLibrary = nullptr;
};
