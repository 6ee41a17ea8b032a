#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTextCharFormat>
#include <optional>

#include "K7QBldEditCodec.h"

class QTextBlock;
class QTextCursor;
class QTextDocument;

// What reading a file into the view found.
struct SK7QEditLoad {
  // The file's most common line end; new lines get it.
  EK7QLineEnd lineEnd = EK7QLineEnd::CrLf;
  CK7QBldEditCodec::EProblem problem = CK7QBldEditCodec::EProblem::None;
  // First line (from 1) that shows the problem.
  qsizetype problemLine = 0;
};

// The edit view's document as the lines of a file, each with its own line
// end. The separator between two blocks carries the line end in its
// character format (only one that differs from the file's most common one is
// marked), so joining, splitting, undo and redo move it with the text: lines
// that are joined keep the end of the last one, a new line gets the most
// common end. Each block's user state repeats the mark of the separator
// before it, so a save reads it without a search.
//
// Lines longer than kMaxRowLength characters show as rows of that length,
// joined by separators marked None: the view lays out and paints a block as
// a whole, which a line of megabytes makes take seconds.
class CK7QBldEditText : public QObject {
  Q_OBJECT

 public:
  static constexpr int kMaxRowLength = 512;

  explicit CK7QBldEditText(QTextDocument* document);

  // Replaces the document's text with the file's, as one step that cannot be
  // undone, and clears the modified flag.
  SK7QEditLoad Load(const QByteArray& bytes);

  // The file's bytes for the document's text, with `lineEnd` where no other
  // is marked; nothing when a character has no CP932 code (never written as
  // a substitute). `bad` and `badLine` (from 1) receive the first one.
  std::optional<QByteArray> Save(EK7QLineEnd lineEnd, QString* bad = nullptr,
                                 qsizetype* badLine = nullptr) const;

  // Replaces the cursor's selection with `text` as one undo step: each CR LF,
  // CR or LF in it becomes a new line end, and long lines are cut into rows.
  static void InsertText(QTextCursor& cursor, QStringView text);

  // True when `block` is a further row of the line that the block before it
  // begins. Read from the user states, which are current except inside an
  // edit block that is still open.
  static bool ContinuesRow(const QTextBlock& block);
  // The same, read from the separator itself.
  static bool ContinuesRowNow(const QTextBlock& block);

  // Character format of a separator that is a new line end.
  static QTextCharFormat NewLineFormat() { return QTextCharFormat(); }

 private:
  void UpdateUserStates(int from, int removed, int added);

  QTextDocument* m_document;
  bool m_loading = false;
};
