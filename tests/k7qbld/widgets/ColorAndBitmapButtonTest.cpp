#include <gtest/gtest.h>

#include <QHBoxLayout>
#include <QImage>
#include <QSignalSpy>
#include <QTest>

#include "K7QBldBitmapButton.h"
#include "K7QBldColorButton.h"

namespace {

TEST(ColorButtonTest, HtmlColoursAreTheSystemValueWithRedAndBlueSwapped) {
  CK7QBldColorButton button;
  QSignalSpy changed(&button, &CK7QBldColorButton::ColorChanged);
  ASSERT_TRUE(button.SetHtmlColor("#FF8000"));
  EXPECT_EQ(button.Color(), 0x0080FFu);
  EXPECT_EQ(button.HtmlColor(), "#FF8000");
  ASSERT_TRUE(button.SetHtmlColor(" 00a0ff "));
  EXPECT_EQ(button.Color(), 0xFFA000u);
  EXPECT_EQ(button.HtmlColor(), "#00A0FF");
  for (const char* bad : {"#FF80", "red", "#GG0000", "#FF800000", ""}) {
    EXPECT_FALSE(button.SetHtmlColor(bad)) << bad;
  }
  EXPECT_EQ(button.Color(), 0xFFA000u);
  EXPECT_EQ(changed.count(), 2);
  button.SetColor(0x0000FF);  // system red
  EXPECT_EQ(button.HtmlColor(), "#FF0000");
}

TEST(ColorButtonTest, TheSwatchIsFramedAndShadowed) {
  QWidget parent;
  parent.setAutoFillBackground(true);
  parent.setPalette(QPalette(QColor(0x12, 0x34, 0x56)));
  CK7QBldColorButton button(&parent);
  button.setGeometry(0, 0, 40, 24);
  button.SetColor(0x00FF00);  // green
  parent.resize(40, 24);
  const QImage image = button.grab().toImage();
  ASSERT_EQ(image.size(), QSize(40, 24));
  struct Point {
    int x, y;
    QColor color;
    const char* what;
  };
  const int w = 40, h = 24;
  const std::vector<Point> points = {
      {0, 0, Qt::black, "outer frame"},
      {1, 1, Qt::white, "between the frames"},
      {2, 2, Qt::black, "inner frame"},
      {3, 3, QColor(0, 0xFF, 0), "colour, top left"},
      {w - 8, h - 8, QColor(0, 0xFF, 0), "colour, bottom right"},
      {w - 7, h - 7, Qt::black, "inner frame, bottom right"},
      {w - 5, h - 5, Qt::black, "outer frame, bottom right"},
      {w - 1, h / 2, Qt::darkGray, "right shadow"},
      {w / 2, h - 1, Qt::darkGray, "bottom shadow"},
  };
  for (const Point& p : points) {
    EXPECT_EQ(image.pixelColor(p.x, p.y).rgb(), p.color.rgb()) << p.what;
  }
}

TEST(ColorButtonTest, PickingTakesTheChosenColourAndCancelKeepsIt) {
  CK7QBldColorButton button;
  button.SetColor(0x000000);
  QColor offered;
  button.m_chooser = [&offered](const QColor& current) {
    offered = current;
    return QColor(0x11, 0x22, 0x33);
  };
  button.click();  // picking is off: nothing asked
  EXPECT_FALSE(offered.isValid());
  button.SetPickOnClick(true);
  button.click();
  EXPECT_EQ(offered, QColor(0, 0, 0));
  EXPECT_EQ(button.HtmlColor(), "#112233");
  button.m_chooser = [](const QColor&) { return QColor(); };
  button.click();
  EXPECT_EQ(button.HtmlColor(), "#112233");
}

TEST(BitmapButtonTest, SizesItselfToTheBitmapAndKeepsThatSizeInALayout) {
  QWidget parent;
  auto* layout = new QHBoxLayout(&parent);
  auto* button = new CK7QBldBitmapButton(&parent);
  layout->addWidget(button, 1);
  parent.resize(400, 200);
  parent.show();
  const QSize bitmap = CK7QBldBitmapButton::Bitmap().size();
  EXPECT_FALSE(button->icon().isNull());
  EXPECT_EQ(button->size(), bitmap + QSize(8, 8));
  EXPECT_EQ(button->iconSize(), bitmap);
}

}  // namespace
