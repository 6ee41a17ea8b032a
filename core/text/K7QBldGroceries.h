#pragma once

#include <cstdint>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "K7QBldUserInterface.h"

class CK7QBldFileException;

using K7QStringList = std::vector<std::string>;

// Resource strings the utility object shows.
inline constexpr unsigned kIdsReservedVariablePrefix = 62368;
inline constexpr unsigned kIdsErrorMessage = 62378;
inline constexpr unsigned kIdsFileCauseLabel = 62380;
inline constexpr unsigned kIdsFileOsErrorLabel = 62381;
inline constexpr unsigned kIdsFileNameLabel = 62382;
inline constexpr unsigned kIdsModuleLabel = 62383;
inline constexpr unsigned kIdsLineLabel = 62384;
inline constexpr unsigned kIdsFileErrorMessage = 62385;
inline constexpr unsigned kIdsMemoryErrorMessage = 62386;
inline constexpr unsigned kIdsUnknownFileName = 62387;
inline constexpr unsigned kIdsErrorModuleLabel = 62389;
inline constexpr unsigned kIdsErrorLineLabel = 62390;

// The builder's bag of small shared services: text splitting and rewriting,
// file names, the user-variable name check and the three standard error
// reports. The GUI-side services (program start, window centring, list
// controls, tree moves) live in its companion CK7QBldGroceriesUi.
class CK7QBldGroceries {
 public:
  explicit CK7QBldGroceries(IK7QBldUserInterface& ui) : m_ui(ui) {}

  IK7QBldUserInterface& Ui() const { return m_ui; }

  static int SplitString(const std::string& text, K7QStringList& list, char separator,
                         bool escape);
  static int RemoveChars(std::string& text, std::string_view set);
  static std::string GetFileBaseName(const std::string& path);
  bool UnescapeQuotesInFile(const std::string& path) const;
  static std::string ChangeExtension(const std::string& path, std::string_view from,
                                     std::string_view to);
  static std::string TailAfterSecondField(const std::string& text);
  bool CheckUserVariableName(const std::string& name) const;
  static void ReplaceAll(std::string& text, std::string_view search, std::string_view replacement);
  static void CollapseRepeats(std::string& text, char c);
  static std::uint32_t SwapRedBlue(std::uint32_t v);

  void SetDocumentModified() const { m_ui.SetDocumentModified(); }
  int SelectNextObject() const { return m_ui.SelectNextObject(); }
  int SelectPreviousObject() const { return m_ui.SelectPreviousObject(); }

  void ReportError(const char* sourcePath, int line) const;
  void ReportMemoryException(const std::bad_alloc& e, const char* sourcePath, int line) const;
  void ReportFileException(const CK7QBldFileException& e, const char* sourcePath, int line) const;

  // The texts of the three reports, as shown.
  std::string FormatError(const char* sourcePath, int line) const;
  std::string FormatMemoryException(const char* sourcePath, int line) const;
  std::string FormatFileException(const CK7QBldFileException& e, const char* sourcePath,
                                  int line) const;

  // The module name a report shows for a source path.
  static std::string ModuleName(const char* sourcePath);
  // The temporary file name beside `path` used to rewrite it in place:
  // the path up to its last '.', then ".tmp".
  static std::string TemporaryName(const std::string& path);

  // Trims white space (as the C library classes it) from both ends.
  static std::string Trim(std::string_view text);
  // Compares two names ignoring ASCII case (CP932 double-byte characters exactly).
  static bool EqualNoCase(std::string_view a, std::string_view b);
  // Parses a colour value: hexadecimal, leading "0x" allowed; `fallback` when malformed.
  static std::uint32_t ParseColor(std::string_view text, std::uint32_t fallback);

 private:
  IK7QBldUserInterface& m_ui;
};
