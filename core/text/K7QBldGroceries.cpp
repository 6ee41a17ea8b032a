#include "K7QBldGroceries.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "K7QBldCp932.h"
#include "K7QBldFile.h"

namespace {

bool IsSpace(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

// printf-style formatting into a std::string.
template <typename... Args>
std::string Format(const char* format, Args... args) {
  const int n = std::snprintf(nullptr, 0, format, args...);
  if (n <= 0) return {};
  std::string out(static_cast<std::size_t>(n) + 1, '\0');
  std::snprintf(out.data(), out.size(), format, args...);
  out.resize(static_cast<std::size_t>(n));
  return out;
}

// Whether `pos` starts a character, walking from `from` (a character start).
// A backslash that is the trail byte of a double-byte character is no escape.
bool IsCharStart(std::string_view text, std::size_t from, std::size_t pos) {
  std::size_t i = from;
  while (i < pos) i += K7QCp932::CharLength(text, i);
  return i == pos;
}

}  // namespace

std::string CK7QBldGroceries::Trim(std::string_view text) {
  std::size_t b = 0;
  std::size_t e = text.size();
  while (b < e && IsSpace(text[b])) ++b;
  while (e > b && IsSpace(text[e - 1])) --e;
  return std::string(text.substr(b, e - b));
}

bool CK7QBldGroceries::EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (K7QCp932::IsLeadByte(static_cast<unsigned char>(a[i])) && i + 1 < a.size()) {
      if (a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
      ++i;
      continue;
    }
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

int CK7QBldGroceries::SplitString(const std::string& text, K7QStringList& list, char separator,
                                  bool escape) {
  if (text.empty()) return 0;
  list.clear();
  const std::string work = Trim(text);
  const std::string_view view(work);
  int count = 1;
  std::string field;
  std::size_t start = 0;
  for (std::size_t i = K7QCp932::Find(view, separator, start); i != std::string_view::npos;
       i = K7QCp932::Find(view, separator, start)) {
    if (escape && i > start && view[i - 1] == '\\' && IsCharStart(view, start, i - 1)) {
      field.append(view.substr(start, i - 1 - start));
      field.push_back(separator);
    } else {
      field += Trim(view.substr(start, i - start));
      list.push_back(std::move(field));
      field.clear();
      ++count;
    }
    start = i + 1;
  }
  field += Trim(view.substr(start));
  list.push_back(std::move(field));
  return count;
}

int CK7QBldGroceries::RemoveChars(std::string& text, std::string_view set) {
  if (text.empty()) return 0;
  std::string kept;
  kept.reserve(text.size());
  for (char c : text) {
    if (set.find(c) == std::string_view::npos) kept.push_back(c);
  }
  text.swap(kept);
  return static_cast<int>(text.size());
}

// Paths are the platform's bytes (UTF-8): "/" and "." are cut as bytes. Neither
// is ever part of a multi-byte character, in UTF-8 or in CP932, while a CP932
// scan over UTF-8 would take a byte before them for a lead byte.
std::string CK7QBldGroceries::GetFileBaseName(const std::string& path) {
  const std::size_t b = path.rfind('/');
  if (b == std::string::npos) return {};
  const std::size_t d = path.rfind('.');
  if (d == std::string::npos) return path.substr(b + 1);
  if (d > b) return path.substr(b + 1, d - b - 1);
  return {};
}

std::string CK7QBldGroceries::TemporaryName(const std::string& path) {
  const std::size_t d = path.rfind('.');
  const std::string base = d == std::string::npos ? path : path.substr(0, d);
  return base + ".tmp";
}

bool CK7QBldGroceries::UnescapeQuotesInFile(const std::string& path) const {
  try {
    if (!K7QFile::Exists(path)) return false;
    CK7QBldLineReader reader(path);
    K7QFile::RewriteInPlace(
        path,
        [&reader](CK7QBldTextWriter& out) {
          std::string line;
          while (reader.ReadLine(line)) {
            ReplaceAll(line, "&quot;", "\"");
            out.Write(line);
            out.Write("\n");
          }
          reader.Close();
        },
        K7QWriteOptions());
  } catch (const CK7QBldFileException& e) {
    ReportFileException(e, __FILE__, __LINE__);
    return false;
  } catch (const std::bad_alloc& e) {
    ReportMemoryException(e, __FILE__, __LINE__);
    return false;
  }
  return true;
}

std::string CK7QBldGroceries::ChangeExtension(const std::string& path, std::string_view from,
                                              std::string_view to) {
  const std::size_t d = path.rfind('.');
  if (d == std::string::npos || d == 0) return {};
  if (!EqualNoCase(std::string_view(path).substr(d + 1), from)) return {};
  return path.substr(0, d) + "." + std::string(to);
}

std::string CK7QBldGroceries::TailAfterSecondField(const std::string& text) {
  K7QStringList fields;
  if (SplitString(text, fields, '_', false) < 3) return {};
  std::string tail = fields[2];
  for (std::size_t i = 3; i < fields.size(); ++i) tail += "_" + fields[i];
  return tail;
}

bool CK7QBldGroceries::CheckUserVariableName(const std::string& name) const {
  if (name.size() >= 2 && (name.compare(0, 2, "V_") == 0 || name.compare(0, 2, "N_") == 0)) {
    m_ui.Message(kIdsReservedVariablePrefix, K7QIcon::Exclamation, K7QButtons::Ok);
    return false;
  }
  return true;
}

void CK7QBldGroceries::ReplaceAll(std::string& text, std::string_view search,
                                  std::string_view replacement) {
  if (search.empty()) return;
  std::size_t at = K7QCp932::Find(text, search, 0);
  if (at == std::string::npos) return;
  std::string out;
  out.reserve(text.size());
  std::size_t start = 0;
  for (; at != std::string::npos; at = K7QCp932::Find(text, search, start)) {
    out.append(text, start, at - start);
    out.append(replacement);
    start = at + search.size();
  }
  out.append(text, start, std::string::npos);
  text.swap(out);
}

void CK7QBldGroceries::CollapseRepeats(std::string& text, char c) {
  std::string out;
  out.reserve(text.size());
  for (char ch : text) {
    if (ch == c && !out.empty() && out.back() == c) continue;
    out.push_back(ch);
  }
  text.swap(out);
}

std::uint32_t CK7QBldGroceries::SwapRedBlue(std::uint32_t v) {
  return (v & 0xFF00u) | ((v & 0xFFu) << 16) | ((v >> 16) & 0xFFu);
}

std::uint32_t CK7QBldGroceries::ParseColor(std::string_view text, std::uint32_t fallback) {
  std::string t = Trim(text);
  if (t.size() > 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X')) t.erase(0, 2);
  if (t.empty() || t.size() > 8) return fallback;
  std::uint32_t v = 0;
  for (char c : t) {
    if (!std::isxdigit(static_cast<unsigned char>(c))) return fallback;
    v = v * 16 + static_cast<std::uint32_t>(std::isdigit(static_cast<unsigned char>(c))
                                                ? c - '0'
                                                : std::tolower(static_cast<unsigned char>(c)) - 'a' + 10);
  }
  return v;
}

std::string CK7QBldGroceries::ModuleName(const char* sourcePath) {
  const std::string path = sourcePath ? sourcePath : "";
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos || slash == 0) return path;
  return path.substr(slash + 1);
}

std::string CK7QBldGroceries::FormatError(const char* sourcePath, int line) const {
  return Format("%s\n%s : %s\n%s : %d", m_ui.String(kIdsErrorMessage).c_str(),
                m_ui.String(kIdsErrorModuleLabel).c_str(), ModuleName(sourcePath).c_str(),
                m_ui.String(kIdsErrorLineLabel).c_str(), line);
}

std::string CK7QBldGroceries::FormatMemoryException(const char* sourcePath, int line) const {
  return Format("%s\n%s : %s\n%s : %d", m_ui.String(kIdsMemoryErrorMessage).c_str(),
                m_ui.String(kIdsModuleLabel).c_str(), ModuleName(sourcePath).c_str(),
                m_ui.String(kIdsLineLabel).c_str(), line);
}

std::string CK7QBldGroceries::FormatFileException(const CK7QBldFileException& e,
                                                  const char* sourcePath, int line) const {
  const std::string fileName =
      e.m_strFileName.empty() ? m_ui.String(kIdsUnknownFileName) : e.m_strFileName;
  // A reason, when the error has one, says in the author's terms what the
  // cause code and system error number say in the system's.
  std::string message = m_ui.String(kIdsFileErrorMessage);
  if (e.m_reason != 0) message += "\n" + m_ui.String(e.m_reason);
  return Format("%s\n%s : %d\n%s : %d\n%s : %s\n%s : %s\n%s : %d", message.c_str(),
                m_ui.String(kIdsFileCauseLabel).c_str(), e.m_cause,
                m_ui.String(kIdsFileOsErrorLabel).c_str(), e.m_lOsError,
                m_ui.String(kIdsFileNameLabel).c_str(), fileName.c_str(),
                m_ui.String(kIdsModuleLabel).c_str(), ModuleName(sourcePath).c_str(),
                m_ui.String(kIdsLineLabel).c_str(), line);
}

void CK7QBldGroceries::ReportError(const char* sourcePath, int line) const {
  m_ui.Prompt(0, FormatError(sourcePath, line), K7QIcon::Stop, K7QButtons::Ok);
}

void CK7QBldGroceries::ReportMemoryException(const std::bad_alloc&, const char* sourcePath,
                                             int line) const {
  m_ui.Prompt(0, FormatMemoryException(sourcePath, line), K7QIcon::Stop, K7QButtons::Ok);
}

void CK7QBldGroceries::ReportFileException(const CK7QBldFileException& e, const char* sourcePath,
                                           int line) const {
  m_ui.Prompt(0, FormatFileException(e, sourcePath, line), K7QIcon::Stop, K7QButtons::Ok);
}
