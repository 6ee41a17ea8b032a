#pragma once

#include <QObject>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <QUrl>
#include <functional>
#include <memory>

class CMainFrame;
struct CK7QBldContext;

// The Preview command: the macro as it stands is saved to a copy of its
// own, `k7q serve` serves that copy on a free loopback port, and the
// desktop's browser is opened on it. The server is a process of its own
// (not a thread of the builder): a driver that hangs never freezes the
// window, the builder stays single-threaded, and stopping it is ending a
// process. It stays up for further previews of the same macro (it reads the
// copy again when it is saved anew) and stops when the macro closes, another
// profile or macro takes its place, or the window closes.
class CK7QBldPreview : public QObject {
  Q_OBJECT

 public:
  static constexpr int kIdPreview = 63860;  // the command's identifier
  enum class Page { Input, Report };

  CK7QBldPreview(CK7QBldContext& context, CMainFrame& frame);
  ~CK7QBldPreview() override;

  // Saves the copy, starts the server when it is not running and opens the
  // browser on `page` once the server tells its address. False (reported)
  // when the copy cannot be made or the server not started.
  bool Show(Page page = Page::Input);
  // After a page was converted: asks (63854) whether to preview that page.
  void OfferAfterConversion(Page page);
  void Stop();
  bool IsRunning() const { return m_server != nullptr; }
  // The page's address while the server runs and has told it, else empty.
  QUrl Address(Page page) const;

  // Opens an address in the desktop's browser; tests replace it.
  std::function<bool(const QUrl&)> m_openUrl;
  // Asks for the data source's password after the data source refused the
  // login; false when the author cancels. Tests replace it.
  std::function<bool(const QString& reason, QString& password)> m_askPassword;

 private:
  bool StartServer(const QString& password, bool withPassword);
  void ReadAddresses();
  void ServerEnded(int exitCode);
  void OpenPending();
  // The served macro is gone (closed, replaced): the server goes too.
  void CheckDocument();

  CK7QBldContext& m_context;
  CMainFrame& m_frame;
  std::unique_ptr<QTemporaryDir> m_folder;
  QString m_copy;
  QString m_servedDocument;
  QString m_servedProfile;
  std::unique_ptr<QProcess> m_server;
  QByteArray m_output;
  QByteArray m_errors;  // the end of the server's standard error
  QUrl m_input;
  QUrl m_report;
  bool m_pending = false;
  Page m_pendingPage = Page::Input;
  bool m_askedPassword = false;
};
