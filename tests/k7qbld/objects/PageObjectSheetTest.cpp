#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>

#include "K7QBldColorButton.h"
#include "K7QBldDDBackGround.h"
#include "K7QBldDDData.h"
#include "K7QBldDDImages.h"
#include "K7QBldDDStrings.h"
#include "K7QBldDynamicData.h"
#include "K7QObjectsFixture.h"

namespace {

class PageObjectSheetTest : public ObjectsTest {
 protected:
  void SetUp() override {
    ObjectsTest::SetUp();
    m_products = FunctionOf("products");
    ASSERT_FALSE(m_products.empty());
    OpenSheet();
    m_f.ui.m_shown.clear();
  }
  void OpenSheet() {
    m_sheet = std::make_unique<CK7QBldDynamicData>(m_f.context, *m_frame, m_frame.get());
    m_sheet->show();
  }
  // Function, table, column, value and note of a definition page.
  void Fill(CK7QBldDDPage* page, const std::string& function, const QString& value,
            const QString& note = {}) {
    Choose(Find<QComboBox>(page, CK7QBldDDPage::kIdFunction), QString::fromStdString(function));
    Find<QLineEdit>(page, CK7QBldDDPage::kIdValue)->setText(value);
    Find<QLineEdit>(page, CK7QBldDDPage::kIdNote)->setText(note);
  }
  bool SetText(const std::string& function, const QString& value, const QString& text,
               const QString& note = {}) {
    CK7QBldDDStrings* page = m_sheet->StringsPage();
    Fill(page, function, value, note);
    Find<QLineEdit>(page, CK7QBldDDStrings::kIdText)->setText(text);
    return page->OnSet();
  }
  bool SetImage(const std::string& function, const QString& path) {
    CK7QBldDDImages* page = m_sheet->ImagesPage();
    Fill(page, function, QStringLiteral("1"));
    Find<QLineEdit>(page, CK7QBldDDImages::kIdImagePath)->setText(path);
    return page->OnSet();
  }
  bool SetColor(const QString& text) {
    CK7QBldDDBackground* page = m_sheet->BackgroundPage();
    Fill(page, m_products, QStringLiteral("0"));
    Find<QLineEdit>(page, CK7QBldDDBackground::kIdColor)->setText(text);
    return page->OnSet();
  }
  QTreeWidget* List() { return m_sheet->DataPage()->List(); }

  std::string m_products;
  std::unique_ptr<CK7QBldDynamicData> m_sheet;
};

TEST_F(PageObjectSheetTest, RowsAreNumberedAndRenumberedAfterADelete) {
  const auto functions = Macro().Functions().FunctionComboItems(true);
  ASSERT_GE(functions.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(SetText(functions[i].first, QStringLiteral("v%1").arg(i), QStringLiteral("t")));
  }
  EXPECT_EQ(Column(List(), 0), (QStringList{"1", "2", "3"}));
  List()->topLevelItem(1)->setSelected(true);
  m_sheet->DataPage()->OnDelete();
  EXPECT_EQ(Column(List(), 0), (QStringList{"1", "2"}));
  EXPECT_EQ(Column(List(), 1), (QStringList{QString::fromStdString(functions[0].first),
                                            QString::fromStdString(functions[2].first)}));
  EXPECT_EQ(m_sheet->DataPage()->Row(1).value, "v2");
  // Found by function ignoring case.
  EXPECT_EQ(m_sheet->DataPage()->FindRow(
                QString::fromStdString(functions[2].first).toLower().toStdString()),
            1);
  EXPECT_TRUE(m_f.ui.m_shown.empty());
}

TEST_F(PageObjectSheetTest, ASecondObjectForAFunctionAsksToReplace) {
  ASSERT_TRUE(SetText(m_products, QStringLiteral("1"), QStringLiteral("first")));
  m_f.ui.m_answers = {kIdNo};
  EXPECT_FALSE(SetImage(m_products, QStringLiteral("/pics/photo.jpg")));
  EXPECT_EQ(m_sheet->DataPage()->Row(0).replacement, "first");
  m_f.ui.m_answers = {kIdYes};
  EXPECT_TRUE(SetImage(m_products, QStringLiteral("/pics/photo.jpg")));
  ASSERT_EQ(m_sheet->DataPage()->RowCount(), 1);
  EXPECT_EQ(m_sheet->DataPage()->Row(0).kind, kPageObjectImage);
  EXPECT_EQ(m_sheet->DataPage()->Row(0).replacement, "photo.jpg");
  EXPECT_EQ(List()->topLevelItem(0)->text(4), QStringLiteral("Image"));
  EXPECT_EQ(m_f.ui.Ids(), (std::vector<unsigned>{62396, 62396}));
}

TEST_F(PageObjectSheetTest, ColoursAreCheckedAsTyped) {
  struct Case {
    const char* text;
    unsigned message;  // 0: accepted
    const char* replacement;
  };
  const Case cases[] = {
      {"#12345G", 62400, ""},    {"123456", 62400, ""}, {"#1234567", 62400, ""},
      {"#12#456", 62400, ""},    {"   ", 62397, ""},    {"  #ff0000 ", 0, "#FF0000"},
      {"#00aBcD", 0, "#00ABCD"},
  };
  CK7QBldDDBackground* page = m_sheet->BackgroundPage();
  for (const Case& c : cases) {
    m_f.ui.m_shown.clear();
    m_f.ui.m_answers = {kIdYes};
    EXPECT_EQ(SetColor(QString::fromLatin1(c.text)), c.message == 0) << c.text;
    if (c.message == 0) {
      EXPECT_EQ(m_sheet->DataPage()->Row(0).replacement, c.replacement);
    } else {
      EXPECT_EQ(m_f.ui.Ids(), std::vector<unsigned>{c.message}) << c.text;
    }
  }
  // An invalid text makes the swatch white; the text stays as typed.
  Find<QLineEdit>(page, CK7QBldDDBackground::kIdColor)->setText(QStringLiteral("#12345G"));
  EXPECT_FALSE(page->OnColorEdited());
  EXPECT_EQ(page->Swatch()->HtmlColor(), QStringLiteral("#FFFFFF"));
  EXPECT_EQ(Find<QLineEdit>(page, CK7QBldDDBackground::kIdColor)->text(), "#12345G");
  // A colour picked in the dialog becomes the text.
  page->Swatch()->m_chooser = [](const QColor&) { return QColor(0x12, 0x34, 0x56); };
  page->Swatch()->click();
  EXPECT_EQ(Find<QLineEdit>(page, CK7QBldDDBackground::kIdColor)->text(), "#123456");
  // The main frame keeps it for the next opening.
  m_sheet->OnCancel();
  EXPECT_NE(Macro().BackgroundColor(), 0x123456u);
  OpenSheet();
  m_sheet->BackgroundPage()->Swatch()->m_chooser = [](const QColor&) {
    return QColor(0x12, 0x34, 0x56);
  };
  m_sheet->BackgroundPage()->Swatch()->click();
  m_sheet->OnDefault();
  EXPECT_EQ(Macro().BackgroundColor(), 0x123456u);
  OpenSheet();
  EXPECT_EQ(Find<QLineEdit>(m_sheet->BackgroundPage(), CK7QBldDDBackground::kIdColor)->text(),
            "#123456");
}

TEST_F(PageObjectSheetTest, ImageNamesAndPreview) {
  struct Case {
    const char* path;
    unsigned message;
  };
  const Case cases[] = {
      {"/x/.gif", 62399}, {"ab,c.gif", 62399}, {"/x/photo.png", 62399}, {"/x/a;b.gif", 62399},
      {"   ", 62395},     {"/x/photo.jpg", 0}, {"/x/a.gif", 0},  // longer than four characters
  };
  for (const Case& c : cases) {
    m_f.ui.m_shown.clear();
    m_f.ui.m_answers = {kIdYes};
    EXPECT_EQ(SetImage(m_products, QString::fromLatin1(c.path)), c.message == 0) << c.path;
    if (c.message != 0) {
      EXPECT_EQ(m_f.ui.Ids(), std::vector<unsigned>{c.message}) << c.path;
    }
  }
  EXPECT_EQ(m_sheet->DataPage()->Row(0).replacement, "a.gif");

  CK7QBldDDImages* page = m_sheet->ImagesPage();
  const QString gif = QString::fromStdString(m_dir.File("LOB00001.gif"));
  page->m_browse = [gif] { return gif; };
  page->OnBrowse();
  EXPECT_EQ(Find<QLineEdit>(page, CK7QBldDDImages::kIdImagePath)->text(), gif);
  EXPECT_FALSE(page->Preview()->Image().isNull());
  page->m_browse = [this] { return QString::fromStdString(m_profile); };
  page->OnBrowse();
  EXPECT_TRUE(page->Preview()->Image().isNull());

  // The background page takes an image path as it is, and shows it too.
  CK7QBldDDBackground* background = m_sheet->BackgroundPage();
  Find<QRadioButton>(background, CK7QBldDDBackground::kIdUseImage)->setChecked(true);
  EXPECT_FALSE(Find<QLineEdit>(background, CK7QBldDDBackground::kIdColor)->isEnabled());
  background->m_browse = [gif] { return gif; };
  background->OnBrowse();
  EXPECT_FALSE(background->Preview()->Image().isNull());
  m_f.ui.m_answers = {kIdYes};
  Fill(background, m_products, QStringLiteral("0"));
  EXPECT_TRUE(background->OnSet());
  EXPECT_EQ(m_sheet->DataPage()->Row(0).replacement, gif.toStdString());
}

TEST_F(PageObjectSheetTest, FieldsTheMacroCannotCarryAreRefused) {
  struct Case {
    const char* value;
    const char* text;
    const char* note;
    unsigned message;
  };
  const Case cases[] = {
      {"1,2", "x", "", kIdsObjectValueRefused},
      {"say \"hi\"", "x", "", kIdsObjectValueRefused},
      {"a-->", "x", "", kIdsObjectValueRefused},
      {"1", "a,b", "", kIdsObjectTextRefused},
      {"1", "x", "end -->", kIdsObjectNoteRefused},
      {"", "x", "", 62394},
      {"1", "", "", 62398},
  };
  for (const Case& c : cases) {
    m_f.ui.m_shown.clear();
    EXPECT_FALSE(SetText(m_products, QString::fromUtf8(c.value), QString::fromUtf8(c.text),
                         QString::fromUtf8(c.note)))
        << c.value << c.text << c.note;
    EXPECT_EQ(m_f.ui.Ids(), std::vector<unsigned>{c.message}) << c.value << c.text << c.note;
  }
  m_f.ui.m_shown.clear();
  CK7QBldDDBackground* background = m_sheet->BackgroundPage();
  Find<QRadioButton>(background, CK7QBldDDBackground::kIdUseImage)->setChecked(true);
  Find<QLineEdit>(background, CK7QBldDDBackground::kIdImagePath)->setText("/img/it's.gif");
  Fill(background, m_products, QStringLiteral("0"));
  EXPECT_FALSE(background->OnSet());
  EXPECT_EQ(m_f.ui.Ids(), std::vector<unsigned>{kIdsObjectPathRefused});
  EXPECT_EQ(m_sheet->DataPage()->RowCount(), 0);
  // A text of blanks only is a text, taken as typed.
  EXPECT_TRUE(SetText(m_products, QStringLiteral(" 1 "), QStringLiteral("  ")));
  EXPECT_EQ(m_sheet->DataPage()->Row(0).value, "1");
  EXPECT_EQ(m_sheet->DataPage()->Row(0).replacement, "  ");
}

TEST_F(PageObjectSheetTest, CancelDiscardsAndTheButtonsMoveThroughTheTree) {
  ASSERT_TRUE(SetText(m_products, QStringLiteral("1"), QStringLiteral("x")));
  m_sheet->OnCancel();
  EXPECT_EQ(m_sheet->result(), 2);
  EXPECT_EQ(Macro().PageObjects().GetCount(), 0);
  EXPECT_FALSE(Doc().IsModified());

  // Next and Back are the list page's.
  OpenSheet();
  EXPECT_TRUE(Find<QPushButton>(m_sheet.get(), CK7QBldDynamicData::kIdNext)->isEnabled());
  m_sheet->Tabs()->setCurrentIndex(2);
  EXPECT_FALSE(Find<QPushButton>(m_sheet.get(), CK7QBldDynamicData::kIdNext)->isEnabled());
  EXPECT_FALSE(Find<QPushButton>(m_sheet.get(), CK7QBldDynamicData::kIdPrevious)->isVisible());
  m_sheet->Tabs()->setCurrentIndex(0);
  EXPECT_TRUE(Find<QPushButton>(m_sheet.get(), CK7QBldDynamicData::kIdPrevious)->isVisible());

  // On the screen, the tree's item opens the sheet by itself.
  m_frame->show();
  m_frame->FormView().SelectItem(13);
  ASSERT_TRUE(SetText(m_products, QStringLiteral("1"), QStringLiteral("x")));
  m_sheet->OnNext();
  EXPECT_EQ(m_sheet->result(), 1);
  EXPECT_EQ(Macro().PageObjects().GetCount(), 1);
  EXPECT_TRUE(Doc().IsModified());
  EXPECT_EQ(m_frame->FormView().SelectedCode(), 14);
  QCoreApplication::processEvents();
  EXPECT_EQ(m_sheetsOpened, 1);
}

TEST_F(PageObjectSheetTest, SetThroughTheSheetSurvivesSaveAndReopen) {
  // The server's image folder, as the variable page sets it.
  Macro().Define().Variables().push_back({"K7Q_IMG_PATH", "/img/"});
  Macro().SetImagePath("/img/");
  const std::string column = Macro().Functions().TableColumns(m_products, "products").front();
  CK7QBldDDImages* page = m_sheet->ImagesPage();
  Fill(page, m_products, QStringLiteral("42"), QStringLiteral(" sale, today "));
  Choose(Find<QComboBox>(page, CK7QBldDDPage::kIdColumn), QString::fromStdString(column));
  Find<QLineEdit>(page, CK7QBldDDImages::kIdImagePath)->setText("/home/me/pics/photo.jpg");
  ASSERT_TRUE(page->OnSet());
  m_sheet->OnDefault();
  ASSERT_EQ(Macro().PageObjects().GetCount(), 1);
  SaveAs("shop.k7q");
  const std::string macro = K7QReadFile(m_dir.File("shop.k7q"));
  const std::string comment =
      "<!-- Object 0 Start\r\n2," + column + ",42,/img/photo.jpg, sale, today \r\n-->";
  EXPECT_NE(macro.find(comment), std::string::npos) << macro;
  EXPECT_NE(macro.find("%IF( \"$(V_" + column + ")\" == \"42\")"), std::string::npos);
  EXPECT_NE(macro.find("<TD><IMG src=\"/img/photo.jpg\"></TD>"), std::string::npos);

  m_answer = Path("shop.k7q");
  Doc().OnFileOpen();
  ASSERT_EQ(Macro().PageObjects().GetCount(), 1);
  const CK7QBldPageObject* object = Macro().PageObjects().GetAt(0);
  EXPECT_EQ(object->function, m_products);
  EXPECT_EQ(object->replacement, "photo.jpg");
  EXPECT_EQ(object->note, " sale, today ");
  OpenSheet();
  EXPECT_EQ(Column(List(), 3), QStringList{QString::fromStdString(column)});
  SaveAs("shop.k7q");
  EXPECT_EQ(K7QReadFile(m_dir.File("shop.k7q")), macro);
}

}  // namespace
