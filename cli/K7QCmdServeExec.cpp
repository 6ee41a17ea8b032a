// k7q serve: handed on to k7q-serve beside this program, with the same
// arguments, in the same process (exec), so that whoever started k7q serve
// (the builder, a script) holds the server itself.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "K7QCommand.h"
#include "K7QServeProgram.h"

namespace {

std::string ServeProgram() {
  char self[4096];
  const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return {};
  std::string path(self, static_cast<std::size_t>(n));
  const std::size_t slash = path.rfind('/');
  return path.substr(0, slash + 1) + kK7QServeProgram;
}

int Serve(const K7QArgs& args) {
  const std::string program = ServeProgram();
  if (program.empty()) {
    std::fprintf(stderr, "k7q: serve: cannot tell where k7q is: %s\n", std::strerror(errno));
    return kExitFailed;
  }
  std::vector<std::string> words{program, "serve"};
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  ::execv(program.c_str(), argv.data());
  std::fprintf(stderr, "k7q: serve: cannot start %s: %s\n", program.c_str(), std::strerror(errno));
  return kExitFailed;
}

const K7QRegisterCommand kRegister("serve", kK7QServeUsage, Serve);

}  // namespace
