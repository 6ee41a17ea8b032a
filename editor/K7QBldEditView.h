#pragma once

#include <QPlainTextEdit>
#include <QString>

class CK7QBldEditText;

// How the find and replace commands search.
struct SK7QFindOptions {
  QString text;
  QString replacement;
  bool matchCase = false;
  bool wholeWord = false;
  bool forward = true;
};

// The edit view: the file's text in one plain-text control. Besides the
// control's own editing it finds and replaces, and it takes fragments dropped
// from the builder. A very long line shows as several rows (see
// CK7QBldEditText); finding, copying, deleting and new lines treat those
// rows as the one line they are.
class CK7QBldEditView : public QPlainTextEdit {
  Q_OBJECT

 public:
  explicit CK7QBldEditView(QWidget* parent = nullptr);

  // The view's document as the lines of a file.
  CK7QBldEditText* Text() const { return m_text; }

  // The builder drags fragments under the clipboard format its setting
  // "DefaultCF" names; this is the matching MIME type.
  const QString& DropFormat() const { return m_dropFormat; }
  void SetDropFormat(const QString& mimeType) { m_dropFormat = mimeType; }
  static QString DropFormatFromSettings();

  // The selected text as the file holds it: rows of one line joined, line
  // ends as "\n".
  QString SelectedText() const;

  // Selects the next match from the cursor in the options' direction; false
  // when there is none (the selection stays).
  bool FindText(const SK7QFindOptions& options);
  // Replaces the selection when it is a match, then finds the next one.
  bool ReplaceText(const SK7QFindOptions& options);
  // Replaces every match in the whole text as one undo step; the count.
  int ReplaceAllText(const SK7QFindOptions& options);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  QMimeData* createMimeDataFromSelection() const override;
  bool canInsertFromMimeData(const QMimeData* source) const override;
  void insertFromMimeData(const QMimeData* source) override;

 private:
  // The match after (or before) the selection of `from`; null when none.
  QTextCursor Find(const SK7QFindOptions& options, const QTextCursor& from) const;
  void InsertNewLine();
  // Backspace or Delete at the edge of a row that continues a line: deletes
  // the character beyond the row break, not only the break.
  bool DeleteAcrossRowBreak(bool backward);

  CK7QBldEditText* m_text;
  QString m_dropFormat;
};
