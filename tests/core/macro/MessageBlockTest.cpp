#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "K7QBldGroceries.h"
#include "K7QBldMessageBlock.h"
#include "K7QTestSupport.h"

namespace {

TEST(MessageBlock, EmptyBlockWritesNoSectionAtAll) {
  CK7QBldMessageBlock block;
  EXPECT_EQ(block.GetSectionText(), "");
  EXPECT_EQ(block.GetPosition(), kMessagePositionBeforeReport);
}

TEST(MessageBlock, SectionTextListsItemsInOrder) {
  CK7QBldMessageBlock block;
  EXPECT_EQ(block.Put("No rows", "+100", kMessageActionContinue), 0);
  EXPECT_EQ(block.Put("Duplicate", "-803", kMessageActionExit), 1);
  EXPECT_EQ(block.GetSectionText(),
            "%MESSAGE{\n"
            "+100: \"No rows\": continue\n"
            "-803: \"Duplicate\": exit\n"
            "%}\n");
}

TEST(MessageBlock, PutReplacesSameCodeInPlaceIgnoringCase) {
  CK7QBldMessageBlock block;
  block.Put("a", "+default", kMessageActionContinue);
  block.Put("b", "+100", kMessageActionContinue);
  EXPECT_EQ(block.Put("c", "+DEFAULT", kMessageActionExit), 0);
  ASSERT_EQ(block.GetCount(), 2);
  std::string text, code;
  int action = -1;
  block.GetAt(0, text, code, action);
  EXPECT_EQ(text, "c");
  EXPECT_EQ(code, "+DEFAULT");
  EXPECT_EQ(action, kMessageActionExit);
  EXPECT_EQ(block.FindCode("+Default"), 0);
  EXPECT_EQ(block.FindCode("-803"), -1);

  block.GetAt(2, text, code, action);
  EXPECT_EQ(text, "");
  EXPECT_EQ(code, "");
  EXPECT_EQ(action, kMessageActionExit);
}

struct LineCase {
  const char* line;
  bool stored;
  const char* code;
  const char* text;
  int action;
};

TEST(MessageBlock, ReadsMessageLinesBack) {
  const LineCase cases[] = {
      // Cut at the first and the last colon, trimmed; the text's enclosing
      // quotes removed, its own quotes and colons kept.
      {"-803: \"X\": exit", true, "-803", "X", kMessageActionExit},
      {"  +100 :\"no \"\"rows\": continue  ", true, "+100", "no \"\"rows", kMessageActionContinue},
      {"-803: \"a:b\": exit", true, "-803", "a:b", kMessageActionExit},
      {"-803: \"see \"manual\": p. 3\": exit", true, "-803", "see \"manual\": p. 3",
       kMessageActionExit},
      {"+100: written by hand: continue", true, "+100", "written by hand", kMessageActionContinue},
      // Action words compare ignoring case.
      {"-default: \"Y\": CONTINUE", true, "-default", "Y", kMessageActionContinue},
      {"-900: \"Z\": Exit", true, "-900", "Z", kMessageActionExit},
      // One colon, none, nothing, no code.
      {"-803: \"X\"", false, "", "", 0},
      {"%MESSAGE{", false, "", "", 0},
      {"", false, "", "", 0},
      {": \"X\": exit", false, "", "", 0},
      // An action that is neither exit nor continue is not guessed at.
      {"-803: \"X\": abort", false, "", "", 0},
      {"-803: \"X\": ", false, "", "", 0},
  };
  for (const LineCase& c : cases) {
    SCOPED_TRACE(c.line);
    CK7QBldMessageBlock block;
    const int index = block.ReadMessageLine(c.line);
    if (!c.stored) {
      EXPECT_EQ(index, -1);
      EXPECT_EQ(block.GetCount(), 0);
      continue;
    }
    ASSERT_EQ(index, 0);
    const CK7QBldMessageItem& item = block.Items()[0];
    EXPECT_EQ(item.code, c.code);
    EXPECT_EQ(item.text, c.text);
    EXPECT_EQ(item.action, c.action);
  }
}

TEST(MessageBlock, UnreadableLinesAreReported) {
  CK7QScriptedUi ui;
  CK7QBldGroceries groceries(ui);
  CK7QBldMessageBlock block(&groceries);
  EXPECT_EQ(block.ReadMessageLine("-803: \"X\": abort"), -1);
  EXPECT_EQ(block.ReadMessageLine("   "), -1);
  // Only the line that held something is reported, with its text.
  ASSERT_EQ(ui.Ids(), std::vector<unsigned>{kIdsMessageLineUnreadable});
  EXPECT_NE(ui.m_shown[0].text.find("-803: \"X\": abort"), std::string::npos);
}

TEST(MessageBlock, SectionTextReadsBackToTheSameBlock) {
  CK7QBldMessageBlock block;
  block.Put(K7QSjis("該当データがありません"), "+100", kMessageActionContinue);
  block.Put("Table not found", "-204", kMessageActionExit);
  block.Put("Other", "-default", kMessageActionContinue);
  // Texts with colons and double quotes of their own.
  block.Put("see \"manual\": page 3", "-803", kMessageActionExit);
  block.Put("a:b:c", "-900", kMessageActionExit);

  CK7QBldMessageBlock back;
  const std::string text = block.GetSectionText();
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t lf = text.find('\n', start);
    const std::string line = text.substr(start, lf - start);
    if (line != "%MESSAGE{" && line != "%}") {
      EXPECT_GE(back.ReadMessageLine(line), 0) << line;
    }
    start = lf + 1;
  }
  EXPECT_EQ(back, block);
  EXPECT_EQ(back.GetSectionText(), text);
}

TEST(MessageBlock, CopyFromTakesPositionAndItems) {
  CK7QBldMessageBlock source;
  source.SetPosition(kMessagePositionAfterReport);
  source.Put("a", "+100", kMessageActionContinue);
  CK7QBldMessageBlock target;
  target.Put("old", "-803", kMessageActionExit);
  target.Put("older", "-900", kMessageActionExit);
  EXPECT_TRUE(target.CopyFrom(source));
  EXPECT_EQ(target, source);
  EXPECT_EQ(target.GetPosition(), kMessagePositionAfterReport);
  EXPECT_EQ(target.FindCode("-803"), -1);
  EXPECT_TRUE(target.CopyFrom(target));
  EXPECT_EQ(target.GetCount(), 1);
}

}  // namespace
