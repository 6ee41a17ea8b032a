#include <QDate>
#include <QPushButton>

#include "K7QBldCampaign.h"
#include "K7QObjectsFixture.h"

namespace {

class CampaignPageTest : public ObjectsTest {
 protected:
  CK7QBldCampaign* Page() {
    m_frame->FormView().SelectItem(13, true);
    return qobject_cast<CK7QBldCampaign*>(m_frame->FormView().CurrentPanel());
  }
  QComboBox* Combo(int id) { return Find<QComboBox>(m_page, id); }
  void SetDates(int y1, int m1, int d1, int y2, int m2, int d2) {
    ChooseNumber(Combo(CK7QBldCampaign::kIdStartYear), y1);
    ChooseNumber(Combo(CK7QBldCampaign::kIdStartMonth), m1);
    ChooseNumber(Combo(CK7QBldCampaign::kIdStartDay), d1);
    ChooseNumber(Combo(CK7QBldCampaign::kIdEndYear), y2);
    ChooseNumber(Combo(CK7QBldCampaign::kIdEndMonth), m2);
    ChooseNumber(Combo(CK7QBldCampaign::kIdEndDay), d2);
  }
  // A campaign of `function` on `table1` through the page's fields and Add.
  bool Add(const std::string& function, const char* table1, const char* table2,
           const char* comment = "") {
    Choose(Combo(CK7QBldCampaign::kIdFunction), QString::fromStdString(function));
    Choose(Combo(CK7QBldCampaign::kIdTable1), QString::fromLatin1(table1));
    Choose(Combo(CK7QBldCampaign::kIdTable2), QString::fromLatin1(table2));
    Find<QLineEdit>(m_page, CK7QBldCampaign::kIdComment)->setText(QString::fromUtf8(comment));
    return m_page->OnAdd();
  }
  void SetUp() override {
    ObjectsTest::SetUp();
    m_products = FunctionOf("products");
    ASSERT_FALSE(m_products.empty());
    m_page = Page();
    ASSERT_NE(m_page, nullptr);
    m_f.ui.m_shown.clear();
  }

  std::string m_products;
  CK7QBldCampaign* m_page = nullptr;
};

TEST_F(CampaignPageTest, DayListsFollowTheMonthAndYearsStartToday) {
  QComboBox* year = Combo(CK7QBldCampaign::kIdStartYear);
  EXPECT_EQ(year->itemData(0).toInt(), QDate::currentDate().year());
  EXPECT_EQ(year->currentData().toInt(), QDate::currentDate().year());
  EXPECT_GE(year->itemData(year->count() - 1).toInt(), QDate::currentDate().year() + 30);
  struct Case {
    int year, month, days;
  };
  // Leap years: divisible by 4 and not by 100, or by 400.
  const Case cases[] = {{2028, 2, 29}, {2100, 2, 28}, {2029, 2, 28}, {2028, 4, 30}, {2028, 1, 31}};
  for (const Case& c : cases) {
    for (int side = 0; side < 2; ++side) {
      ChooseNumber(Combo(side ? CK7QBldCampaign::kIdEndYear : CK7QBldCampaign::kIdStartYear),
                   c.year);
      ChooseNumber(Combo(side ? CK7QBldCampaign::kIdEndMonth : CK7QBldCampaign::kIdStartMonth),
                   c.month);
      QComboBox* day = Combo(side ? CK7QBldCampaign::kIdEndDay : CK7QBldCampaign::kIdStartDay);
      EXPECT_EQ(day->count(), c.days) << c.year << "/" << c.month;
      EXPECT_EQ(day->itemData(day->count() - 1).toInt(), c.days);
    }
  }
}

TEST_F(CampaignPageTest, ThroughThePageSaveAndReopen) {
  SetDates(2028, 2, 1, 2028, 2, 29);
  ASSERT_TRUE(Add(m_products, "products", "products_sale"));
  EXPECT_EQ(Column(m_page->List(), 1), QStringList{"2028/02/01 - 2028/02/29"});
  Find<QPushButton>(m_page, CK7QBldCampaign::kIdNext)->click();
  ASSERT_EQ(Macro().Campaigns().GetCount(), 1);
  EXPECT_TRUE(Doc().IsModified());
  SaveAs("shop.k7q");
  const std::string macro = K7QReadFile(m_dir.File("shop.k7q"));
  const std::string expected =
      "<!-- CAMP Start " + m_products +
      " -->\r\n"
      "@RZV_ASSIGN(CAMP_NUMBER, \"1\")\r\n"
      "@RZV_ASSIGN(CAMP_START, \"20280201\")\r\n"
      "@RZV_ASSIGN(CAMP_END, \"20280229\")\r\n"
      "@RZV_ASSIGN(CAMP_TABLE1, \"products\")\r\n"
      "@RZV_ASSIGN(CAMP_TABLE2, \"products_sale\")\r\n"
      "\r\n"
      "@RZV_DATE(\"S\", _NOWDATE)\r\n"
      "%if (($(CAMP_END) >= $(_NOWDATE)) && ($(CAMP_START) <= $(_NOWDATE)))\r\n"
      "    @RZV_ASSIGN(CAMP_TABLE, CAMP_TABLE2)\r\n"
      "%else\r\n"
      "    @RZV_ASSIGN(CAMP_TABLE, CAMP_TABLE1)\r\n"
      "%endif\r\n"
      "<!-- CAMP End -->\r\n@" +
      m_products + "()";
  EXPECT_NE(macro.find(expected), std::string::npos) << macro;
  EXPECT_NE(macro.find("FROM $(CAMP_TABLE)"), std::string::npos);

  m_answer = Path("shop.k7q");
  Doc().OnFileOpen();
  ASSERT_EQ(Macro().Campaigns().GetCount(), 1);
  const CK7QBldCampaignEntry* entry = Macro().Campaigns().GetAt(0);
  EXPECT_EQ(entry->Table1(), "products");
  EXPECT_EQ(entry->Start(), CK7QBldCampaignEntry::MakeDate(2028, 2, 1));
  const CK7QBldFunctionEntry* function =
      Macro().Functions().Entry(Macro().Functions().FindByName(m_products));
  ASSERT_NE(function, nullptr);
  EXPECT_EQ(function->statement.Tables(), K7QStringList{"products"});
  m_page = Page();
  EXPECT_EQ(Column(m_page->List(), 2), QStringList{QString::fromStdString(m_products)});
  EXPECT_EQ(Column(m_page->List(), 4), QStringList{"products_sale"});
  // Saving again writes the same bytes.
  SaveAs("shop.k7q");
  EXPECT_EQ(K7QReadFile(m_dir.File("shop.k7q")), macro);
}

TEST_F(CampaignPageTest, EveryCheckOfAddShowsItsMessage) {
  const std::string customers = FunctionOf("customers");
  ASSERT_FALSE(customers.empty());
  struct Case {
    const char* rule;
    int dates[6];
    const char* table2;
    const char* comment;
    unsigned message;
  };
  const Case cases[] = {
      {"end before start", {2030, 5, 2, 2030, 5, 1}, "products_sale", "", 62391},
      {"same table", {2030, 5, 1, 2030, 5, 1}, "products", "", 62392},
      {"other structure", {2030, 5, 1, 2030, 5, 2}, "customers", "", 62393},
      {"comment ends the block's comment",
       {2030, 5, 1, 2030, 5, 2},
       "products_sale",
       "a --> b",
       kIdsCampaignCommentRefused},
  };
  for (const Case& c : cases) {
    m_f.ui.m_shown.clear();
    SetDates(c.dates[0], c.dates[1], c.dates[2], c.dates[3], c.dates[4], c.dates[5]);
    EXPECT_FALSE(Add(m_products, "products", c.table2, c.comment)) << c.rule;
    EXPECT_EQ(m_f.ui.Ids(), std::vector<unsigned>{c.message}) << c.rule;
  }
  EXPECT_EQ(m_page->List()->topLevelItemCount(), 0);

  // The same day for start and end is a campaign of one day.
  m_f.ui.m_shown.clear();
  SetDates(2030, 5, 1, 2030, 5, 1);
  ASSERT_TRUE(Add(m_products, "products", "products_sale", "one day"));
  // Function and table 1 once: the second asks, and No keeps the first.
  SetDates(2030, 6, 1, 2030, 6, 2);
  m_f.ui.m_answers = {kIdNo};
  EXPECT_FALSE(Add(m_products, "products", "products_sale"));
  EXPECT_EQ(Column(m_page->List(), 1), QStringList{"2030/05/01 - 2030/05/01"});
  m_f.ui.m_answers = {kIdYes};
  EXPECT_TRUE(Add(m_products, "products", "products_sale"));
  EXPECT_EQ(Column(m_page->List(), 1), QStringList{"2030/06/01 - 2030/06/02"});
  EXPECT_EQ(m_f.ui.Ids(), (std::vector<unsigned>{62388, 62388}));
}

TEST_F(CampaignPageTest, OverlappingCampaignsOfOneFunctionAreRefused) {
  // A function reading both tables may have a campaign on each, on other days.
  CK7QBldSQL sql;
  sql.AddTable("products");
  sql.AddTable("customers");
  sql.AddResultItem("products.name");
  ASSERT_GE(Macro().Functions().Add(kFunctionBuilderMade, "BOTH", "", "", sql,
                                    CK7QBldMessageBlock(&m_f.groceries), kReportKindTable),
            0);
  m_page = Page();
  SetDates(2030, 5, 1, 2030, 5, 31);
  ASSERT_TRUE(Add("BOTH", "products", "products_sale"));
  SetDates(2030, 5, 31, 2030, 6, 30);
  EXPECT_FALSE(Add("BOTH", "customers", "customers_sale"));
  EXPECT_EQ(m_f.ui.Ids(), std::vector<unsigned>{kIdsCampaignOverlap});
  SetDates(2030, 6, 1, 2030, 6, 30);
  EXPECT_TRUE(Add("BOTH", "customers", "customers_sale"));
  // Another function's campaign on the same days is its own business.
  SetDates(2030, 5, 1, 2030, 6, 30);
  EXPECT_TRUE(Add(m_products, "products", "products_sale"));
  EXPECT_EQ(m_page->List()->topLevelItemCount(), 3);
}

TEST_F(CampaignPageTest, DeleteRenumbersAndLeavingByTheTreeStores) {
  const std::string customers = FunctionOf("customers");
  SetDates(2030, 1, 1, 2030, 1, 2);
  ASSERT_TRUE(Add(m_products, "products", "products_sale"));
  ASSERT_TRUE(Add(customers, "customers", "customers_sale"));
  m_page->List()->topLevelItem(0)->setSelected(true);
  m_page->OnDelete();
  EXPECT_EQ(Column(m_page->List(), 0), QStringList{"1"});
  EXPECT_EQ(Column(m_page->List(), 2), QStringList{QString::fromStdString(customers)});
  // Leaving the page by the tree stores its rows.
  m_frame->FormView().SelectItem(5);
  ASSERT_EQ(Macro().Campaigns().GetCount(), 1);
  EXPECT_EQ(Macro().Campaigns().GetAt(0)->Function(), customers);
}

}  // namespace
