// Each line keeps its own line end: files with mixed line ends open for
// editing and come back byte for byte; an edit changes only the bytes it
// touches, as if the author edited the file's bytes themselves.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QRandomGenerator>
#include <QTest>
#include <QTextBlock>
#include <functional>

#include "EditorTestSupport.h"
#include "K7QBldEditDoc.h"
#include "K7QBldEditText.h"
#include "K7QBldEditor.h"
#include "K7QTestSupport.h"

namespace {

TEST(EditorLineEnds, MixedLineEndsOpenForEditingAndSurviveSave) {
  const std::string cases[] = {
      // A converted report page: one bare LF among CR LF.
      "%HTML(REPORT){\r\n<P>$(V_A)</P>\r\n%}\n%MESSAGE{\r\n%}\r\n",
      "a\rb\r",
      "a\r\nb\rc\r\n",
      "a\r\r\nb",
      "\n\n\r\n\r\r",
      "lf\nlf\ncrlf\r\nno end",
      "\x83\x5c\r\n\x95\x5c\n\x81\x60\r",
      "\r",
  };
  for (const std::string& bytes : cases) {
    CK7QTempDir dir;
    const std::string path = dir.File("m.k7q");
    K7QWriteFile(path, bytes);
    SK7QPromptLog log;
    CK7QBldEditorApp app;
    ASSERT_TRUE(app.InitInstance({Q(path)}, log.Prompt()));
    EXPECT_FALSE(app.MainFrame()->Doc()->IsReadOnly()) << bytes;
    EXPECT_TRUE(log.shown.empty()) << bytes;
    ASSERT_TRUE(app.MainFrame()->SaveDocument()) << bytes;
    EXPECT_EQ(K7QReadFile(path), bytes);
  }
}

// Puts the cursor at `column` of block `block`.
void Place(CK7QBldEditView* view, int block, int column) {
  QTextCursor cursor(view->document()->findBlockByNumber(block));
  cursor.movePosition(QTextCursor::Right, QTextCursor::MoveAnchor, column);
  view->setTextCursor(cursor);
}

void PlaceAtEnd(CK7QBldEditView* view, int block) {
  QTextCursor cursor(view->document()->findBlockByNumber(block));
  cursor.movePosition(QTextCursor::EndOfBlock);
  view->setTextCursor(cursor);
}

void Key(CK7QBldEditView* view, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QTest::keyClick(view, key, modifiers);
}

void Type(CK7QBldEditView* view, const char* text) { QTest::keyClicks(view, QLatin1String(text)); }

void Paste(CK7QBldEditView* view, const QString& text) {
  QApplication::clipboard()->setText(text);
  view->paste();
}

// Opens `bytes`, applies `edit` and gives the bytes a save writes.
std::string EditAndSave(const std::string& bytes,
                        const std::function<void(CK7QBldEditView*)>& edit) {
  CK7QTempDir dir;
  const std::string path = dir.File("m.k7q");
  K7QWriteFile(path, bytes);
  SK7QPromptLog log;
  CK7QBldEditorApp app;
  if (!app.InitInstance({Q(path)}, log.Prompt()) || app.MainFrame()->Doc()->IsReadOnly())
    return "(not opened)";
  edit(app.MainFrame()->View());
  if (!app.MainFrame()->SaveDocument()) return "(not saved)";
  return K7QReadFile(path);
}

struct EditCase {
  const char* rule;
  std::string before;
  std::function<void(CK7QBldEditView*)> edit;
  std::string after;
};

TEST(EditorLineEnds, EditsChangeOnlyTheBytesTheyTouch) {
  const std::string abc = "A\r\nB\nC\r\n";  // most common: CR LF
  const EditCase cases[] = {
      {"typing keeps every line end", abc,
       [](CK7QBldEditView* v) {
         Place(v, 2, 0);
         Type(v, "x");
       },
       "A\r\nB\nxC\r\n"},
      {"Enter inserts the most common line end at the cursor", abc,
       [](CK7QBldEditView* v) {
         PlaceAtEnd(v, 1);
         Key(v, Qt::Key_Return);
         Type(v, "X");
       },
       "A\r\nB\r\nX\nC\r\n"},
      {"Enter at the start of a line", abc,
       [](CK7QBldEditView* v) {
         Place(v, 1, 0);
         Key(v, Qt::Key_Enter);
       },
       "A\r\n\r\nB\nC\r\n"},
      {"Shift+Enter is a new line as well, never a separator character", "A\nB\nC\r\n",
       [](CK7QBldEditView* v) {
         PlaceAtEnd(v, 0);
         Key(v, Qt::Key_Return, Qt::ShiftModifier);
       },
       "A\n\nB\nC\r\n"},
      {"Enter in a file without line ends gives CR LF", "ab",
       [](CK7QBldEditView* v) {
         Place(v, 0, 1);
         Key(v, Qt::Key_Return);
       },
       "a\r\nb"},
      {"Backspace joins lines: the last one's end stays", abc,
       [](CK7QBldEditView* v) {
         Place(v, 2, 0);
         Key(v, Qt::Key_Backspace);
       },
       "A\r\nBC\r\n"},
      {"Backspace joins lines: the rare end goes with the line it ended", abc,
       [](CK7QBldEditView* v) {
         Place(v, 1, 0);
         Key(v, Qt::Key_Backspace);
       },
       "AB\nC\r\n"},
      {"Delete at the end of a line", abc,
       [](CK7QBldEditView* v) {
         PlaceAtEnd(v, 0);
         Key(v, Qt::Key_Delete);
       },
       "AB\nC\r\n"},
      {"joining a line with the empty line before it", "A\n\r\nB\r\n",
       [](CK7QBldEditView* v) {
         Place(v, 2, 0);
         Key(v, Qt::Key_Backspace);
       },
       "A\nB\r\n"},
      {"joining a line with the empty line after it", "A\n\r\nB\r\n",
       [](CK7QBldEditView* v) {
         PlaceAtEnd(v, 0);
         Key(v, Qt::Key_Delete);
       },
       "A\r\nB\r\n"},
      {"typing over a selection of several lines", "A1\r\nB\nC1\r\nD\n",
       [](CK7QBldEditView* v) {
         QTextCursor cursor(v->document());
         cursor.setPosition(1);
         cursor.setPosition(v->document()->findBlockByNumber(2).position() + 1,
                            QTextCursor::KeepAnchor);
         v->setTextCursor(cursor);
         Type(v, "Z");
       },
       "AZ1\r\nD\n"},
      {"a line typed into an empty line after a rare end ends in the common one", "A\n\r\nB\r\n",
       [](CK7QBldEditView* v) {
         Place(v, 1, 0);
         Type(v, "x");
         Key(v, Qt::Key_Return);
         Type(v, "y");
       },
       "A\nx\r\ny\r\nB\r\n"},
      {"pasted line ends all become the most common one", "A\nB\nC\r\n",
       [](CK7QBldEditView* v) {
         PlaceAtEnd(v, 0);
         Paste(v, QStringLiteral("1\r\n2\r3\n4"));
       },
       "A1\n2\n3\n4\nB\nC\r\n"},
      {"a bare CR stays", "a\rb\r\nc",
       [](CK7QBldEditView* v) {
         PlaceAtEnd(v, 2);
         Type(v, "x");
       },
       "a\rb\r\ncx"},
  };
  for (const EditCase& c : cases) EXPECT_EQ(EditAndSave(c.before, c.edit), c.after) << c.rule;
}

// The line end marked on each separator and the copy in the block states
// agree, whatever was done; a save reads the copy.
void ExpectStatesMatchSeparators(QTextDocument* document, const char* when) {
  for (QTextBlock block = document->begin(); block.isValid(); block = block.next())
    ASSERT_EQ(CK7QBldEditText::ContinuesRow(block), CK7QBldEditText::ContinuesRowNow(block))
        << when << " block " << block.blockNumber();
}

std::string SavedBytes(CMainFrame* frame) {
  const std::optional<QByteArray> bytes = frame->View()->Text()->Save(frame->Doc()->LineEnd());
  return bytes ? bytes->toStdString() : "(not encodable)";
}

TEST(EditorLineEnds, UndoAndRedoRestoreEveryLineEndExactly) {
  CK7QTempDir dir;
  const std::string path = dir.File("m.k7q");
  std::string original = "first\r\nsecond\nthird\rfourth\r\n\n\r\n";
  original += std::string(1500, 'L') + "\n";  // three rows
  original += "last";
  K7QWriteFile(path, original);
  SK7QPromptLog log;
  CK7QBldEditorApp app;
  ASSERT_TRUE(app.InitInstance({Q(path)}, log.Prompt()));
  CK7QBldEditView* view = app.MainFrame()->View();
  QTextDocument* document = view->document();

  // A fixed random walk of edits at random places.
  QRandomGenerator random(7);
  for (int step = 0; step < 150; ++step) {
    QTextCursor cursor(document);
    cursor.setPosition(random.bounded(document->characterCount()));
    if (random.bounded(4) == 0)
      cursor.setPosition(random.bounded(document->characterCount()), QTextCursor::KeepAnchor);
    view->setTextCursor(cursor);
    switch (random.bounded(5)) {
      case 0:
        Key(view, Qt::Key_Return);
        break;
      case 1:
        Key(view, Qt::Key_Backspace);
        break;
      case 2:
        Key(view, Qt::Key_Delete);
        break;
      case 3:
        Type(view, "xy");
        break;
      default:
        Paste(view, QStringLiteral("p\nq\rr"));
        break;
    }
    ExpectStatesMatchSeparators(document, "edit");
  }
  const std::string edited = SavedBytes(app.MainFrame());
  EXPECT_NE(edited, original);

  std::vector<std::string> states;
  while (document->isUndoAvailable()) {
    states.push_back(SavedBytes(app.MainFrame()));
    document->undo();
    ExpectStatesMatchSeparators(document, "undo");
  }
  EXPECT_EQ(SavedBytes(app.MainFrame()), original);
  EXPECT_FALSE(document->isModified());
  while (!states.empty()) {
    document->redo();
    ExpectStatesMatchSeparators(document, "redo");
    EXPECT_EQ(SavedBytes(app.MainFrame()), states.back());
    states.pop_back();
  }
  EXPECT_EQ(SavedBytes(app.MainFrame()), edited);
}

TEST(EditorLineEnds, MostCommonLineEnd) {
  struct Case {
    const char* bytes;
    EK7QLineEnd lineEnd;
  };
  const Case cases[] = {
      {"", EK7QLineEnd::CrLf},          // new files are Windows text files
      {"a\nb\r\n", EK7QLineEnd::CrLf},  // a tie goes to CR LF
      {"a\nb\n\r\n", EK7QLineEnd::Lf},  // CR LF counted once, not as CR and LF
      {"a\rb\rc\n", EK7QLineEnd::Cr},   //
      {"\r\r\n", EK7QLineEnd::CrLf},    // CR then CR LF: a tie
      {"a\nb\rc", EK7QLineEnd::Lf},     // LF before CR on a tie
      {"a\rb\r\r\n", EK7QLineEnd::Cr},  //
  };
  for (const Case& c : cases)
    EXPECT_EQ(CK7QBldEditCodec::MostCommonLineEnd(c.bytes), c.lineEnd) << c.bytes;
}

}  // namespace
