#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include "K7QBldEditCodec.h"

class CK7QBldEditView;

// The document of the editor: the file behind the edit view. It holds no
// text of its own; loading and saving pass the file's bytes between disk and
// view, so a file comes back byte for byte as it was read, each line with
// its own line end.
class CK7QBldEditDoc : public QObject {
  Q_OBJECT

 public:
  explicit CK7QBldEditDoc(CK7QBldEditView* view, QObject* parent = nullptr);

  // An empty, unnamed document.
  void OnNewDocument();
  // Reads `path` into the view, creating it empty first when it does not
  // exist. False with `error` set when the file cannot be created or read.
  // A file whose bytes would not come back unchanged from the view opens
  // read-only, with ReadOnlyReason() saying why.
  bool OnOpenDocument(const QString& path, QString* error);
  // Writes the view's text to `path` (beside it first, then renamed over it).
  // False with `error` set when a character has no CP932 code or the write
  // fails; the file on disk is then untouched.
  bool OnSaveDocument(const QString& path, QString* error);

  const QString& PathName() const { return m_path; }
  // The name the caption shows: the file's name, or the untitled name.
  QString Title() const;
  bool IsModified() const;
  // The file's most common line end, which new lines get.
  EK7QLineEnd LineEnd() const { return m_lineEnd; }
  bool IsReadOnly() const { return m_readOnly; }
  const QString& ReadOnlyReason() const { return m_readOnlyReason; }

  // Creates an empty file when none exists, never truncating one that does.
  static bool CreateIfMissing(const QString& path, QString* error);

 private:
  void SetReadOnly(const QString& reason);

  CK7QBldEditView* m_view;
  QString m_path;
  // The file's most common line end: the one new lines get.
  EK7QLineEnd m_lineEnd = EK7QLineEnd::CrLf;
  bool m_readOnly = false;
  QString m_readOnlyReason;
};
