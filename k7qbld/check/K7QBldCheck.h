#pragma once

#include <QDialog>
#include <QString>
#include <vector>

#include "K7QBldSchemaCheck.h"

class CMainFrame;
class QTreeWidget;
struct CK7QBldContext;

// The list of what a freshly made profile breaks of the open macro: the
// same findings as k7q check, one row each.
class CK7QBldCheckDialog : public QDialog {
  Q_OBJECT

 public:
  CK7QBldCheckDialog(CK7QBldContext& context, const QString& profile,
                     const std::vector<K7QCheckFinding>& findings, QWidget* owner);
  QTreeWidget* List() const { return m_list; }

 private:
  QTreeWidget* m_list;
};

// The Check Against Profile command: asks for the new profile, saves the
// macro as it stands to a copy of its own (its lines are those a save
// writes) and checks it against the new profile, with the open profile as
// the one the macro was made with.
class CK7QBldCheck {
 public:
  static constexpr int kIdCheck = 63920;  // the command's identifier

  CK7QBldCheck(CK7QBldContext& context, CMainFrame& frame) : m_context(context), m_frame(frame) {}

  // The findings of the open macro against `freshProfile`; false (reported)
  // when no profile is open, or the new profile or the copy cannot be read.
  bool Run(const QString& freshProfile, std::vector<K7QCheckFinding>& findings);
  // The command: asks for the profile, runs and shows the list.
  void OnCheck();

 private:
  CK7QBldContext& m_context;
  CMainFrame& m_frame;
};
