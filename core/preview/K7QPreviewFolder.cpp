#include "K7QPreviewFolder.h"

#include <filesystem>
#include <system_error>

#include "K7QBldCp932.h"
#include "K7QBldFile.h"

namespace K7QPreviewFolder {

namespace {

constexpr long long kMaxFile = 16LL << 20;

bool Inside(const std::filesystem::path& folder, const std::filesystem::path& target) {
  auto f = folder.begin();
  auto t = target.begin();
  for (; f != folder.end(); ++f, ++t) {
    if (t == target.end() || *f != *t) return false;
  }
  return true;
}

}  // namespace

std::string PathBelow(const std::string& folder, std::string_view relative) {
  if (folder.empty() || relative.empty()) return {};
  std::string rel(relative);
  for (char& c : rel) {
    if (c == '\\') c = '/';
  }
  if (rel[0] == '/' || (rel.size() >= 2 && rel[1] == ':')) return {};
  std::filesystem::path path(folder);
  std::size_t start = 0;
  while (start <= rel.size()) {
    std::size_t end = rel.find('/', start);
    if (end == std::string::npos) end = rel.size();
    const std::string part = rel.substr(start, end - start);
    if (part == "..") return {};
    for (unsigned char c : part) {
      if (c < 0x20 || c == 0x7F) return {};
    }
    if (!part.empty() && part != ".") path /= part;
    start = end + 1;
  }
  // Links are followed: one inside the folder may not lead out of it.
  std::error_code ec;
  const std::filesystem::path base = std::filesystem::weakly_canonical(folder, ec);
  if (ec) return {};
  const std::filesystem::path target = std::filesystem::weakly_canonical(path, ec);
  if (ec || target == base || !Inside(base, target)) return {};
  return target.string();
}

Result Read(const std::string& folder, std::string_view relative, std::string& bytes) {
  bytes.clear();
  std::string utf8;
  // Backslashes are folder separators here; the second byte of a CP932
  // character is converted with its character, never taken for one.
  if (!K7QCp932::ToUtf8(relative, utf8)) return Result::Refused;
  const std::string path = PathBelow(folder, utf8);
  if (path.empty()) return Result::Refused;
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return Result::Missing;
  long long size = 0;
  long long mtime = 0;
  if (!K7QFile::Status(path, size, mtime)) return Result::Missing;
  if (size > kMaxFile) return Result::Refused;
  try {
    bytes = K7QFile::ReadAll(path);
  } catch (const std::exception&) {
    return Result::Missing;
  }
  return Result::Ok;
}

}  // namespace K7QPreviewFolder
