// Find next, replace, and fragments dropped from the builder.
#include <gtest/gtest.h>

#include <QAction>
#include <QCoreApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QSettings>

#include "EditorTestSupport.h"
#include "K7QBldEditDoc.h"
#include "K7QBldEditor.h"
#include "K7QBldFindDialog.h"
#include "K7QTestSupport.h"

namespace {

class EditorFind : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m_app.InitInstance({}, m_log.Prompt()));
    m_frame = m_app.MainFrame();
    m_view = m_frame->View();
  }
  int SelectionStart() const { return m_view->textCursor().selectionStart(); }

  SK7QPromptLog m_log;
  CK7QBldEditorApp m_app;
  CMainFrame* m_frame = nullptr;
  CK7QBldEditView* m_view = nullptr;
};

TEST_F(EditorFind, FindNextWalksTheMatchesAndStopsAtTheEnd) {
  m_view->setPlainText(QStringLiteral("ソabc ABC abc"));
  m_view->moveCursor(QTextCursor::Start);
  m_frame->Action(QStringLiteral("find"))->trigger();
  CK7QBldFindDialog* dialog = m_frame->FindDialog();
  ASSERT_NE(dialog, nullptr);
  SK7QFindOptions options;
  options.text = QStringLiteral("abc");
  options.matchCase = true;
  dialog->SetOptions(options);

  QAction* findNext = m_frame->Action(QStringLiteral("32772"));
  findNext->trigger();
  EXPECT_EQ(SelectionStart(), 1);
  findNext->trigger();
  EXPECT_EQ(SelectionStart(), 9);  // case-sensitive: "ABC" skipped
  EXPECT_TRUE(m_log.shown.empty());
  findNext->trigger();
  EXPECT_EQ(SelectionStart(), 9);
  ASSERT_EQ(m_log.shown.size(), 1u);
  EXPECT_TRUE(m_log.shown[0].text.contains(QStringLiteral("abc")));
}

TEST_F(EditorFind, FindBackwardsAndWholeWords) {
  struct Case {
    const char* rule;
    QString text;
    int cursor;  // where the search starts
    QString find;
    bool forward;
    bool wholeWord;
    int found;  // start of the selected match, -1 for none
  };
  const Case cases[] = {
      {"backwards finds the match before the cursor", "ab ab ab", 5, "ab", false, false, 3},
      {"backwards from the start finds nothing", "ab ab", 0, "ab", false, false, -1},
      {"backwards over lines", "ab\ncd\nef", 7, "ab", false, false, 0},
      {"backwards, a match starts before the cursor", "abc", 2, "abc", false, false, 0},
      {"whole words skip parts of words", "cab ab abc", 0, "ab", true, true, 4},
      {"whole words backwards", "ab abc cab", 10, "ab", false, true, 0},
      {"letters and digits make words, underscore does not", "x1ab_ab", 0, "ab", true, true, 5},
      {"forward over lines", "x\n\nab", 0, "ab", true, false, 3},
  };
  for (const Case& c : cases) {
    m_view->setPlainText(c.text);
    QTextCursor cursor(m_view->document());
    cursor.setPosition(c.cursor);
    m_view->setTextCursor(cursor);
    SK7QFindOptions options;
    options.text = c.find;
    options.forward = c.forward;
    options.wholeWord = c.wholeWord;
    EXPECT_EQ(m_view->FindText(options), c.found >= 0) << c.rule;
    if (c.found < 0) continue;
    EXPECT_EQ(SelectionStart(), c.found) << c.rule;
    EXPECT_EQ(m_view->SelectedText(), c.find) << c.rule;
  }
}

TEST_F(EditorFind, FindNextWithoutSearchOpensTheFindDialog) {
  EXPECT_EQ(m_frame->FindDialog(), nullptr);
  m_frame->Action(QStringLiteral("32772"))->trigger();
  ASSERT_NE(m_frame->FindDialog(), nullptr);
  EXPECT_FALSE(m_frame->FindDialog()->IsReplace());
}

TEST_F(EditorFind, ReplaceAndReplaceAll) {
  struct Case {
    const char* rule;
    QString text;
    QString find;
    QString replacement;
    bool matchCase;
    int count;
    QString after;
  };
  const Case cases[] = {
      {"case-insensitive by default", "abc ABC abc", "abc", "x", false, 3, "x x x"},
      {"match case", "abc ABC abc", "abc", "x", true, 2, "x ABC x"},
      {"replacement containing the text is not replaced again", "a-a", "a", "aa", false, 2,
       "aa-aa"},
      {"Japanese text with 0x5C trail bytes", "ソ\\ソ", "ソ", "表", false, 2, "表\\表"},
      {"nothing to replace", "abc", "z", "x", false, 0, "abc"},
  };
  for (const Case& c : cases) {
    m_view->setPlainText(c.text);
    m_frame->Action(QStringLiteral("32773"))->trigger();
    ASSERT_TRUE(m_frame->FindDialog()->IsReplace());
    SK7QFindOptions options;
    options.text = c.find;
    options.replacement = c.replacement;
    options.matchCase = c.matchCase;
    m_frame->FindDialog()->SetOptions(options);
    EXPECT_EQ(m_frame->EditReplaceAll(), c.count) << c.rule;
    EXPECT_EQ(m_view->toPlainText(), c.after) << c.rule;
  }
  // Replace all is one undo step.
  m_view->setPlainText(QStringLiteral("a a a"));
  SK7QFindOptions options;
  options.text = QStringLiteral("a");
  options.replacement = QStringLiteral("b");
  m_frame->FindDialog()->SetOptions(options);
  EXPECT_EQ(m_frame->EditReplaceAll(), 3);
  m_view->undo();
  EXPECT_EQ(m_view->toPlainText(), QStringLiteral("a a a"));
}

TEST_F(EditorFind, ReplaceChangesTheSelectedMatchThenSelectsTheNext) {
  m_view->setPlainText(QStringLiteral("one two one"));
  m_view->moveCursor(QTextCursor::Start);
  m_frame->Action(QStringLiteral("32773"))->trigger();
  SK7QFindOptions options;
  options.text = QStringLiteral("one");
  options.replacement = QStringLiteral("1");
  m_frame->FindDialog()->SetOptions(options);
  m_frame->EditReplaceNext();  // nothing selected yet: only finds
  EXPECT_EQ(m_view->toPlainText(), QStringLiteral("one two one"));
  EXPECT_EQ(SelectionStart(), 0);
  m_frame->EditReplaceNext();
  EXPECT_EQ(m_view->toPlainText(), QStringLiteral("1 two one"));
  EXPECT_EQ(SelectionStart(), 6);
}

// Sends a drop of `data` onto the view at the place of character `at`.
void DropAt(CK7QBldEditView* view, int at, QMimeData* data) {
  QTextCursor cursor(view->document());
  cursor.setPosition(at);
  const QPointF point = view->cursorRect(cursor).center();
  QDragEnterEvent enter(point.toPoint(), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(view->viewport(), &enter);
  QDropEvent drop(point, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(view->viewport(), &drop);
}

TEST_F(EditorFind, DroppedFragmentsAreInsertedAtTheDropPosition) {
  m_frame->show();
  const QString format = QStringLiteral("application/x-qt-windows-mime;value=\"HTML Format\"");
  EXPECT_EQ(m_view->DropFormat(), format);

  struct Case {
    const char* rule;
    QByteArray builderBytes;  // empty: no builder format
    QString plain;
    QString after;
  };
  const Case cases[] = {
      {"builder format wins, its CP932 decoded", QByteArray("<b>\x83\x5c</b>"), "plain",
       "ab<b>ソ</b>cd"},
      {"terminating NUL of the block dropped", QByteArray("x\0", 2), "", "abxcd"},
      {"plain text alone", QByteArray(), "<i>", "ab<i>cd"},
      {"undecodable builder bytes fall back to plain text", QByteArray("\x83"), "p", "abpcd"},
      {"line ends of a fragment become the document's", QByteArray("1\r\n2\r3"), "", "ab1\n2\n3cd"},
  };
  for (const Case& c : cases) {
    m_view->setPlainText(QStringLiteral("abcd"));
    QMimeData data;
    if (!c.builderBytes.isEmpty()) data.setData(format, c.builderBytes);
    if (!c.plain.isEmpty()) data.setText(c.plain);
    DropAt(m_view, 2, &data);
    EXPECT_EQ(m_view->toPlainText(), c.after) << c.rule;
  }
}

TEST(EditorDrop, FormatComesFromTheBuildersSetting) {
  {
    QSettings settings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Halvard"),
                       QStringLiteral("K7QBld"));
    settings.setValue(QStringLiteral("Settings/DefaultCF"), QStringLiteral("K7Q Fragment"));
  }
  EXPECT_EQ(CK7QBldEditView::DropFormatFromSettings(),
            QStringLiteral("application/x-qt-windows-mime;value=\"K7Q Fragment\""));
  QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Halvard"),
            QStringLiteral("K7QBld"))
      .remove(QStringLiteral("Settings/DefaultCF"));
  EXPECT_EQ(CK7QBldEditView::DropFormatFromSettings(),
            QStringLiteral("application/x-qt-windows-mime;value=\"HTML Format\""));
}

TEST(EditorDrop, ReadOnlyDocumentTakesNoDrop) {
  CK7QTempDir dir;
  const std::string path = dir.File("bad.k7q");
  K7QWriteFile(path, "ab\xff");
  SK7QPromptLog log;
  CK7QBldEditorApp app;
  ASSERT_TRUE(app.InitInstance({Q(path)}, log.Prompt()));
  app.MainFrame()->show();
  CK7QBldEditView* view = app.MainFrame()->View();
  const QString before = view->toPlainText();
  QMimeData data;
  data.setText(QStringLiteral("x"));
  DropAt(view, 1, &data);
  EXPECT_EQ(view->toPlainText(), before);
}

}  // namespace
