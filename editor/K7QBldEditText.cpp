#include "K7QBldEditText.h"

#include <QScopedValueRollback>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>

namespace {
// Character format property of a marked separator: the EK7QLineEnd it is.
const int kLineEndProperty = QTextFormat::UserProperty + 1;
// User state of a block whose separator is not marked.
const int kUnmarked = -1;

// Bytes decoded at a time, and characters handed to the document at a time:
// large enough that per-call costs vanish, small enough that a file is never
// held twice as text.
constexpr qsizetype kPieceBytes = qsizetype{1} << 20;
constexpr qsizetype kPieceChars = qsizetype{1} << 20;

QTextCharFormat MarkedFormat(EK7QLineEnd lineEnd) {
  QTextCharFormat format;
  format.setProperty(kLineEndProperty, static_cast<int>(lineEnd));
  return format;
}

// The mark of the separator before `block` as a user state.
int MarkBefore(const QTextBlock& block) {
  if (!block.previous().isValid()) return kUnmarked;
  const QVariant mark = block.charFormat().property(kLineEndProperty);
  return mark.isValid() ? mark.toInt() : kUnmarked;
}

// Writes text into the document at a cursor: cuts it into lines at CR LF, LF
// and CR (a CR at the end of one piece pairs with a LF at the start of the
// next), marks line ends other than the most common one, and cuts long lines
// into rows. Text between marked separators collects in one piece, so the
// document takes a file in a few large insertions instead of one per line.
class CRowWriter {
 public:
  // Line ends of the kind `common` need no mark; without it every line end
  // is a new one (text the author inserts).
  CRowWriter(QTextCursor& cursor, std::optional<EK7QLineEnd> common)
      : m_cursor(cursor), m_common(common) {}

  void Feed(QStringView text) {
    if (text.isEmpty()) return;
    if (m_pendingCr) {
      m_pendingCr = false;
      const bool pair = text.front() == u'\n';
      LineEnd(pair ? EK7QLineEnd::CrLf : EK7QLineEnd::Cr);
      if (pair) text = text.sliced(1);
    }
    while (!text.isEmpty()) {
      const QChar* end =
          std::find_if(text.begin(), text.end(), [](QChar c) { return c == u'\n' || c == u'\r'; });
      const qsizetype n = end - text.begin();
      Text(text.first(n));
      if (n == text.size()) return;
      if (text[n] == u'\n') {
        LineEnd(EK7QLineEnd::Lf);
        text = text.sliced(n + 1);
      } else if (n + 1 == text.size()) {
        m_pendingCr = true;
        return;
      } else {
        const bool pair = text[n + 1] == u'\n';
        LineEnd(pair ? EK7QLineEnd::CrLf : EK7QLineEnd::Cr);
        text = text.sliced(n + (pair ? 2 : 1));
      }
    }
  }

  void Finish() {
    if (m_pendingCr) LineEnd(EK7QLineEnd::Cr);
    m_pendingCr = false;
    Flush();
  }

  // Line ends read so far; rows of long lines do not count.
  qsizetype Lines() const { return m_lines + (m_pendingCr ? 1 : 0); }

 private:
  void Text(QStringView text) {
    while (!text.isEmpty()) {
      if (m_row >= CK7QBldEditText::kMaxRowLength) Separator(EK7QLineEnd::None);
      qsizetype take = std::min(text.size(), CK7QBldEditText::kMaxRowLength - m_row);
      // A row never ends between the halves of a surrogate pair.
      if (take < text.size() && text[take - 1].isHighSurrogate() && text[take].isLowSurrogate())
        ++take;
      m_piece += text.first(take);
      m_row += take;
      text = text.sliced(take);
    }
    if (m_piece.size() >= kPieceChars) Flush();
  }

  void LineEnd(EK7QLineEnd lineEnd) {
    ++m_lines;
    if (m_common && lineEnd != *m_common) {
      Separator(lineEnd);
      return;
    }
    m_piece += u'\n';
    m_row = 0;
    if (m_piece.size() >= kPieceChars) Flush();
  }

  void Separator(EK7QLineEnd lineEnd) {
    Flush();
    m_cursor.insertBlock(QTextBlockFormat(), MarkedFormat(lineEnd));
    m_cursor.block().setUserState(static_cast<int>(lineEnd));
    m_row = 0;
  }

  void Flush() {
    if (m_piece.isEmpty()) return;
    m_cursor.insertText(m_piece, CK7QBldEditText::NewLineFormat());
    m_piece.resize(0);
  }

  QTextCursor& m_cursor;
  std::optional<EK7QLineEnd> m_common;
  QString m_piece;
  qsizetype m_row = 0;
  qsizetype m_lines = 0;
  bool m_pendingCr = false;
};
}  // namespace

CK7QBldEditText::CK7QBldEditText(QTextDocument* document)
    : QObject(document), m_document(document) {
  connect(document, &QTextDocument::contentsChange, this, &CK7QBldEditText::UpdateUserStates);
}

void CK7QBldEditText::UpdateUserStates(int from, int, int added) {
  if (m_loading) return;
  // Every block whose separator was inserted, removed or changed starts in
  // the changed range; the one after it is checked too, as it may now follow
  // the separator of a joined line.
  QTextBlock block = m_document->findBlock(from);
  QTextBlock last = m_document->findBlock(from + added);
  if (!last.isValid()) last = m_document->lastBlock();
  if (last.next().isValid()) last = last.next();
  for (; block.isValid(); block = block.next()) {
    block.setUserState(MarkBefore(block));
    if (block == last) break;
  }
}

SK7QEditLoad CK7QBldEditText::Load(const QByteArray& bytes) {
  SK7QEditLoad result;
  result.lineEnd = CK7QBldEditCodec::MostCommonLineEnd(bytes);

  // The writer sets the user states itself; the change signal at the end
  // would otherwise visit every block once more.
  const QScopedValueRollback<bool> loading(m_loading, true);
  m_document->setUndoRedoEnabled(false);
  QTextCursor cursor(m_document);
  cursor.beginEditBlock();
  cursor.select(QTextCursor::Document);
  cursor.removeSelectedText();
  cursor.block().setUserState(kUnmarked);
  CRowWriter writer(cursor, result.lineEnd);
  CK7QBldEditCodec::CDecoder decoder;
  QString text;
  for (qsizetype start = 0; start < bytes.size();) {
    const qsizetype end = CK7QBldEditCodec::PieceEnd(bytes, start, kPieceBytes);
    const QByteArrayView piece = QByteArrayView(bytes).sliced(start, end - start);
    text.resize(0);
    decoder.Decode(piece, text);
    if (result.problem == CK7QBldEditCodec::EProblem::None &&
        decoder.Problem() != CK7QBldEditCodec::EProblem::None) {
      result.problem = decoder.Problem();
      result.problemLine = writer.Lines() + CK7QBldEditCodec::FirstProblemLine(piece) + 1;
    }
    writer.Feed(text);
    start = end;
  }
  writer.Finish();
  cursor.endEditBlock();
  m_document->setUndoRedoEnabled(true);
  m_document->setModified(false);
  return result;
}

std::optional<QByteArray> CK7QBldEditText::Save(EK7QLineEnd lineEnd, QString* bad,
                                                qsizetype* badLine) const {
  const QString raw = m_document->toRawText();
  // A separator is one character and at most two bytes.
  QByteArray out(2 * raw.size(), Qt::Uninitialized);
  char* at = out.data();
  qsizetype pos = 0;
  qsizetype lineNumber = 1;
  for (QTextBlock block = m_document->begin(); block.isValid();) {
    const QStringView line = QStringView(raw).sliced(pos, block.length() - 1);
    at = CK7QBldEditCodec::Encode(line, at);
    if (!at) {
      if (bad) *bad = CK7QBldEditCodec::FirstUnencodable(line);
      if (badLine) *badLine = lineNumber;
      return std::nullopt;
    }
    pos += block.length();
    block = block.next();
    if (!block.isValid()) break;
    const int mark = block.userState();
    const EK7QLineEnd end = mark >= 0 && mark <= static_cast<int>(EK7QLineEnd::None)
                                ? static_cast<EK7QLineEnd>(mark)
                                : lineEnd;
    if (end != EK7QLineEnd::None) ++lineNumber;
    const QByteArrayView bytes = CK7QBldEditCodec::LineEndBytes(end);
    at = std::copy(bytes.begin(), bytes.end(), at);
  }
  out.truncate(at - out.constData());
  return out;
}

void CK7QBldEditText::InsertText(QTextCursor& cursor, QStringView text) {
  cursor.beginEditBlock();
  cursor.removeSelectedText();
  CRowWriter writer(cursor, std::nullopt);
  writer.Feed(text);
  writer.Finish();
  cursor.endEditBlock();
}

bool CK7QBldEditText::ContinuesRow(const QTextBlock& block) {
  return block.isValid() && block.userState() == static_cast<int>(EK7QLineEnd::None);
}

bool CK7QBldEditText::ContinuesRowNow(const QTextBlock& block) {
  return block.isValid() && MarkBefore(block) == static_cast<int>(EK7QLineEnd::None);
}
