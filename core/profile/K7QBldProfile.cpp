#include "K7QBldProfile.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <unordered_map>
#include <utility>

#include "K7QBldCp932.h"
#include "K7QBldFile.h"

namespace {

constexpr std::string_view kFunctionSql = "%FUNCTION(RZV_SQL)";
constexpr std::string_view kFunctionOdbc = "%FUNCTION(RZV_ODBC)";

// Fixed fields of a column line: offset and how many characters the reader takes.
constexpr std::size_t kTableOffset = 0;
constexpr std::size_t kColumnOffset = 19;
constexpr std::size_t kTypeOffset = 38;
constexpr std::size_t kLengthOffset = 57;
constexpr std::size_t kScaleOffset = 69;
constexpr std::size_t kReferenceOffset = 76;
constexpr std::size_t kNameWidth = 18;
constexpr std::size_t kLengthWidth = 11;
constexpr std::size_t kScaleWidth = 6;
// The scale digit ends at offset 69, so no trimmed column line is shorter.
constexpr std::size_t kShortestColumnLine = 70;
// A sample block's name is cut from its head line.
constexpr std::size_t kSampleNameWidth = 8;

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view TrimRightView(std::string_view s) {
  std::size_t e = s.size();
  while (e > 0 && IsSpace(s[e - 1])) --e;
  return s.substr(0, e);
}

std::string_view TrimView(std::string_view s) {
  std::size_t b = 0;
  while (b < s.size() && IsSpace(s[b])) ++b;
  return TrimRightView(s.substr(b));
}

// `width` characters from `offset` (fewer at the end of the line), trailing blanks removed.
std::string_view Field(std::string_view line, std::size_t offset, std::size_t width) {
  if (offset >= line.size()) return {};
  return TrimRightView(line.substr(offset, width));
}

bool Contains(std::string_view line, std::string_view word) {
  return K7QCp932::Find(line, word) != std::string_view::npos;
}

bool ContainsChar(std::string_view line, char c) {
  return K7QCp932::Find(line, c) != std::string_view::npos;
}

// The last character is '{' (a trail byte 0x7B is no brace).
bool EndsWithBrace(std::string_view line) {
  return !line.empty() && line.back() == '{' && K7QCp932::FindLast(line, '{') == line.size() - 1;
}

// Key under which names compare ignoring case, as EqualNoCase compares them.
std::string FoldCase(std::string_view s) {
  std::string out(s);
  for (std::size_t i = 0; i < out.size();) {
    const std::size_t n = K7QCp932::CharLength(out, i);
    if (n == 1 && out[i] >= 'A' && out[i] <= 'Z') out[i] = static_cast<char>(out[i] - 'A' + 'a');
    i += n;
  }
  return out;
}

std::string HexColor(std::uint32_t color) {
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "%06X", static_cast<unsigned>(color & 0xFFFFFFu));
  return buffer;
}

std::string MacroName(const CK7QBldProfileColumn& c) {
  std::string s = "$(V_";
  s += c.m_table;
  s += '.';
  s += c.m_column;
  s += ')';
  return s;
}

// "<K7Q macro=...><FONT color=...>text</FONT></K7Q>" between `before` and `after`.
std::string FontFragment(const CK7QBldProfileColumn& c, std::uint32_t color, std::string_view text,
                         std::string_view before, std::string_view after) {
  std::string s(before);
  s += "<K7Q macro=\"";
  s += MacroName(c);
  s += "\"><FONT color=\"#";
  s += HexColor(color);
  s += "\">";
  s += text;
  s += "</FONT></K7Q>";
  s += after;
  return s;
}

std::string AbsoluteFolder(const std::string& path) {
  const std::string folder = K7QFile::Folder(path);
  const std::filesystem::path dir =
      folder.empty() ? std::filesystem::path(".") : std::filesystem::path(folder);
  std::error_code ec;
  std::filesystem::path abs = std::filesystem::absolute(dir, ec);
  if (ec) abs = dir;
  std::string out = abs.lexically_normal().string();
  while (out.size() > 1 && out.back() == '/') out.pop_back();
  return out;
}

}  // namespace

// The line-driven reading of a profile file. Step() takes each trimmed line
// and returns false at the first line that breaks a rule, which ends the reading.
class CK7QBldProfile::CReader {
 public:
  CReader(CK7QBldProfile& profile, std::string folder)
      : m_profile(profile), m_folder(std::move(folder)) {}

  bool Step(std::string_view line);
  bool Closed() const { return m_closed; }

 private:
  void AddColumnLine(std::string_view line);
  void AttachSample();
  int Classify(const std::string& reference, int typeCode) const;

  using Position = std::pair<std::size_t, std::size_t>;  // table, column
  const std::string& ReferenceAt(const Position& p) const {
    return m_profile.m_tables[p.first].Columns()[p.second].m_reference;
  }
  void Attach(const Position& p);

  CK7QBldProfile& m_profile;
  std::string m_folder;
  int m_state = 0;
  bool m_closed = false;
  std::string m_sampleName;
  std::string m_sampleValue;

  // Tables by exact name: column lines of one table need not be adjacent.
  std::unordered_map<std::string, std::size_t> m_tableIndex;
  // Columns a sample block can fill, in file order. The creator numbers its
  // sample names in that order, so they are usually strictly ascending: then
  // each block is found next to the previous one, or by binary search.
  // Otherwise (duplicates, hand-made files) a hash index finds the first match.
  std::vector<Position> m_sampleColumns;
  bool m_samplesAscending = true;
  std::string m_lastSampleKey;
  std::size_t m_sampleCursor = 0;
  std::unordered_map<std::string, Position> m_sampleIndex;
  bool m_sampleIndexBuilt = false;
};

bool CK7QBldProfile::CReader::Step(std::string_view line) {
  CK7QBldProfile& p = m_profile;
  switch (m_state) {
    case 0:
      if (Contains(line, "Data_Base_Type")) {
        m_state = EndsWithBrace(line) ? 2 : 1;
      } else if (Contains(line, "Data_Base_Name")) {
        p.m_functionSection = kFunctionSql;
        m_state = EndsWithBrace(line) ? 6 : 5;
      }
      return true;
    case 1:
      if (line != "{") return false;
      m_state = 2;
      return true;
    case 2:
      if (CK7QBldGroceries::EqualNoCase(line, "ODBC")) {
        p.m_databaseKind = kDatabaseOdbc;
        p.m_functionSection = kFunctionOdbc;
      } else if (CK7QBldGroceries::EqualNoCase(line, "VQ5")) {
        p.m_databaseKind = kDatabaseVq5;
        p.m_functionSection = kFunctionSql;
      }
      m_state = 3;
      return true;
    case 3:
      if (!ContainsChar(line, '}')) return false;
      m_state = 4;
      return true;
    case 4:
      if (Contains(line, "Data_Base_Name")) m_state = EndsWithBrace(line) ? 6 : 5;
      return true;
    case 5:
      if (line != "{") return false;
      m_state = 6;
      return true;
    case 6:
      p.m_databaseName = line;
      p.m_profileFolder = m_folder;
      m_state = 7;
      return true;
    case 7:
      if (!ContainsChar(line, '}')) return false;
      m_state = 8;
      return true;
    case 8:
      // Whatever follows the database name block is consumed here.
      if (Contains(line, "Login")) {
        m_state = EndsWithBrace(line) ? 10 : 9;
      } else {
        m_state = 17;
      }
      return true;
    case 9:
      if (!ContainsChar(line, '{')) return false;
      m_state = 10;
      return true;
    case 10:
      p.m_login = line;
      m_state = 11;
      return true;
    case 11:
      if (line != "}") return false;
      m_state = 12;
      return true;
    case 12:
      if (Contains(line, "Password")) {
        m_state = EndsWithBrace(line) ? 14 : 13;
      } else {
        m_state = 17;
      }
      return true;
    case 13:
      if (!ContainsChar(line, '{')) return false;
      m_state = 14;
      return true;
    case 14:
      p.m_password = line;
      m_state = 15;
      return true;
    case 15:
      if (line != "}") return false;
      m_state = 17;
      return true;
    case 16:
      if (!ContainsChar(line, '{')) return false;
      m_state = 18;
      return true;
    case 17:
      if (Contains(line, "Information")) m_state = EndsWithBrace(line) ? 18 : 16;
      return true;
    case 18:
      if (line.size() >= kShortestColumnLine) {
        AddColumnLine(line);
        return true;
      }
      if (line != "}") return false;
      m_closed = true;
      m_state = 20;
      return true;
    case 20:
      m_sampleName = TrimView(line.substr(0, kSampleNameWidth));
      m_sampleValue.clear();
      m_state = EndsWithBrace(line) ? 22 : 21;
      return true;
    case 21:
      if (line != "{") return false;
      m_state = 22;
      return true;
    case 22:
      m_sampleValue += line;
      m_state = 23;
      return true;
    case 23:
      // Anything but the closing line drops the pending block.
      if (line == "}") AttachSample();
      m_state = 20;
      return true;
    default:
      return false;
  }
}

int CK7QBldProfile::CReader::Classify(const std::string& reference, int typeCode) const {
  const int kind = CK7QBldProfileColumn::KindOf(reference, typeCode);
  if (!CK7QBldProfileColumn::IsFileKind(kind)) return kind;
  // A profile comes from outside: its file names must stay inside its folder.
  if (!K7QFile::IsSafeFileComponent(reference)) return kKindNone;
  if (!m_profile.IsInsideFolder(K7QFile::Join(m_folder, reference))) return kKindNone;
  return kind;
}

void CK7QBldProfile::CReader::AddColumnLine(std::string_view line) {
  auto& tables = m_profile.m_tables;
  std::vector<CK7QBldProfileColumn>* columns = nullptr;
  bool added = false;
  bool listed = false;
  try {
    const std::string_view table = Field(line, kTableOffset, kNameWidth);
    // Column lines come grouped by table, so the last table is nearly always the one.
    std::size_t index = tables.size();
    if (!tables.empty() && tables.back().Name() == table) {
      index = tables.size() - 1;
    } else if (auto it = m_tableIndex.find(std::string(table)); it != m_tableIndex.end()) {
      index = it->second;
    } else {
      // Tables of one database tend to have similar widths; growing a
      // vector of column records column by column would move them repeatedly.
      const std::size_t guess =
          tables.empty() ? 8 : std::max<std::size_t>(8, tables.back().Columns().size());
      tables.emplace_back(std::string(table));
      tables.back().Columns().reserve(guess);
      m_tableIndex.emplace(table, index);
    }
    // Filled in place: a column record is large and the lines are many.
    columns = &tables[index].Columns();
    CK7QBldProfileColumn& c = columns->emplace_back();
    added = true;
    c.m_table = table;
    c.m_column = Field(line, kColumnOffset, kNameWidth);
    c.m_typeName = Field(line, kTypeOffset, kNameWidth);
    c.m_length = Field(line, kLengthOffset, kLengthWidth);
    c.m_scale = Field(line, kScaleOffset, kScaleWidth);
    if (line.size() > kReferenceOffset)
      c.m_reference = TrimRightView(line.substr(kReferenceOffset));
    c.m_typeCode = CK7QBldProfileColumn::TypeCode(c.m_typeName);
    c.m_kind = Classify(c.m_reference, c.m_typeCode);
    // A file name refused as unsafe is still a file name: no sample block fills it.
    if (!c.m_reference.empty() && !CK7QBldProfileColumn::IsFileKind(
                                      CK7QBldProfileColumn::KindOf(c.m_reference, c.m_typeCode))) {
      std::string key = FoldCase(c.m_reference);
      m_sampleColumns.emplace_back(index, columns->size() - 1);
      listed = true;
      if (m_sampleColumns.size() > 1 && !(m_lastSampleKey < key)) m_samplesAscending = false;
      m_lastSampleKey = std::move(key);
    }
  } catch (const std::bad_alloc& e) {
    // That column is lost; the rest of the profile is still worth reading.
    if (listed) m_sampleColumns.pop_back();
    if (added) columns->pop_back();
    m_profile.m_groceries.ReportMemoryException(e, __FILE__, __LINE__);
  }
}

void CK7QBldProfile::CReader::Attach(const Position& p) {
  auto& c = m_profile.m_tables[p.first].Columns()[p.second];
  c.m_sample = m_sampleValue;
  c.m_kind = kKindSample;
}

void CK7QBldProfile::CReader::AttachSample() {
  // Only a named block can fill a column: a column without reference has no sample.
  if (m_sampleName.empty() || m_sampleColumns.empty()) return;
  const std::string key = FoldCase(m_sampleName);
  if (m_samplesAscending) {
    // Names are unique here, so the one match is the first match.
    if (m_sampleCursor < m_sampleColumns.size() &&
        FoldCase(ReferenceAt(m_sampleColumns[m_sampleCursor])) == key) {
      Attach(m_sampleColumns[m_sampleCursor++]);
      return;
    }
    const auto it = std::lower_bound(
        m_sampleColumns.begin(), m_sampleColumns.end(), key,
        [this](const Position& p, const std::string& k) { return FoldCase(ReferenceAt(p)) < k; });
    if (it == m_sampleColumns.end() || FoldCase(ReferenceAt(*it)) != key) return;
    m_sampleCursor = static_cast<std::size_t>(it - m_sampleColumns.begin()) + 1;
    Attach(*it);
    return;
  }
  if (!m_sampleIndexBuilt) {
    m_sampleIndexBuilt = true;
    m_sampleIndex.reserve(m_sampleColumns.size());
    // emplace keeps the earliest column of each name.
    for (const auto& p : m_sampleColumns) m_sampleIndex.emplace(FoldCase(ReferenceAt(p)), p);
  }
  const auto it = m_sampleIndex.find(key);
  if (it != m_sampleIndex.end()) Attach(it->second);
}

void CK7QBldProfile::Clear() {
  m_databaseKind = kDatabaseVq5;
  m_profileFolder.clear();
  m_functionSection.clear();
  m_databaseName.clear();
  m_login.clear();
  m_password.clear();
  m_tables.clear();
  m_loaded = false;
}

bool CK7QBldProfile::Read(const std::string& path) {
  Clear();
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return false;
  CK7QBldLineReader reader;
  std::optional<CReader> state;
  // Success means only that the Information block was closed, also when a
  // read fault or a memory shortage stops the reading later.
  try {
    state.emplace(*this, AbsoluteFolder(path));
    reader.Open(path);
    std::string line;
    while (reader.ReadLine(line)) {
      if (!state->Step(TrimView(line))) break;
    }
  } catch (const CK7QBldFileException& e) {
    reader.Close();
    m_groceries.ReportFileException(e, __FILE__, __LINE__);
  } catch (const std::bad_alloc& e) {
    reader.Close();
    m_groceries.ReportMemoryException(e, __FILE__, __LINE__);
  }
  m_loaded = state && state->Closed();
  return m_loaded;
}

K7QStringList CK7QBldProfile::TableNames() const {
  K7QStringList names;
  names.reserve(m_tables.size());
  for (const auto& t : m_tables) names.push_back(t.Name());
  return names;
}

const CK7QBldDBTable* CK7QBldProfile::FindTable(std::string_view name) const {
  for (const auto& t : m_tables) {
    if (CK7QBldGroceries::EqualNoCase(t.Name(), name)) return &t;
  }
  return nullptr;
}

const CK7QBldProfileColumn* CK7QBldProfile::FindColumn(std::string_view table,
                                                       std::string_view column) const {
  // Tables differing only in case are distinct in the file; the first one that has the column wins.
  for (const auto& t : m_tables) {
    if (!CK7QBldGroceries::EqualNoCase(t.Name(), table)) continue;
    if (const auto* c = t.FindColumn(column)) return c;
  }
  return nullptr;
}

const CK7QBldProfileColumn* CK7QBldProfile::FindColumnInAnyTable(std::string_view column) const {
  for (const auto& t : m_tables) {
    if (const auto* c = t.FindColumn(column)) return c;
  }
  return nullptr;
}

bool CK7QBldProfile::IsInsideFolder(const std::string& path) const {
  if (m_profileFolder.empty()) return false;
  std::error_code ec;
  const std::filesystem::path folder = std::filesystem::weakly_canonical(m_profileFolder, ec);
  if (ec) return false;
  const std::filesystem::path target = std::filesystem::weakly_canonical(path, ec);
  if (ec) return false;
  // Symbolic links are followed: a link inside the folder may not lead out of it.
  return target.parent_path() == folder;
}

std::string CK7QBldProfile::ReferencePath(const CK7QBldProfileColumn& column) const {
  if (!CK7QBldProfileColumn::IsFileKind(column.m_kind) || m_profileFolder.empty()) return {};
  if (!K7QFile::IsSafeFileComponent(column.m_reference)) return {};
  std::string path = K7QFile::Join(m_profileFolder, column.m_reference);
  if (!IsInsideFolder(path)) return {};
  return path;
}

bool CK7QBldProfile::ReadReferenceText(const CK7QBldProfileColumn& column,
                                       std::string& text) const {
  text.clear();
  const std::string path = ReferencePath(column);
  if (path.empty()) return false;
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return false;
  try {
    CK7QBldLineReader reader(path);
    std::string line;
    while (reader.ReadLine(line)) {
      text += line;
      text += "\r\n";
    }
  } catch (const CK7QBldFileException&) {
    // A file that cannot be read shows as no text, as a missing one does.
    text.clear();
    return false;
  }
  return true;
}

std::string CK7QBldProfile::ColumnSample(std::string_view table, std::string_view column) const {
  const CK7QBldProfileColumn* c = FindColumn(table, column);
  if (!c) return {};
  switch (c->m_kind) {
    case kKindImage:
      return c->m_reference;
    case kKindSample:
      return c->m_sample;
    case kKindClobText:
    case kKindText: {
      std::string text;
      if (!ReadReferenceText(*c, text)) return {};
      return ConvertLineBreaks(text);
    }
    default:
      return {};
  }
}

std::string CK7QBldProfile::ColumnHtml(const CK7QBldProfileColumn& column, std::uint32_t color,
                                       bool link, std::string_view linkPrefix,
                                       std::string_view linkSuffix) const {
  switch (column.m_kind) {
    case kKindNone:
      return "***";
    case kKindImage:
      return "<K7Q macro=\"" + MacroName(column) + "\"><IMG SRC=\"" + column.m_reference +
             "\"></K7Q>";
    case kKindClobText: {
      std::string text;
      if (!ReadReferenceText(column, text)) return {};
      return "<K7Q macro=\"" + MacroName(column) + "\" type=\"CLOB\"><FONT color=\"#" +
             HexColor(color) + "\">" + ConvertLineBreaks(text) + "</FONT></K7Q>";
    }
    case kKindText: {
      std::string text;
      if (!ReadReferenceText(column, text)) return {};
      return FontFragment(column, color, ConvertLineBreaks(text), {}, {});
    }
    case kKindSample: {
      const std::string text = ConvertLineBreaks(column.m_sample);
      if (!link) return FontFragment(column, color, text, {}, {});
      std::string before = "<A href=\"";
      before += linkPrefix;
      before += MacroName(column);
      before += linkSuffix;
      before += "\">";
      return FontFragment(column, color, text, before, "</A>");
    }
    default:
      return {};
  }
}

std::string CK7QBldProfile::ColumnQualifier(const std::string& select, std::string_view column) {
  const std::size_t s = K7QCp932::Find(select, "SELECT");
  const std::size_t f = K7QCp932::Find(select, "FROM");
  if (s == std::string::npos || f == std::string::npos || f < s + 6) return {};
  K7QStringList items;
  if (CK7QBldGroceries::SplitString(select.substr(s + 6, f - s - 6), items, ',', false) == 0)
    return {};
  for (const auto& item : items) {
    K7QStringList parts;
    if (CK7QBldGroceries::SplitString(item, parts, '.', false) != 2) continue;
    if (CK7QBldGroceries::EqualNoCase(parts[1], column)) return parts[0];
  }
  return {};
}

bool CK7QBldProfile::SameStructure(std::string_view table1, std::string_view table2) const {
  const CK7QBldDBTable* a = FindTable(table1);
  const CK7QBldDBTable* b = FindTable(table2);
  if (!a || !b || a->Columns().size() != b->Columns().size()) return false;
  for (std::size_t i = 0; i < a->Columns().size(); ++i) {
    const auto& ca = a->Columns()[i];
    const auto& cb = b->Columns()[i];
    if (!CK7QBldGroceries::EqualNoCase(ca.m_column, cb.m_column) ||
        !CK7QBldGroceries::EqualNoCase(ca.m_typeName, cb.m_typeName))
      return false;
  }
  return true;
}

std::string CK7QBldProfile::ConvertLineBreaks(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 8);
  // CR and LF are never trail bytes, so a plain search is exact, and a lead
  // byte cut off at the end of a line cannot hide the line break after it.
  std::size_t start = 0;
  for (std::size_t crlf = text.find("\r\n"); crlf != std::string_view::npos;
       crlf = text.find("\r\n", start)) {
    out.append(text.substr(start, crlf - start));
    out += "<BR>\r\n";
    start = crlf + 2;
  }
  out.append(text.substr(start));
  return out;
}
