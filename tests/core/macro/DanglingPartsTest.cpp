#include <gtest/gtest.h>

#include "K7QBldMacro.h"
#include "K7QTestSupport.h"

namespace {

// A campaign or page object whose function was deleted after it was set.
TEST(DanglingParts, SaveReportsAndLeavesOutWhatNamesAGoneFunction) {
  CK7QScriptedUi ui;
  CK7QBldGroceries groceries(ui);
  CK7QBldMacro macro(groceries);
  CK7QBldSQL sql;
  sql.AddTable("items");
  ASSERT_EQ(macro.Functions().Add(kFunctionBuilderMade, "KEPT", "", "", sql,
                                  CK7QBldMessageBlock(&groceries), kReportKindTable),
            0);
  const std::time_t day = CK7QBldCampaignEntry::MakeDate(2030, 5, 1);
  macro.Campaigns().Add(day, day, "GONE", "items", "sale", "");
  macro.Campaigns().Add(day, day, "kept", "items", "sale", "");
  macro.PageObjects().AddOrReplace(kPageObjectText, "1", "x", "Gone", "items", "price", "");
  macro.PageObjects().AddOrReplace(kPageObjectText, "1", "x", "KEPT", "items", "price", "");

  const CK7QBldCampaignBlock written = macro.CampaignsToWrite();
  ASSERT_EQ(written.GetCount(), 1);
  EXPECT_EQ(written.GetAt(0)->Function(), "kept");
  // Numbered by what is written, as reopening numbers them.
  EXPECT_NE(written.GetCampaignText("KEPT").find("CAMP_NUMBER, \"1\""), std::string::npos);
  ASSERT_EQ(ui.Ids(),
            (std::vector<unsigned>{kIdsCampaignsWithoutFunction, kIdsObjectsWithoutFunction}));
  EXPECT_NE(ui.m_shown[0].text.find("GONE (items - sale)"), std::string::npos);
  EXPECT_NE(ui.m_shown[1].text.find("Gone (price)"), std::string::npos);
  // What the macro holds stays as it was; only the save leaves them out.
  EXPECT_EQ(macro.Campaigns().GetCount(), 2);

  ui.m_shown.clear();
  macro.Campaigns().RemoveAll();
  macro.PageObjects().RemoveAll();
  macro.Campaigns().Add(day, day, "KEPT", "items", "sale", "");
  EXPECT_EQ(macro.CampaignsToWrite().GetCount(), 1);
  EXPECT_TRUE(ui.m_shown.empty());
}

}  // namespace
