#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "K7QPreviewBuiltins.h"
#include "K7QPreviewMacro.h"
#include "K7QPreviewQuery.h"

class IK7QBldUserInterface;

struct CK7QPreviewOptions {
  std::string today;  // YYYYMMDD the page is made on; empty: today's local date
  CK7QPreviewLimits limits;
  std::string folder;  // large-text files are read from below this folder only
};

// Something the page could not show as the macro asks: listed below the
// page, and marked where it happened.
struct CK7QPreviewNote {
  unsigned id;         // message number
  std::string detail;  // the construct, name or value concerned (CP932)
};

struct CK7QPreviewPage {
  std::string html;  // CP932, as the macro's own text
  std::vector<CK7QPreviewNote> notes;
};

// Form fields as the browser sent them (CP932 names and values), in order.
using K7QPreviewParams = std::vector<std::pair<std::string, std::string>>;

// Runs one HTML section of a macro into a page: variables, calls of the
// macro's SQL functions (through the query runner) and of the built-ins,
// conditions, messages by return code, the large-text form. A command
// (%EXEC) is never run; whatever the preview does not know is shown as a
// marked placeholder and listed, never left out silently.
class CK7QPreviewInterpreter {
 public:
  CK7QPreviewInterpreter(const CK7QPreviewMacro& macro, IK7QPreviewQueryRunner& runner,
                         const IK7QBldUserInterface& ui, CK7QPreviewOptions options);

  // False when the macro has no section of that name (nothing is made).
  bool Render(std::string_view section, const K7QPreviewParams& params, CK7QPreviewPage& page);

  // A note as the page lists it, in the library's language (CP932).
  std::string NoteText(const CK7QPreviewNote& note) const;
  // The language library's text `id` in CP932.
  std::string Text(unsigned id) const;

 private:
  struct Variable {
    CK7QPreviewValue value;
    const CK7QPreviewDefine* define = nullptr;  // a define variable not yet reassigned
  };
  struct RowFrame {
    const CK7QPreviewQueryResult* result;
    const std::vector<std::string>* row;
    const std::unordered_map<std::string, std::size_t>* index;
  };
  struct Capture {
    K7QPreviewSource source = K7QPreviewSource::Trusted;
    bool large = false;
  };

  void Eval(const K7QPreviewNodes& nodes);
  CK7QPreviewValue EvalCapture(const K7QPreviewNodes& nodes);
  void WriteValue(const CK7QPreviewValue& value);
  void WriteVariable(const std::string& name, const std::string& key);
  bool RowValue(const std::string& key, CK7QPreviewValue& value) const;
  // The value of a variable named in an argument or a condition; false (and
  // a note) when it has none.
  bool LookupValue(const std::string& name, CK7QPreviewValue& value);
  void ExpandDefine(const CK7QPreviewDefine& define);
  void RunCommand(const CK7QPreviewDefine& define);

  void Call(const CK7QPreviewNode& node);
  void RunBuiltin(const CK7QPreviewBuiltin& builtin, const CK7QPreviewNode& node);
  void RunFunction(const CK7QPreviewFunction& function, const CK7QPreviewNode& node);
  bool ShowMessage(const CK7QPreviewFunction& function, long code);
  void Report(const CK7QPreviewFunction& function, const CK7QPreviewQueryResult& result);
  void DefaultTable(const CK7QPreviewQueryResult& result);
  CK7QPreviewValue EvalArg(const CK7QPreviewArg& arg);

  bool Condition(const std::string& text, bool& ok);
  std::string Operand(std::string_view text);

  int Note(unsigned id, std::string_view detail);
  void Marker(unsigned id, std::string_view source);
  void AppendNotes();

  const CK7QPreviewMacro& m_macro;
  IK7QPreviewQueryRunner& m_runner;
  const IK7QBldUserInterface& m_ui;
  CK7QPreviewOptions m_options;
  CK7QPreviewBuiltinEnv m_env;

  std::string m_out;
  std::unordered_map<std::string, Variable> m_vars;
  std::vector<RowFrame> m_rows;
  std::vector<Capture> m_captures;
  std::unordered_set<std::string> m_expanding;
  std::vector<CK7QPreviewNote> m_notes;
  std::unordered_map<std::string, int> m_noteIndex;
  int m_callDepth = 0;
  bool m_stopped = false;  // an "exit" message ended the page
};

// Message numbers of what the interpreter notes.
inline constexpr unsigned kIdsPreviewNotesHeading = 63800;
inline constexpr unsigned kIdsPreviewBadCondition = 63806;
inline constexpr unsigned kIdsPreviewNoValue = 63807;
inline constexpr unsigned kIdsPreviewCircular = 63808;
inline constexpr unsigned kIdsPreviewKindNotRun = 63812;
inline constexpr unsigned kIdsPreviewTooDeep = 63813;
inline constexpr unsigned kIdsPreviewArgumentCount = 63814;
inline constexpr unsigned kIdsPreviewParamIgnored = 63815;
inline constexpr unsigned kIdsPreviewArgumentsIgnored = 63816;
inline constexpr unsigned kIdsPreviewDatabaseError = 63827;
inline constexpr unsigned kIdsPreviewRowLimit = 63828;
inline constexpr unsigned kIdsPreviewTimeLimit = 63829;
inline constexpr unsigned kIdsPreviewFileRefused = 63833;
inline constexpr unsigned kIdsPreviewFileMissing = 63834;
