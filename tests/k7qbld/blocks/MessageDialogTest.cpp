// The message dialog as the tree's Messages page (the report section's
// block) and as a modal dialog on a function's block.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QRadioButton>
#include <algorithm>

#include "K7QBlocksFixture.h"

namespace {

class MessageDialogTest : public BlocksTest {
 protected:
  // Fills the three combos and adds.
  bool Add(CK7QBldMessage& dialog, const QString& code, const QString& text,
           const QString& action = QStringLiteral("continue")) {
    dialog.CodeCombo()->setCurrentText(code);
    dialog.TextCombo()->setCurrentText(text);
    dialog.ActionCombo()->setCurrentIndex(dialog.ActionCombo()->findText(action));
    return dialog.OnAdd();
  }
  QStringList Items(QComboBox* combo) {
    QStringList items;
    for (int i = 0; i < combo->count(); ++i) items << combo->itemText(i);
    return items;
  }
  QStringList Row(CK7QBldMessage& dialog, int row) {
    const QTreeWidgetItem* item = dialog.List()->topLevelItem(row);
    return {item->text(0), item->text(1), item->text(2)};
  }
};

TEST_F(MessageDialogTest, TheReportPageOffersTheCodeTableAndHidesThePosition) {
  Macro().Messages().Put("gone", "-803", kMessageActionExit);
  CK7QBldMessage* page = MessagePage();
  ASSERT_NE(page, nullptr);
  EXPECT_TRUE(page->findChild<QGroupBox*>("1264")->isHidden());
  EXPECT_FALSE(page->findChild<QRadioButton*>("1262")->isEnabled());
  EXPECT_FALSE(page->findChild<QLabel*>("1274")->isHidden());
  EXPECT_FALSE(page->findChild<QLabel*>("1275")->isHidden());
  EXPECT_TRUE(page->findChild<QLabel*>("1276")->isHidden());
  EXPECT_FALSE(Button(page, CK7QBldMessage::kIdNext)->isHidden());
  // The rows' codes first, then the table's codes not among them.
  EXPECT_EQ(Items(page->CodeCombo()), (QStringList{"-803", "+default", "-default", "+100", "-801",
                                                   "-802", "-900", "-901", "-902", "-912"}));
  EXPECT_EQ(Items(page->TextCombo()).front(), "gone");
  EXPECT_EQ(Items(page->TextCombo()).size(), 11);
  EXPECT_EQ(Items(page->ActionCombo()), (QStringList{"continue", "exit"}));
  EXPECT_EQ(page->ActionCombo()->currentText(), "continue");
  EXPECT_TRUE(page->CodeCombo()->currentText().isEmpty());
  EXPECT_TRUE(page->List()->isEnabled());
  EXPECT_EQ(Row(*page, 0), (QStringList{"-803", "gone", "exit"}));
}

TEST_F(MessageDialogTest, ChoosingACodeOfTheTableFillsItsDefaults) {
  CK7QBldMessage* page = MessagePage();
  ASSERT_NE(page, nullptr);
  EXPECT_FALSE(page->List()->isEnabled());
  EXPECT_FALSE(Button(page, CK7QBldMessage::kIdDelete)->isEnabled());
  page->OnCodeChosen(page->CodeCombo()->findText("-900"));
  EXPECT_EQ(page->TextCombo()->currentText(), m_f.context.String(62407));
  EXPECT_EQ(page->ActionCombo()->currentText(), "exit");
  page->OnCodeChosen(page->CodeCombo()->findText("+100"));
  EXPECT_EQ(page->TextCombo()->currentText(), m_f.context.String(62411));
  EXPECT_EQ(page->ActionCombo()->currentText(), "continue");
  ASSERT_TRUE(page->OnAdd());
  EXPECT_EQ(Row(*page, 0), (QStringList{"+100", m_f.context.String(62411), "continue"}));
  EXPECT_TRUE(page->List()->isEnabled());
  EXPECT_TRUE(Button(page, CK7QBldMessage::kIdDelete)->isEnabled());
  // Choosing a code that has a row shows that row.
  page->CodeCombo()->setCurrentText("");
  page->OnCodeChosen(page->CodeCombo()->findText("+100"));
  EXPECT_EQ(page->List()->currentItem(), page->List()->topLevelItem(0));
}

TEST_F(MessageDialogTest, AddChecksCodeTextAndActionInThatOrder) {
  CK7QBldMessage* page = MessagePage();
  ASSERT_NE(page, nullptr);
  struct Case {
    const char* code;
    const char* text;
    bool added;
    unsigned message;  // 0: none
  };
  const std::vector<Case> cases = {
      {"", "x", false, 62333},
      {"  ", "x", false, 62333},
      {"12a", "x", false, 62334},
      {"+1 00", "x", false, 62334},
      {"-803", "", false, 62330},
      {"-803", "50%} off", false, 63501},
      {"-803", "see %REPORT{", false, 63501},
      {"+100 ", "none", true, 0},
      {"-DEFAULT", "say \"no\": other", true, 0},
      {"-4711", "mine", true, 0},
  };
  std::vector<unsigned> expected;
  for (const Case& c : cases) {
    const std::size_t before = m_f.ui.m_shown.size();
    EXPECT_EQ(Add(*page, c.code, c.text), c.added) << c.code << " / " << c.text;
    if (c.message) expected.push_back(c.message);
    EXPECT_EQ(m_f.ui.m_shown.size(), before + (c.message ? 1 : 0)) << c.code;
  }
  EXPECT_EQ(m_f.ui.Ids(), expected);
  ASSERT_EQ(page->List()->topLevelItemCount(), 3);
  EXPECT_EQ(Row(*page, 0), (QStringList{"+100", "none", "continue"}));
  // A code of its own joins the code combo; the table's codes are there already.
  EXPECT_NE(page->CodeCombo()->findText("-4711"), -1);
  const QStringList codes = Items(page->CodeCombo());
  EXPECT_EQ(std::count_if(
                codes.begin(), codes.end(),
                [](const QString& c) { return c.compare("-default", Qt::CaseInsensitive) == 0; }),
            1);
  // No action chosen.
  page->ActionCombo()->setCurrentIndex(-1);
  page->CodeCombo()->setCurrentText("-1");
  page->TextCombo()->setCurrentText("x");
  EXPECT_FALSE(page->OnAdd());
  EXPECT_EQ(m_f.ui.Ids().back(), 62331u);
}

TEST_F(MessageDialogTest, AnExistingCodeIsReplacedInPlaceOnlyWhenTheAuthorAgrees) {
  CK7QBldMessage* page = MessagePage();
  ASSERT_NE(page, nullptr);
  ASSERT_TRUE(Add(*page, "+100", "none"));
  ASSERT_TRUE(Add(*page, "-803", "twice", "exit"));
  m_f.ui.m_answers = {kIdNo};
  EXPECT_FALSE(Add(*page, "+100", "nothing", "exit"));
  EXPECT_EQ(Row(*page, 0), (QStringList{"+100", "none", "continue"}));
  EXPECT_EQ(page->CodeCombo()->currentIndex(), 0);
  EXPECT_EQ(page->ActionCombo()->currentIndex(), 0);
  m_f.ui.m_answers = {kIdYes};
  EXPECT_TRUE(Add(*page, "+100", "nothing", "exit"));
  EXPECT_EQ(Row(*page, 0), (QStringList{"+100", "nothing", "exit"}));
  EXPECT_EQ(page->List()->topLevelItemCount(), 2);
  EXPECT_EQ(m_f.ui.Ids(), (std::vector<unsigned>{62332, 62332}));
}

TEST_F(MessageDialogTest, DeleteTakesTheSelectedRowsAndDisablesAnEmptyList) {
  CK7QBldMessage* page = MessagePage();
  ASSERT_NE(page, nullptr);
  ASSERT_TRUE(Add(*page, "-4711", "mine"));
  ASSERT_TRUE(Add(*page, "+100", "none"));
  page->List()->topLevelItem(0)->setSelected(true);
  EXPECT_EQ(page->CodeCombo()->currentText(), "-4711");
  page->List()->topLevelItem(1)->setSelected(true);
  page->OnDelete();
  EXPECT_EQ(page->List()->topLevelItemCount(), 0);
  EXPECT_EQ(page->CodeCombo()->findText("-4711"), -1);
  EXPECT_NE(page->CodeCombo()->findText("+100"), -1);
  EXPECT_TRUE(page->CodeCombo()->currentText().isEmpty());
  EXPECT_EQ(page->ActionCombo()->currentIndex(), 0);
  EXPECT_FALSE(page->List()->isEnabled());
  EXPECT_FALSE(Button(page, CK7QBldMessage::kIdDelete)->isEnabled());
}

TEST_F(MessageDialogTest, NextStoresTheReportsBlockAndMarksOnlyAChange) {
  CK7QBldMessage* page = MessagePage();
  ASSERT_NE(page, nullptr);
  ASSERT_TRUE(Add(*page, "-803", "twice", "exit"));
  ASSERT_TRUE(Add(*page, "+100", "none"));
  EXPECT_FALSE(Doc().IsModified());
  Button(page, CK7QBldMessage::kIdNext)->click();
  EXPECT_EQ(m_frame->FormView().SelectedCode(), 11);
  EXPECT_EQ(Macro().Messages().GetSectionText(),
            "%MESSAGE{\n-803: \"twice\": exit\n+100: \"none\": continue\n%}\n");
  EXPECT_TRUE(Doc().IsModified());
  // Back on the page, leaving it without a change marks nothing.
  Doc().SetModifiedFlag(false);
  page = MessagePage();
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(page->List()->topLevelItemCount(), 2);
  Button(page, CK7QBldMessage::kIdPrevious)->click();
  EXPECT_EQ(m_frame->FormView().SelectedCode(), 9);
  EXPECT_FALSE(Doc().IsModified());
  // The space key on a row stores and moves on, as a double click does.
  page = MessagePage();
  page->List()->topLevelItem(1)->setSelected(true);
  page->List()->setCurrentItem(page->List()->topLevelItem(1));
  QKeyEvent space(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
  QApplication::sendEvent(page->List(), &space);
  EXPECT_EQ(m_frame->FormView().SelectedCode(), 11);
  // Escape on the page closes nothing.
  page = MessagePage();
  QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
  QApplication::sendEvent(page, &escape);
  EXPECT_TRUE(page->isVisibleTo(m_frame.get()));
}

TEST_F(MessageDialogTest, AFunctionsDialogSetsThePosition) {
  CK7QBldMessageBlock block;
  block.SetPosition(kMessagePositionAfterReport);
  block.Put("none", "+100", kMessageActionContinue);
  CK7QBldMessage dialog(m_f.context, block, CK7QBldMessage::kModeFunction, nullptr);
  EXPECT_FALSE(dialog.findChild<QGroupBox*>("1264")->isHidden());
  EXPECT_TRUE(dialog.findChild<QRadioButton*>("1263")->isChecked());
  EXPECT_TRUE(dialog.findChild<QLabel*>("1274")->isHidden());
  EXPECT_FALSE(dialog.findChild<QLabel*>("1276")->isHidden());
  EXPECT_FALSE(Button(&dialog, CK7QBldMessage::kIdNext)->isEnabled());
  dialog.findChild<QRadioButton*>("1262")->setChecked(true);
  EXPECT_TRUE(dialog.Store());
  EXPECT_EQ(block.GetPosition(), kMessagePositionBeforeReport);
  EXPECT_EQ(block.GetCount(), 1);
  // The function's block belongs to the function page, which marks the document.
  EXPECT_FALSE(Doc().IsModified());
  EXPECT_FALSE(dialog.Store());
}

}  // namespace
