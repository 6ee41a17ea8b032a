#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

extern char** environ;

namespace {

struct K7qRun {
  int status = -1;
  std::string out;
};

// Runs the built k7q with `args` passed as they are (no shell), capturing
// standard output.
K7qRun RunK7q(const std::vector<std::string>& args) {
  K7qRun run;
  const std::string program = std::string(K7Q_BIN_DIR) + "/k7q";
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);

  int pipeFds[2];
  if (pipe(pipeFds) != 0) return run;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
  pid_t pid = 0;
  const int rc = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(pipeFds[1]);
  if (rc == 0) {
    char buffer[4096];
    for (ssize_t n; (n = read(pipeFds[0], buffer, sizeof buffer)) > 0;)
      run.out.append(buffer, static_cast<std::size_t>(n));
    int wstatus = 0;
    waitpid(pid, &wstatus, 0);
    run.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
  }
  close(pipeFds[0]);
  return run;
}

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
