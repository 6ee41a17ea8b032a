#include "K7QBldEditCodec.h"

#include <algorithm>

namespace {
// ICU's name for Microsoft's variant of Shift_JIS: 0x5C is the backslash,
// 0x8160 the full-width tilde, and the NEC and IBM rows are present.
const char kCodecName[] = "windows-31j";

// A byte below 0x40 is never the second byte of a character: a piece that
// ends right before or after one ends between characters.
bool EndsCharacter(uchar byte) { return byte < 0x40; }

// The bytes below 0x80 that ICU maps to the same code point and back. Most
// are; ICU's table swaps a few control codes, and those go through ICU like
// every other character so that reading and writing agree.
struct SPlainBytes {
  bool plain[0x80] = {};
  SPlainBytes() {
    for (int byte = 0; byte < 0x80; ++byte) {
      const char in = static_cast<char>(byte);
      QStringDecoder decoder(kCodecName, QStringConverter::Flag::Stateless);
      const QString text = decoder.decode(QByteArrayView(&in, 1));
      QStringEncoder encoder(kCodecName, QStringConverter::Flag::Stateless);
      const QByteArray back = encoder.encode(text);
      plain[byte] = !decoder.hasError() && text.size() == 1 && text[0].unicode() == byte &&
                    !encoder.hasError() && back.size() == 1 && back[0] == in;
    }
  }
  bool operator()(char16_t c) const { return c < 0x80 && plain[c]; }
};

const SPlainBytes& PlainBytes() {
  static const SPlainBytes table;
  return table;
}
}  // namespace

CK7QBldEditCodec::CDecoder::CDecoder() : m_decoder(kCodecName, QStringConverter::Flag::Stateless) {}

void CK7QBldEditCodec::CDecoder::Decode(QByteArrayView bytes, QString& text) {
  const qsizetype start = text.size();
  text.resize(start + m_decoder.requiredSpace(bytes.size()));
  QChar* out = text.data() + start;
  const uchar* at = reinterpret_cast<const uchar*>(bytes.data());
  const uchar* const end = at + bytes.size();
  const SPlainBytes& isPlain = PlainBytes();
  while (at < end) {
    while (at < end && isPlain(*at)) *out++ = QChar(*at++);
    if (at == end) break;
    // The other characters, up to a plain byte that starts a character.
    const uchar* stop =
        std::find_if(at + 1, end, [&](uchar byte) { return EndsCharacter(byte) && isPlain(byte); });
    const QByteArrayView run(at, stop - at);
    QChar* const decoded = out;
    out = m_decoder.appendToBuffer(out, run);
    if (m_problem == EProblem::None && m_decoder.hasError()) m_problem = EProblem::NotCp932;
    if (m_problem == EProblem::None) {
      // CP932 gives some characters two codes; a file holding the one that
      // a save does not write would change.
      m_again.resize(2 * (out - decoded));
      const char* again = Encode(QStringView(decoded, out), m_again.data());
      if (!again || QByteArrayView(m_again.constData(), again) != run)
        m_problem = EProblem::WouldChange;
    }
    at = stop;
  }
  text.resize(out - text.constData());
}

namespace {
// ICU's code for every UTF-16 unit, asked once: a save then looks each
// character up instead of calling the converter once per run of Japanese
// text, which on a large macro is most of the time a save takes. One byte
// below 0x100, two bytes above; kNoCode for what CP932 cannot hold (and for
// surrogates, as CP932 has nothing outside the BMP).
struct SCodeTable {
  static constexpr quint16 kNoCode = 0xFFFF;
  quint16 code[0x10000];
  SCodeTable() {
    // A character without a code comes out as one NUL byte.
    QStringEncoder encoder(kCodecName, QStringConverter::Flag::Stateless |
                                           QStringConverter::Flag::ConvertInvalidToNull);
    char bytes[8];
    for (int unit = 0; unit < 0x10000; ++unit) {
      code[unit] = kNoCode;
      if (QChar::isSurrogate(static_cast<char32_t>(unit))) continue;
      const QChar c(static_cast<char16_t>(unit));
      const qsizetype n = encoder.appendToBuffer(bytes, QStringView(&c, 1)) - bytes;
      if (n == 1 && (bytes[0] != 0 || unit == 0)) code[unit] = static_cast<uchar>(bytes[0]);
      if (n == 2)
        code[unit] =
            static_cast<quint16>(static_cast<uchar>(bytes[0]) << 8 | static_cast<uchar>(bytes[1]));
    }
  }
};
}  // namespace

char* CK7QBldEditCodec::Encode(QStringView text, char* out) {
  static const SCodeTable table;
  for (const QChar c : text) {
    const quint16 code = table.code[c.unicode()];
    if (code == SCodeTable::kNoCode) return nullptr;
    if (code > 0xFF) *out++ = static_cast<char>(code >> 8);
    *out++ = static_cast<char>(code);
  }
  return out;
}

std::optional<QString> CK7QBldEditCodec::Decode(QByteArrayView bytes) {
  CDecoder decoder;
  QString text;
  decoder.Decode(bytes, text);
  if (decoder.Problem() == EProblem::NotCp932) return std::nullopt;
  return text;
}

EK7QLineEnd CK7QBldEditCodec::MostCommonLineEnd(QByteArrayView bytes) {
  const qsizetype lfs = std::count(bytes.begin(), bytes.end(), '\n');
  const qsizetype crs = std::count(bytes.begin(), bytes.end(), '\r');
  qsizetype crlfs = 0;
  for (qsizetype at = bytes.indexOf('\n'); at >= 0; at = bytes.indexOf('\n', at + 1))
    if (at > 0 && bytes[at - 1] == '\r') ++crlfs;
  const qsizetype lfOnly = lfs - crlfs;
  const qsizetype crOnly = crs - crlfs;
  if (crlfs >= lfOnly && crlfs >= crOnly) return EK7QLineEnd::CrLf;
  return lfOnly >= crOnly ? EK7QLineEnd::Lf : EK7QLineEnd::Cr;
}

QByteArrayView CK7QBldEditCodec::LineEndBytes(EK7QLineEnd lineEnd) {
  switch (lineEnd) {
    case EK7QLineEnd::CrLf:
      return "\r\n";
    case EK7QLineEnd::Lf:
      return "\n";
    case EK7QLineEnd::Cr:
      return "\r";
    case EK7QLineEnd::None:
      break;
  }
  return {};
}

qsizetype CK7QBldEditCodec::PieceEnd(QByteArrayView bytes, qsizetype start, qsizetype size) {
  const qsizetype limit = start + size;
  if (limit >= bytes.size()) return bytes.size();
  qsizetype cut = -1;
  for (qsizetype i = limit; i > start && cut < 0; --i)
    if (EndsCharacter(bytes[i - 1])) cut = i;
  for (qsizetype i = limit; i < bytes.size() && cut < 0; ++i)
    if (EndsCharacter(bytes[i])) cut = i + 1;
  if (cut < 0) return bytes.size();
  if (cut < bytes.size() && bytes[cut] == '\n' && bytes[cut - 1] == '\r') ++cut;
  return cut;
}

qsizetype CK7QBldEditCodec::FirstProblemLine(QByteArrayView bytes) {
  qsizetype line = 0;
  qsizetype start = 0;
  for (;;) {
    qsizetype end = start;
    while (end < bytes.size() && bytes[end] != '\r' && bytes[end] != '\n') ++end;
    CDecoder decoder;
    QString ignored;
    decoder.Decode(bytes.sliced(start, end - start), ignored);
    if (decoder.Problem() != EProblem::None || end == bytes.size()) return line;
    start = end + (bytes[end] == '\r' && end + 1 < bytes.size() && bytes[end + 1] == '\n' ? 2 : 1);
    ++line;
  }
}

QString CK7QBldEditCodec::FirstUnencodable(QStringView text) {
  char bytes[4];
  qsizetype i = 0;
  while (i < text.size()) {
    const qsizetype width = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
    const QStringView one = text.mid(i, width);
    if (!Encode(one, bytes)) return one.toString();
    i += width;
  }
  return QString();
}
