#pragma once

#include <gtest/gtest.h>

#include <string>

#include "K7QOdbcTestSupport.h"
#include "K7QPreviewInterpreter.h"
#include "K7QPreviewOdbcRunner.h"
#include "K7QTestSupport.h"

// Line ends as the builder writes them: each "\n" of `text` becomes CR LF.
inline std::string Crlf(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

// The generator comment and define section of a builder-made macro on `dsn`.
inline std::string MacroHead(const std::string& dsn, const std::string& defines = {}) {
  return Crlf(
      "%{\n<META name=\"GENERATOR\" content=\"Halvard Pagemoss V1.0 for Windows\">\n%}\n"
      "%DEFINE{\nDATABASE=\"" +
      dsn +
      "\"\n"
      "CLOBTYPE=%EXEC \"TYPE @RZV_rGETINIDATA(\"html_path\")$(ClobData)\"\n" +
      defines + "%}\n");
}

// Runs pages of hand-written macros on a real database through the ODBC
// runner, as k7q run does.
class PreviewFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    K7QUseTestDataSources();
    options.today = "20240515";
    options.folder = folder.Path();
  }

  // The page of `section`; the notes are left in `notes`.
  std::string Render(const std::string& macroText, const std::string& section,
                     const K7QPreviewParams& params = {}, const std::string& dsn = kTestDsn) {
    const CK7QPreviewMacro macro = CK7QPreviewMacro::Parse(macroText);
    CK7QPreviewOdbcRunner runner(dsn, dsn == kTestPgDsn ? K7QPgUser() : "",
                                 dsn == kTestPgDsn ? K7QPgPassword() : "");
    CK7QPreviewInterpreter interpreter(macro, runner, ui, options);
    CK7QPreviewPage page;
    EXPECT_TRUE(interpreter.Render(section, params, page)) << section;
    notes = page.notes;
    return page.html;
  }

  // Message numbers of the notes, in order.
  std::vector<unsigned> NoteIds() const {
    std::vector<unsigned> ids;
    for (const auto& n : notes) ids.push_back(n.id);
    return ids;
  }

  CK7QScriptedUi ui;
  CK7QTempDir folder;
  CK7QPreviewOptions options;
  std::vector<CK7QPreviewNote> notes;
};

// The mark the page shows for note `number` over `source` (ASCII).
inline std::string Mark(int number, const std::string& source) {
  return "<mark class=\"k7q-preview\" style=\"background:#ffd0d0;border:1px dashed #c00000\">[" +
         std::to_string(number) + "] " + source + "</mark>";
}

// The list of notes below a page, each line an item as shown (English).
inline std::string Notes(const std::vector<std::string>& items) {
  std::string out =
      "<div class=\"k7q-preview-notes\" style=\"border:2px solid #c00000;background:#fff8e0;"
      "color:#000000;padding:4px;margin:8px 0\">\r\n<b>Preview notes</b>\r\n<ol>\r\n";
  for (const auto& item : items) out += "<li>" + item + "</li>\r\n";
  return out + "</ol>\r\n</div>\r\n";
}
