#pragma once

#include <QString>
#include <QStringList>
#include <memory>

#include "K7QBldEditMainFrm.h"

// What the command line asks for: the file to open and the window title.
struct SK7QEditCommandLine {
  QString fileName;
  QString title;
};

// The editor application: reads the command line, opens the file and puts
// up the frame.
class CK7QBldEditorApp {
 public:
  CK7QBldEditorApp();
  ~CK7QBldEditorApp();

  // `arguments` without the program name. A flag ("-x") sets the title mode
  // when it is "-t" and clears it otherwise; a plain argument in title mode
  // becomes the title (the last one wins); the first plain argument of all is
  // the file to open.
  static SK7QEditCommandLine ParseCommandLine(const QStringList& arguments);

  // Opens the named file, or an empty document when none is named. False when
  // the file can neither be found nor created: the program then ends.
  bool InitInstance(const QStringList& arguments, K7QEditPrompt prompt = {});
  CMainFrame* MainFrame() const { return m_frame.get(); }

  static int Run(int argc, char** argv);

 private:
  std::unique_ptr<CMainFrame> m_frame;
};
