// k7q profile show: the documented output and exit statuses.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "K7QTestSupport.h"

namespace {

using K7qRun = K7QRunResult;

// Runs the built k7q without a shell, capturing standard output.
K7qRun RunK7q(const std::vector<std::string>& args) { return K7QRunK7qCapture(args); }

std::string Fixture(const std::string& name) {
  return std::string(K7Q_TEST_DATA_DIR) + "/core/data/profiles/" + name;
}

TEST(ProfileCli, ShowPrintsHeaderThenOneLinePerColumn) {
  const K7qRun run = RunK7q({"profile", "show", Fixture("nosamples.k7q_pro")});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out,
            "database_kind\t0\n"
            "function_section\t%FUNCTION(RZV_ODBC)\n"
            "database_name\tSHOP\n"
            "login\tguest\n"
            "information_closed\tyes\n"
            "customers\tid\tINTEGER\t10\t0\t3\t0\t\t\n"
            "customers\tname\tVARCHAR\t40\t0\t6\t0\t\t\n"
            "customers\tjoined\tDATE\t10\t0\t1\t0\t\t\n"
            "products\tprice\tDECIMAL\t10\t2\t2\t0\t\t\n");
}

TEST(ProfileCli, ShowPrintsSamplesAndReferencesAsBytes) {
  const K7qRun run = RunK7q({"profile", "show", Fixture("shop/shop.k7q_pro")});
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(run.out.find("customers\tname\tVARCHAR\t40\t0\t6\t4\tSMP00001\t"
                         "\x8E\x52\x93\x63 \x91\xBE\x98\x59\n"),  // 山田 太郎 in CP932
            std::string::npos);
  EXPECT_NE(run.out.find("products\tcatalog\tBLOB\t1048576\t0\t10\t0\tLOB00002.XXX\t\n"),
            std::string::npos);
  EXPECT_NE(run.out.find("order_items_detail\tflags\tUNKNOWN_TYPE\t8\t0\t0\t0\t\t\n"),
            std::string::npos);
}

TEST(ProfileCli, ExitStatuses) {
  // Not loaded: what was read is still shown, and the status says so.
  K7qRun run = RunK7q({"profile", "show", Fixture("line69.k7q_pro")});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.out.find("information_closed\tno\n"), std::string::npos);
  EXPECT_NE(run.out.find("customers\tid\tINTEGER"), std::string::npos);
  run = RunK7q({"profile", "show", Fixture("no_such.k7q_pro")});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(RunK7q({"profile"}).status, 2);
  EXPECT_EQ(RunK7q({"profile", "show"}).status, 2);
  EXPECT_EQ(RunK7q({"profile", "list", Fixture("nosamples.k7q_pro")}).status, 2);
}

}  // namespace
