#include "K7QBldFunctionLibrary.h"

#include "K7QBldCp932.h"
#include "K7QBldFile.h"
#include "K7QBldStack.h"

namespace {

enum Section : std::int16_t { kNone = 0, kFunction = 1, kComment = 2, kParameter = 3, kArgv = 4 };

// How one line of a function library is read: the first test it passes
// decides, so a line that opens a section and closes one only closes.
struct LineKind {
  enum Kind { kStart, kClose, kOpen, kContent } kind = kContent;
  Section section = kFunction;  // the section opened, or the one the content belongs to
  bool variableMark = false;    // "ArgvN{": a variable number of arguments
};

bool Holds(const std::string& line, std::string_view text) {
  return K7QCp932::Find(line, text) != std::string_view::npos;
}

// The section stack of a reader; the classification of each line updates it.
class CSections {
 public:
  LineKind Classify(const std::string& line) {
    LineKind kind;
    if (Holds(line, "Function{")) {
      m_stack.Push(kFunction);
      kind.kind = LineKind::kStart;
      return kind;
    }
    if (Holds(line, "}")) {
      m_stack.Pop();
      kind.kind = LineKind::kClose;
      return kind;
    }
    for (const auto& [opener, section] :
         {std::pair<std::string_view, Section>{"Comment{", kComment}, {"Parameter{", kParameter}}) {
      if (!Holds(line, opener)) continue;
      m_stack.Push(section);
      kind.kind = LineKind::kOpen;
      kind.section = section;
      return kind;
    }
    const std::size_t argv = K7QCp932::Find(line, "Argv");
    if (argv != std::string_view::npos) {
      m_stack.Push(kArgv);
      kind.kind = LineKind::kOpen;
      kind.section = kArgv;
      // One character between "Argv" and the line's first "{": an "N"
      // (any case) there marks a variable number of arguments.
      const std::size_t brace = K7QCp932::Find(line, '{');
      kind.variableMark = brace == argv + 5 && (line[argv + 4] == 'N' || line[argv + 4] == 'n');
      return kind;
    }
    kind.section = m_stack.IsEmpty() ? kFunction : static_cast<Section>(m_stack.Peek());
    return kind;
  }

 private:
  CK7QBldStack m_stack;
};

// A content line of a function section names the function when it holds
// exactly two fields.
bool ParseNameLine(const std::string& line, std::string& name, std::string& description) {
  K7QStringList fields;
  if (CK7QBldGroceries::SplitString(line, fields, ':', true) != 2) return false;
  name = std::move(fields[0]);
  description = std::move(fields[1]);
  return true;
}

}  // namespace

K7QStringList CK7QBldLibraryFunction::ArgumentNames() const {
  K7QStringList names;
  K7QStringList fields;
  for (const std::string& line : arguments) {
    if (CK7QBldGroceries::SplitString(line, fields, ':', true) == 3) names.push_back(fields[1]);
  }
  return names;
}

int CK7QBldFunctionLibrary::ReadList(const std::string& path,
                                     std::vector<K7QLibraryFunctionItem>& items,
                                     K7QLibraryCounts* counts) {
  if (path.empty() || !K7QFile::Exists(path)) return -1;
  CK7QBldLibraryLines lines(path);
  CSections sections;
  std::string line;
  unsigned listed = 0;
  K7QLibraryFunctionItem item;
  while (lines.Next(line)) {
    const LineKind kind = sections.Classify(line);
    if (kind.kind != LineKind::kContent || kind.section != kFunction) continue;
    if (!ParseNameLine(line, item.name, item.description)) continue;
    item.identity = listed++;
    items.push_back(std::move(item));
  }
  if (counts) *counts = {lines.Lines(), lines.Skipped()};
  return lines.Lines();
}

bool CK7QBldFunctionLibrary::ReadDetails(const std::string& path, unsigned identity,
                                         CK7QBldLibraryFunction& function,
                                         K7QLibraryCounts* counts) {
  // A block without a name line must not keep the name of the function
  // shown before: it would be dragged under that name.
  function.name.clear();
  function.description.clear();
  function.variable = false;
  function.comments.clear();
  function.parameters.clear();
  function.arguments.clear();
  if (path.empty() || !K7QFile::Exists(path)) return false;
  CK7QBldLibraryLines lines(path);
  CSections sections;
  std::string line;
  long long block = -1;  // number of the block being read
  bool found = false;
  while (lines.Next(line)) {
    const LineKind kind = sections.Classify(line);
    if (kind.kind == LineKind::kStart) {
      ++block;
      if (block > static_cast<long long>(identity)) break;
      found = found || block == static_cast<long long>(identity);
      continue;
    }
    if (!found) continue;
    if (kind.kind == LineKind::kOpen) {
      function.variable = function.variable || kind.variableMark;
      continue;
    }
    if (kind.kind != LineKind::kContent) continue;
    switch (kind.section) {
      case kComment:
        function.comments.push_back(line);
        break;
      case kParameter:
        function.parameters.push_back(line);
        break;
      case kArgv:
        function.arguments.push_back(line);
        break;
      default:
        ParseNameLine(line, function.name, function.description);
        break;
    }
  }
  if (counts) *counts = {lines.Lines(), lines.Skipped()};
  return found;
}

bool CK7QBldFunctionLibrary::HoldsFunctions(const std::string& path) {
  CK7QBldLibraryLines lines(path);
  std::string line;
  while (lines.Next(line)) {
    if (Holds(line, "Function{")) return true;
  }
  return false;
}
