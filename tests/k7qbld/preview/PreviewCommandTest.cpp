// The builder's Preview command: the macro as it stands, served by k7q serve
// on the data source the profile names, opened in the browser.
#include <gtest/gtest.h>
#include <httplib.h>

#include <QAction>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSettings>
#include <QThread>
#include <filesystem>
#include <memory>

#include "K7QBldDoc.h"
#include "K7QBldFormView.h"
#include "K7QBldHTMLBlock.h"
#include "K7QBldMainFrm.h"
#include "K7QBldPageEditing.h"
#include "K7QBldPreview.h"
#include "K7QGuiFixture.h"

namespace {

namespace fs = std::filesystem;

class PreviewCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    QSettings(QSettings::IniFormat, QSettings::UserScope, "Halvard", "K7QBld").clear();
    m_profile = K7QCopyShopProfile(m_dir);
    // The profile's data source (SHOP) is the bundled sample database.
    UseDataSource("Driver=SQLite3\nDatabase=" K7Q_DATA_DIR "/sample/shop.db\nNoCreat=1\n");
    m_frame = std::make_unique<CMainFrame>(m_f.context);
    ASSERT_TRUE(m_frame->Document().OpenProfile(QString::fromStdString(m_profile)));
    Preview().m_openUrl = [this](const QUrl& url) {
      m_opened.push_back(url);
      return m_browserOpens;
    };
  }

  void UseDataSource(const std::string& body) {
    K7QWriteFile(m_dir.File("odbc.ini"), "[SHOP]\n" + body);
    ::setenv("ODBCINI", m_dir.File("odbc.ini").c_str(), 1);
  }
  CK7QBldPreview& Preview() { return m_frame->Preview(); }

  // The sample pages as the page editor leaves them, converted into the macro.
  void UseSamplePages() {
    for (const auto& [side, name] :
         {std::pair{kHtmlInput, "shop_input.htm"}, std::pair{kHtmlReport, "shop_report.htm"}}) {
      const std::string page = CK7QBldHTMLBlock::PageName(m_dir.Path(), "sample", side);
      fs::copy_file(fs::path(K7Q_SOURCE_DIR) / "data/tovra/samples" / name, page);
      CK7QBldHTMLBlock& block =
          side == kHtmlInput ? m_frame->Macro().Input() : m_frame->Macro().Report();
      block.Set({}, page);
      ASSERT_TRUE(K7QConvertAfterEditing(m_frame->Macro(), page));
    }
  }

  // Runs the event loop until `done` holds (at most 30 s).
  template <typename Done>
  bool Until(Done done) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < 30000) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
      QThread::msleep(10);
    }
    return done();
  }

  // The page at `url` as the server gives it ("" when nothing answers).
  static std::string Get(const QUrl& url) {
    httplib::Client client(url.host().toStdString(), url.port());
    client.set_connection_timeout(5);
    const auto r = client.Get(url.path(QUrl::FullyEncoded).toStdString().c_str());
    return r && r->status == 200 ? r->body : std::string();
  }

  CK7QGuiFixture m_f;
  CK7QTempDir m_dir;
  std::string m_profile;
  std::unique_ptr<CMainFrame> m_frame;
  std::vector<QUrl> m_opened;
  bool m_browserOpens = true;
};

}  // namespace

TEST_F(PreviewCommand, F5ShowsTheProductsTableWithLiveRows) {
  UseSamplePages();
  QAction* action = m_frame->Action(CK7QBldPreview::kIdPreview);
  ASSERT_NE(action, nullptr);
  EXPECT_TRUE(action->isEnabled());
  EXPECT_EQ(action->shortcut(), QKeySequence(Qt::Key_F5));
  action->trigger();
  ASSERT_TRUE(Until([&] { return !m_opened.empty(); })) << m_f.ui.Ids().size();
  const QUrl input = m_opened.front();
  EXPECT_EQ(input.host(), "127.0.0.1");
  EXPECT_EQ(input.path(), "/");
  EXPECT_NE(Get(input).find("<INPUT NAME=\"QNAME\" SIZE=\"20\">"), std::string::npos);
  const QUrl report = Preview().Address(CK7QBldPreview::Page::Report);
  EXPECT_EQ(report.path(), "/cgi-bin/k7q/shop.k7q/report");
  const std::string page = Get(report);
  for (const char* product : {"抹茶ソフトクリーム", "いちごソフト", "ソーダフロート"})
    EXPECT_NE(page.find("<TD>" + K7QSjis(product) + "</TD>"), std::string::npos) << product;
  EXPECT_EQ(page.find("k7q-preview-notes"), std::string::npos) << page;
  EXPECT_TRUE(m_f.ui.m_shown.empty());

  // A second preview reuses the server, which reads the macro saved anew.
  m_frame->Macro().Input().Clear();
  action->trigger();
  ASSERT_EQ(m_opened.size(), 2u);
  EXPECT_EQ(m_opened[1], input);
  EXPECT_EQ(Get(input), "");  // no input page any more: nothing to show

  // Closing the window stops the server.
  ASSERT_TRUE(m_frame->close());
  EXPECT_FALSE(Preview().IsRunning());
  EXPECT_EQ(Get(report), "");
}

TEST_F(PreviewCommand, AConvertedPageIsOfferedAndTheNewMacroStopsTheServer) {
  UseSamplePages();
  m_f.ui.m_answers = {kIdYes};
  Preview().OfferAfterConversion(CK7QBldPreview::Page::Report);
  EXPECT_EQ(m_f.ui.Ids(), std::vector<unsigned>{63854});
  ASSERT_TRUE(Until([&] { return !m_opened.empty(); }));
  EXPECT_EQ(m_opened.front().path(), "/cgi-bin/k7q/shop.k7q/report");
  // Declined: nothing opens.
  m_f.ui.m_answers = {kIdNo};
  Preview().OfferAfterConversion(CK7QBldPreview::Page::Input);
  EXPECT_EQ(m_opened.size(), 1u);

  // The macro closes (New, its changes not saved): the server goes with it.
  ASSERT_TRUE(Preview().IsRunning());
  m_f.ui.m_answers = {kIdNo};
  m_frame->Document().OnFileNew();
  EXPECT_FALSE(Preview().IsRunning());
}

TEST_F(PreviewCommand, ARefusedLoginAsksForThePasswordOnce) {
  // A data source whose driver cannot be loaded refuses every login.
  UseDataSource("Driver=K7QNoSuchDriver\n");
  std::vector<QString> reasons;
  std::vector<QString> answers = {"", "second try"};
  Preview().m_askPassword = [&](const QString& reason, QString& password) {
    reasons.push_back(reason);
    password = answers[reasons.size() - 1];
    return reasons.size() == 2;
  };
  // Cancelled: no server, no further message.
  EXPECT_TRUE(Preview().Show());
  ASSERT_TRUE(Until([&] { return reasons.size() == 1 && !Preview().IsRunning(); }));
  EXPECT_NE(reasons[0].indexOf("k7q: 63846:"), -1) << reasons[0].toStdString();
  EXPECT_TRUE(m_f.ui.m_shown.empty());
  // Given: the server is started again with it, and its second refusal is reported.
  EXPECT_TRUE(Preview().Show());
  ASSERT_TRUE(Until([&] { return !m_f.ui.m_shown.empty(); }));
  EXPECT_EQ(reasons.size(), 2u);
  EXPECT_EQ(m_f.ui.Ids(), std::vector<unsigned>{63850});
  EXPECT_NE(m_f.ui.m_shown[0].text.find("k7q: 63846:"), std::string::npos);
  EXPECT_TRUE(m_opened.empty());
}

TEST_F(PreviewCommand, WithoutABrowserTheAddressIsShown) {
  m_browserOpens = false;
  EXPECT_TRUE(Preview().Show());
  ASSERT_TRUE(Until([&] { return !m_f.ui.m_shown.empty(); }));
  ASSERT_EQ(m_f.ui.Ids(), std::vector<unsigned>{63851});
  EXPECT_NE(m_f.ui.m_shown[0].text.find(m_opened.front().toString().toStdString()),
            std::string::npos);
}

TEST(PreviewCommandWithoutProfile, AsksForAProfile) {
  QSettings(QSettings::IniFormat, QSettings::UserScope, "Halvard", "K7QBld").clear();
  CK7QGuiFixture f;
  CMainFrame frame(f.context);
  EXPECT_FALSE(frame.Action(CK7QBldPreview::kIdPreview)->isEnabled());
  EXPECT_FALSE(frame.Preview().Show());
  EXPECT_EQ(f.ui.Ids(), std::vector<unsigned>{63856});
  EXPECT_FALSE(frame.Preview().IsRunning());
}
