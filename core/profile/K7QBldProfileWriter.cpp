#include "K7QBldProfileWriter.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "K7QBldCp932.h"

namespace {

// The profile is a text file of the platform the builder came from: every line ends with CR LF.
constexpr std::string_view kEol = "\r\n";
constexpr std::size_t kFieldWidth = 19;
constexpr std::size_t kTypeNameBytes = 18;
constexpr std::size_t kLengthWidth = 12;
constexpr std::size_t kScaleWidth = 7;
constexpr std::size_t kReferenceOffset = 76;
// Largest numbers that leave the blank after their field in place.
constexpr long long kMaxLength = 99999999999LL;
constexpr long long kMinLength = -9999999999LL;
constexpr int kMaxScale = 999999;
constexpr int kMinScale = -99999;

bool HasLineBreak(std::string_view s) {
  return s.find('\n') != std::string_view::npos || s.find('\r') != std::string_view::npos;
}

// At most `bytes` bytes of `s`, never ending inside a double-byte character.
std::string_view CutAt(std::string_view s, std::size_t bytes) {
  if (s.size() <= bytes) return s;
  std::size_t i = 0;
  while (i < s.size()) {
    const std::size_t n = K7QCp932::CharLength(s, i);
    if (i + n > bytes) break;
    i += n;
  }
  return s.substr(0, i);
}

void AppendPadded(std::string& out, std::string_view text, std::size_t width) {
  out += text;
  if (text.size() < width) out.append(width - text.size(), ' ');
}

}  // namespace

CK7QBldProfileWriter::~CK7QBldProfileWriter() { Abandon(); }

bool CK7QBldProfileWriter::IsWritableHeaderField(std::string_view text) {
  return text.size() <= kMaxHeaderBytes && !HasLineBreak(text);
}

bool CK7QBldProfileWriter::IsWritableName(std::string_view name) {
  if (name.empty() || name.size() > kMaxNameBytes) return false;
  for (unsigned char c : name) {
    if (c < 0x20 || c == 0x7F) return false;
  }
  // The reader trims every line and every field; blanks at either end would be lost.
  return name.front() != ' ' && name.back() != ' ';
}

std::string CK7QBldProfileWriter::ColumnLine(const K7QProfileColumnDef& def,
                                             std::string_view reference) {
  std::string line;
  line.reserve(kReferenceOffset + reference.size());
  AppendPadded(line, def.table, kFieldWidth);
  AppendPadded(line, def.column, kFieldWidth);
  AppendPadded(line, CutAt(def.typeName, kTypeNameBytes), kFieldWidth);
  char number[32];
  const long long length = std::clamp(def.length, kMinLength, kMaxLength);
  std::snprintf(number, sizeof number, "%lld", length);
  AppendPadded(line, number, kLengthWidth);
  if (def.scale == 0) {
    line += "0      ";
  } else {
    std::snprintf(number, sizeof number, "%d", std::clamp(def.scale, kMinScale, kMaxScale));
    AppendPadded(line, number, kScaleWidth);
  }
  line += reference;
  return line;
}

bool CK7QBldProfileWriter::Begin(const std::string& path, const K7QProfileHeader& header) {
  Abandon();
  if (!IsWritableHeaderField(header.databaseType) || !IsWritableHeaderField(header.databaseName) ||
      !IsWritableHeaderField(header.login) || !IsWritableHeaderField(header.password))
    return false;
  m_path = path;
  m_samples = 0;
  m_lobs = 0;
  m_lastReference.clear();
  m_sampleBlocks.clear();
  try {
    m_open = true;
    // The profile holds the database password: a new one is the owner's alone.
    m_profile.Open(path, K7QFile::AuthorFile(!header.password.empty()));
    std::string head;
    auto block = [&head](std::string_view name, std::string_view value) {
      head += name;
      head += " {";
      head += kEol;
      head += value;
      head += kEol;
      head += '}';
      head += kEol;
    };
    block("Data_Base_Type", header.databaseType);
    block("Data_Base_Name", header.databaseName);
    block("Login", header.login);
    block("Password", header.password);
    block("Define", kDefineLine);
    head += "Information {";
    head += kEol;
    m_profile.Write(head);
  } catch (...) {
    Abandon();
    throw;
  }
  return true;
}

bool CK7QBldProfileWriter::IsWritable(const K7QProfileColumnDef& def) const {
  return m_open && IsWritableName(def.table) && IsWritableName(def.column) &&
         !def.typeName.empty() && !HasLineBreak(def.typeName);
}

void CK7QBldProfileWriter::WriteLine(const K7QProfileColumnDef& def, std::string reference) {
  try {
    m_buffer = ColumnLine(def, reference);
    m_buffer += kEol;
    m_profile.Write(m_buffer);
    m_lastReference = std::move(reference);
  } catch (...) {
    Abandon();
    throw;
  }
}

bool CK7QBldProfileWriter::AddColumn(const K7QProfileColumnDef& def) {
  if (!IsWritable(def)) return false;
  WriteLine(def, {});
  return true;
}

bool CK7QBldProfileWriter::AddSampledColumn(const K7QProfileColumnDef& def,
                                            std::optional<std::string_view> value,
                                            std::size_t width) {
  if (!IsWritable(def)) return false;
  if (m_samples >= kMaxSamples) {
    // A sixth digit would be cut off when the name is read back, and the
    // value would land on another column.
    WriteLine(def, {});
    return true;
  }
  char name[16];
  std::snprintf(name, sizeof name, "SMP%05d", m_samples);
  try {
    std::string block = name;
    block += " {";
    block += kEol;
    const std::string_view cut = value ? CutAt(*value, width) : std::string_view();
    const std::size_t start = block.size();
    AppendPadded(block, cut, width);
    // A line break inside the value would end the block early and cost every later sample.
    for (std::size_t i = start; i < block.size(); ++i) {
      if (block[i] == '\r' || block[i] == '\n') block[i] = ' ';
    }
    block += kEol;
    block += '}';
    block += kEol;
    m_sampleBlocks += block;
  } catch (...) {
    Abandon();
    throw;
  }
  ++m_samples;
  WriteLine(def, name);
  return true;
}

bool CK7QBldProfileWriter::AddLobColumn(const K7QProfileColumnDef& def,
                                        std::string_view extension) {
  if (!IsWritable(def)) return false;
  if (extension != ".gif" && extension != ".bmp" && extension != ".jpg" && extension != ".txt" &&
      extension != ".XXX")
    return false;
  char name[32];
  std::snprintf(name, sizeof name, "LOB%05d", m_lobs);
  ++m_lobs;
  WriteLine(def, std::string(name) + std::string(extension));
  return true;
}

void CK7QBldProfileWriter::Finish() {
  if (!m_open) throw CK7QBldFileException(CK7QBldFileException::invalidFile, EBADF, m_path);
  try {
    m_profile.Write("}");
    m_profile.Write(kEol);
    m_profile.Write(m_sampleBlocks);
    m_profile.Close();
    m_open = false;
    m_sampleBlocks.clear();
  } catch (...) {
    Abandon();
    throw;
  }
}

void CK7QBldProfileWriter::Abandon() {
  if (!m_open) return;
  m_open = false;
  m_profile.Abandon();
  m_sampleBlocks.clear();
}
