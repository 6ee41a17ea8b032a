#include "K7QFuzz.h"

#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

std::string CK7QFuzzUi::String(unsigned id) const { return "message " + std::to_string(id); }

int CK7QFuzzUi::Prompt(unsigned, const std::string&, K7QIcon, K7QButtons buttons) {
  return buttons == K7QButtons::Ok || buttons == K7QButtons::OkCancel ? kIdOk : kIdYes;
}

CK7QFuzzFolder& CK7QFuzzFolder::Get() {
  static CK7QFuzzFolder folder;
  return folder;
}

CK7QFuzzFolder::CK7QFuzzFolder() {
  const char* tmp = std::getenv("TMPDIR");
  m_root = std::string(tmp && *tmp ? tmp : "/tmp") + "/k7qfuzz-" + std::to_string(::getpid());
  m_work = m_root + "/work";
  fs::create_directories(m_work);
}

CK7QFuzzFolder::~CK7QFuzzFolder() {
  std::error_code ec;
  fs::remove_all(m_root, ec);
}

void CK7QFuzzFolder::Put(const std::string& name, std::string_view bytes) const {
  std::ofstream out(File(name), std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void CK7QFuzzFolder::Reset(const std::set<std::string>& keep) const {
  for (const auto& entry : fs::directory_iterator(m_root)) {
    if (entry.path().filename() != "work") {
      std::fprintf(stderr, "a file was written outside the work folder: %s\n",
                   entry.path().c_str());
      std::abort();
    }
  }
  for (const auto& entry : fs::directory_iterator(m_work)) {
    if (keep.count(entry.path().filename().string())) continue;
    std::error_code ec;
    fs::remove_all(entry.path(), ec);
  }
}

std::string K7QFuzzFixture(const std::string& relative) {
  std::ifstream in(std::string(K7Q_SOURCE_DIR) + "/" + relative, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
