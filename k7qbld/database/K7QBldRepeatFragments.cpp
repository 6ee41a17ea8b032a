#include "K7QBldRepeatFragments.h"

#include <cerrno>
#include <cstdlib>

namespace {

constexpr char kEndMarker[] = "<IMG src=\"k7q_loop_end.gif\" height=\"10\" width=\"438\">";

std::string StartMarker(const char* kind, const std::string& name, const char* blanks) {
  return std::string("<IMG src=\"k7q_loop_start.gif\" alt=\"") + kind + name + "\"" + blanks +
         "height=\"11\" width=\"436\">";
}

const char* Method(bool get) { return get ? "GET" : "POST"; }

// One row of `n` cells: the first opens the row on a line of its own, the last closes it.
void AppendRow(std::string& out, const char* open, const char* close, int n, bool numbered) {
  for (int i = 1; i <= n; ++i) {
    out += i == 1 ? "    <TR>\n        " : "        ";
    out += open;
    if (numbered) out += "Header" + std::to_string(i);
    out += close;
    if (i == n) out += "</TR>";
    out += '\n';
  }
}

}  // namespace

namespace K7QBldRepeatFragments {

std::string RowLoop(const std::string& name) {
  return StartMarker("ROW:", name, " ") + "\n<P>\n" + kEndMarker;
}

std::string TableLoop(const std::string& name, int columns) {
  std::string table = "\n<TABLE border=\"1\">\n";
  table.reserve(64 + static_cast<std::size_t>(columns) * 40);
  AppendRow(table, "<TH>", "</TH>", columns, true);
  AppendRow(table, "<TD>", "</TD>", columns, false);
  table += "</TABLE>\n";
  return StartMarker("TABLE:", name, " ") + "\n" + table + "\n" + kEndMarker + "\n";
}

std::string InputForm(bool get, const std::string& action, const std::string& input,
                      const std::string& submit, const std::string& reset) {
  return std::string("<FORM method=\"") + Method(get) + "\" action=\"" + action +
         "\">\n    <INPUT NAME=\"" + input +
         "\" SIZE=\"20\">\n    <INPUT TYPE=\"SUBMIT\" VALUE=\"" + submit +
         "\">\n    <INPUT TYPE=\"RESET\" VALUE=\"" + reset + "\">\n</FORM>";
}

std::string OptionLoop(const std::string& loop, bool get, const std::string& action,
                       const std::string& select, const K7QStringList& columns,
                       const std::string& submit, const std::string& reset) {
  std::string options;
  for (const std::string& c : columns)
    options += "        <OPTION value=\"$(V_" + c + ")\">\n            $(V_" + c + ")</OPTION>\n";
  // Two blanks before "height": the marker as the builder has always written it.
  return StartMarker("OPTION:", loop, "  ") + "\n<FORM method=\"" + Method(get) + "\" action=\"" +
         action + "\">\n<SELECT name=\"" + select + "\">\n" + options +
         "\n    </SELECT>\n    <INPUT TYPE=\"SUBMIT\" VALUE=\"" + submit +
         "\">\n    <INPUT TYPE=\"RESET\" VALUE=\"" + reset + "\">\n    </FORM>\n\t" + kEndMarker +
         "\n";
}

int ParseColumnCount(const std::string& trimmed, int& count) {
  // A decimal number with an optional sign, consumed whole.
  const std::size_t sign = trimmed[0] == '+' || trimmed[0] == '-' ? 1 : 0;
  if (trimmed.size() <= sign) return 1;
  for (std::size_t i = sign; i < trimmed.size(); ++i) {
    if (trimmed[i] < '0' || trimmed[i] > '9') return 1;
  }
  errno = 0;
  const long long value = std::strtoll(trimmed.c_str(), nullptr, 10);
  if (errno == ERANGE || value < kMinColumns || value > kMaxColumns) return 2;
  count = static_cast<int>(value);
  return 0;
}

}  // namespace K7QBldRepeatFragments
