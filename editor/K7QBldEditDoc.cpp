#include "K7QBldEditDoc.h"

#include <fcntl.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <cerrno>
#include <cstring>

#include "K7QBldEditText.h"
#include "K7QBldEditView.h"

namespace {
QString SystemError(int err) { return QString::fromLocal8Bit(std::strerror(err)); }
}  // namespace

CK7QBldEditDoc::CK7QBldEditDoc(CK7QBldEditView* view, QObject* parent)
    : QObject(parent), m_view(view) {}

void CK7QBldEditDoc::OnNewDocument() {
  m_path.clear();
  m_lineEnd = m_view->Text()->Load(QByteArray()).lineEnd;
  m_readOnly = false;
  m_readOnlyReason.clear();
  m_view->setReadOnly(false);
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
  m_readOnly = false;
  m_readOnlyReason.clear();
  const SK7QEditLoad load = m_view->Text()->Load(bytes);
  m_lineEnd = load.lineEnd;
  // Showing such a file is fine; saving it would destroy it, so the view
  // never becomes editable.
  switch (load.problem) {
    case CK7QBldEditCodec::EProblem::None:
      break;
    case CK7QBldEditCodec::EProblem::NotCp932:
      SetReadOnly(
          QStringLiteral("%1 の %2 行目に CP932 (Shift_JIS) として読めないバイトがあります。\n"
                         "ファイルを壊さないよう、読み取り専用で開きました。")
              .arg(path)
              .arg(load.problemLine));
      break;
    case CK7QBldEditCodec::EProblem::WouldChange:
      SetReadOnly(QStringLiteral("%1 の %2 行目に、保存すると別のコードに変わってしまう文字 "
                                 "(CP932 で二つのコードを持つ文字) があります。\n"
                                 "ファイルを壊さないよう、読み取り専用で開きました。")
                      .arg(path)
                      .arg(load.problemLine));
      break;
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
  qsizetype badLine = 0;
  const std::optional<QByteArray> bytes = m_view->Text()->Save(m_lineEnd, &bad, &badLine);
  if (!bytes) {
    if (error)
      *error = QStringLiteral(
                   "%1 行目の文字「%2」(U+%3) は CP932 (Shift_JIS) で表せないため、"
                   "保存できません。\nこの文字を置き換えてから保存してください。")
                   .arg(badLine)
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
