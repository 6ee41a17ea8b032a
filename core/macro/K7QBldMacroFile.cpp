#include "K7QBldMacroFile.h"

#include <algorithm>
#include <cstring>
#include <unordered_set>

#include "K7QBldCampaignBlock.h"
#include "K7QBldCp932.h"
#include "K7QBldDDBlock.h"
#include "K7QBldFile.h"
#include "K7QBldFunctionBlock.h"

namespace {

constexpr std::size_t npos = std::string_view::npos;

bool Contains(std::string_view text, std::string_view needle) {
  return K7QCp932::Find(text, needle) != npos;
}

bool IsBlankOrBreak(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::size_t SkipBlanks(std::string_view t, std::size_t pos) {
  while (pos < t.size() && IsBlankOrBreak(t[pos])) ++pos;
  return pos;
}

// Where the text before `end` starts a "%{ ... %}" comment that stands
// directly in front of `end` (only blanks between): such a comment belongs
// to what follows (a function's comment, the input page's comment). `end`
// itself when there is none after `from`.
std::size_t StartOfLeadingComment(std::string_view t, std::size_t from, std::size_t end) {
  std::size_t back = end;
  while (back > from && IsBlankOrBreak(t[back - 1])) --back;
  if (back < from + 2 || t.substr(back - 2, 2) != "%}") return end;
  const std::string_view head = t.substr(0, back - 2);
  const std::size_t open = K7QCp932::FindLast(head, "%{");
  if (open == npos || open < from) return end;
  if (Contains(t.substr(open, back - open), "%DEFINE{")) return end;
  return open;
}

bool StartsPieceAfterFunction(std::string_view piece) {
  return Contains(piece, "%{") || Contains(piece, "%FUNCTION") || Contains(piece, "%HTML(INPUT)") ||
         Contains(piece, "%HTML(REPORT)");
}

// The end of the piece starting at `from`: through the next "%}", or the end.
std::size_t PieceEnd(std::string_view t, std::size_t from) {
  const std::size_t close = K7QCp932::Find(t, "%}", from);
  return close == npos ? t.size() : close + 2;
}

// The name in a function's header line "%FUNCTION(...)NAME(){".
std::string FunctionName(std::string_view function) {
  const std::size_t header = K7QCp932::Find(function, "%FUNCTION");
  if (header == npos) return {};
  const std::size_t close = K7QCp932::Find(function, ')', header);
  if (close == npos) return {};
  const std::size_t open = K7QCp932::Find(function, '(', close + 1);
  if (open == npos) return {};
  return CK7QBldGroceries::Trim(function.substr(close + 1, open - close - 1));
}

}  // namespace

std::size_t CK7QBldMacroFile::FindSectionKeyword(std::string_view text, std::size_t from,
                                                 std::string_view& keyword) {
  static constexpr std::string_view kPercent[] = {"%{",       "%}",        "%FUNCTION", "%HTML(",
                                                  "%DEFINE{", "%MESSAGE{", "%REPORT{",  "%ROW{"};
  static constexpr std::string_view kCampaign[] = {"<!-- CAMP Start ", "<!-- CAMP End -->"};
  static constexpr std::string_view kCampaignOpen = "<!-- CAMP ";
  // "%" and "<" are below 0x40, never a trail byte: byte searches are exact.
  std::size_t percent = npos;
  for (std::size_t at = text.find('%', from); at != npos; at = text.find('%', at + 1)) {
    for (std::string_view k : kPercent) {
      if (text.compare(at, k.size(), k) == 0) {
        keyword = k;
        percent = at;
        break;
      }
    }
    if (percent != npos) break;
  }
  const std::size_t to = percent == npos ? text.size() : percent;
  // "<" starts most tags of a page: a search for the whole text is faster.
  for (const void* hit = memmem(text.data() + std::min(from, text.size()),
                                text.size() - std::min(from, text.size()), kCampaignOpen.data(),
                                kCampaignOpen.size());
       hit && static_cast<const char*>(hit) - text.data() < static_cast<std::ptrdiff_t>(to);
       hit = memmem(static_cast<const char*>(hit) + 1,
                    text.size() - (static_cast<const char*>(hit) + 1 - text.data()),
                    kCampaignOpen.data(), kCampaignOpen.size())) {
    const std::size_t at = static_cast<std::size_t>(static_cast<const char*>(hit) - text.data());
    for (std::string_view k : kCampaign) {
      if (text.compare(at, k.size(), k) == 0) {
        keyword = k;
        return at;
      }
    }
  }
  return percent;
}

std::string CK7QBldMacroFile::ComponentPath(const std::string& folder, const std::string& title,
                                            std::string_view extension) {
  return K7QFile::Join(folder, title + "." + std::string(extension));
}

bool CK7QBldMacroFile::Assemble(const std::string& macroPath, const std::string& definePath,
                                const std::string& inputPath, const std::string& reportPath,
                                const K7QStringList& functionPaths,
                                const CK7QBldCampaignBlock& campaigns,
                                const CK7QBldFunctionBlock& functions) const {
  std::unordered_set<std::string> names;
  for (int i = 0; i < functions.GetCount(); ++i)
    names.insert(CK7QBldFunctionBlock::NameKey(functions.Entry(i)->name));
  const CK7QBldCampaignBlock::IsFunction isFunction = [&names](std::string_view name) {
    return names.count(CK7QBldFunctionBlock::NameKey(name)) > 0;
  };
  bool ok = true;
  try {
    const std::string define = K7QFile::ReadAll(definePath);
    std::string macro = define;
    for (const std::string& path : functionPaths)
      macro += CK7QBldDDBlock::ExpandObjectComments(K7QFile::ReadAll(path), campaigns.LineEnd());
    std::string input = inputPath.empty() ? std::string() : K7QFile::ReadAll(inputPath);
    std::string report = K7QFile::ReadAll(reportPath);
    campaigns.InsertCampaignTexts(input, report, isFunction);
    macro += input;
    macro += report;
    // The components go before the macro is replaced: a save that cannot
    // tidy up fails while the old macro is still in place.
    K7QFile::Delete(definePath);
    if (!inputPath.empty()) K7QFile::Delete(inputPath);
    K7QFile::Delete(reportPath);
    for (const std::string& path : functionPaths) K7QFile::Delete(path);
    const bool holdsPassword = K7QCp932::Find(define, "PASSWORD=") != std::string::npos;
    K7QFile::WriteAll(macroPath, macro, K7QFile::AuthorFile(holdsPassword));
  } catch (const CK7QBldFileException& e) {
    m_groceries.ReportFileException(e, __FILE__, __LINE__);
    ok = false;
  } catch (const std::bad_alloc& e) {
    m_groceries.ReportMemoryException(e, __FILE__, __LINE__);
    ok = false;
  }
  if (ok) return true;
  K7QFile::Remove(definePath);
  if (!inputPath.empty()) K7QFile::Remove(inputPath);
  K7QFile::Remove(reportPath);
  for (const std::string& path : functionPaths) K7QFile::Remove(path);
  return false;
}

bool CK7QBldMacroFile::Split(const std::string& restorePath, const std::string& folder,
                             const std::string& title, CK7QBldDDBlock& pageObjects,
                             const CK7QBldFunctionBlock& functions, SplitResult& result) const {
  result = SplitResult();
  try {
    const std::string text = K7QFile::ReadAll(restorePath);
    const std::string_view t(text);

    // Define: the generator comment and everything up to the first function
    // (else the first page section), less a comment in front of that.
    const std::size_t firstClose = K7QCp932::Find(t, "%}");
    const std::size_t from = firstClose == npos ? 0 : firstClose + 2;
    const std::size_t htmlStart =
        std::min(K7QCp932::Find(t, "%HTML(INPUT)", from), K7QCp932::Find(t, "%HTML(REPORT)", from));
    std::size_t firstFunction = K7QCp932::Find(t, "%FUNCTION", from);
    if (firstFunction > htmlStart) firstFunction = npos;
    std::size_t defineEnd = firstFunction != npos ? firstFunction : std::min(htmlStart, t.size());
    defineEnd = StartOfLeadingComment(t, from, defineEnd);
    result.definePath = ComponentPath(folder, title, "k7q_define");
    K7QFile::WriteAll(result.definePath, t.substr(0, defineEnd));

    // Functions: pieces through "%}" until the collected text holds the
    // header and the next piece starts something else.
    std::size_t pos = SkipBlanks(t, defineEnd);
    std::unordered_set<std::string> accepted;
    while (true) {
      const std::size_t next = K7QCp932::Find(t, "%FUNCTION", pos);
      if (next == npos || (htmlStart != npos && next > htmlStart)) break;
      const std::size_t start = pos;
      bool hasHeader = false;
      std::size_t cur = pos;
      while (cur < t.size()) {
        const std::size_t end = PieceEnd(t, cur);
        hasHeader = hasHeader || Contains(t.substr(cur, end - cur), "%FUNCTION");
        cur = end;
        if (!hasHeader || cur >= t.size()) continue;
        if (StartsPieceAfterFunction(t.substr(cur, PieceEnd(t, cur) - cur))) break;
      }
      const std::string_view function = t.substr(start, cur - start);
      pos = SkipBlanks(t, cur);

      const std::string name = FunctionName(function);
      if (!CK7QBldFunctionBlock::IsUsableName(name)) {
        functions.ReportUnusableName(kIdsUnsafeFunctionName, name);
        continue;
      }
      // A second function of the same name (ignoring case) is left out, as
      // the macro processor would not reach it either; the author is told.
      if (!accepted.insert(CK7QBldFunctionBlock::NameKey(name)).second) {
        functions.ReportUnusableName(kIdsDuplicateFunction, name);
        continue;
      }
      const std::string path = ComponentPath(folder, title, "k7q_fun_" + name);
      K7QFile::WriteAll(path, pageObjects.RevertObjectComments(function, name));
      result.order.push_back(name);
      (Contains(function, kGeneratorLine) ? result.builderMade : result.others).push_back(path);
    }

    const CK7QBldCampaignBlock::IsFunction isFunction = [&accepted](std::string_view name) {
      return accepted.count(CK7QBldFunctionBlock::NameKey(name)) > 0;
    };

    // Pages: the input section through its first "%}", then the rest.
    std::size_t reportStart = pos;
    const std::size_t input = K7QCp932::Find(t, "%HTML(INPUT)", pos);
    if (input != npos) {
      const std::size_t inputEnd = PieceEnd(t, input);
      std::string inputText(t.substr(pos, inputEnd - pos));
      CK7QBldCampaignBlock::RemoveCallBreak(inputText, isFunction);
      result.inputPath = ComponentPath(folder, title, "k7q_html_input");
      K7QFile::WriteAll(result.inputPath, inputText);
      reportStart = SkipBlanks(t, inputEnd);
    }
    std::string reportText(t.substr(reportStart));
    CK7QBldCampaignBlock::RemoveCallBreak(reportText, isFunction);
    result.reportPath = ComponentPath(folder, title, "k7q_html_report");
    K7QFile::WriteAll(result.reportPath, reportText);
  } catch (const CK7QBldFileException& e) {
    m_groceries.ReportFileException(e, __FILE__, __LINE__);
    return false;
  } catch (const std::bad_alloc& e) {
    m_groceries.ReportMemoryException(e, __FILE__, __LINE__);
    return false;
  }
  return true;
}
