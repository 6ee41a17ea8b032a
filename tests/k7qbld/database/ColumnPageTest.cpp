// The tables and columns page: the tree over the profile, what a column
// shows, the fragments it drags, the link and the colour.
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>

#include "K7QBldDib.h"
#include "K7QBldImagePreview.h"
#include "K7QBldLinkDialog.h"
#include "K7QSheetFixture.h"

namespace {

// Tables of the shop profile and the positions used below.
constexpr int kCustomers = 0;
constexpr int kProducts = 1;
constexpr int kName = 1;         // customers.name, a sample
constexpr int kDescription = 4;  // products.description, a CLOB text file
constexpr int kPhoto = 5;        // products.photo, LOB00001.gif
constexpr int kCatalog = 6;      // products.catalog, LOB00002.XXX (kind 0, no file)
constexpr int kLabel = 9;        // products.label, LOB00005.JPG (missing)

TEST_F(SheetTest, TheTreeListsTablesAndColumnsUnderOneRoot) {
  ASSERT_NE(Sheet(), nullptr);
  EXPECT_EQ(Sheet()->PageCount(), 5);
  EXPECT_EQ(Sheet()->Page(0)->objectName(), "144");
  EXPECT_EQ(Sheet()->Page(1)->objectName(), "166");
  CK7QBldDBTreeModel* model = Columns()->Model();
  ASSERT_NE(model, nullptr);
  EXPECT_EQ(model->rowCount(), 1);
  const QModelIndex root = model->RootIndex();
  EXPECT_EQ(root.data().toString(), "Tables");
  EXPECT_TRUE(Columns()->Tree()->isExpanded(root));
  EXPECT_EQ(Columns()->Tree()->currentIndex(), root);
  QStringList tables;
  for (int t = 0; t < model->rowCount(root); ++t) tables << model->TableIndex(t).data().toString();
  EXPECT_EQ(tables, (QStringList{"customers", "products", "店舗", "order_items_detail"}));
  EXPECT_EQ(model->rowCount(model->TableIndex(kProducts)), 11);
  EXPECT_EQ(model->ColumnIndex(kProducts, kPhoto).data().toString(), "photo");
  EXPECT_EQ(model->ColumnIndex(2, 0).data().toString(), "店名");
  // Only columns are dragged; the root and the tables carry no fragment.
  EXPECT_FALSE(model->flags(root) & Qt::ItemIsDragEnabled);
  EXPECT_FALSE(model->flags(model->TableIndex(0)) & Qt::ItemIsDragEnabled);
  EXPECT_TRUE(model->flags(model->ColumnIndex(0, 0)) & Qt::ItemIsDragEnabled);
  EXPECT_EQ(model->Column(model->ColumnIndex(kCustomers, kName))->m_column, "name");
  EXPECT_EQ(model->Column(model->TableIndex(0)), nullptr);
}

TEST_F(SheetTest, AProfileWithoutTablesHasAnEmptyTreeWithoutRoot) {
  K7QWriteFile(m_dir.File("empty.k7q_pro"),
               "Data_Base_Type {\r\nODBC\r\n}\r\nData_Base_Name {\r\nEMPTY\r\n}\r\n"
               "Login {\r\nu\r\n}\r\nPassword {\r\np\r\n}\r\nInformation {\r\n}\r\n");
  ASSERT_TRUE(Doc().OpenProfile(Path("empty.k7q_pro")));
  ASSERT_NE(Columns()->Model(), nullptr);
  EXPECT_EQ(Columns()->Model()->rowCount(), 0);
  EXPECT_TRUE(m_f.ui.Ids().empty());
}

TEST_F(SheetTest, SelectingTheRootOrATableChangesNothing) {
  SelectColumn(kCustomers, kName);
  const std::string fragment = Columns()->Fragment();
  EXPECT_EQ(Utf8(fragment),
            "<K7Q macro=\"$(V_customers.name)\"><FONT color=\"#000000\">山田 太郎</FONT></K7Q>");
  EXPECT_EQ(Label(CK7QBldDBTableColumn::kIdColumnName), "name");
  EXPECT_EQ(Label(CK7QBldDBTableColumn::kIdTypeName), "VARCHAR");
  EXPECT_EQ(Label(CK7QBldDBTableColumn::kIdLength), "40");
  CK7QBldDBTreeModel* model = Columns()->Model();
  for (const QModelIndex& index : {model->RootIndex(), model->TableIndex(kProducts)}) {
    Columns()->Tree()->setCurrentIndex(index);
    EXPECT_EQ(Columns()->Fragment(), fragment);
    EXPECT_EQ(Label(CK7QBldDBTableColumn::kIdColumnName), "name");
    EXPECT_EQ(Label(CK7QBldDBTableColumn::kIdTypeName), "VARCHAR");
  }
}

// What each kind of column shows and drags.
TEST_F(SheetTest, EachKindOfColumnShowsAndDragsItsOwnFragment) {
  auto* text = Control<QPlainTextEdit>(Columns(), CK7QBldDBTableColumn::kIdTextPane);
  const QString unreadable = m_f.context.String(62322);
  const struct {
    int table, column;
    const char* fragment;  // UTF-8
    QString shown;         // the text pane; empty: the picture is shown
  } cases[] = {
      {kCustomers, kName,
       "<K7Q macro=\"$(V_customers.name)\"><FONT color=\"#000000\">山田 太郎</FONT></K7Q>",
       "山田 太郎"},
      {kProducts, kDescription,
       "<K7Q macro=\"$(V_products.description)\" type=\"CLOB\"><FONT color=\"#000000\">"
       "本日のおすすめ：抹茶ソフト<BR>\r\nToday: matcha soft-serve<BR>\r\n</FONT></K7Q>",
       "本日のおすすめ：抹茶ソフト\r\nToday: matcha soft-serve\r\n"},
      {kProducts, kCatalog, "***", unreadable},
      {kProducts, kPhoto, "<K7Q macro=\"$(V_products.photo)\"><IMG SRC=\"LOB00001.gif\"></K7Q>",
       QString()},
  };
  for (const auto& c : cases) {
    SelectColumn(c.table, c.column);
    EXPECT_EQ(Utf8(Columns()->Fragment()), c.fragment);
    EXPECT_EQ(text->isHidden(), c.shown.isNull()) << c.fragment;
    EXPECT_EQ(Columns()->Preview()->isHidden(), !c.shown.isNull()) << c.fragment;
    if (!c.shown.isNull()) {
      EXPECT_EQ(text->toPlainText(), QString(c.shown).replace("\r\n", "\n")) << c.fragment;
    }
  }
  EXPECT_TRUE(m_f.ui.Ids().empty());
}

TEST_F(SheetTest, APictureIsFramedInTheColourAndShownScaled) {
  K7QWriteGif(m_dir.File("LOB00001.gif"), 50, 100, 0x336699);
  SelectColumn(kProducts, kPhoto);
  CK7QBldImagePreview* preview = Columns()->Preview();
  ASSERT_FALSE(preview->Image().isNull());
  EXPECT_EQ(preview->Image().size(), QSize(50, 100));
  EXPECT_TRUE(preview->Note().isEmpty());
  // The file carries a 2-pixel frame of the colour (black), the inside is as it was.
  CDib dib;
  ASSERT_TRUE(dib.Load(m_dir.File("LOB00001.gif")));
  const std::uint8_t* corner = dib.PixelAddress(1, 1);
  EXPECT_EQ(corner[0] | corner[1] | corner[2], 0);
  const std::uint8_t* inside = dib.PixelAddress(2, 2);
  EXPECT_EQ(inside[2], 0x33);
  EXPECT_EQ(preview->Image().pixel(0, 0), qRgb(0, 0, 0));
  // Fitted by one factor: a 200 x 100 pane shows the 50 x 100 picture at 98 pixels high.
  preview->resize(200, 100);
  EXPECT_DOUBLE_EQ(preview->Zoom(), 98.0 / 100.0);
  EXPECT_EQ(CK7QBldImagePreview::ZoomText(preview->Zoom()), "x1.0");
  EXPECT_EQ(CK7QBldImagePreview::ZoomText(0.24), "x0.2");
  EXPECT_EQ(CK7QBldImagePreview::ZoomText(12.5), "x12.5");

  // A picture that is not there says so in the preview.
  SelectColumn(kProducts, kLabel);
  EXPECT_TRUE(preview->Image().isNull());
  EXPECT_EQ(preview->Note(), m_f.context.String(62322));
}

TEST_F(SheetTest, PureRedIsStoredAs0xFF0000AndWrittenAsHashFF0000) {
  K7QWriteGif(m_dir.File("LOB00001.gif"), 40, 40, 0x336699);
  SelectColumn(kProducts, kPhoto);
  QColor initial;
  Columns()->m_chooseColor = [&initial](const QColor& start) {
    initial = start;
    return QColor(255, 0, 0);
  };
  Control<QPushButton>(Columns(), CK7QBldDBTableColumn::kIdColor)->click();
  EXPECT_EQ(initial, QColor(Qt::black));
  EXPECT_EQ(m_frame->SharedColor(), 0xFF0000u);
  // The picture is framed again in red.
  CDib dib;
  ASSERT_TRUE(dib.Load(m_dir.File("LOB00001.gif")));
  const std::uint8_t* corner = dib.PixelAddress(0, 0);
  EXPECT_EQ(corner[2], 0xFF);
  EXPECT_EQ(corner[1] | corner[0], 0);
  SelectColumn(kCustomers, kName);
  EXPECT_EQ(Utf8(Columns()->Fragment()),
            "<K7Q macro=\"$(V_customers.name)\"><FONT color=\"#FF0000\">山田 太郎</FONT></K7Q>");
  // A cancelled dialog keeps the colour.
  Columns()->m_chooseColor = [](const QColor&) { return QColor(); };
  Control<QPushButton>(Columns(), CK7QBldDBTableColumn::kIdColor)->click();
  EXPECT_EQ(m_frame->SharedColor(), 0xFF0000u);
}

TEST_F(SheetTest, TheLinkDialogRefusesBlanksAndKeepsTheAuthorsPrefixLast) {
  auto* check = Control<QCheckBox>(Columns(), CK7QBldDBTableColumn::kIdLink);
  auto* settings = Control<QPushButton>(Columns(), CK7QBldDBTableColumn::kIdLinkSettings);
  EXPECT_FALSE(settings->isEnabled());
  SelectColumn(kCustomers, kName);
  check->setChecked(true);
  EXPECT_TRUE(settings->isEnabled());

  struct Answer {
    QString prefix, suffix;
  };
  std::vector<Answer> answers = {{"   ", ""}, {"myscheme:", " .html "}};
  std::vector<QStringList> lists;
  std::vector<bool> accepted;
  Columns()->m_runDialog = [&](QDialog& dialog) {
    auto* prefix = dialog.findChild<QComboBox*>(QString::number(CK7QBldLinkDialog::kIdPrefix));
    auto* suffix = dialog.findChild<QLineEdit*>(QString::number(CK7QBldLinkDialog::kIdSuffix));
    QStringList items;
    for (int i = 0; i < prefix->count(); ++i) items << prefix->itemText(i);
    lists.push_back(items);
    for (const Answer& a : answers) {
      prefix->setEditText(a.prefix);
      suffix->setText(a.suffix);
      dialog.accept();
      accepted.push_back(dialog.result() == QDialog::Accepted);
      if (accepted.back()) break;
    }
    return dialog.result() == QDialog::Accepted;
  };
  settings->click();
  // Blanks only: refused with 62376, the dialog stays; then taken, trimmed.
  EXPECT_EQ(accepted, (std::vector<bool>{false, true}));
  EXPECT_EQ(m_f.ui.Ids(), std::vector<unsigned>{62376});
  EXPECT_EQ(Columns()->LinkPrefix(), "myscheme:");
  EXPECT_EQ(Columns()->LinkSuffix(), ".html");
  EXPECT_EQ(Utf8(Columns()->Fragment()),
            "<A href=\"myscheme:$(V_customers.name).html\"><K7Q macro=\"$(V_customers.name)\">"
            "<FONT color=\"#000000\">山田 太郎</FONT></K7Q></A>");
  // Reopened: the list, then the author's own prefix last.
  answers = {{"HTTP://", ""}};
  settings->click();
  QStringList expected = CK7QBldLinkDialog::Schemes();
  EXPECT_EQ(lists[0], expected);
  expected << "myscheme:";
  EXPECT_EQ(lists[1], expected);
  // A listed scheme in another case is not added again.
  answers = {{"x", ""}};
  settings->click();
  EXPECT_EQ(lists[2], CK7QBldLinkDialog::Schemes());
}

TEST_F(SheetTest, ALinkGoesOnlyOnSampleTextAndOnlyWithOneDrag) {
  auto* check = Control<QCheckBox>(Columns(), CK7QBldDBTableColumn::kIdLink);
  SelectColumn(kCustomers, kName);
  check->setChecked(true);
  // A column without sample text: 62379, the column's own fragment.
  SelectColumn(kProducts, kCatalog);
  EXPECT_EQ(m_f.ui.Ids(), std::vector<unsigned>{62379});
  EXPECT_EQ(Columns()->Fragment(), "***");
  // Its drag is told the same and still goes; the link stays on.
  EXPECT_TRUE(Columns()->DragStarting(Columns()->Tree(), CK7QBldDBTableColumn::kIdTree));
  EXPECT_EQ(m_f.ui.Ids(), (std::vector<unsigned>{62379, 62379}));
  EXPECT_TRUE(check->isChecked());

  // On a sample the link goes with the drag, then it is off again.
  m_f.ui.m_shown.clear();
  SelectColumn(kCustomers, kName);
  const std::string linked = Columns()->Fragment();
  EXPECT_EQ(Utf8(linked).rfind("<A href=\"$(V_customers.name)\">", 0), 0u);
  EXPECT_TRUE(Columns()->DragStarting(Columns()->Preview(), CK7QBldDBTableColumn::kIdPreview));
  EXPECT_EQ(Columns()->Fragment(), linked);  // what this drag carries
  EXPECT_FALSE(check->isChecked());
  EXPECT_FALSE(Control<QPushButton>(Columns(), CK7QBldDBTableColumn::kIdLinkSettings)->isEnabled());
  Columns()->DragFinished(Columns()->Preview(), CK7QBldDBTableColumn::kIdPreview, Qt::CopyAction);
  EXPECT_EQ(Utf8(Columns()->Fragment()).rfind("<K7Q", 0), 0u);
  EXPECT_TRUE(m_f.ui.Ids().empty());
}

TEST_F(SheetTest, TheSheetIsMadeAnewForAnotherProfileAndGoesWithTheWindow) {
  QPointer<CK7QBldDBSheet> first = Sheet();
  K7QWriteFile(m_dir.File("broken.k7q_pro"), "garbage\r\n");
  EXPECT_FALSE(Doc().OpenProfile(Path("broken.k7q_pro")));
  EXPECT_TRUE(first.isNull());
  ASSERT_NE(Sheet(), nullptr);
  // The library pages need no profile; the repeat controls do.
  EXPECT_EQ(Sheet()->PageCount(), 4);
  EXPECT_EQ(Columns()->Model(), nullptr);
  ASSERT_TRUE(Doc().OpenProfile(QString::fromStdString(m_profile)));
  EXPECT_EQ(Sheet()->PageCount(), 5);
  // The sheet stays while the author moves through the tree.
  QPointer<CK7QBldDBSheet> second = Sheet();
  for (int code : {0, 4, 9, 7}) {
    m_frame->FormView().SelectItem(code);
    EXPECT_EQ(Sheet(), second.data());
  }
  m_frame.reset();
  EXPECT_TRUE(second.isNull());
}

}  // namespace
