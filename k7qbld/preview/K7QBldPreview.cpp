#include "K7QBldPreview.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QInputDialog>
#include <QStatusBar>

#include "K7QBldContext.h"
#include "K7QBldDoc.h"
#include "K7QBldFormView.h"
#include "K7QBldMainFrm.h"
#include "K7QBldSettings.h"

namespace {

constexpr unsigned kIdsServerNotStarted = 63850;
constexpr unsigned kIdsBrowserNotOpened = 63851;
constexpr unsigned kIdsServerEnded = 63852;
constexpr unsigned kIdsAskPassword = 63853;
constexpr unsigned kIdsOfferPreview = 63854;
constexpr unsigned kIdsCopyNotSaved = 63855;
constexpr unsigned kIdsNeedsProfile = 63856;
// k7q serve's status when the data source refused the connection.
constexpr int kExitRefused = 4;
// What is kept of the server's standard error for a report: its last lines.
constexpr qsizetype kErrorTail = 4096;

// A whole number of the settings, or `fallback` when absent or not one.
QString Limit(const char* key, int fallback) {
  bool ok = false;
  const int value =
      K7QBldSettings::Value(K7QBldSettings::kSettings, QString::fromLatin1(key)).toInt(&ok);
  return QString::number(ok && value > 0 ? value : fallback);
}

}  // namespace

CK7QBldPreview::CK7QBldPreview(CK7QBldContext& context, CMainFrame& frame)
    : m_context(context), m_frame(frame) {
  m_openUrl = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
  m_askPassword = [this](const QString& reason, QString& password) {
    bool ok = false;
    password = QInputDialog::getText(&m_frame, m_context.String(kIdsAppTitle),
                                     m_context.String(kIdsAskPassword) + "\n\n" + reason,
                                     QLineEdit::Password, {}, &ok);
    return ok;
  };
  connect(&m_frame.Document(), &CK7QBldDoc::StateChanged, this, [this] { CheckDocument(); });
}

CK7QBldPreview::~CK7QBldPreview() { Stop(); }

QUrl CK7QBldPreview::Address(Page page) const { return page == Page::Report ? m_report : m_input; }

bool CK7QBldPreview::Show(Page page) {
  IK7QBldUserInterface& ui = m_context.Ui();
  if (!m_frame.Macro().Profile().IsLoaded()) {
    ui.Message(kIdsNeedsProfile, K7QIcon::Exclamation);
    return false;
  }
  m_frame.FormView().StoreCurrentPage();
  CK7QBldDoc& doc = m_frame.Document();
  if (IsRunning() && (doc.Path() != m_servedDocument || doc.ProfilePath() != m_servedProfile))
    Stop();
  if (!m_folder)
    m_folder = std::make_unique<QTemporaryDir>(QDir::tempPath() + "/k7q-preview-XXXXXX");
  // The copy has the macro's own title, so its components are the ones a save makes.
  const QString title =
      doc.Path().isEmpty() ? QStringLiteral("preview") : QFileInfo(doc.Path()).completeBaseName();
  m_copy = m_folder->path() + "/" + title + ".k7q";
  if (!m_folder->isValid() || !doc.Core().Save(K7QToPath(m_copy))) {
    ui.Message(kIdsCopyNotSaved, K7QIcon::Stop);
    return false;
  }
  m_pending = true;
  m_pendingPage = page;
  if (IsRunning()) {
    // The server reads the new copy at the next request.
    OpenPending();
    return true;
  }
  m_servedDocument = doc.Path();
  m_servedProfile = doc.ProfilePath();
  m_askedPassword = false;
  return StartServer({}, false);
}

void CK7QBldPreview::OfferAfterConversion(Page page) {
  if (m_context.Ui().Message(kIdsOfferPreview, K7QIcon::Question, K7QButtons::YesNo) == kIdYes)
    Show(page);
}

bool CK7QBldPreview::StartServer(const QString& password, bool withPassword) {
  const QString program = QCoreApplication::applicationDirPath() + "/k7q";
  QStringList args{QStringLiteral("serve"),         m_copy,
                   QStringLiteral("--profile"),     m_servedProfile,
                   QStringLiteral("--port"),        QStringLiteral("0"),
                   QStringLiteral("--watch-stdin"), QStringLiteral("--time-limit"),
                   Limit("PreviewTimeLimit", 10),   QStringLiteral("--row-limit"),
                   Limit("PreviewRowLimit", 1000)};
  // The password goes through a pipe, never the command line others can read.
  if (withPassword) args << QStringLiteral("--password-file") << QStringLiteral("-");
  auto process = std::make_unique<QProcess>();
  QProcess* p = process.get();
  connect(p, &QProcess::readyReadStandardOutput, this, [this] { ReadAddresses(); });
  connect(p, &QProcess::readyReadStandardError, this, [this, p] {
    m_errors += p->readAllStandardError();
    if (m_errors.size() > kErrorTail) m_errors = m_errors.right(kErrorTail);
  });
  connect(p, &QProcess::finished, this, [this](int exitCode) { ServerEnded(exitCode); });
  m_output.clear();
  m_errors.clear();
  m_input.clear();
  m_report.clear();
  p->start(program, args);
  if (!p->waitForStarted(10000)) {
    m_pending = false;
    m_context.Ui().Prompt(kIdsServerNotStarted,
                          m_context.language.String(kIdsServerNotStarted) + "\n" +
                              K7QToPath(program) + "\n" + p->errorString().toStdString(),
                          K7QIcon::Stop, K7QButtons::Ok);
    return false;
  }
  // Its standard input stays open: when it closes (the builder is gone) the server ends.
  if (withPassword) p->write(password.toUtf8() + "\n");
  m_server = std::move(process);
  return true;
}

void CK7QBldPreview::ReadAddresses() {
  if (!m_server) return;
  m_output += m_server->readAllStandardOutput();
  const QList<QByteArray> lines = m_output.split('\n');
  // The input page's address and the report's, each on a line of its own.
  if (lines.size() < 3) return;
  m_input = QUrl(QString::fromUtf8(lines[0]));
  m_report = QUrl(QString::fromUtf8(lines[1]));
  OpenPending();
}

void CK7QBldPreview::OpenPending() {
  if (!m_pending || m_report.isEmpty()) return;
  m_pending = false;
  const QUrl url = Address(m_pendingPage);
  if (m_openUrl(url)) return;
  m_context.Ui().Prompt(
      kIdsBrowserNotOpened,
      m_context.language.String(kIdsBrowserNotOpened) + "\n" + url.toString().toStdString(),
      K7QIcon::Exclamation, K7QButtons::Ok);
}

void CK7QBldPreview::ServerEnded(int exitCode) {
  if (!m_server) return;
  const bool wasServing = !m_report.isEmpty();
  const QByteArray errors = m_errors + m_server->readAllStandardError();
  // Deleted once its own signal has returned.
  m_server.release()->deleteLater();
  m_input.clear();
  m_report.clear();
  if (wasServing) {
    m_frame.statusBar()->showMessage(m_context.String(kIdsServerEnded));
    return;
  }
  if (exitCode == kExitRefused && !m_askedPassword) {
    m_askedPassword = true;
    QString password;
    if (m_askPassword(QString::fromUtf8(errors).trimmed(), password)) {
      StartServer(password, true);
      return;
    }
    m_pending = false;
    return;
  }
  m_pending = false;
  m_context.Ui().Prompt(kIdsServerNotStarted,
                        m_context.language.String(kIdsServerNotStarted) + "\n" +
                            QString::fromUtf8(errors).trimmed().toStdString(),
                        K7QIcon::Stop, K7QButtons::Ok);
}

void CK7QBldPreview::Stop() {
  if (!m_server) return;
  std::unique_ptr<QProcess> process = std::move(m_server);
  process->disconnect(this);
  // Its input closing ends it; a server that does not go is ended.
  process->closeWriteChannel();
  process->terminate();
  if (!process->waitForFinished(3000)) {
    process->kill();
    process->waitForFinished(3000);
  }
  m_input.clear();
  m_report.clear();
  m_pending = false;
}

void CK7QBldPreview::CheckDocument() {
  if (!IsRunning()) return;
  const CK7QBldDoc& doc = m_frame.Document();
  const CK7QBldMacro& macro = m_frame.Macro();
  // New leaves an empty, untitled macro: the one served has closed.
  const bool reset = !doc.HasFile() && !doc.IsModified() && macro.Functions().GetCount() == 0 &&
                     macro.Input().PagePath().empty() && macro.Report().PagePath().empty();
  if (reset || doc.Path() != m_servedDocument || doc.ProfilePath() != m_servedProfile ||
      !macro.Profile().IsLoaded())
    Stop();
}
