// CP932 files pass through the editor byte for byte; what cannot pass is
// refused instead of being damaged.
#include <gtest/gtest.h>

#include <QAction>

#include "EditorTestSupport.h"
#include "K7QBldEditDoc.h"
#include "K7QBldEditor.h"
#include "K7QTestSupport.h"

namespace {

// "ソ表" (trail bytes 0x5C), a backslash, half-width "ｱｲｳﾞﾟ", a full-width
// tilde and the NEC row "①", over CR LF lines.
const std::string kCp932File =
    "%DEFINE{\r\n"
    "  A = \"\x83\x5c\x95\x5c\\\"\r\n"
    "  B = \"\xb1\xb2\xb3\xde\xdf\"\r\n"
    "%}\r\n"
    "\x81\x60\x87\x40\r\n";

class EditorFile : public ::testing::Test {
 protected:
  CMainFrame* Open(const std::string& bytes) {
    K7QWriteFile(m_path, bytes);
    EXPECT_TRUE(m_app.InitInstance({Q(m_path)}, m_log.Prompt()));
    return m_app.MainFrame();
  }

  CK7QTempDir m_dir;
  std::string m_path = m_dir.File("m.k7q");
  SK7QPromptLog m_log;
  CK7QBldEditorApp m_app;
};

TEST_F(EditorFile, Cp932SurvivesOpenAndSaveByteForByte) {
  CMainFrame* frame = Open(kCp932File);
  ASSERT_NE(frame, nullptr);
  EXPECT_FALSE(frame->Doc()->IsReadOnly());
  EXPECT_TRUE(m_log.shown.empty());
  const QString text = frame->View()->toPlainText();
  EXPECT_TRUE(text.contains(QStringLiteral("\"ソ表\\\""))) << text.toStdString();
  EXPECT_TRUE(text.contains(QStringLiteral("\"ｱｲｳﾞﾟ\""))) << text.toStdString();
  EXPECT_TRUE(text.contains(QStringLiteral("～①"))) << text.toStdString();

  ASSERT_TRUE(frame->SaveDocument());
  EXPECT_EQ(K7QReadFile(m_path), kCp932File);
}

TEST_F(EditorFile, EditedTextIsWrittenInCp932WithTheFilesLineEnds) {
  struct Case {
    const char* rule;
    std::string before;
    std::string after;
    const char* afterUtf8;
  };
  const Case cases[] = {
      {"CR LF file", "\x83\x5c\r\n", "\x83\x5c\r\n\xc3\xbd\xc4\r\n", "ソ\r\nﾃｽﾄ\r\n"},
      {"LF-only file stays LF", "\x83\x5c\n", "\x83\x5c\n\xc3\xbd\xc4\n", "ソ\nﾃｽﾄ\n"},
  };
  for (const Case& c : cases) {
    CK7QTempDir dir;
    const std::string path = dir.File("m.k7q");
    K7QWriteFile(path, c.before);
    CK7QBldEditorApp app;
    ASSERT_TRUE(app.InitInstance({Q(path)}));
    CK7QBldEditView* view = app.MainFrame()->View();
    view->moveCursor(QTextCursor::End);
    view->insertPlainText(QStringLiteral("ﾃｽﾄ\n"));
    ASSERT_TRUE(app.MainFrame()->SaveDocument()) << c.rule;
    EXPECT_EQ(K7QReadFile(path), c.after) << c.rule;
    // iconv in the core agrees with the editor's conversion.
    EXPECT_EQ(K7QReadFile(path), K7QSjis(c.afterUtf8)) << c.rule;
  }
}

TEST(EditorFileReadOnly, FilesThatWouldChangeOnSaveOpenReadOnly) {
  struct Case {
    const char* rule;
    std::string bytes;
  };
  const Case cases[] = {
      {"lead byte without a trail byte", "ab\x83"},
      {"invalid trail byte", "a\x83\x20z"},
      {"byte that is no CP932 code", "a\xff"},
      {"bare CR line ends", "a\rb\r"},
      {"mixed line ends", "a\r\nb\nc"},
      {"IBM row duplicate of an NEC-selected code", "\xed\x40"},
  };
  for (const Case& c : cases) {
    CK7QTempDir dir;
    const std::string path = dir.File("m.k7q");
    K7QWriteFile(path, c.bytes);
    SK7QPromptLog log;
    CK7QBldEditorApp app;
    ASSERT_TRUE(app.InitInstance({Q(path)}, log.Prompt())) << c.rule;
    CMainFrame* frame = app.MainFrame();
    EXPECT_TRUE(frame->Doc()->IsReadOnly()) << c.rule;
    EXPECT_TRUE(frame->View()->isReadOnly()) << c.rule;
    EXPECT_FALSE(frame->Action(QStringLiteral("save"))->isEnabled()) << c.rule;
    ASSERT_EQ(log.shown.size(), 1u) << c.rule;
    EXPECT_EQ(log.shown[0].icon, QMessageBox::Warning) << c.rule;
    EXPECT_TRUE(log.shown[0].text.contains(QStringLiteral("読み取り専用"))) << c.rule;

    // Even a forced save leaves the file alone.
    EXPECT_FALSE(frame->SaveDocument()) << c.rule;
    EXPECT_EQ(K7QReadFile(path), c.bytes) << c.rule;
  }
}

TEST_F(EditorFile, CharacterWithoutCp932CodeIsRefusedNotSubstituted) {
  CMainFrame* frame = Open("abc\r\n");
  ASSERT_NE(frame, nullptr);
  frame->View()->moveCursor(QTextCursor::End);
  frame->View()->insertPlainText(QStringLiteral("é😀"));
  EXPECT_FALSE(frame->SaveDocument());
  ASSERT_EQ(m_log.shown.size(), 1u);
  EXPECT_EQ(m_log.shown[0].icon, QMessageBox::Critical);
  EXPECT_TRUE(m_log.shown[0].text.contains(QStringLiteral("U+00E9")))
      << m_log.shown[0].text.toStdString();
  EXPECT_EQ(K7QReadFile(m_path), "abc\r\n");
  EXPECT_TRUE(frame->Doc()->IsModified());
}

}  // namespace
