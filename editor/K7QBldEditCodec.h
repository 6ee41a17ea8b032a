#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringDecoder>
#include <QStringEncoder>
#include <optional>

// How one line of a file ends. `None` ends a row of the view that shows only
// part of a very long line: the next row continues the same line.
enum class EK7QLineEnd : qint8 { CrLf, Lf, Cr, None };

// Conversion between CP932 bytes and text, all by ICU's CP932 table.
// Reading copies ASCII, which most of a macro is, and hands the rest to ICU;
// writing looks each character up in ICU's codes, asked once.
class CK7QBldEditCodec {
 public:
  enum class EProblem { None, NotCp932, WouldChange };

  // Decodes a file piece by piece and checks that a save would write each
  // piece back unchanged.
  class CDecoder {
   public:
    CDecoder();
    // Appends the text of `bytes`, which begin and end between characters,
    // to `text`; bytes that are not CP932 become the converter's substitute.
    // The first problem met sticks.
    void Decode(QByteArrayView bytes, QString& text);
    EProblem Problem() const { return m_problem; }

   private:
    QStringDecoder m_decoder;
    QByteArray m_again;
    EProblem m_problem = EProblem::None;
  };

  // Writes the bytes of `text` to `out`, which has room for two bytes per
  // character; the end of what was written, or nullptr when a character has
  // no CP932 code.
  static char* Encode(QStringView text, char* out);

  // Decoded text of a dropped fragment; nothing when it is not valid CP932.
  static std::optional<QString> Decode(QByteArrayView bytes);

  // The line end that most lines of `bytes` have; CR LF on a tie and for a
  // file without any (new files are Windows text files).
  static EK7QLineEnd MostCommonLineEnd(QByteArrayView bytes);
  static QByteArrayView LineEndBytes(EK7QLineEnd lineEnd);

  // End of the piece of `bytes` that begins at `start`: about `size` bytes,
  // ending between two characters and never between CR and LF.
  static qsizetype PieceEnd(QByteArrayView bytes, qsizetype start, qsizetype size);

  // Line (from 0) of `bytes` where the problem a decoder met lies.
  static qsizetype FirstProblemLine(QByteArrayView bytes);

  // The first character of `text` that has no CP932 code.
  static QString FirstUnencodable(QStringView text);
};
