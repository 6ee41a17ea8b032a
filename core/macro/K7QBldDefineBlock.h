#pragma once

#include <string>
#include <string_view>
#include <vector>

class CK7QBldGroceries;
class CK7QBldProfile;
class IK7QBldUserInterface;

// Messages of the define section.
inline constexpr unsigned kIdsDatabaseMismatch = 62338;
inline constexpr unsigned kIdsLoginMismatch = 62339;
inline constexpr unsigned kIdsPasswordMismatch = 62340;
inline constexpr unsigned kIdsNotBuilderMacro = 62354;
// Messages of the variable check.
inline constexpr unsigned kIdsEmptyVariableName = 62325;
inline constexpr unsigned kIdsEmptyVariableValue = 62326;
inline constexpr unsigned kIdsVariableNameIsColumn = 62370;
inline constexpr unsigned kIdsBadImagePath = 62401;
inline constexpr unsigned kIdsReservedDefineName = 63100;
inline constexpr unsigned kIdsBadVariableName = 63101;
inline constexpr unsigned kIdsBadVariableValue = 63102;

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

  // Whether a user-defined variable (name and value trimmed, CP932) may go
  // into the define section; shows why not and returns false. The rules, in
  // order: a name (62325) and a value (62326); not the builder's prefixes
  // V_ and N_ (62368); not a name of the section's own lines DATABASE,
  // LOGIN, PASSWORD or CLOBTYPE (63100); no "=", double quote, "%{", "%}"
  // or control character in the name (63101) and no double quote, "%{",
  // "%}" or line break in the value (63102), which would end the line or the
  // section early; not a column of the profile (62370); and for
  // K7Q_IMG_PATH a value that begins with "/" and holds none of
  // \,:;*?"<>| or a blank (62401).
  static bool CheckVariable(const CK7QBldGroceries& groceries, const CK7QBldProfile& profile,
                            std::string_view name, std::string_view value);
  // The image-path rule of K7Q_IMG_PATH.
  static bool IsValidImagePath(std::string_view value);

  // "NAME=VALUE" cut at the first "=", the name trimmed and the value's
  // enclosing double quotes removed. False for a line without "=" or name.
  static bool SplitDefineLine(std::string_view line, std::string& name, std::string& value);

 private:
  std::vector<Variable> m_variables;
};
