#pragma once

#include <string>
#include <string_view>
#include <vector>

class CK7QBldProfile;
class IK7QBldUserInterface;

// Messages of the define section.
inline constexpr unsigned kIdsDatabaseMismatch = 62338;
inline constexpr unsigned kIdsLoginMismatch = 62339;
inline constexpr unsigned kIdsPasswordMismatch = 62340;
inline constexpr unsigned kIdsNotBuilderMacro = 62354;

// The fixed define line by which the macro processor types out a large-text column file.
inline constexpr std::string_view kClobTypeLine =
    "CLOBTYPE=%EXEC \"TYPE @RZV_rGETINIDATA(\"html_path\")$(ClobData)\"";
// A define variable whose name contains this holds the image path prefix.
inline constexpr std::string_view kImagePathVariable = "K7Q_IMG_PATH";

// The user-defined variables of the macro's define section, in order, and
// the define component that carries them with the connection lines.
class CK7QBldDefineBlock {
 public:
  struct Variable {
    std::string name;
    std::string value;
    bool operator==(const Variable&) const = default;
  };

  enum class ReadResult {
    Ok,           // read; the macro is the builder's or the author chose to go on
    Failed,       // a connection line does not match the profile (message shown)
    PickAnother,  // not the builder's macro and the author declined to go on
  };

  const std::vector<Variable>& Variables() const { return m_variables; }
  std::vector<Variable>& Variables() { return m_variables; }
  int GetCount() const { return static_cast<int>(m_variables.size()); }
  void Add(std::string name, std::string value) {
    m_variables.push_back({std::move(name), std::move(value)});
  }
  // First variable of that name ignoring case, or -1.
  int Find(std::string_view name) const;
  void RemoveAll() { m_variables.clear(); }

  // Writes the define component (text mode): generator comment, "%DEFINE{",
  // DATABASE, LOGIN and PASSWORD (the last two only when not empty), the
  // CLOBTYPE line, the variables, "%}". Throws a file error.
  void WriteComponent(const std::string& path, const std::string& database,
                      const std::string& login, const std::string& password) const;

  // Reads the define component back into the variables (emptied first) and
  // deletes it. DATABASE, LOGIN and PASSWORD lines, known by the name before
  // their "=", must match `profile`. A variable whose name contains
  // "K7Q_IMG_PATH" sets `imagePath`. Throws a file error.
  ReadResult ReadComponent(const std::string& path, const CK7QBldProfile& profile,
                           IK7QBldUserInterface& ui, std::string& imagePath);

  // "NAME=VALUE" cut at the first "=", the name trimmed and the value's
  // enclosing double quotes removed. False for a line without "=" or name.
  static bool SplitDefineLine(std::string_view line, std::string& name, std::string& value);

 private:
  std::vector<Variable> m_variables;
};
