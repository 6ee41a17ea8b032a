#include "K7QBldHTMLBlock.h"

#include <vector>

#include "K7QBldCp932.h"
#include "K7QBldFile.h"
#include "K7QBldGroceries.h"
#include "K7QBldMessageBlock.h"

namespace {

constexpr int kBlockComment = 0;
constexpr int kBlockSection = 1;
constexpr int kBlockMessage = 6;

bool Contains(std::string_view text, std::string_view needle) {
  return K7QCp932::Find(text, needle) != std::string_view::npos;
}

}  // namespace

void CK7QBldHTMLBlock::Set(const std::string& comment, const std::string& pagePath) {
  m_comment = comment;
  m_pagePath = pagePath;
  m_convertedPath =
      pagePath.empty() ? std::string() : CK7QBldGroceries::ChangeExtension(pagePath, "htm", "cvt");
}

std::string CK7QBldHTMLBlock::PageName(const std::string& folder, const std::string& title,
                                       int side) {
  return K7QFile::Join(folder,
                       title + (side == kHtmlInput ? "_HTML_INPUT.htm" : "_HTML_REPORT.htm"));
}

void CK7QBldHTMLBlock::WriteComponent(int side, const std::string& path,
                                      const std::string& messageText) const {
  CK7QBldTextWriter out(path);
  CK7QBldLineReader source;
  if (!m_convertedPath.empty() && K7QFile::Exists(m_convertedPath))
    source.Open(m_convertedPath);
  else if (!m_pagePath.empty() && K7QFile::Exists(m_pagePath))
    source.Open(m_pagePath);
  if (!m_comment.empty()) {
    std::string comment = m_comment;
    CK7QBldGroceries::RemoveChars(comment, "\r");
    out.WriteLine("%{");
    out.WriteLine(comment);
    out.WriteLine("%}");
  }
  out.WriteLine(side == kHtmlInput ? "%HTML(INPUT){" : "%HTML(REPORT){");
  if (source.IsOpen()) {
    std::string line;
    while (source.ReadLine(line)) out.WriteLine(line);
    source.Close();
  }
  out.WriteLine("%}");
  if (side == kHtmlReport) out.Write(messageText);
  out.Close();
}

void CK7QBldHTMLBlock::ReadComponent(int side, const std::string& path, const std::string& folder,
                                     const std::string& title, CK7QBldMessageBlock* messages) {
  const std::string page = PageName(folder, title, side);
  std::string comment;
  bool firstCommentLine = true;
  {
    CK7QBldLineReader in(path);
    CK7QBldTextWriter out(page);
    std::vector<int> stack;
    std::string line;
    while (in.ReadLine(line)) {
      if (Contains(line, "%{")) {
        stack.push_back(kBlockComment);
      } else if (Contains(line, "%HTML(INPUT){") || Contains(line, "%HTML(REPORT){")) {
        stack.push_back(kBlockSection);
      } else if (Contains(line, "%MESSAGE{")) {
        stack.push_back(kBlockMessage);
      } else if (Contains(line, "%}")) {
        if (!stack.empty()) stack.pop_back();
      } else if (!stack.empty() && stack.back() == kBlockSection) {
        out.WriteLine(line);
      } else if (!stack.empty() && stack.back() == kBlockMessage) {
        if (messages && side == kHtmlReport) messages->ReadMessageLine(line);
      } else {
        if (!firstCommentLine) comment += "\r\n";
        comment += line;
        firstCommentLine = false;
      }
    }
    out.Close();
  }
  K7QFile::Delete(path);
  Set(comment, page);
  // A converted page left from an earlier session would be saved instead of
  // the page just read.
  if (!m_convertedPath.empty()) K7QFile::Delete(m_convertedPath);
}

void CK7QBldHTMLBlock::RenameFiles(const std::string& newPage) {
  if (newPage == m_pagePath) return;
  const std::string newConverted = CK7QBldGroceries::ChangeExtension(newPage, "htm", "cvt");
  if (!m_pagePath.empty() && K7QFile::Exists(m_pagePath)) {
    K7QFile::Remove(newPage);
    K7QFile::Rename(m_pagePath, newPage);
  }
  if (!m_convertedPath.empty() && !newConverted.empty() && K7QFile::Exists(m_convertedPath)) {
    K7QFile::Remove(newConverted);
    K7QFile::Rename(m_convertedPath, newConverted);
  }
  Set(m_comment, newPage);
}

void CK7QBldHTMLBlock::DeleteFiles() const {
  if (!m_pagePath.empty()) K7QFile::Remove(m_pagePath);
  if (!m_convertedPath.empty()) K7QFile::Remove(m_convertedPath);
}
