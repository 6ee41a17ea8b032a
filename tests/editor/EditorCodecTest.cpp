// The editor's CP932 conversion copies ASCII itself and hands the rest to
// ICU; both halves must give what ICU alone gives, and saving must give back
// the bytes read, wherever a piece of one kind meets the other.
#include <gtest/gtest.h>

#include <QStringDecoder>
#include <QStringEncoder>
#include <QTextDocument>

#include "K7QBldEditCodec.h"
#include "K7QBldEditText.h"

namespace {

using EProblem = CK7QBldEditCodec::EProblem;

// What ICU alone makes of a file: its text with line ends as "\n", and the
// problem a save would have.
EProblem IcuProblem(const QByteArray& bytes, QString* text) {
  QStringDecoder decoder("windows-31j", QStringConverter::Flag::Stateless);
  *text = decoder.decode(bytes);
  if (decoder.hasError()) return EProblem::NotCp932;
  QStringEncoder encoder("windows-31j", QStringConverter::Flag::Stateless);
  const QByteArray again = encoder.encode(*text);
  text->replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return encoder.hasError() || again != bytes ? EProblem::WouldChange : EProblem::None;
}

TEST(EditorCodec, EveryByteNextToAsciiAndJapaneseAgreesWithIcu) {
  for (int byte = 0; byte < 0x100; ++byte) {
    if (byte == '\r' || byte == '\n') continue;
    const char b = static_cast<char>(byte);
    // The byte alone, after "ソ" (whose second byte is 0x5C), before ASCII,
    // and as the second byte after a lead byte.
    QByteArray bytes("x");
    bytes += b;
    bytes += "\r\n\x83\x5c";
    bytes += b;
    bytes += "a\x83\x5c\r\n";
    bytes += b;
    bytes += "\x88\x9f\x88";  // "亜" and a lead byte that takes `b`
    bytes += b;
    bytes += "\r\n";

    QString icuText;
    const EProblem icu = IcuProblem(bytes, &icuText);
    QTextDocument document;
    CK7QBldEditText text(&document);
    const SK7QEditLoad load = text.Load(bytes);
    EXPECT_EQ(load.problem, icu) << std::hex << byte;
    if (icu == EProblem::NotCp932) continue;
    QString shown = document.toRawText();
    shown.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    EXPECT_EQ(shown, icuText) << std::hex << byte;
    if (icu != EProblem::None) continue;
    const std::optional<QByteArray> saved = text.Save(load.lineEnd);
    ASSERT_TRUE(saved) << std::hex << byte;
    EXPECT_EQ(*saved, bytes) << std::hex << byte;
  }
}

TEST(EditorCodec, EveryCharacterEncodesAsIcuEncodesIt) {
  for (int unit = 1; unit < 0x10000; ++unit) {
    const QChar c(static_cast<char16_t>(unit));
    QStringEncoder icu("windows-31j", QStringConverter::Flag::Stateless);
    const QByteArray expected = icu.encode(QStringView(&c, 1));
    char bytes[4];
    const char* end = CK7QBldEditCodec::Encode(QStringView(&c, 1), bytes);
    if (icu.hasError() || c.isSurrogate()) {
      EXPECT_EQ(end, nullptr) << std::hex << unit;
      continue;
    }
    ASSERT_NE(end, nullptr) << std::hex << unit;
    EXPECT_EQ(QByteArray(bytes, end - bytes), expected) << std::hex << unit;
  }
}

TEST(EditorCodec, PiecesEndBetweenCharactersAndNeverInsideCrLf) {
  struct Case {
    const char* rule;
    QByteArray bytes;
    qsizetype size;
    qsizetype end;
  };
  const Case cases[] = {
      {"after the last byte below 0x40 in reach", "ab cd\x83\x5c\x83\x5c", 8, 3},
      {"never between CR and LF", "abc\r\nde", 4, 5},
      {"beyond the size when nothing in reach ends a character", "\x83\x5c\x83\x5c\x83\x5c ab", 2,
       7},
      {"the rest when nothing ends a character", "\x83\x5c\x83\x5c", 2, 4},
      {"the rest when it is shorter than the size", "abc", 8, 3},
  };
  for (const Case& c : cases)
    EXPECT_EQ(CK7QBldEditCodec::PieceEnd(c.bytes, 0, c.size), c.end) << c.rule;
}

TEST(EditorCodec, DroppedFragmentsDecodeOrAreRefused) {
  EXPECT_EQ(CK7QBldEditCodec::Decode("<b>\x83\x5c</b>\r\n"), QString::fromUtf8("<b>ソ</b>\r\n"));
  EXPECT_FALSE(CK7QBldEditCodec::Decode("a\x83"));
  EXPECT_FALSE(CK7QBldEditCodec::Decode("\xff"));
}

}  // namespace
