// CP932 files pass through the editor byte for byte; what cannot pass is
// refused instead of being damaged.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QAction>
#include <algorithm>
#include <filesystem>
#include <vector>

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
  // A first line of 1 MB - 1 bytes ends with a bare CR exactly where the file
  // is cut into pieces for decoding; the line count must still be right.
  const std::string longLine = std::string((1 << 20) - 1, 'A') + "\r";
  std::string manyLines;
  for (int i = 0; i < 4000; ++i) manyLines += std::string(298, 'x') + "\r\n";
  struct Case {
    const char* rule;
    std::string bytes;
    QString line;
  };
  const Case cases[] = {
      {"lead byte without a trail byte", "ab\x83", "1 行目"},
      {"invalid trail byte", "a\x83\x20z", "1 行目"},
      {"byte that is no CP932 code", "a\xff", "1 行目"},
      {"IBM row duplicate of an NEC-selected code", "\xed\x40", "1 行目"},
      {"the line is named, whatever the line ends", "ok\r\nok\nok\rok\r\n\xff", "5 行目"},
      {"lines counted across decoding pieces", manyLines + "\xed\x40", "4001 行目"},
      {"a bare CR at the end of a piece", longLine + "B\xff\r\n", "2 行目"},
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
    EXPECT_TRUE(log.shown[0].text.contains(c.line)) << c.rule << log.shown[0].text.toStdString();

    // Even a forced save leaves the file alone.
    EXPECT_FALSE(frame->SaveDocument()) << c.rule;
    EXPECT_EQ(K7QReadFile(path), c.bytes) << c.rule;
  }
}

TEST_F(EditorFile, CharacterWithoutCp932CodeIsRefusedNotSubstituted) {
  CMainFrame* frame = Open("abc\r\n\r\n");
  ASSERT_NE(frame, nullptr);
  frame->View()->moveCursor(QTextCursor::End);
  frame->View()->insertPlainText(QStringLiteral("é😀"));
  EXPECT_FALSE(frame->SaveDocument());
  ASSERT_EQ(m_log.shown.size(), 1u);
  EXPECT_EQ(m_log.shown[0].icon, QMessageBox::Critical);
  EXPECT_TRUE(m_log.shown[0].text.contains(QStringLiteral("U+00E9")))
      << m_log.shown[0].text.toStdString();
  EXPECT_TRUE(m_log.shown[0].text.startsWith(QStringLiteral("3 行目")))
      << m_log.shown[0].text.toStdString();
  EXPECT_EQ(K7QReadFile(m_path), "abc\r\n\r\n");
  EXPECT_TRUE(frame->Doc()->IsModified());
}

}  // namespace

namespace {

struct SFileState {
  ino_t inode = 0;
  mode_t mode = 0;
  bool isLink = false;
};

SFileState State(const std::string& path) {
  struct stat st {};
  SFileState state;
  if (::lstat(path.c_str(), &st) != 0) return state;
  state.isLink = S_ISLNK(st.st_mode);
  if (::stat(path.c_str(), &st) != 0) return state;
  state.inode = st.st_ino;
  state.mode = st.st_mode & 07777;
  return state;
}

std::vector<std::string> Names(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(EditorSave, ReplacesTheFileInOneStepKeepingItsMode) {
  CK7QTempDir dir;
  const std::string path = dir.File("m.k7q");
  K7QWriteFile(path, "old\r\n");
  ::chmod(path.c_str(), 0640);
  const SFileState before = State(path);
  SK7QPromptLog log;
  CK7QBldEditorApp app;
  ASSERT_TRUE(app.InitInstance({Q(path)}, log.Prompt()));
  app.MainFrame()->View()->moveCursor(QTextCursor::End);
  app.MainFrame()->View()->insertPlainText(QStringLiteral("new"));
  ASSERT_TRUE(app.MainFrame()->SaveDocument());
  EXPECT_EQ(K7QReadFile(path), "old\r\nnew");
  const SFileState after = State(path);
  EXPECT_NE(after.inode, before.inode) << "written beside it and renamed, not in place";
  EXPECT_EQ(after.mode, 0640u);
  EXPECT_EQ(Names(dir.Path()), std::vector<std::string>{"m.k7q"}) << "no temporary file left";
}

TEST(EditorSave, WritesThroughSymbolicLinksToTheirTarget) {
  CK7QTempDir dir;
  std::filesystem::create_directory(dir.File("real"));
  const std::string target = dir.File("real/m.k7q");
  K7QWriteFile(target, "old");
  ::chmod(target.c_str(), 0604);
  std::filesystem::create_directory(dir.File("links"));
  std::filesystem::create_symlink("../real/m.k7q", dir.File("links/link1"));
  std::filesystem::create_symlink("links/link1", dir.File("link2"));
  SK7QPromptLog log;
  CK7QBldEditorApp app;
  ASSERT_TRUE(app.InitInstance({Q(dir.File("link2"))}, log.Prompt()));
  app.MainFrame()->View()->setPlainText(QStringLiteral("new"));
  ASSERT_TRUE(app.MainFrame()->SaveDocument());
  EXPECT_TRUE(State(dir.File("link2")).isLink);
  EXPECT_TRUE(State(dir.File("links/link1")).isLink);
  EXPECT_TRUE(log.shown.empty());
  EXPECT_EQ(K7QReadFile(target), "new");
  EXPECT_EQ(State(target).mode, 0604u);
  EXPECT_EQ(Names(dir.File("real")), std::vector<std::string>{"m.k7q"});
}

TEST(EditorSave, FailedWriteSaysWhyAndKeepsTheDocument) {
  CK7QTempDir dir;
  const std::string path = dir.File("m.k7q");
  K7QWriteFile(path, "old");
  SK7QPromptLog log;
  CK7QBldEditorApp app;
  ASSERT_TRUE(app.InitInstance({Q(path)}, log.Prompt()));
  app.MainFrame()->View()->insertPlainText(QStringLiteral("new"));
  // A path below a file cannot be written, whoever runs the test.
  const std::string below = path + "/x.k7q";
  QString error;
  EXPECT_FALSE(app.MainFrame()->Doc()->OnSaveDocument(Q(below), &error));
  EXPECT_TRUE(error.contains(Q(below))) << error.toStdString();
  EXPECT_EQ(app.MainFrame()->Doc()->PathName(), Q(path));
  EXPECT_TRUE(app.MainFrame()->Doc()->IsModified());
  EXPECT_EQ(K7QReadFile(path), "old");
}

}  // namespace
