#include "K7QBldEditView.h"

#include <QFontDatabase>
#include <QKeyEvent>
#include <QMimeData>
#include <QSettings>
#include <QTextBlock>
#include <QTextDocument>

#include "K7QBldEditCodec.h"
#include "K7QBldEditText.h"

namespace {
// One line of the file: the rows (blocks) that show it and its whole text.
struct SLine {
  QTextBlock first;
  QTextBlock last;
  QString text;
};

SLine LineOf(QTextBlock block) {
  while (CK7QBldEditText::ContinuesRow(block)) block = block.previous();
  SLine line{block, block, block.text()};
  for (QTextBlock next = block.next(); CK7QBldEditText::ContinuesRow(next); next = next.next()) {
    line.text += next.text();
    line.last = next;
  }
  return line;
}

// Offset in the line's text of a document position inside the line.
qsizetype OffsetIn(const SLine& line, int position) {
  qsizetype offset = 0;
  QTextBlock block = line.first;
  while (block != line.last && position > block.position() + block.length() - 1) {
    offset += block.length() - 1;
    block = block.next();
  }
  return offset + position - block.position();
}

// Document position of an offset in the line's text. Where a row ends, the
// start of a match is put on the next row and its end on the row it ends.
int PositionIn(const SLine& line, qsizetype offset, bool isEnd) {
  for (QTextBlock block = line.first;; block = block.next()) {
    const qsizetype length = block.length() - 1;
    if (offset < length || (isEnd && offset == length) || block == line.last)
      return block.position() + static_cast<int>(offset);
    offset -= length;
  }
}

bool IsWholeWord(const QString& text, qsizetype at, qsizetype length) {
  const qsizetype end = at + length;
  return (at == 0 || !text[at - 1].isLetterOrNumber()) &&
         (end == text.size() || !text[end].isLetterOrNumber());
}

// Start of the next match in `text` from `offset` in the options' direction;
// -1 when none.
qsizetype SearchLine(const QString& text, const SK7QFindOptions& options, qsizetype offset) {
  const Qt::CaseSensitivity cs = options.matchCase ? Qt::CaseSensitive : Qt::CaseInsensitive;
  while (offset >= 0 && offset <= text.size()) {
    const qsizetype at = options.forward ? text.indexOf(options.text, offset, cs)
                                         : text.lastIndexOf(options.text, offset, cs);
    if (at < 0) return -1;
    if (!options.wholeWord || IsWholeWord(text, at, options.text.size())) return at;
    offset = options.forward ? at + 1 : at - 1;
  }
  return -1;
}

// The selection's text with rows of one line joined and line ends as "\n".
QString LineText(const QTextCursor& cursor) {
  const QString selected = cursor.selectedText();
  QString text;
  text.reserve(selected.size());
  QTextBlock block = cursor.document()->findBlock(cursor.selectionStart());
  for (const QChar c : selected) {
    if (c != QChar::ParagraphSeparator) {
      text += c;
      continue;
    }
    block = block.next();
    if (!CK7QBldEditText::ContinuesRow(block)) text += u'\n';
  }
  return text;
}

bool SelectionMatches(const QTextCursor& cursor, const SK7QFindOptions& options) {
  if (!cursor.hasSelection()) return false;
  const Qt::CaseSensitivity cs = options.matchCase ? Qt::CaseSensitive : Qt::CaseInsensitive;
  return LineText(cursor).compare(options.text, cs) == 0;
}
}  // namespace

CK7QBldEditView::CK7QBldEditView(QWidget* parent)
    : QPlainTextEdit(parent),
      m_text(new CK7QBldEditText(document())),
      m_dropFormat(DropFormatFromSettings()) {
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

QString CK7QBldEditView::SelectedText() const { return LineText(textCursor()); }

void CK7QBldEditView::keyPressEvent(QKeyEvent* event) {
  if (!isReadOnly()) {
    // The control's own new line copies the format of the separator before
    // it, which would hand the new line another line's end.
    if (event == QKeySequence::InsertParagraphSeparator ||
        event == QKeySequence::InsertLineSeparator) {
      InsertNewLine();
      event->accept();
      return;
    }
    const bool backspace =
        event->key() == Qt::Key_Backspace && !(event->modifiers() & ~Qt::ShiftModifier);
    if ((backspace || event == QKeySequence::Delete) && DeleteAcrossRowBreak(backspace)) {
      event->accept();
      return;
    }
  }
  QPlainTextEdit::keyPressEvent(event);
}

void CK7QBldEditView::InsertNewLine() {
  QTextCursor cursor = textCursor();
  cursor.beginEditBlock();
  cursor.removeSelectedText();
  // At the break between two rows of a long line the break itself becomes
  // the new line end, so no empty row is left behind.
  if (cursor.atBlockStart() && CK7QBldEditText::ContinuesRowNow(cursor.block()))
    cursor.deletePreviousChar();
  else if (cursor.atBlockEnd() && CK7QBldEditText::ContinuesRowNow(cursor.block().next()))
    cursor.deleteChar();
  cursor.insertBlock(cursor.blockFormat(), CK7QBldEditText::NewLineFormat());
  cursor.endEditBlock();
  setTextCursor(cursor);
  ensureCursorVisible();
}

bool CK7QBldEditView::DeleteAcrossRowBreak(bool backward) {
  QTextCursor cursor = textCursor();
  if (cursor.hasSelection()) return false;
  const bool atBreak =
      backward ? cursor.atBlockStart() && CK7QBldEditText::ContinuesRow(cursor.block())
               : cursor.atBlockEnd() && CK7QBldEditText::ContinuesRow(cursor.block().next());
  if (!atBreak) return false;
  cursor.movePosition(backward ? QTextCursor::PreviousCharacter : QTextCursor::NextCharacter,
                      QTextCursor::KeepAnchor, 2);
  cursor.removeSelectedText();
  setTextCursor(cursor);
  return true;
}

void CK7QBldEditView::resizeEvent(QResizeEvent* event) {
  // Without wrapping, the width changes no layout; yet the control drops and
  // re-creates the layout of every block when it changes, which on a large
  // file costs seconds and hundreds of megabytes. Pass on the height only.
  if (lineWrapMode() == NoWrap && event->oldSize().width() != event->size().width()) {
    QResizeEvent heightOnly(event->size(), QSize(event->size().width(), event->oldSize().height()));
    QPlainTextEdit::resizeEvent(&heightOnly);
    return;
  }
  QPlainTextEdit::resizeEvent(event);
}

QMimeData* CK7QBldEditView::createMimeDataFromSelection() const {
  auto* data = new QMimeData;
  data->setText(SelectedText());
  return data;
}

bool CK7QBldEditView::canInsertFromMimeData(const QMimeData* source) const {
  return source->hasFormat(m_dropFormat) || QPlainTextEdit::canInsertFromMimeData(source);
}

void CK7QBldEditView::insertFromMimeData(const QMimeData* source) {
  std::optional<QString> text;
  if (source->hasFormat(m_dropFormat)) {
    QByteArray bytes = source->data(m_dropFormat);
    // Clipboard blocks may carry the terminating NUL of a C string.
    while (bytes.endsWith('\0')) bytes.chop(1);
    text = CK7QBldEditCodec::Decode(bytes);
  }
  if (!text && source->hasText()) text = source->text();
  if (!text) return;
  QTextCursor cursor = textCursor();
  CK7QBldEditText::InsertText(cursor, *text);
  setTextCursor(cursor);
  ensureCursorVisible();
}

QTextCursor CK7QBldEditView::Find(const SK7QFindOptions& options, const QTextCursor& from) const {
  if (options.text.isEmpty()) return QTextCursor();
  const int position = options.forward ? from.selectionEnd() : from.selectionStart();
  SLine line = LineOf(document()->findBlock(position));
  // Backwards, a match starts before the cursor.
  qsizetype offset = OffsetIn(line, position) - (options.forward ? 0 : 1);
  for (;;) {
    const qsizetype at = SearchLine(line.text, options, offset);
    if (at >= 0) {
      QTextCursor found(document());
      found.setPosition(PositionIn(line, at, false));
      found.setPosition(PositionIn(line, at + options.text.size(), true), QTextCursor::KeepAnchor);
      return found;
    }
    const QTextBlock next = options.forward ? line.last.next() : line.first.previous();
    if (!next.isValid()) return QTextCursor();
    line = LineOf(next);
    offset = options.forward ? 0 : line.text.size() - 1;
  }
}

bool CK7QBldEditView::FindText(const SK7QFindOptions& options) {
  const QTextCursor found = Find(options, textCursor());
  if (found.isNull()) return false;
  setTextCursor(found);
  return true;
}

bool CK7QBldEditView::ReplaceText(const SK7QFindOptions& options) {
  if (isReadOnly() || options.text.isEmpty()) return false;
  QTextCursor cursor = textCursor();
  if (SelectionMatches(cursor, options)) {
    CK7QBldEditText::InsertText(cursor, options.replacement);
    setTextCursor(cursor);
  }
  return FindText(options);
}

int CK7QBldEditView::ReplaceAllText(const SK7QFindOptions& options) {
  if (isReadOnly() || options.text.isEmpty()) return 0;
  SK7QFindOptions forward = options;
  forward.forward = true;
  // Each search starts after the previous replacement, so a replacement that
  // contains the searched text is never replaced again. Each replacement is
  // an edit of its own, joined to the first into one undo step: the rows are
  // known again only when an edit has ended.
  QTextCursor at(document());
  int count = 0;
  for (;;) {
    QTextCursor found = Find(forward, at);
    if (found.isNull()) break;
    if (count == 0)
      found.beginEditBlock();
    else
      found.joinPreviousEditBlock();
    CK7QBldEditText::InsertText(found, options.replacement);
    found.endEditBlock();
    at = found;
    ++count;
  }
  return count;
}
