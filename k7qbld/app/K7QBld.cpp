#include "K7QBld.h"

#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QTimer>
#include <QTranslator>
#include <cstdio>

#include "K7QBldBlockScreens.h"
#include "K7QBldCheck.h"
#include "K7QBldContext.h"
#include "K7QBldDBSheet.h"
#include "K7QBldDoc.h"
#include "K7QBldDocCore.h"
#include "K7QBldFormView.h"
#include "K7QBldGuiUi.h"
#include "K7QBldLock.h"
#include "K7QBldMainFrm.h"
#include "K7QBldObjectScreens.h"
#include "K7QBldSplash.h"

namespace {

CK7QBldApp* g_app = nullptr;

constexpr unsigned kIdsOleInitFailed = 100;
constexpr unsigned kIdsAlreadyRunning = 62373;
constexpr unsigned kIdsBadCommandLine = 63105;
constexpr unsigned kIdsCommandLineFile = 63106;
constexpr int kSplashTimerMs = 500;
constexpr int kSplashSeconds = 3;

void ShowFixedText(const QString& text) {
  QMessageBox box(QMessageBox::Critical, QStringLiteral("K7QBld"), text, QMessageBox::Ok);
  box.exec();
}

}  // namespace

CK7QBldCommandLine CK7QBldCommandLine::Parse(const QStringList& arguments) {
  CK7QBldCommandLine line;
  for (int i = 0; i < arguments.size(); ++i) {
    const QString& a = arguments[i];
    if (a == QLatin1String("--profile")) {
      if (i + 1 >= arguments.size()) {
        line.valid = false;
        line.error = QStringLiteral("--profile needs a profile file");
        return line;
      }
      line.profile = arguments[++i];
    } else if (a == QLatin1String("--screenshots")) {
      if (i + 1 >= arguments.size()) {
        line.valid = false;
        line.error = QStringLiteral("--screenshots needs a folder");
        return line;
      }
      line.screenshotDir = arguments[++i];
      if (i + 1 < arguments.size() && !arguments[i + 1].startsWith(QLatin1String("--"))) {
        line.screenshotSuffix = arguments[++i];
      }
    } else if (a.endsWith(QLatin1String(".k7q_pro")) && line.profile.isEmpty()) {
      // A profile opened from the desktop (its file type's entry passes the file alone).
      line.profile = a;
    } else if (a.startsWith(QLatin1String("--")) || !line.macro.isEmpty()) {
      line.valid = false;
      line.error = QStringLiteral("unexpected argument: %1").arg(a);
      return line;
    } else {
      line.macro = a;
    }
  }
  return line;
}

QString CK7QBldCommandLine::ProfileBeside(const QString& macro) {
  return K7QFromPath(CK7QBldDocCore::ProfileBeside(K7QToPath(macro)));
}

CK7QBldApp::CK7QBldApp(Options options) : m_options(std::move(options)) {
  g_app = this;
  if (m_options.programFolder.empty()) m_options.programFolder = CK7QBldLanguage::ProgramFolder();
  // One builder per user, whatever runtime folder a shell names: the lock
  // lives in the home folder.
  if (m_options.lockFolder.isEmpty())
    m_options.lockFolder = QDir::homePath() + QStringLiteral("/.local/state/Halvard");
  if (!m_options.fixedText) m_options.fixedText = ShowFixedText;
}

CK7QBldApp::~CK7QBldApp() {
  qApp->removeEventFilter(this);
  delete m_splash.data();
  m_mainFrame.reset();
  if (g_app == this) g_app = nullptr;
}

CK7QBldApp* CK7QBldApp::Instance() { return g_app; }

bool CK7QBldApp::InitInstance(const QStringList& arguments) {
  // 1. The language library, before anything is shown.
  if (!m_language.Load(m_options.languageLibrary, m_options.programFolder)) {
    m_options.fixedText(
        QStringLiteral("Could not load %1").arg(QString::fromStdString(m_options.languageLibrary)));
    return false;
  }
  if (m_options.ui) {
    m_ui = m_options.ui;
  } else {
    m_guiUi = std::make_unique<CK7QBldGuiUi>(m_language, m_groceriesUi);
    m_ui = m_guiUi.get();
  }
  m_groceries = std::make_unique<CK7QBldGroceries>(*m_ui);
  m_context.reset(new CK7QBldContext{m_language, *m_groceries, m_groceriesUi});

  // 2-3. Object linking and control hosting have no counterpart here: drag
  // and drop and widgets need no initialisation that could fail.
  if (!qApp) {
    m_ui->Message(kIdsOleInitFailed, K7QIcon::Stop);
    return false;
  }

  // 4. One builder at a time. The lock goes with the process that held it,
  // so a crashed builder never blocks the next start.
  QDir().mkpath(m_options.lockFolder);
  m_instanceLock = std::make_unique<CK7QBldLock>();
  const CK7QBldLock::Result locked = m_instanceLock->Acquire(
      K7QToPath(m_options.lockFolder + QStringLiteral("/K7QBld.lock")), "K7QBld");
  if (locked == CK7QBldLock::Result::Busy) {
    m_instanceLock.reset();
    m_ui->Message(kIdsAlreadyRunning, K7QIcon::Exclamation);
    return false;
  }
  // A home where no lock can be made leaves the profile folders' locks to
  // keep two builders apart.

  // 6. Settings under "Halvard"; the recent-file list holds four entries.
  K7QBldSettings::Initialise();

  // 8. The command line. Its failures are shown, not only printed: a
  // builder started from the desktop has no terminal.
  m_commandLine = CK7QBldCommandLine::Parse(arguments);
  if (!m_commandLine.valid) {
    ReportStartFailure(kIdsBadCommandLine, m_commandLine.error, true);
    return false;
  }
  for (const QString& path : {m_commandLine.profile, m_commandLine.macro}) {
    if (!path.isEmpty() && !QFileInfo(path).isFile()) {
      ReportStartFailure(kIdsCommandLineFile, path, true);
      return false;
    }
  }

  // 9. The main window with its stored placement, then what the command line names.
  m_mainFrame = std::make_unique<CMainFrame>(*m_context);
  if (m_guiUi) m_guiUi->SetOwner(m_mainFrame.get());
  m_mainFrame->RestoreAndShow(m_options.showCmd);
  CK7QBldDoc& document = m_mainFrame->Document();
  if (!m_commandLine.profile.isEmpty()) {
    if (!document.OpenProfile(m_commandLine.profile)) {
      ReportStartFailure(kIdsCommandLineFile, m_commandLine.profile, false);
      return false;
    }
  } else if (const QString beside = m_commandLine.macro.isEmpty()
                                        ? QString()
                                        : CK7QBldCommandLine::ProfileBeside(m_commandLine.macro);
             !beside.isEmpty()) {
    // A macro opened from the desktop comes with the profile it was made with.
    document.OpenProfile(beside);
  } else {
    // The profile of the last session comes back, so that a recent macro
    // opens without Open Profile first.
    const QString last =
        K7QBldSettings::Value(K7QBldSettings::kSettings, QStringLiteral("LastProfile"));
    if (!last.isEmpty() && QFileInfo(last).isFile()) document.OpenProfile(last);
  }
  if (!m_commandLine.macro.isEmpty()) {
    if (!document.OpenDocument(QFileInfo(m_commandLine.macro).absoluteFilePath())) {
      ReportStartFailure(kIdsCommandLineFile, m_commandLine.macro, false);
      return false;
    }
  }

  // 10-11. The splash, closed by the first input or after three seconds.
  if (m_options.splash && !m_mainFrame->isMinimized()) {
    m_splash = new CK7QBldSplash(m_mainFrame.get());
    CK7QBldGroceriesUi::CenterWindowOver(m_splash, m_mainFrame.get());
    m_splash->show();
    m_splashTimer = new QTimer(m_splash);
    m_splashTimer->setInterval(kSplashTimerMs);
    connect(m_splashTimer, &QTimer::timeout, this, &CK7QBldApp::OnSplashTimer);
    m_splashTimer->start();
    qApp->installEventFilter(this);
  }
  m_splashStart = std::time(nullptr);
  return true;
}

int CK7QBldApp::ExitInstance() {
  CloseSplash();
  // The working files of the macro go with the document, however the program ends.
  if (m_mainFrame) m_mainFrame->Document().OnCloseDocument();
  m_mainFrame.reset();
  m_language.Free();
  m_instanceLock.reset();
  return 0;
}

void CK7QBldApp::ReportStartFailure(unsigned id, const QString& detail, bool box) {
  const std::string text = m_ui->String(id) + "\n" + K7QToPath(detail);
  std::fprintf(stderr, "K7QBld: %s\n", text.c_str());
  if (box) m_ui->Prompt(id, text, K7QIcon::Stop, K7QButtons::Ok);
}

void CK7QBldApp::OnSplashTimer() {
  if (m_splash && std::time(nullptr) - m_splashStart > kSplashSeconds) CloseSplash();
}

void CK7QBldApp::CloseSplash() {
  if (!m_splash) return;
  qApp->removeEventFilter(this);
  m_splash->hide();
  m_splash->deleteLater();
  m_splash = nullptr;
  if (m_mainFrame) m_mainFrame->update();
}

bool CK7QBldApp::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::ShortcutOverride:
    case QEvent::MouseButtonPress:
    case QEvent::NonClientAreaMouseButtonPress:
      if (m_splash) CloseSplash();
      break;
    default:
      break;
  }
  return QObject::eventFilter(watched, event);
}

void CK7QBldApp::OnAppAbout() {
  CK7QBldAbout about(m_mainFrame.get(), QString::fromStdString(m_language.Text("about.caption")),
                     QString::fromStdString(m_language.Text("about.text")));
  about.exec();
}

bool CK7QBldApp::TakeScreenshots(const QString& folder, const QString& suffix) {
  QDir().mkpath(folder);
  const QString tail = suffix.isEmpty() ? QString() : QLatin1Char('-') + suffix;
  auto save = [&](QWidget* w, const QString& name) {
    if (!w) return true;
    w->show();
    QApplication::processEvents();
    return w->grab().save(folder + '/' + name + tail + QStringLiteral(".png"));
  };
  bool ok = true;
  if (m_splash) ok &= save(m_splash, QStringLiteral("K7QBld-splash"));
  CloseSplash();
  m_mainFrame->resize(1000, 680);
  ok &= save(m_mainFrame.get(), QStringLiteral("K7QBld-main"));
  // Each page of the object tree, as the author sees it on selecting the item.
  const std::pair<int, const char*> pages[] = {
      {0, "root"},      {1, "guide-start"}, {3, "guide-fourth"}, {9, "variables"},
      {10, "messages"}, {11, "input-page"}, {4, "report-page"},  {5, "guide-intermediate"},
      {7, "functions"}, {8, "guide-final"},
  };
  for (const auto& [code, name] : pages) {
    m_mainFrame->FormView().SelectItem(code, true);
    K7QShowBlockExample(m_mainFrame->FormView().CurrentPanel());
    ok &= save(m_mainFrame.get(), QStringLiteral("K7QBld-%1").arg(QLatin1String(name)));
  }
  ok &= K7QSaveBlockScreenshots(*m_context, *m_mainFrame, m_mainFrame.get(), save);
  if (CK7QBldDBSheet* sheet = m_mainFrame->FormView().DatabaseSheet()) {
    m_mainFrame->FormView().SelectItem(4, true);
    ok &= sheet->TakeScreenshots(save);
  }
  ok &= K7QSaveObjectScreenshots(*m_context, *m_mainFrame, save);
  CK7QBldAbout about(m_mainFrame.get(), QString::fromStdString(m_language.Text("about.caption")),
                     QString::fromStdString(m_language.Text("about.text")));
  ok &= save(&about, QStringLiteral("K7QBld-about"));
  // Check Against Profile, against the open profile itself.
  std::vector<K7QCheckFinding> findings;
  const QString profile = m_mainFrame->Document().ProfilePath();
  if (!profile.isEmpty() && m_mainFrame->Check().Run(profile, findings)) {
    CK7QBldCheckDialog check(*m_context, profile, findings, m_mainFrame.get());
    ok &= save(&check, QStringLiteral("K7QBld-check"));
  }
  return ok;
}

bool CK7QBldApp::InstallQtTranslations(bool japanese) {
  if (!japanese) return true;
  auto* translator = new QTranslator(qApp);
  if (!translator->load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"),
                        QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete translator;
    return false;
  }
  QCoreApplication::installTranslator(translator);
  return true;
}

int CK7QBldApp::Run(int argc, char** argv) {
  QApplication app(argc, argv);
  K7QBldSettings::Initialise();
  InstallQtTranslations(CK7QBldLanguage::LocaleIsJapanese());
  CK7QBldApp builder{Options{}};
  if (!builder.InitInstance(app.arguments().mid(1))) {
    // Whatever the start made (a profile folder's lock, working files) goes.
    builder.ExitInstance();
    return 1;
  }
  if (!builder.CommandLine().screenshotDir.isEmpty()) {
    const bool ok = builder.TakeScreenshots(builder.CommandLine().screenshotDir,
                                            builder.CommandLine().screenshotSuffix);
    builder.ExitInstance();
    return ok ? 0 : 1;
  }
  const int code = app.exec();
  builder.ExitInstance();
  return code;
}
