// k7q serve over HTTP: what it answers, and what it never gives out.
#include <gtest/gtest.h>
#include <httplib.h>

#include <filesystem>
#include <string>

#include "K7QOdbcTestSupport.h"
#include "K7QTestSupport.h"
#include "PreviewCliSupport.h"

TEST(PreviewServe, PagesPicturesAndNothingElse) {
  K7QUseTestDataSources();
  CK7QTempDir dir;
  ::setenv("XDG_CONFIG_HOME", dir.File("config").c_str(), 1);
  std::string error;
  const CSampleMacro sample = MakeSampleMacro(dir.Path(), kTestSampleDsn, "k7q", "", error);
  ASSERT_FALSE(sample.macro.empty()) << error;
  const std::string folder = std::filesystem::path(sample.profile).parent_path().string();
  // A picture name that leads out of the folder through a link.
  K7QWriteFile(dir.File("outside.gif"), "GIF89a");
  std::filesystem::create_symlink(dir.File("outside.gif"), folder + "/away.gif");

  CServer server;
  const std::string address = server.Start(sample.macro, sample.profile, dir.File("serve.err"));
  ASSERT_EQ(address.rfind("http://127.0.0.1:", 0), 0u) << K7QReadFile(dir.File("serve.err"));
  const int port = std::stoi(address.substr(17));
  httplib::Client client("127.0.0.1", port);

  const auto input = client.Get("/");
  ASSERT_TRUE(input);
  EXPECT_EQ(input->status, 200);
  EXPECT_EQ(input->get_header_value("Content-Type"), "text/html; charset=Shift_JIS");
  EXPECT_NE(input->body.find("<INPUT NAME=\"QNAME\" SIZE=\"20\">"), std::string::npos);

  // The report at the forms' action, asked for by GET and by POST.
  const std::string action = "/cgi-bin/k7q/shop.k7q/report";
  const auto get = client.Get((action + "?QNAME=%96%95%92%83").c_str());
  ASSERT_TRUE(get);
  EXPECT_EQ(get->status, 200);
  EXPECT_NE(get->body.find("<OPTION value=\"1006\">"), std::string::npos);
  const auto post =
      client.Post(action.c_str(), "PRODUCT=1001", "application/x-www-form-urlencoded");
  ASSERT_TRUE(post);
  EXPECT_EQ(post->body, get->body);

  // Pictures by their name in the profile folder, whatever folder the page puts before it.
  const auto marker = client.Get("/k7q_loop_start.gif");
  ASSERT_TRUE(marker);
  EXPECT_EQ(marker->status, 200);
  EXPECT_EQ(marker->get_header_value("Content-Type"), "image/gif");
  EXPECT_EQ(marker->body, K7QReadFile(folder + "/k7q_loop_start.gif"));
  const auto nested = client.Get("/cgi-bin/k7q/shop.k7q/k7q_loop_end.gif");
  ASSERT_TRUE(nested);
  EXPECT_EQ(nested->body, K7QReadFile(folder + "/k7q_loop_end.gif"));

  // Never the profile (it holds the password), the macro, other files, or
  // anything outside the folder.
  for (const std::string& path :
       {"/" + std::string(kTestSampleDsn) + ".k7q_pro", std::string("/shop.k7q"),
        std::string("/LOB00000.txt"), std::string("/away.gif"), std::string("/missing.gif"),
        std::string("/..%2F..%2Foutside.gif")}) {
    const auto r = client.Get(path.c_str());
    ASSERT_TRUE(r) << path;
    EXPECT_EQ(r->status, 404) << path;
  }

  // Only requests addressed to the loopback server by its own name.
  const auto foreign = client.Get("/", {{"Host", "attacker.example:" + std::to_string(port)}});
  ASSERT_TRUE(foreign);
  EXPECT_EQ(foreign->status, 403);

  // A macro saved again is read again at the next request.
  K7QWriteFile(sample.macro, "%DEFINE{\r\nDATABASE=\"" + std::string(kTestSampleDsn) +
                                 "\"\r\n%}\r\n%HTML(INPUT){\r\n<P>again</P>\r\n%}\r\n");
  std::filesystem::last_write_time(
      sample.macro, std::filesystem::last_write_time(sample.macro) + std::chrono::seconds(2));
  const auto again = client.Get("/");
  ASSERT_TRUE(again);
  EXPECT_EQ(again->body, "<P>again</P>\r\n");
  const auto gone = client.Get(action.c_str());
  ASSERT_TRUE(gone);
  EXPECT_EQ(gone->status, 404);  // that macro has no report section
}
