#include "K7QBldEditView.h"

#include <QFontDatabase>
#include <QMimeData>
#include <QSettings>
#include <QTextBlock>
#include <QTextDocument>

#include "K7QBldEditCodec.h"

namespace {
QTextDocument::FindFlags Flags(const SK7QFindOptions& options) {
  QTextDocument::FindFlags flags;
  if (options.matchCase) flags |= QTextDocument::FindCaseSensitively;
  if (options.wholeWord) flags |= QTextDocument::FindWholeWords;
  if (!options.forward) flags |= QTextDocument::FindBackward;
  return flags;
}

bool SelectionMatches(const QTextCursor& cursor, const SK7QFindOptions& options) {
  if (!cursor.hasSelection()) return false;
  const Qt::CaseSensitivity cs = options.matchCase ? Qt::CaseSensitive : Qt::CaseInsensitive;
  return cursor.selectedText().compare(options.text, cs) == 0;
}
}  // namespace

CK7QBldEditView::CK7QBldEditView(QWidget* parent)
    : QPlainTextEdit(parent), m_dropFormat(DropFormatFromSettings()) {
  setLineWrapMode(QPlainTextEdit::NoWrap);
  setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
}

QString CK7QBldEditView::DropFormatFromSettings() {
  // The builder's own settings file: the editor reads, never writes it.
  QSettings settings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Halvard"),
                     QStringLiteral("K7QBld"));
  const QString format =
      settings.value(QStringLiteral("Settings/DefaultCF"), QStringLiteral("HTML Format"))
          .toString();
  // Qt's name for a clipboard format registered by name; the builder's drag
  // uses exactly this form, so both sides must spell it the same way.
  return QStringLiteral("application/x-qt-windows-mime;value=\"%1\"").arg(format);
}

bool CK7QBldEditView::canInsertFromMimeData(const QMimeData* source) const {
  return source->hasFormat(m_dropFormat) || QPlainTextEdit::canInsertFromMimeData(source);
}

void CK7QBldEditView::insertFromMimeData(const QMimeData* source) {
  if (source->hasFormat(m_dropFormat)) {
    QByteArray bytes = source->data(m_dropFormat);
    // Clipboard blocks may carry the terminating NUL of a C string.
    while (bytes.endsWith('\0')) bytes.chop(1);
    if (const std::optional<QString> text = CK7QBldEditCodec::Decode(bytes)) {
      insertPlainText(*text);
      ensureCursorVisible();
      return;
    }
  }
  QPlainTextEdit::insertFromMimeData(source);
}

bool CK7QBldEditView::FindText(const SK7QFindOptions& options) {
  if (options.text.isEmpty()) return false;
  const QTextCursor found = document()->find(options.text, textCursor(), Flags(options));
  if (found.isNull()) return false;
  setTextCursor(found);
  return true;
}

bool CK7QBldEditView::ReplaceText(const SK7QFindOptions& options) {
  if (isReadOnly() || options.text.isEmpty()) return false;
  QTextCursor cursor = textCursor();
  if (SelectionMatches(cursor, options)) {
    cursor.insertText(options.replacement);
    setTextCursor(cursor);
  }
  return FindText(options);
}

int CK7QBldEditView::ReplaceAllText(const SK7QFindOptions& options) {
  if (isReadOnly() || options.text.isEmpty()) return 0;
  SK7QFindOptions forward = options;
  forward.forward = true;
  const QTextDocument::FindFlags flags = Flags(forward);
  QTextCursor edit(document());
  edit.beginEditBlock();
  // Each search starts after the previous replacement, so a replacement that
  // contains the searched text is never replaced again.
  QTextCursor at(document());
  int count = 0;
  for (;;) {
    QTextCursor found = document()->find(options.text, at, flags);
    if (found.isNull()) break;
    found.insertText(options.replacement);
    at = found;
    ++count;
  }
  edit.endEditBlock();
  return count;
}
