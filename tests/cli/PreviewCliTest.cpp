// k7q run from end to end with the real parts: a database, the profile
// creator, k7q build of the sample pages, then the page with live rows, on
// the bundled SQLite sample and on the PostgreSQL test cluster.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "K7QOdbcTestSupport.h"
#include "K7QTestSupport.h"
#include "PreviewCliSupport.h"

namespace {

// Data addresses of pictures are long and made by libgd at build time: the
// page keeps their type, the rest is compared by the picture's own test.
std::string WithoutPictureData(const std::string& page) {
  std::string out;
  std::size_t start = 0;
  for (std::size_t at = page.find(";base64,"); at != std::string::npos;
       at = page.find(";base64,", start)) {
    std::size_t end = at + 8;
    while (end < page.size() && (std::isalnum(static_cast<unsigned char>(page[end])) ||
                                 page[end] == '+' || page[end] == '/' || page[end] == '='))
      ++end;
    out.append(page, start, at + 8 - start);
    out += "...";
    start = end;
  }
  return out + page.substr(start);
}

class PreviewCli : public ::testing::Test {
 protected:
  void SetUp() override {
    K7QUseTestDataSources();
    // The profile creator reads the builder's settings: this test's own.
    ::setenv("XDG_CONFIG_HOME", dir.File("config").c_str(), 1);
  }

  // The sample pages built into a macro over a fresh profile of `dsn`.
  void MakeSampleMacro(const char* dsn, const std::string& user, const std::string& password) {
    std::string error;
    const CSampleMacro made = ::MakeSampleMacro(dir.Path(), dsn, user, password, error);
    ASSERT_FALSE(made.macro.empty()) << error;
    profile = made.profile;
    macro = made.macro;
  }

  // k7q run --report with a form value; the page, with the run's status.
  std::string RunReport(int expectedStatus = 0) {
    const std::string page = dir.File("page.html");
    EXPECT_EQ(K7QRunK7q({"run", macro, "--profile", profile, "--report", "--param", "QNAME=抹茶",
                         "-o", page},
                        "/dev/null", dir.File("run.err")),
              expectedStatus)
        << K7QReadFile(dir.File("run.err"));
    return K7QReadFile(page);
  }

  CK7QTempDir dir;
  std::string profile;
  std::string macro;
};

}  // namespace

TEST_F(PreviewCli, SampleReportOnSqlite) {
  MakeSampleMacro(kTestSampleDsn, "k7q", "");
  const std::string page = RunReport();
  EXPECT_EQ(WithoutPictureData(page),
            K7QReadFile(std::string(K7Q_TEST_DATA_DIR) + "/cli/data/shop_report_sqlite.html"));
  EXPECT_EQ(K7QReadFile(dir.File("run.err")), "");
}

TEST_F(PreviewCli, SampleReportOnPostgres) {
  if (!K7QHavePostgres()) GTEST_SKIP() << "K7Q_PG_PORT is not set (scripts/test starts a server)";
  // The sample's tables the pages use, with the sample's rows, copied over
  // by the sqlite3 shell as PostgreSQL statements.
  const std::string copy = dir.File("copy.sql");
  K7QWriteFile(
      copy,
      "SELECT 'INSERT INTO products VALUES (' || id || ', ' || quote(name) || ', ' ||"
      " price || ', ' || quote(description) || ', ' || CASE WHEN photo IS NULL THEN"
      " 'NULL' ELSE 'decode(''' || hex(photo) || ''', ''hex'')' END || ');' FROM products;\n"
      "SELECT 'INSERT INTO customers VALUES (' || id || ', ' || quote(name) || ', ' ||"
      " quote(email) || ', ' || quote(joined) || ');' FROM customers;\n");
  const std::string rows = dir.File("rows.sql");
  ASSERT_EQ(std::system(("sqlite3 -readonly '" K7Q_DATA_DIR "/sample/shop.db' < '" + copy +
                         "' > '" + rows + "'")
                            .c_str()),
            0);
  ASSERT_TRUE(
      K7QPgExec("DROP TABLE IF EXISTS products, customers;\n"
                "CREATE TABLE products(id integer PRIMARY KEY, name varchar(60) NOT NULL,"
                " price numeric(10,2) NOT NULL, description text, photo bytea);\n"
                "CREATE TABLE customers(id integer PRIMARY KEY, name varchar(40) NOT NULL,"
                " email varchar(60), joined date);\n" +
                K7QReadFile(rows)));
  MakeSampleMacro(kTestPgDsn, K7QPgUser(), K7QPgPassword());
  const std::string page = RunReport();
  EXPECT_EQ(WithoutPictureData(page),
            K7QReadFile(std::string(K7Q_TEST_DATA_DIR) + "/cli/data/shop_report_pg.html"));
}

TEST_F(PreviewCli, InputPageNotesAndStatuses) {
  MakeSampleMacro(kTestSampleDsn, "k7q", "");
  // The input page is the default; without -o it goes to standard output.
  const K7QRunResult input = K7QRunK7qCapture({"run", macro, "--profile", profile});
  EXPECT_EQ(input.status, 0);
  EXPECT_NE(input.out.find("<FORM method=\"GET\" action=\"/cgi-bin/k7q/shop.k7q/report\">"),
            std::string::npos)
      << input.out;

  // A page with something marked is written, and the status says so.
  const std::string odd = dir.File("odd.k7q");
  K7QWriteFile(odd, "%DEFINE{\r\nDATABASE=\"" + std::string(kTestSampleDsn) +
                        "\"\r\n%}\r\n%HTML(INPUT){\r\n@NOPE()\r\n%}\r\n");
  EXPECT_EQ(K7QRunK7q({"run", odd, "--profile", profile, "-o", dir.File("odd.html")}, "/dev/null",
                      dir.File("odd.err")),
            3);
  EXPECT_NE(K7QReadFile(dir.File("odd.html")).find("@NOPE()</mark>"), std::string::npos);
  EXPECT_EQ(K7QReadFile(dir.File("odd.err")),
            "k7q: 63802: A function the preview does not know; the call was not run: @NOPE()\n");

  // Failures and usage errors.
  const struct {
    std::vector<std::string> args;
    int status;
  } cases[] = {
      {{"run", odd, "--profile", profile, "--section", "OTHER"}, 1},
      {{"run", dir.File("missing.k7q"), "--profile", profile}, 1},
      {{"run", odd, "--profile", profile, "--password-file", dir.File("missing.pw")}, 1},
      {{"run", odd, "--profile", dir.File("missing.k7q_pro")}, 1},
      {{"run", odd}, 2},
      {{"run", "--profile", profile}, 2},
      {{"run", odd, "--profile", profile, "--param", "novalue"}, 2},
      {{"run", odd, "--profile", profile, "--date", "2024-01-01"}, 2},
      {{"run", odd, "--profile", profile, "--row-limit", "0"}, 2},
      {{"run", odd, "--profile", profile, "--bogus"}, 2},
      {{"serve", odd}, 2},
      {{"serve", odd, "--profile", profile, "--port", "70000"}, 2},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(K7QRunK7q(c.args, "/dev/null", "/dev/null"), c.status) << c.args[1] << c.args.back();
  }
}
