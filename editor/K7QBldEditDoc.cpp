#include "K7QBldEditDoc.h"

#include <fcntl.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <cerrno>
#include <cstring>

#include "K7QBldEditCodec.h"
#include "K7QBldEditView.h"

namespace {
QString SystemError(int err) { return QString::fromLocal8Bit(std::strerror(err)); }
}  // namespace

CK7QBldEditDoc::CK7QBldEditDoc(CK7QBldEditView* view, QObject* parent)
    : QObject(parent), m_view(view), m_lineEnd(QByteArrayLiteral("\r\n")) {}

void CK7QBldEditDoc::OnNewDocument() {
  m_path.clear();
  m_lineEnd = QByteArrayLiteral("\r\n");
  m_readOnly = false;
  m_readOnlyReason.clear();
  m_view->setReadOnly(false);
  m_view->setPlainText(QString());
  m_view->document()->setModified(false);
}

QString CK7QBldEditDoc::Title() const {
  if (m_path.isEmpty()) return QStringLiteral("無題");
  return QFileInfo(m_path).fileName();
}

bool CK7QBldEditDoc::IsModified() const { return m_view->document()->isModified(); }

bool CK7QBldEditDoc::CreateIfMissing(const QString& path, QString* error) {
  const QByteArray native = QFile::encodeName(path);
  // O_CREAT without O_TRUNC: a file that appeared meanwhile keeps its bytes.
  const int fd = ::open(native.constData(), O_RDONLY | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) {
    if (error) *error = QStringLiteral("%1 を作成できません: %2").arg(path, SystemError(errno));
    return false;
  }
  ::close(fd);
  return true;
}

bool CK7QBldEditDoc::OnOpenDocument(const QString& path, QString* error) {
  if (!CreateIfMissing(path, error)) return false;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    if (error) *error = QStringLiteral("%1 を開けません: %2").arg(path, file.errorString());
    return false;
  }
  const QByteArray bytes = file.readAll();
  if (file.error() != QFileDevice::NoError) {
    if (error) *error = QStringLiteral("%1 を読み込めません: %2").arg(path, file.errorString());
    return false;
  }

  m_path = QFileInfo(path).absoluteFilePath();
  m_lineEnd = CK7QBldEditCodec::DetectLineEnd(bytes);
  m_readOnly = false;
  m_readOnlyReason.clear();
  const std::optional<QString> text = CK7QBldEditCodec::Decode(bytes);
  if (!text) {
    // Showing the bytes with replacement characters is fine; saving them
    // would destroy the file, so the view never becomes editable.
    m_view->setPlainText(CK7QBldEditCodec::DecodeForDisplay(bytes));
    SetReadOnly(QStringLiteral("%1 には CP932 (Shift_JIS) として読めないバイトがあります。\n"
                               "ファイルを壊さないよう、読み取り専用で開きました。")
                    .arg(path));
  } else {
    m_view->setPlainText(*text);
    // The view normalises some characters (CR, line and paragraph separators)
    // and CP932 has a few characters with two codes; a file holding any of
    // them would not be written back as it was read.
    const std::optional<QByteArray> again =
        CK7QBldEditCodec::Encode(m_view->toPlainText(), m_lineEnd);
    if (!again || *again != bytes) {
      SetReadOnly(
          QStringLiteral("%1 は保存すると内容が変わってしまう文字または改行 (CR のみの改行、"
                         "改行の混在、同じ文字の別コードなど) を含んでいます。\n"
                         "ファイルを壊さないよう、読み取り専用で開きました。")
              .arg(path));
    }
  }
  m_view->setReadOnly(m_readOnly);
  m_view->document()->setModified(false);
  m_view->moveCursor(QTextCursor::Start);
  return true;
}

void CK7QBldEditDoc::SetReadOnly(const QString& reason) {
  m_readOnly = true;
  m_readOnlyReason = reason;
}

bool CK7QBldEditDoc::OnSaveDocument(const QString& path, QString* error) {
  if (m_readOnly) {
    if (error) *error = m_readOnlyReason;
    return false;
  }
  QString bad;
  const std::optional<QByteArray> bytes =
      CK7QBldEditCodec::Encode(m_view->toPlainText(), m_lineEnd, &bad);
  if (!bytes) {
    if (error)
      *error = QStringLiteral(
                   "文字「%1」(U+%2) は CP932 (Shift_JIS) で表せないため、保存できません。\n"
                   "この文字を置き換えてから保存してください。")
                   .arg(bad, QString::number(bad.isEmpty() ? 0 : bad.toUcs4().value(0), 16)
                                 .toUpper()
                                 .rightJustified(4, QLatin1Char('0')));
    return false;
  }
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(*bytes) != bytes->size() || !file.commit()) {
    if (error) *error = QStringLiteral("%1 に保存できません: %2").arg(path, file.errorString());
    return false;
  }
  m_path = QFileInfo(path).absoluteFilePath();
  m_view->document()->setModified(false);
  return true;
}
