#include "K7QBldEditCodec.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace {
// ICU's name for Microsoft's variant of Shift_JIS: 0x5C is the backslash,
// 0x8160 the full-width tilde, and the NEC and IBM rows are present.
const char kCodecName[] = "windows-31j";

// Only on the error path: names the character the user has to change.
QString FirstUnencodable(QStringView line) {
  qsizetype i = 0;
  while (i < line.size()) {
    const qsizetype width = line[i].isHighSurrogate() && i + 1 < line.size() ? 2 : 1;
    const QStringView one = line.mid(i, width);
    QStringEncoder encoder(kCodecName, QStringConverter::Flag::Stateless);
    const QByteArray ignored = encoder.encode(one);
    if (encoder.hasError()) return one.toString();
    i += width;
  }
  return QString();
}
}  // namespace

QByteArray CK7QBldEditCodec::DetectLineEnd(const QByteArray& bytes) {
  if (bytes.contains("\r\n") || !bytes.contains('\n')) return QByteArrayLiteral("\r\n");
  return QByteArrayLiteral("\n");
}

std::optional<QString> CK7QBldEditCodec::Decode(const QByteArray& bytes) {
  QStringDecoder decoder(kCodecName, QStringConverter::Flag::Stateless);
  QString text = decoder.decode(bytes);
  if (!decoder.isValid() || decoder.hasError()) return std::nullopt;
  // The view splits lines at CR LF, CR and LF alike; do the same here so the
  // round-trip check compares like with like.
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return text;
}

QString CK7QBldEditCodec::DecodeForDisplay(const QByteArray& bytes) {
  QStringDecoder decoder(kCodecName, QStringConverter::Flag::Stateless);
  if (!decoder.isValid()) return QString::fromLatin1(bytes);
  return decoder.decode(bytes);
}

std::optional<QByteArray> CK7QBldEditCodec::Encode(const QString& text, const QByteArray& lineEnd,
                                                   QString* bad) {
  QStringEncoder encoder(kCodecName, QStringConverter::Flag::Stateless);
  if (!encoder.isValid()) return std::nullopt;
  QByteArray out;
  out.reserve(text.size() * 2);
  qsizetype start = 0;
  while (start <= text.size()) {
    qsizetype end = text.indexOf(QLatin1Char('\n'), start);
    const qsizetype stop = end < 0 ? text.size() : end;
    const QStringView line = QStringView(text).mid(start, stop - start);
    const QByteArray encoded = encoder.encode(line);
    if (encoder.hasError()) {
      if (bad) *bad = FirstUnencodable(line);
      return std::nullopt;
    }
    out += encoded;
    if (end < 0) break;
    out += lineEnd;
    start = end + 1;
  }
  return out;
}
