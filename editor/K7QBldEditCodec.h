#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// Conversion between the CP932 bytes of a macro file and the text the edit
// view shows. Line ends are part of the conversion: the view only knows "\n",
// the file keeps the line end it was written with.
class CK7QBldEditCodec {
 public:
  // The line end a file uses: CR LF when it holds one, LF when it only holds
  // bare LFs, CR LF for a file without any (new files are Windows text files).
  static QByteArray DetectLineEnd(const QByteArray& bytes);

  // Decoded text with every line end turned into "\n"; nothing when a byte
  // sequence is not valid CP932.
  static std::optional<QString> Decode(const QByteArray& bytes);

  // Text for showing a file that does not decode: bad sequences become U+FFFD.
  static QString DecodeForDisplay(const QByteArray& bytes);

  // Encoded bytes with "\n" written as lineEnd; nothing when a character has
  // no CP932 code (never written as a substitute). `bad` receives the first
  // such character.
  static std::optional<QByteArray> Encode(const QString& text, const QByteArray& lineEnd,
                                          QString* bad = nullptr);
};
