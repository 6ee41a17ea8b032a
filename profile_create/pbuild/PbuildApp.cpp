#include "PbuildApp.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QEventLoop>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>
#include <cstdio>
#include <fstream>
#include <iostream>

#include "K7QBldLanguage.h"
#include "PbuildCli.h"
#include "PbuildConsoleUi.h"
#include "PbuildCreator.h"
#include "PbuildGuiUi.h"
#include "PbuildMessages.h"
#include "PbuildSettings.h"
#include "pbuildDlg.h"

namespace {

constexpr const char* kLanguageLibrary = "pbuild_lang.so";
constexpr const char* kLanguageMissing = "Colud not load pbuild_lang.so";
constexpr std::size_t kMaxDataSources = 100;

// Progress of the batch form: the status lines on standard error.
class CConsoleProgress : public IPbuildProgress {
 public:
  void SetRange(int) override {}
  void SetPosition(int) override {}
  void SetStatus(Line line, const std::string& text) override {
    // A line per change of table or tenth of the way is enough to follow a
    // run; one per column would flood the terminal.
    if (line == kColumnLine || text.empty() || text == m_last[line]) return;
    m_last[line] = text;
    std::fprintf(stderr, "pbuild: %s\n", text.c_str());
  }
  bool Pump() override { return true; }
  bool StopRequested() const override { return false; }

 private:
  std::string m_last[3];
};

// Exit status of the batch form: 0 a complete profile; 1 a failure, a
// declined run, or a profile made while an error was shown (a marker image,
// the old folder); 3 a profile that left tables, columns or samples out
// (each was listed); the interface's code after a fatal database error.
constexpr int kExitLeftOut = 3;

int ExitStatus(const CPbuildOutcome& outcome, bool errorShown) {
  switch (outcome.status) {
    case CPbuildOutcome::kDone:
      if (errorShown) return 1;
      return outcome.leftOut ? kExitLeftOut : 0;
    case CPbuildOutcome::kFatal:
      return outcome.exitCode;
    default:
      return 1;
  }
}

// The first line of `in`, without its line end; false when it could not be
// read (an empty input is an empty line).
bool FirstLine(std::istream& in, std::string& line) {
  line.clear();
  if (!in) return false;
  std::getline(in, line);
  if (in.bad() || (in.fail() && !in.eof())) return false;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return true;
}

// The password from where the command line names it: the line itself, a
// file, or standard input ("-"), so that it need not show in the process list.
bool ReadPassword(const CPbuildCommandLine& line, CPbuildConsoleUi& ui, std::string& password) {
  if (line.passwordFile.empty() && line.password != "-") {
    password = line.password;
    return true;
  }
  std::ifstream file;
  if (!line.passwordFile.empty()) file.open(line.passwordFile);
  if (FirstLine(line.passwordFile.empty() ? std::cin : file, password)) return true;
  const std::string source = line.passwordFile.empty() ? "-" : line.passwordFile;
  ui.Prompt(kIdsPasswordFile, ui.String(kIdsPasswordFile) + "\n" + source, K7QIcon::Stop,
            K7QButtons::Ok);
  return false;
}

int RunBatch(const CPbuildCommandLine& line, const CK7QBldLanguage& language,
             const char* databaseType) {
  CPbuildConsoleUi ui(language);
  ui.SetAnswer(kIdsCreateBaseHead, kIdYes);
  ui.SetAnswer(kIdsReplaceHead, line.replace ? kIdYes : kIdNo);
  CPbuildInputs inputs;
  if (!ReadPassword(line, ui, inputs.password)) return 1;
  CConsoleProgress progress;
  CPbuildCreator creator(ui, progress);
  creator.SetDatabaseType(databaseType);
  creator.SetImageFolder(PbuildSettings::MarkerImageFolder());
  creator.SetTimeouts(PbuildSettings::LoginTimeout(), PbuildSettings::QueryTimeout());
  inputs.dataSource = line.dataSource;
  inputs.login = line.user;
  inputs.baseFolder = line.folder;
  inputs.schema = line.schema;
  inputs.sampleMode = line.noSamples ? 1 : 0;
  const CPbuildOutcome outcome = creator.Run(inputs);
  if (outcome.status == CPbuildOutcome::kQuiet) ui.Message(kIdsOutputExists, K7QIcon::Stop);
  return ExitStatus(outcome, ui.ShowedError());
}

void ShowFixed(const QString& text) {
  std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
  QMessageBox box(QMessageBox::Critical, QStringLiteral("pbuild"), text, QMessageBox::Ok);
  box.exec();
}

// The dialog as the screenshot script shows it: once fresh, once at the end
// of a run on the first data source into a throw-away folder.
int Screenshots(CPbuildDlg& dialog, CPbuildGuiUi& ui, const CPbuildCommandLine& line) {
  const QString dir = QString::fromStdString(line.screenshotDir);
  const QString suffix = QString::fromStdString(
      line.screenshotSuffix.empty() ? std::string("en") : line.screenshotSuffix);
  dialog.show();
  QApplication::processEvents();
  auto grab = [&](const char* name) {
    dialog.grab().save(dir + QStringLiteral("/%1-%2.png").arg(QLatin1String(name), suffix));
  };
  grab("pbuild-before");
  QTemporaryDir base;
  auto* sources = dialog.findChild<QComboBox*>(QStringLiteral("dataSources"));
  const int sample = sources->findText(QStringLiteral("K7QSample"));
  sources->setCurrentIndex(sample >= 0 ? sample : 0);
  dialog.findChild<QLineEdit*>(QStringLiteral("login"))->setText(QStringLiteral("k7q"));
  dialog.findChild<QLineEdit*>(QStringLiteral("baseFolder"))->setText(base.path());
  ui.SetInterceptor([&](unsigned id, const std::string&, K7QButtons buttons) {
    if (id == kIdsDoneHead) grab("pbuild-after");
    return buttons == K7QButtons::Ok ? kIdOk : kIdYes;
  });
  QEventLoop wait;
  QObject::connect(&dialog, &CPbuildDlg::RunFinished, &wait, &QEventLoop::quit);
  dialog.OnStart();
  if (dialog.IsRunning()) wait.exec();
  return dialog.LastOutcome().status == CPbuildOutcome::kDone ? 0 : 1;
}

}  // namespace

CPbuildCommandLine CPbuildCommandLine::Parse(const std::vector<std::string>& arguments) {
  CPbuildCommandLine line;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& a = arguments[i];
    auto value = [&](std::string& into) {
      if (i + 1 >= arguments.size()) {
        line.error = a + " needs a value";
        return;
      }
      into = arguments[++i];
    };
    if (a == "--dsn") {
      value(line.dataSource);
      line.batch = true;
    } else if (a == "--user") {
      value(line.user);
    } else if (a == "--password") {
      value(line.password);
      line.passwordGiven = true;
    } else if (a == "--password-file") {
      value(line.passwordFile);
      if (line.passwordFile.empty()) line.error = "--password-file needs a file";
    } else if (a == "--folder") {
      value(line.folder);
    } else if (a == "--schema") {
      value(line.schema);
    } else if (a == "--no-samples") {
      line.noSamples = true;
    } else if (a == "--replace") {
      line.replace = true;
    } else if (a == "--screenshots") {
      value(line.screenshotDir);
      if (i + 1 < arguments.size() && arguments[i + 1].compare(0, 2, "--") != 0)
        line.screenshotSuffix = arguments[++i];
    } else {
      line.error = "unexpected argument: " + a;
    }
    if (!line.error.empty()) return line;
  }
  if (line.batch && line.folder.empty()) line.error = "--folder is missing";
  if (line.passwordGiven && !line.passwordFile.empty())
    line.error = "--password and --password-file exclude each other";
  if (!line.batch &&
      (!line.user.empty() || !line.folder.empty() || line.noSamples || line.replace ||
       line.passwordGiven || !line.passwordFile.empty() || !line.schema.empty()))
    line.error = "--dsn is missing";
  return line;
}

int PbuildMain(int argc, char** argv, const char* databaseType) {
  std::vector<std::string> arguments(argv + 1, argv + argc);
  const CPbuildCommandLine line = CPbuildCommandLine::Parse(arguments);

  CK7QBldLanguage language;
  const bool languageLoaded = language.Load(kLanguageLibrary, CK7QBldLanguage::ProgramFolder());

  if (line.batch || !line.error.empty()) {
    QCoreApplication app(argc, argv);
    if (!languageLoaded) {
      std::fprintf(stderr, "%s\n", kLanguageMissing);
      return 1;
    }
    if (!line.error.empty()) {
      CPbuildConsoleUi ui(language);
      ui.Prompt(kIdsBatchUsage, language.String(kIdsBatchUsage) + " (" + line.error + ")",
                K7QIcon::Stop, K7QButtons::Ok);
      return 2;
    }
    return RunBatch(line, language, databaseType);
  }

  QApplication app(argc, argv);
  if (!languageLoaded) {
    ShowFixed(QString::fromLatin1(kLanguageMissing));
    return 1;
  }
  CPbuildGuiUi ui(language);

  std::vector<std::string> dataSources;
  {
    QLabel wait(QString::fromStdString(language.String(kIdsReadingDataSources)));
    wait.setWindowTitle(QString::fromStdString(language.Text("dialog.caption")));
    wait.setMargin(24);
    if (line.screenshotDir.empty()) wait.show();
    QApplication::processEvents();
    dataSources = CPbuildCli::DataSources();
  }
  if (dataSources.empty() || dataSources.size() >= kMaxDataSources) {
    ui.Message(kIdsDataSourceCount, K7QIcon::Stop);
    return 1;
  }

  CPbuildDlg dialog(language, ui, dataSources, PbuildSettings::InitialBaseFolder());
  ui.SetParent(&dialog);
  dialog.Creator().SetDatabaseType(databaseType);
  dialog.Creator().SetImageFolder(PbuildSettings::MarkerImageFolder());
  dialog.Creator().SetTimeouts(PbuildSettings::LoginTimeout(), PbuildSettings::QueryTimeout());
  if (!line.screenshotDir.empty()) return Screenshots(dialog, ui, line);

  int fatal = 0;
  QObject::connect(&dialog, &CPbuildDlg::Fatal, &dialog, [&](int code) {
    fatal = code;
    dialog.done(QDialog::Rejected);
  });
  dialog.exec();
  return fatal;
}
