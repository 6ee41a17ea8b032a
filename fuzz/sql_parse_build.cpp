// SQL statement text: parse, build, and parse what was built. A statement
// with result items and tables, built from parsed text, reads back as the
// same statement (without either, the text lacks its SELECT or FROM clause
// and is not read as a statement at all). Vertical tab and form feed are
// white space to the trimming of items but no word delimiters to the
// keyword search, so "FROM\vWHERE" reads as a table named WHERE; and a lead
// byte without its trail byte takes the comma that joins it to the next item:
// texts with either are only parsed and built.
// Seeds: tests/core/data/pages/report.k7q_fun_* tests/core/data/macros/g.k7q_fun
#include <cstdio>
#include <cstdlib>

#include "K7QBldCp932.h"
#include "K7QBldSQL.h"
#include "K7QFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  CK7QBldSQL first;
  first.ParseText(text);
  const std::string built = first.BuildText();
  CK7QBldSQL second;
  second.ParseText(built);
  const std::string again = second.BuildText();
  std::string utf8;
  const bool plain =
      text.find_first_of("\v\f") == std::string_view::npos && K7QCp932::ToUtf8(text, utf8);
  if (plain && !first.Tables().empty() && !first.ResultItems().empty() && again != built) {
    std::fprintf(stderr, "built:  [%s]\nagain:  [%s]\n", built.c_str(), again.c_str());
    std::abort();
  }
  for (const std::string& table : first.Tables()) first.FindTable(table);
  CK7QBldSQL::NextConnector(text);
  CK7QBldSQL::FindKeyword(text, "WHERE");
  return 0;
}
