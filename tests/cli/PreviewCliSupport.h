#pragma once

#include <sys/types.h>

#include <string>
#include <utility>
#include <vector>

// What the preview's command-line tests share: the sample macro made with
// the real parts, and programs started on pipes.

struct CSampleMacro {
  std::string profile;
  std::string macro;
};

// Makes a profile of `dsn` with pbuild_vq5 under `folder` and builds the
// sample pages into a macro beside it with k7q build; the paths, or empty
// ones (with the reason in `error`) when a step failed.
CSampleMacro MakeSampleMacro(const std::string& folder, const std::string& dsn,
                             const std::string& user, const std::string& password,
                             std::string& error);

// A pipe whose ends close with it.
struct CPipe {
  int fd[2] = {-1, -1};
  CPipe();
  ~CPipe();
  CPipe(const CPipe&) = delete;
  CPipe& operator=(const CPipe&) = delete;
  void Close(int end);
};

// A program started with some of our descriptors as its own; ended with
// SIGTERM and reaped when it goes out of scope.
class CChild {
 public:
  ~CChild() { Stop(); }
  // `maps` pairs a descriptor of ours with the number it gets in the child;
  // its standard error goes to `errFile`.
  bool Start(const std::vector<std::string>& argv, const std::vector<std::pair<int, int>>& maps,
             const std::string& errFile);
  void Stop();

 private:
  pid_t m_pid = -1;
};

// One line read from `fd` within 30 seconds; empty when none came.
std::string ReadLineFrom(int fd);

// k7q serve on a port of its own choosing, stopped with the object.
class CServer {
 public:
  // The address it serves ("http://127.0.0.1:PORT/"), or empty.
  std::string Start(const std::string& macro, const std::string& profile,
                    const std::string& errFile);

 private:
  CPipe m_out;
  CPipe m_in;
  CChild m_child;
};
