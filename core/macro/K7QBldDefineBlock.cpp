#include "K7QBldDefineBlock.h"

#include <vector>

#include "K7QBldCp932.h"
#include "K7QBldFile.h"
#include "K7QBldFunctionBlock.h"
#include "K7QBldGroceries.h"
#include "K7QBldProfile.h"
#include "K7QBldUserInterface.h"

namespace {

constexpr int kBlockComment = 0;
constexpr int kBlockDefine = 1;

bool Contains(std::string_view text, std::string_view needle) {
  return K7QCp932::Find(text, needle) != std::string_view::npos;
}

void WriteDefineLine(CK7QBldTextWriter& out, std::string_view name, std::string_view value) {
  out.Write(name);
  out.Write("=\"");
  out.Write(value);
  out.Write("\"\n");
}

}  // namespace

bool CK7QBldDefineBlock::IsValidImagePath(std::string_view value) {
  if (value.empty() || value.front() != '/') return false;
  constexpr std::string_view forbidden = "\\,:;*?\"<>| ";
  // The trail byte of a double-byte character is no backslash.
  for (std::size_t i = 0; i < value.size(); i += K7QCp932::CharLength(value, i)) {
    if (K7QCp932::CharLength(value, i) == 1 && forbidden.find(value[i]) != std::string_view::npos)
      return false;
  }
  return true;
}

bool CK7QBldDefineBlock::CheckVariable(const CK7QBldGroceries& groceries,
                                       const CK7QBldProfile& profile, std::string_view name,
                                       std::string_view value) {
  IK7QBldUserInterface& ui = groceries.Ui();
  const auto refuse = [&ui](unsigned id) {
    ui.Message(id);
    return false;
  };
  if (name.empty()) return refuse(kIdsEmptyVariableName);
  if (value.empty()) return refuse(kIdsEmptyVariableValue);
  if (!groceries.CheckUserVariableName(std::string(name))) return false;
  for (const char* own : {"DATABASE", "LOGIN", "PASSWORD", "CLOBTYPE"}) {
    if (CK7QBldGroceries::EqualNoCase(name, own)) return refuse(kIdsReservedDefineName);
  }
  const auto breaksSection = [](std::string_view text) {
    return Contains(text, "\"") || Contains(text, "%{") || Contains(text, "%}");
  };
  const auto hasControl = [](std::string_view text, bool tabAllowed) {
    for (const char c : text) {
      const unsigned char u = static_cast<unsigned char>(c);
      if ((u < 0x20 && !(tabAllowed && c == '\t')) || u == 0x7F) return true;
    }
    return false;
  };
  if (breaksSection(name) || Contains(name, "=") || hasControl(name, false))
    return refuse(kIdsBadVariableName);
  if (breaksSection(value) || hasControl(value, true)) return refuse(kIdsBadVariableValue);
  if (profile.FindColumnInAnyTable(name)) return refuse(kIdsVariableNameIsColumn);
  if (CK7QBldGroceries::EqualNoCase(name, kImagePathVariable) && !IsValidImagePath(value))
    return refuse(kIdsBadImagePath);
  return true;
}

int CK7QBldDefineBlock::Find(std::string_view name) const {
  for (std::size_t i = 0; i < m_variables.size(); ++i) {
    if (CK7QBldGroceries::EqualNoCase(m_variables[i].name, name)) return static_cast<int>(i);
  }
  return -1;
}

void CK7QBldDefineBlock::WriteComponent(const std::string& path, const std::string& database,
                                        const std::string& login,
                                        const std::string& password) const {
  CK7QBldTextWriter out(path);
  out.WriteLine("%{");
  out.WriteLine(kGeneratorLine);
  out.WriteLine("%}");
  out.WriteLine("%DEFINE{");
  WriteDefineLine(out, "DATABASE", database);
  if (!login.empty()) WriteDefineLine(out, "LOGIN", login);
  if (!password.empty()) WriteDefineLine(out, "PASSWORD", password);
  out.WriteLine(kClobTypeLine);
  for (const Variable& v : m_variables) WriteDefineLine(out, v.name, v.value);
  out.WriteLine("%}");
  out.Close();
}

bool CK7QBldDefineBlock::SplitDefineLine(std::string_view line, std::string& name,
                                         std::string& value) {
  const std::size_t eq = K7QCp932::Find(line, '=');
  if (eq == std::string_view::npos) return false;
  name = CK7QBldGroceries::Trim(line.substr(0, eq));
  if (name.empty()) return false;
  const std::string_view rest = line.substr(eq + 1);
  const std::size_t open = K7QCp932::Find(rest, '"');
  const std::size_t close = K7QCp932::FindLast(rest, '"');
  if (open == std::string_view::npos || close == open) {
    value = CK7QBldGroceries::Trim(rest);
    return true;
  }
  value.assign(rest.substr(open + 1, close - open - 1));
  return true;
}

CK7QBldDefineBlock::ReadResult CK7QBldDefineBlock::ReadComponent(const std::string& path,
                                                                 const CK7QBldProfile& profile,
                                                                 IK7QBldUserInterface& ui,
                                                                 std::string& imagePath) {
  m_variables.clear();
  bool builderMade = false;
  unsigned mismatch = 0;
  {
    CK7QBldLineReader in(path);
    std::vector<int> stack;
    std::string line;
    std::string name;
    std::string value;
    while (mismatch == 0 && in.ReadLine(line)) {
      if (Contains(line, "%DEFINE{")) {
        stack.push_back(kBlockDefine);
        continue;
      }
      if (Contains(line, "%{")) {
        stack.push_back(kBlockComment);
        continue;
      }
      if (Contains(line, "%}")) {
        if (!stack.empty()) stack.pop_back();
        continue;
      }
      if (stack.empty()) continue;
      if (stack.back() == kBlockComment) {
        if (line.compare(0, kGeneratorLine.size(), kGeneratorLine) == 0) builderMade = true;
        continue;
      }
      if (!SplitDefineLine(line, name, value)) continue;
      // The connection lines are known by their name: a user variable called
      // MY_DATABASE_NAME is an ordinary variable.
      if (CK7QBldGroceries::EqualNoCase(name, "DATABASE")) {
        if (value != profile.DatabaseName()) mismatch = kIdsDatabaseMismatch;
      } else if (CK7QBldGroceries::EqualNoCase(name, "LOGIN")) {
        if (value != profile.Login()) mismatch = kIdsLoginMismatch;
      } else if (CK7QBldGroceries::EqualNoCase(name, "PASSWORD")) {
        if (value != profile.Password()) mismatch = kIdsPasswordMismatch;
      } else if (!CK7QBldGroceries::EqualNoCase(name, "CLOBTYPE")) {
        if (K7QCp932::Find(name, kImagePathVariable) != std::string::npos) imagePath = value;
        m_variables.push_back({name, value});
      }
    }
  }
  K7QFile::Delete(path);
  if (mismatch != 0) {
    ui.Message(mismatch);
    return ReadResult::Failed;
  }
  if (!builderMade &&
      ui.Message(kIdsNotBuilderMacro, K7QIcon::Exclamation, K7QButtons::YesNo) != kIdYes)
    return ReadResult::PickAnother;
  return ReadResult::Ok;
}
