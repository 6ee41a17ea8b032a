// Start-up of the editor: the command line, the missing file and the caption.
#include <gtest/gtest.h>

#include <QAction>
#include <QFileInfo>

#include "EditorTestSupport.h"
#include "K7QBldEditDoc.h"
#include "K7QBldEditor.h"
#include "K7QTestSupport.h"

namespace {

struct CommandLineCase {
  const char* rule;
  QStringList arguments;
  QString fileName;
  QString title;
};

TEST(EditorCommandLine, FileAndTitle) {
  const CommandLineCase cases[] = {
      {"the builder's form: macro, -t, title",
       {"/tmp/m.k7q", "-t", "Title"},
       "/tmp/m.k7q",
       "Title"},
      {"a later plain word replaces the title",
       {"m.k7q", "-t", "First", "Second"},
       "m.k7q",
       "Second"},
      {"the first plain word is the file even in title mode", {"-t", "One", "Two"}, "One", "Two"},
      {"another flag ends the title mode", {"m.k7q", "-t", "T", "-x", "later"}, "m.k7q", "T"},
      {"-t is matched whole, not as a prefix", {"m.k7q", "-title", "X"}, "m.k7q", ""},
      {"no -t: no title, later words ignored", {"a.k7q", "b.k7q"}, "a.k7q", ""},
      {"nothing: new document", {}, "", ""},
  };
  for (const CommandLineCase& c : cases) {
    const SK7QEditCommandLine parsed = CK7QBldEditorApp::ParseCommandLine(c.arguments);
    EXPECT_EQ(parsed.fileName, c.fileName) << c.rule;
    EXPECT_EQ(parsed.title, c.title) << c.rule;
  }
}

TEST(EditorStart, MissingFileIsCreatedEmptyAndOpened) {
  CK7QTempDir dir;
  const std::string path = dir.File("new.k7q");
  SK7QPromptLog log;
  CK7QBldEditorApp app;
  ASSERT_TRUE(app.InitInstance({Q(path)}, log.Prompt()));
  EXPECT_TRUE(QFileInfo::exists(Q(path)));
  EXPECT_EQ(QFileInfo(Q(path)).size(), 0);
  EXPECT_EQ(app.MainFrame()->Doc()->PathName(), Q(path));
  EXPECT_FALSE(app.MainFrame()->Doc()->IsReadOnly());
  EXPECT_TRUE(log.shown.empty());

  // Typed text goes into the created file.
  app.MainFrame()->View()->setPlainText(QStringLiteral("a\nb"));
  ASSERT_TRUE(app.MainFrame()->SaveDocument());
  EXPECT_EQ(K7QReadFile(path), "a\r\nb");
}

TEST(EditorStart, FileThatCannotBeCreatedEndsTheProgram) {
  CK7QTempDir dir;
  const std::string path = dir.File("no/such/folder/m.k7q");
  SK7QPromptLog log;
  CK7QBldEditorApp app;
  EXPECT_FALSE(app.InitInstance({Q(path)}, log.Prompt()));
  EXPECT_EQ(app.MainFrame(), nullptr);
  ASSERT_EQ(log.shown.size(), 1u);
  EXPECT_EQ(log.shown[0].icon, QMessageBox::Critical);
  EXPECT_TRUE(log.shown[0].text.contains(Q(path)));
  EXPECT_FALSE(QFileInfo::exists(Q(path)));
}

TEST(EditorStart, ExistingFileIsNotTruncated) {
  CK7QTempDir dir;
  const std::string path = dir.File("m.k7q");
  K7QWriteFile(path, "keep\r\n");
  CK7QBldEditorApp app;
  ASSERT_TRUE(app.InitInstance({Q(path)}));
  EXPECT_EQ(app.MainFrame()->View()->toPlainText(), QStringLiteral("keep\n"));
  EXPECT_EQ(K7QReadFile(path), "keep\r\n");
}

TEST(EditorStart, CaptionEndsWithTheLastTitleWord) {
  CK7QTempDir dir;
  const std::string path = dir.File("macro.k7q");
  CK7QBldEditorApp app;
  ASSERT_TRUE(app.InitInstance({Q(path), "-t", "First", "Second"}));
  const QString caption = app.MainFrame()->windowTitle();
  EXPECT_TRUE(caption.startsWith(QStringLiteral("macro.k7q"))) << caption.toStdString();
  EXPECT_TRUE(caption.endsWith(QStringLiteral(" - Second"))) << caption.toStdString();
  EXPECT_FALSE(caption.contains(QStringLiteral("K7QBldEditor"))) << caption.toStdString();
  EXPECT_FALSE(caption.contains(QStringLiteral("First"))) << caption.toStdString();

  // The given title stays after a save.
  app.MainFrame()->View()->setPlainText(QStringLiteral("x"));
  ASSERT_TRUE(app.MainFrame()->SaveDocument());
  EXPECT_TRUE(app.MainFrame()->windowTitle().endsWith(QStringLiteral(" - Second")));
}

TEST(EditorStart, CaptionKeepsTheApplicationNameWithoutTitle) {
  CK7QTempDir dir;
  const std::string path = dir.File("macro.k7q");
  CK7QBldEditorApp app;
  ASSERT_TRUE(app.InitInstance({Q(path), "Ignored"}));
  EXPECT_EQ(app.MainFrame()->windowTitle(), QStringLiteral("macro.k7q[*] - K7QBldEditor"));
}

TEST(EditorStart, CommandsWithoutBehaviourAreDisabled) {
  CK7QBldEditorApp app;
  ASSERT_TRUE(app.InitInstance({}));
  CMainFrame* frame = app.MainFrame();
  EXPECT_FALSE(frame->Action(QStringLiteral("update"))->isEnabled());
  EXPECT_FALSE(frame->Action(QStringLiteral("32771"))->isEnabled());
  EXPECT_TRUE(frame->Action(QStringLiteral("32772"))->isEnabled());
  EXPECT_TRUE(frame->Action(QStringLiteral("32773"))->isEnabled());
  EXPECT_EQ(frame->Action(QStringLiteral("save"))->text(),
            QStringLiteral("上書き保存(&S)\tCtrl+S"));
}

struct CloseCase {
  const char* rule;
  QMessageBox::StandardButton answer;
  bool closes;
  std::string fileAfter;
};

TEST(EditorStart, CloseAsksToSaveChanges) {
  const CloseCase cases[] = {
      {"yes saves, then closes", QMessageBox::Yes, true, "old\r\nnew"},
      {"no closes without saving", QMessageBox::No, true, "old"},
      {"cancel stays open, file untouched", QMessageBox::Cancel, false, "old"},
  };
  for (const CloseCase& c : cases) {
    CK7QTempDir dir;
    const std::string path = dir.File("m.k7q");
    K7QWriteFile(path, "old");
    SK7QPromptLog log;
    CK7QBldEditorApp app;
    ASSERT_TRUE(app.InitInstance({Q(path)}, log.Prompt()));
    CMainFrame* frame = app.MainFrame();
    frame->show();
    frame->View()->moveCursor(QTextCursor::End);
    frame->View()->insertPlainText(QStringLiteral("\nnew"));
    log.answers.push_back(c.answer);
    EXPECT_EQ(frame->close(), c.closes) << c.rule;
    ASSERT_EQ(log.shown.size(), 1u) << c.rule;
    EXPECT_TRUE(log.shown[0].text.contains(QStringLiteral("m.k7q"))) << c.rule;
    EXPECT_EQ(K7QReadFile(path), c.fileAfter) << c.rule;
  }
}

TEST(EditorStart, UnmodifiedDocumentClosesWithoutAsking) {
  CK7QTempDir dir;
  SK7QPromptLog log;
  CK7QBldEditorApp app;
  ASSERT_TRUE(app.InitInstance({Q(dir.File("m.k7q"))}, log.Prompt()));
  app.MainFrame()->show();
  EXPECT_TRUE(app.MainFrame()->close());
  EXPECT_TRUE(log.shown.empty());
}

}  // namespace
