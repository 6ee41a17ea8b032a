#pragma once

#include <QDialog>
#include <functional>

struct CK7QBldContext;
class CK7QBldMacro;
class CK7QBldSelect;
class CK7QBldSQL;

// The statement sheet: a modal sheet with one page, the SELECT builder, on
// a function's statement (owned by the caller). OK, next (1158) and
// previous (1159) store the page's statement into it; Cancel leaves it as
// it was. After next or previous the object tree moves on.
class CK7QBldCustomSheet : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kIdOk = 1;
  static constexpr int kIdCancel = 2;
  static constexpr int kIdNext = 1158;
  static constexpr int kIdPrevious = 1159;

  CK7QBldCustomSheet(CK7QBldContext& context, const CK7QBldMacro& macro, unsigned title,
                     int reportKind, CK7QBldSQL& statement, QWidget* parent);

  // Runs the sheet; the command that ended it. A changed statement marks
  // the document modified; `m_onStored` hears of it before the tree moves.
  int DoModal();
  // What the buttons do; false when the page's statement cannot be stored yet.
  bool OnCommand(int id);

  CK7QBldSelect* Page() const { return m_page; }
  int EndCommand() const { return m_end; }
  // Whether storing changed the statement.
  bool Changed() const { return m_changed; }

  // Called after the statement was stored (with whether it changed), before the tree moves.
  std::function<void(bool changed)> m_onStored;

 private:
  CK7QBldContext& m_context;
  CK7QBldSQL& m_statement;
  CK7QBldSelect* m_page;
  int m_end = kIdCancel;
  bool m_changed = false;
};
