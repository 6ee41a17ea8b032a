#pragma once

#include <string>

class CK7QBldMessageBlock;

// Which page an HTML block stands for.
inline constexpr int kHtmlInput = 0;
inline constexpr int kHtmlReport = 1;

// The input or the report page of the macro: the author's comment, the page
// file and its converted page (".cvt", the macro form after a conversion).
class CK7QBldHTMLBlock {
 public:
  // Keeps the comment and the page; the converted page is the page with
  // "htm" replaced by "cvt" (empty for an empty page path).
  void Set(const std::string& comment, const std::string& pagePath);
  void Clear() { Set({}, {}); }
  const std::string& Comment() const { return m_comment; }
  const std::string& PagePath() const { return m_pagePath; }
  const std::string& ConvertedPath() const { return m_convertedPath; }

  // The page's file name: "FOLDER/TITLE_HTML_INPUT.htm" or "..._HTML_REPORT.htm".
  static std::string PageName(const std::string& folder, const std::string& title, int side);

  // Writes the component (text mode): the comment as "%{" ... "%}" when there
  // is one, the section with every line of the converted page (else the
  // page, else none) and "%}"; the report side appends `messageText`
  // unchanged. Throws a file error.
  void WriteComponent(int side, const std::string& path, const std::string& messageText) const;

  // Reads a component: section lines go to the page "FOLDER/TITLE_HTML_...htm",
  // message lines (report side) to `messages`, every other line into the
  // comment (joined with CR LF). Deletes the component and a stale converted
  // page, and sets the block. Throws a file error.
  void ReadComponent(int side, const std::string& path, const std::string& folder,
                     const std::string& title, CK7QBldMessageBlock* messages);

  // Save As: moves the page and the converted page to `newPage` (and its
  // ".cvt"), replacing files of those names. Throws a file error.
  void RenameFiles(const std::string& newPage);
  // Deletes the page and the converted page.
  void DeleteFiles() const;

 private:
  std::string m_comment;
  std::string m_pagePath;
  std::string m_convertedPath;
};
