#pragma once

#include <QPlainTextEdit>
#include <QString>

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
// from the builder.
class CK7QBldEditView : public QPlainTextEdit {
  Q_OBJECT

 public:
  explicit CK7QBldEditView(QWidget* parent = nullptr);

  // The builder drags fragments under the clipboard format its setting
  // "DefaultCF" names; this is the matching MIME type.
  const QString& DropFormat() const { return m_dropFormat; }
  void SetDropFormat(const QString& mimeType) { m_dropFormat = mimeType; }
  static QString DropFormatFromSettings();

  // Selects the next match from the cursor in the options' direction; false
  // when there is none (the selection stays).
  bool FindText(const SK7QFindOptions& options);
  // Replaces the selection when it is a match, then finds the next one.
  bool ReplaceText(const SK7QFindOptions& options);
  // Replaces every match in the whole text as one undo step; the count.
  int ReplaceAllText(const SK7QFindOptions& options);

 protected:
  bool canInsertFromMimeData(const QMimeData* source) const override;
  void insertFromMimeData(const QMimeData* source) override;

 private:
  QString m_dropFormat;
};
