#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "K7QBldMessageItem.h"

// A macro file read for running: its define variables, its SQL functions,
// its HTML sections and its message block, each section a tree of nodes.
// Read once, in one pass over the text; running it is the interpreter's.
//
// Layout rules that make the pages come out as the author laid them out:
// a directive (%IF, %ELSE, %ENDIF, a comment, the opening or closing line of
// a block) that stands alone on its line takes the whole line with it, line
// end included; a call alone on its line keeps its line only when it writes
// something.

struct CK7QPreviewArg;
struct CK7QPreviewNode;
using K7QPreviewNodes = std::vector<CK7QPreviewNode>;

struct CK7QPreviewNode {
  enum class Kind {
    Text,      // text: the bytes
    Variable,  // text: the name as written; key: the name in upper case
    Call,      // text: the function's name; args; lead and trail
    If,        // text: the condition; then and otherwise
    Exec,      // text: the command as written; never run
    Unknown,   // text: the construct as written; reason: the message number
  };
  Kind kind = Kind::Text;
  std::string text;
  std::string key;
  unsigned reason = 0;
  std::vector<CK7QPreviewArg> args;
  std::string lead;   // a call alone on its line: the blanks before it
  std::string trail;  // ... and the rest of its line, line end included
  K7QPreviewNodes then;
  K7QPreviewNodes otherwise;
  bool closed = true;  // If: its %ENDIF was found
  // Call and Variable: where the construct starts in the text that was
  // read (for a whole macro, its byte offset in the file).
  std::size_t offset = 0;
};

// One argument of a call as written, and its text read as macro text.
struct CK7QPreviewArg {
  std::string raw;        // trimmed
  bool quoted = false;    // "..." (nodes hold what is inside the quotes)
  bool bare = false;      // a plain name: the variable of that name
  K7QPreviewNodes nodes;  // what a value argument writes
};

struct CK7QPreviewDefine {
  std::string name;
  std::string value;      // as written (between the quotes)
  bool command = false;   // NAME=%EXEC "..."; value is the command
  K7QPreviewNodes nodes;  // the value read as macro text
};

struct CK7QPreviewFunction {
  std::string name;
  std::string kind;    // the text in %FUNCTION(...), e.g. RZV_SQL
  std::string params;  // the text between the parentheses after the name
  std::string sql;     // the statement, its lines joined
  std::vector<CK7QBldMessageItem> messages;
  bool hasReport = false;
  bool hasRow = false;
  K7QPreviewNodes header;
  K7QPreviewNodes row;
  K7QPreviewNodes footer;
  std::size_t offset = 0;  // where its %FUNCTION starts in the macro
};

struct CK7QPreviewSection {
  std::string name;  // as written in %HTML(...)
  K7QPreviewNodes nodes;
};

// Something of the macro outside the sections that the reader did not take
// in; listed with every page made from the macro.
struct CK7QPreviewIssue {
  unsigned id;         // message number
  std::string detail;  // the text concerned, shortened (CP932)
};

class CK7QPreviewMacro {
 public:
  static CK7QPreviewMacro Parse(std::string_view text);
  // Reads a piece of macro text (an argument, a define value) on its own.
  static K7QPreviewNodes ParseInline(std::string_view text);

  const std::vector<CK7QPreviewDefine>& Defines() const { return m_defines; }
  const std::vector<CK7QPreviewFunction>& Functions() const { return m_functions; }
  const std::vector<CK7QPreviewSection>& Sections() const { return m_sections; }
  const std::vector<CK7QBldMessageItem>& Messages() const { return m_messages; }
  const std::vector<CK7QPreviewIssue>& Issues() const { return m_issues; }

  // Each by name, ignoring case; null when there is none. With two of one
  // name the last one counts, as when a later definition replaces one.
  const CK7QPreviewDefine* FindDefine(std::string_view name) const;
  const CK7QPreviewFunction* FindFunction(std::string_view name) const;
  const CK7QPreviewSection* FindSection(std::string_view name) const;

 private:
  class CParser;
  friend class CParser;

  std::vector<CK7QPreviewDefine> m_defines;
  std::vector<CK7QPreviewFunction> m_functions;
  std::vector<CK7QPreviewSection> m_sections;
  std::vector<CK7QBldMessageItem> m_messages;
  std::vector<CK7QPreviewIssue> m_issues;
  std::unordered_map<std::string, std::size_t> m_defineIndex;
  std::unordered_map<std::string, std::size_t> m_functionIndex;
};

// Message numbers of what the reader notes.
inline constexpr unsigned kIdsPreviewUnknownConstruct = 63801;
inline constexpr unsigned kIdsPreviewUnknownFunction = 63802;
inline constexpr unsigned kIdsPreviewCommandNotRun = 63803;
inline constexpr unsigned kIdsPreviewStrayElse = 63804;
inline constexpr unsigned kIdsPreviewUnclosedBlock = 63805;
inline constexpr unsigned kIdsPreviewTextOutside = 63809;
inline constexpr unsigned kIdsPreviewBadMessageLine = 63810;
inline constexpr unsigned kIdsPreviewBadDefineLine = 63811;
