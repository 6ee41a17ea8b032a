// The drag protocol: what a drag carries, who is asked first, and what the
// page editor K7QBldEditor makes of the drop.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QSettings>
#include <QTextCursor>
#include <QVBoxLayout>
#include <memory>

#include "K7QBldDragControls.h"
#include "K7QBldDragSource.h"
#include "K7QBldEditView.h"
#include "K7QTestSupport.h"

namespace {

// A page that records the notifications and answers as told.
class CRecordingPage : public QWidget, public IK7QBldDragPage {
 public:
  bool DragStarting(QWidget* control, int id) override {
    asked.push_back(id);
    (void)control;
    if (rebuild) text = "rebuilt";
    return allow;
  }
  std::vector<int> asked;
  bool allow = true;
  bool rebuild = false;
  std::string text;
};

TEST(DragProtocol, ADragCarriesCp932BytesAndUnicodeText) {
  const std::string fragment = K7QSjis("<K7Q macro=\"$(V_店舗.店名)\">ソ</K7Q>");
  std::unique_ptr<QMimeData> data(K7QBldDrag::MakeMimeData(fragment, "HTML Format"));
  const QString format = "application/x-qt-windows-mime;value=\"HTML Format\"";
  ASSERT_TRUE(data->hasFormat(format));
  // The bytes of the page file, with the terminating zero of a text block.
  EXPECT_EQ(data->data(format), QByteArray(fragment.c_str(), qsizetype(fragment.size() + 1)));
  EXPECT_EQ(data->text(), QString::fromUtf8("<K7Q macro=\"$(V_店舗.店名)\">ソ</K7Q>"));
  EXPECT_EQ(data->html(), data->text());
  EXPECT_TRUE(data->hasFormat("text/plain"));
  EXPECT_TRUE(data->hasFormat("text/html"));
}

TEST(DragProtocol, TheFormatIsTheSettingsDefaultCf) {
  QSettings settings(QSettings::IniFormat, QSettings::UserScope, "Halvard", "K7QBld");
  settings.remove("Settings/DefaultCF");
  settings.sync();
  EXPECT_EQ(K7QBldDrag::FormatName(), "HTML Format");
  settings.setValue("Settings/DefaultCF", "K7Q Fragment");
  settings.sync();
  EXPECT_EQ(K7QBldDrag::FormatName(), "K7Q Fragment");
  EXPECT_EQ(K7QBldDrag::MimeType(), "application/x-qt-windows-mime;value=\"K7Q Fragment\"");
  // The editor listens for the same name.
  EXPECT_EQ(CK7QBldEditView::DropFormatFromSettings(), K7QBldDrag::MimeType());
  settings.remove("Settings/DefaultCF");
}

// Before anything is dragged the page is asked; a refusal, or no text, drags nothing.
TEST(DragProtocol, ThePageIsAskedFirstAndMayRefuse) {
  CRecordingPage page;
  auto* inner = new QWidget(&page);
  auto* button = new CK7QBldDragButton("drag", inner, &page.text);
  button->setObjectName("1426");
  EXPECT_EQ(K7QBldDrag::PageOf(button), &page);
  EXPECT_EQ(K7QBldDrag::IdOf(button), 1426);

  page.allow = false;
  page.text = "x";
  EXPECT_EQ(K7QBldDrag::Run(button, button->Fragment(), true), Qt::IgnoreAction);
  EXPECT_EQ(page.asked, std::vector<int>{1426});
  // Allowed, but the page leaves no text: nothing to drag.
  page.allow = true;
  page.text.clear();
  EXPECT_EQ(K7QBldDrag::Run(button, button->Fragment(), true), Qt::IgnoreAction);
  // Without notification (a list box) the page is not asked.
  EXPECT_EQ(K7QBldDrag::Run(button, nullptr, false), Qt::IgnoreAction);
  EXPECT_EQ(page.asked, (std::vector<int>{1426, 1426}));
  // Without a fragment an edit box neither asks nor drags.
  CK7QBldDragEdit edit(&page);
  EXPECT_TRUE(edit.isReadOnly());
}

// What the drag carries, dropped onto the editor's view, lands at the drop
// position as the page file's own bytes.
TEST(DragProtocol, TheEditorInsertsADroppedFragmentAtTheDropPosition) {
  CK7QBldEditView view;
  view.SetDropFormat(K7QBldDrag::MimeType("HTML Format"));
  view.resize(400, 200);
  view.show();
  view.setPlainText("<TD></TD>\n<P>");
  const std::string fragment = K7QSjis("<K7Q macro=\"$(V_products.name)\">抹茶ソフト</K7Q>");
  std::unique_ptr<QMimeData> data(K7QBldDrag::MakeMimeData(fragment, "HTML Format"));
  QTextCursor cursor(view.document());
  cursor.setPosition(4);  // between <TD> and </TD>
  const QPoint at = view.cursorRect(cursor).center();
  QDragEnterEvent enter(at, Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(view.viewport(), &enter);
  EXPECT_TRUE(enter.isAccepted());
  QDropEvent drop(at, Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(view.viewport(), &drop);
  EXPECT_EQ(view.toPlainText(),
            QString::fromUtf8("<TD><K7Q macro=\"$(V_products.name)\">抹茶ソフト</K7Q></TD>\n<P>"));
}

}  // namespace
