#include "K7QTestSupport.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "K7QBldCp932.h"

CK7QScriptedUi::CK7QScriptedUi() {
  m_language.SetJapanese(false);
  m_language.Load("K7QBld_lang.so", K7Q_BIN_DIR);
}

std::string CK7QScriptedUi::String(unsigned id) const { return m_language.String(id); }

int CK7QScriptedUi::Prompt(unsigned id, const std::string& text, K7QIcon icon,
                           K7QButtons buttons) {
  m_shown.push_back({id, text, icon, buttons});
  if (m_answers.empty()) return m_defaultAnswer;
  const int answer = m_answers.front();
  m_answers.pop_front();
  return answer;
}

std::vector<unsigned> CK7QScriptedUi::Ids() const {
  std::vector<unsigned> ids;
  for (const auto& s : m_shown) ids.push_back(s.id);
  return ids;
}

CK7QTempDir::CK7QTempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "k7qtest.XXXXXX").string();
  if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  m_path = pattern;
}

CK7QTempDir::~CK7QTempDir() {
  std::error_code ec;
  std::filesystem::remove_all(m_path, ec);
}

std::string K7QReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void K7QWriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string K7QSjis(const std::string& utf8) {
  std::string out;
  if (!K7QCp932::FromUtf8(utf8, out)) throw std::runtime_error("not representable in CP932");
  return out;
}
