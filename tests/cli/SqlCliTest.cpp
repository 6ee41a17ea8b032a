#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "K7QTestSupport.h"

namespace {

using K7qRun = K7QRunResult;

// Runs the built k7q with `args` passed as they are (no shell), capturing
// standard output.
K7qRun RunK7q(const std::vector<std::string>& args) { return K7QRunK7qCapture(args); }

TEST(SqlCli, NormalizeRoundTripsExamples) {
  for (const std::string text :
       {"SELECT a,b FROM t WHERE x = 1 AND y = 2 ORDER BY a DESC", "SELECT a, b FROM t",
        "SELECT a FROM t WHERE x BETWEEN 1 AND 5 AND y = 2"}) {
    SCOPED_TRACE(text);
    const K7qRun run = RunK7q({"sql", "normalize", text});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, text + "\n");
  }
}

TEST(SqlCli, NormalizeDropsMalformedOrderingAndSubstitutesCampaign) {
  K7qRun run = RunK7q({"sql", "normalize", "SELECT a FROM t ORDER BY a DESC NULLS, b  ASC, c"});
  EXPECT_EQ(run.out, "SELECT a FROM t ORDER BY c\n");

  run = RunK7q({"sql", "normalize", "SELECT T.a, u.b FROM T, u WHERE T.a = u.b ORDER BY t.a",
                "--campaign", "F", "U", "t"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out,
            "SELECT $(CAMP_TABLE).a, $(CAMP_TABLE).b FROM $(CAMP_TABLE), $(CAMP_TABLE) WHERE "
            "$(CAMP_TABLE).a = $(CAMP_TABLE).b ORDER BY $(CAMP_TABLE).a\n");
}

TEST(SqlCli, ParsePrintsListsOneItemALine) {
  const K7qRun run =
      RunK7q({"sql", "parse",
              "SELECT a, b\\c FROM t WHERE x BETWEEN 1 AND 5 AND y = '\t' ORDER BY a DESC,b"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out,
            "result\ta\n"
            "result\t b\\\\c\n"
            "table\tt\n"
            "condition\t\tx BETWEEN 1 AND 5\n"
            "condition\tAND\ty = '\\t'\n"
            "order\ta\tDESC\n"
            "order\tb\t\n");
}

TEST(SqlCli, UsageErrors) {
  for (const auto& args : std::vector<std::vector<std::string>>{
           {"sql"},
           {"sql", "normalize"},
           {"sql", "tidy", "SELECT a FROM t"},
           {"sql", "parse", "SELECT a FROM t", "--campaign", "F", "t"},
           {"sql", "normalize", "SELECT a FROM t", "--campaign"},
           {"sql", "normalize", "SELECT a FROM t", "extra"}}) {
    const K7qRun run = RunK7q(args);
    EXPECT_EQ(run.status, 2) << args.back();
    EXPECT_EQ(run.out, "");
  }
}

}  // namespace
