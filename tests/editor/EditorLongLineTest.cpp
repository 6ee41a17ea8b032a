// A very long line shows as rows of the view; for the author and for the file
// it stays one line: the rows add no bytes, and deleting, new lines, finding,
// replacing and copying treat them as the one line they are.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QTest>
#include <QTextBlock>
#include <functional>

#include "EditorTestSupport.h"
#include "K7QBldEditDoc.h"
#include "K7QBldEditText.h"
#include "K7QBldEditor.h"
#include "K7QTestSupport.h"

namespace {

constexpr int kRow = CK7QBldEditText::kMaxRowLength;

// 1,300 characters, three rows (512, 512, 276), in which every dozen
// characters are found once: the numbers 0, 1, 2, ... separated by commas.
std::string LongLine() {
  std::string line;
  for (int i = 0; line.size() < 1300; ++i) line += std::to_string(i) + ",";
  return line.substr(0, 1300);
}

const std::string kHead = "head\r\n";
const std::string kTail = "\r\ntail\r\n";

// A macro file opened in the editor.
class CRowFile {
 public:
  explicit CRowFile(const std::string& bytes) {
    K7QWriteFile(m_path, bytes);
    EXPECT_TRUE(m_app.InitInstance({Q(m_path)}, m_log.Prompt()));
    EXPECT_FALSE(m_app.MainFrame()->Doc()->IsReadOnly());
  }
  CK7QBldEditView* View() const { return m_app.MainFrame()->View(); }
  std::string Saved() {
    if (!m_app.MainFrame()->SaveDocument()) return "(not saved)";
    return K7QReadFile(m_path);
  }
  // Cursor at `column` of the view's block `block`.
  void Place(int block, int column) {
    QTextCursor cursor(View()->document()->findBlockByNumber(block));
    cursor.setPosition(cursor.position() + column);
    View()->setTextCursor(cursor);
  }

 private:
  CK7QTempDir m_dir;
  std::string m_path = m_dir.File("m.k7q");
  SK7QPromptLog m_log;
  CK7QBldEditorApp m_app;
};

TEST(EditorLongLine, ShowsAsRowsAndSavesAsOneLine) {
  const std::string line = LongLine();
  CRowFile file(kHead + line + kTail);
  QTextDocument* document = file.View()->document();
  // head, three rows, tail, the empty last line.
  ASSERT_EQ(document->blockCount(), 6);
  EXPECT_EQ(document->findBlockByNumber(1).length() - 1, kRow);
  EXPECT_EQ(document->findBlockByNumber(3).length() - 1, 1300 - 2 * kRow);
  const bool continues[] = {false, false, true, true, false, false};
  for (int i = 0; i < 6; ++i)
    EXPECT_EQ(CK7QBldEditText::ContinuesRow(document->findBlockByNumber(i)), continues[i]) << i;
  EXPECT_EQ(file.Saved(), kHead + line + kTail);
}

TEST(EditorLongLine, OneLineWithoutLineEndRoundTrips) {
  std::string line;
  for (int i = 0; i < 3000; ++i) line += i % 7 ? "\x83\x5c" : "<";  // "ソ" and "<"
  CRowFile file(line);
  EXPECT_GT(file.View()->document()->blockCount(), 3);
  EXPECT_EQ(file.Saved(), line);
}

struct RowCase {
  const char* rule;
  std::function<void(CRowFile&, CK7QBldEditView*)> edit;
  std::string line;  // the long line after the edit
};

TEST(EditorLongLineEdits, EditsAtRowBreaksActOnTheLine) {
  const std::string line = LongLine();
  auto without = [&](int at) { return line.substr(0, at) + line.substr(at + 1); };
  const RowCase cases[] = {
      {"typing inside a row",
       [](CRowFile& t, CK7QBldEditView* v) {
         t.Place(2, 10);
         QTest::keyClicks(v, QStringLiteral("X"));
       },
       line.substr(0, kRow + 10) + "X" + line.substr(kRow + 10)},
      {"Backspace at the start of a row deletes the character before the break",
       [](CRowFile& t, CK7QBldEditView* v) {
         t.Place(2, 0);
         QTest::keyClick(v, Qt::Key_Backspace);
       },
       without(kRow - 1)},
      {"Delete at the end of a row deletes the character after the break",
       [](CRowFile& t, CK7QBldEditView* v) {
         t.Place(1, kRow);
         QTest::keyClick(v, Qt::Key_Delete);
       },
       without(kRow)},
      {"Enter at the start of a row makes the break a line end",
       [](CRowFile& t, CK7QBldEditView* v) {
         t.Place(2, 0);
         QTest::keyClick(v, Qt::Key_Return);
       },
       line.substr(0, kRow) + "\r\n" + line.substr(kRow)},
      {"Enter at the end of a row does the same",
       [](CRowFile& t, CK7QBldEditView* v) {
         t.Place(1, kRow);
         QTest::keyClick(v, Qt::Key_Return);
       },
       line.substr(0, kRow) + "\r\n" + line.substr(kRow)},
      {"Enter inside a row",
       [](CRowFile& t, CK7QBldEditView* v) {
         t.Place(3, 5);
         QTest::keyClick(v, Qt::Key_Return);
       },
       line.substr(0, 2 * kRow + 5) + "\r\n" + line.substr(2 * kRow + 5)},
  };
  for (const RowCase& c : cases) {
    CRowFile file(kHead + line + kTail);
    c.edit(file, file.View());
    if (std::string(c.rule).starts_with("Enter at")) {
      EXPECT_EQ(file.View()->document()->blockCount(), 6) << c.rule << ": no empty row is left";
    }
    EXPECT_EQ(file.Saved(), kHead + c.line + kTail) << c.rule;
  }
}

TEST(EditorLongLine, FindReplaceAndCopyAcrossARowBreak) {
  const std::string line = LongLine();
  CRowFile file(kHead + line + kTail);
  CK7QBldEditView* view = file.View();
  const QString across = QString::fromStdString(line.substr(kRow - 6, 12));

  SK7QFindOptions options;
  options.text = across;
  options.matchCase = true;
  view->moveCursor(QTextCursor::Start);
  ASSERT_TRUE(view->FindText(options));
  EXPECT_EQ(view->SelectedText(), across);
  EXPECT_EQ(view->textCursor().selectionStart(), 5 + kRow - 6);

  view->copy();
  EXPECT_EQ(QApplication::clipboard()->text(), across);

  // Backwards from the end finds the same place.
  view->moveCursor(QTextCursor::End);
  options.forward = false;
  ASSERT_TRUE(view->FindText(options));
  EXPECT_EQ(view->SelectedText(), across);

  options.replacement = QStringLiteral("#");
  EXPECT_EQ(view->ReplaceAllText(options), 1);
  EXPECT_EQ(file.Saved(), kHead + line.substr(0, kRow - 6) + "#" + line.substr(kRow + 6) + kTail);
}

TEST(EditorLongLine, ReplaceAllAcrossSeveralRowBreaksIsOneUndoStep) {
  // Two lines of three rows; "ab" ends every row and "cd" begins the next.
  std::string row(kRow, '.');
  row.replace(kRow - 2, 2, "ab");
  const std::string line = row + "cd" + row.substr(2) + "cd" + row.substr(2, 100);
  const std::string file = "ab\r\n" + line + "\n" + line + "\r\ncd\r\n";
  CRowFile opened(file);
  CK7QBldEditView* view = opened.View();
  SK7QFindOptions options;
  options.text = QStringLiteral("abcd");
  options.replacement = QStringLiteral("=");
  EXPECT_EQ(view->ReplaceAllText(options), 4);
  std::string replaced = line;
  for (size_t at = replaced.find("abcd"); at != std::string::npos; at = replaced.find("abcd"))
    replaced.replace(at, 4, "=");
  EXPECT_EQ(opened.Saved(), "ab\r\n" + replaced + "\n" + replaced + "\r\ncd\r\n");
  view->undo();
  EXPECT_EQ(opened.Saved(), file);
}

TEST(EditorLongLine, PastedLongLineIsCutIntoRows) {
  CRowFile file("a\r\nb\r\n");
  const std::string line = LongLine();
  QApplication::clipboard()->setText(QString::fromStdString(line) + QStringLiteral("\n"));
  file.Place(1, 0);
  file.View()->paste();
  EXPECT_EQ(file.View()->document()->blockCount(), 3 + 3);
  EXPECT_EQ(file.Saved(), "a\r\n" + line + "\r\nb\r\n");
}

TEST(EditorLongLineRows, SurrogatePairsAreNeverCut) {
  QTextDocument document;
  CK7QBldEditText text(&document);
  QString line(kRow - 1, QLatin1Char('x'));
  line += QString::fromUtf8("\U0001F600");  // halves at kRow - 1 and kRow
  line += QString(kRow, QLatin1Char('y'));
  QTextCursor cursor(&document);
  CK7QBldEditText::InsertText(cursor, line);
  ASSERT_GT(document.blockCount(), 1);
  for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
    EXPECT_FALSE(block.text().startsWith(QChar(0xDE00))) << block.blockNumber();
  QString bad;
  EXPECT_FALSE(text.Save(EK7QLineEnd::CrLf, &bad));
  EXPECT_EQ(bad, QString::fromUtf8("\U0001F600"));
}

}  // namespace
