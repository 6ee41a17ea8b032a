#pragma once

// Folder k7qbld/app: the application shell (application, document, main frame, form view, settings,
// splash, artwork).

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <ctime>
#include <functional>
#include <memory>

#include "K7QBldContext.h"
#include "K7QBldGroceries.h"
#include "K7QBldGroceriesUi.h"
#include "K7QBldLanguage.h"
#include "K7QBldSettings.h"
#include "K7QBldSplash.h"

class CMainFrame;
class CK7QBldGuiUi;

class CK7QBldLock;
class QTimer;

// What the builder's command line asks for.
struct CK7QBldCommandLine {
  QString macro;          // a macro file to open
  QString profile;        // --profile PROFILE, or a file named *.k7q_pro: a profile to open first
  QString screenshotDir;  // --screenshots DIR SUFFIX: write PNGs of the windows and end
  QString screenshotSuffix;
  bool valid = true;
  QString error;

  static CK7QBldCommandLine Parse(const QStringList& arguments);  // without the program name
  // The profile a macro opened from the desktop goes with: the one profile
  // in the macro's folder (where the builder keeps a macro's working files),
  // or "" when there is none or more than one.
  static QString ProfileBeside(const QString& macro);
};

// The application object: start-up in order (language library, single
// instance, settings, command line, main window, splash), the About box and
// the exit. It owns the language library and the one utility object.
class CK7QBldApp : public QObject {
  Q_OBJECT

 public:
  struct Options {
    std::string languageLibrary = "K7QBld_lang.so";
    std::string programFolder;  // where the language library is looked for first
    QString lockFolder;  // where the single-instance lock lives (default: in the user's home)
    // Tests give their own; otherwise message boxes owned by the main window.
    IK7QBldUserInterface* ui = nullptr;
    // Shows a fixed text when there is no language library yet.
    std::function<void(const QString&)> fixedText;
    unsigned showCmd = K7QBldSettings::kShowNormal;
    bool splash = true;
  };

  explicit CK7QBldApp(Options options);
  ~CK7QBldApp() override;

  // The start-up sequence; false when the program must end.
  bool InitInstance(const QStringList& arguments);
  // Frees the language library; returns the exit code.
  int ExitInstance();

  static CK7QBldApp* Instance();

  CK7QBldLanguage& Language() { return m_language; }
  CK7QBldGroceries& Groceries() { return *m_groceries; }
  CK7QBldGroceriesUi& GroceriesUi() { return m_groceriesUi; }
  IK7QBldUserInterface& Ui() { return *m_ui; }
  CMainFrame* MainFrame() const { return m_mainFrame.get(); }
  CK7QBldContext& Context() { return *m_context; }
  CK7QBldSplash* Splash() const { return m_splash; }
  const CK7QBldCommandLine& CommandLine() const { return m_commandLine; }

  void OnAppAbout();
  void CloseSplash();
  // Writes PNGs of the builder's windows into `folder`, named NAME-suffix.png.
  bool TakeScreenshots(const QString& folder, const QString& suffix);

  // The whole program: QApplication, start-up, message loop, exit.
  static int Run(int argc, char** argv);
  // Loads Qt's own translations for the program's language, so that Qt's
  // dialogs and standard buttons speak it too. False when none was found.
  static bool InstallQtTranslations(bool japanese);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void OnSplashTimer();
  // A start-up failure: on standard error, and in a message box (`box`)
  // unless the step that failed has shown its own.
  void ReportStartFailure(unsigned id, const QString& detail, bool box);

  Options m_options;
  CK7QBldLanguage m_language;
  CK7QBldGroceriesUi m_groceriesUi;
  std::unique_ptr<CK7QBldGuiUi> m_guiUi;
  IK7QBldUserInterface* m_ui = nullptr;
  std::unique_ptr<CK7QBldGroceries> m_groceries;
  std::unique_ptr<CK7QBldContext> m_context;
  std::unique_ptr<CK7QBldLock> m_instanceLock;
  std::unique_ptr<CMainFrame> m_mainFrame;
  QPointer<CK7QBldSplash> m_splash;
  QTimer* m_splashTimer = nullptr;
  std::time_t m_splashStart = 0;
  CK7QBldCommandLine m_commandLine;
};
