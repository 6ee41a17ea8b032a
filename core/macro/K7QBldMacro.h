#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "K7QBldCampaignBlock.h"
#include "K7QBldDDBlock.h"
#include "K7QBldDefineBlock.h"
#include "K7QBldFunctionArgument.h"
#include "K7QBldFunctionBlock.h"
#include "K7QBldGroceries.h"
#include "K7QBldHTMLBlock.h"
#include "K7QBldMessageBlock.h"
#include "K7QBldProfile.h"

// Campaigns and page objects left out of a save: their function is gone.
inline constexpr unsigned kIdsCampaignsWithoutFunction = 63606;
inline constexpr unsigned kIdsObjectsWithoutFunction = 63607;

// Colours the main frame starts with when the settings hold none (0xRRGGBB).
inline constexpr std::uint32_t kDefaultTagColor = 0x800080;
inline constexpr std::uint32_t kDefaultBackgroundColor = 0xFFFFFF;

// Everything that makes up one macro in memory, for as long as the main
// window lives: the loaded profile, the define list, the input and report
// pages, the functions, the report's messages, the campaigns, the page
// objects, the argument stores of the function libraries and the name
// registers. The GUI's main frame owns one; k7q and the tests use it directly.
class CK7QBldMacro {
 public:
  explicit CK7QBldMacro(const CK7QBldGroceries& groceries);
  CK7QBldMacro(const CK7QBldMacro&) = delete;
  CK7QBldMacro& operator=(const CK7QBldMacro&) = delete;

  const CK7QBldGroceries& Groceries() const { return m_groceries; }

  CK7QBldProfile& Profile() { return m_profile; }
  const CK7QBldProfile& Profile() const { return m_profile; }
  CK7QBldDefineBlock& Define() { return m_define; }
  const CK7QBldDefineBlock& Define() const { return m_define; }
  CK7QBldHTMLBlock& Input() { return m_input; }
  const CK7QBldHTMLBlock& Input() const { return m_input; }
  CK7QBldHTMLBlock& Report() { return m_report; }
  const CK7QBldHTMLBlock& Report() const { return m_report; }
  CK7QBldFunctionBlock& Functions() { return m_functions; }
  const CK7QBldFunctionBlock& Functions() const { return m_functions; }
  CK7QBldMessageBlock& Messages() { return m_messages; }
  const CK7QBldMessageBlock& Messages() const { return m_messages; }
  CK7QBldCampaignBlock& Campaigns() { return m_campaigns; }
  const CK7QBldCampaignBlock& Campaigns() const { return m_campaigns; }
  CK7QBldDDBlock& PageObjects() { return m_pageObjects; }
  const CK7QBldDDBlock& PageObjects() const { return m_pageObjects; }
  // The argument store of function library `library` (0, 1, ...), made on first use.
  CK7QBldFunctionArgument& ArgumentStore(std::size_t library);

  K7QStringList& LoopNames() { return m_loopNames; }
  const K7QStringList& LoopNames() const { return m_loopNames; }
  K7QStringList& InputNames() { return m_inputNames; }
  const K7QStringList& InputNames() const { return m_inputNames; }
  K7QStringList& FormFieldNames() { return m_formFieldNames; }
  const K7QStringList& FormFieldNames() const { return m_formFieldNames; }

  std::uint32_t TagColor() const { return m_tagColor; }
  void SetTagColor(std::uint32_t color) { m_tagColor = color; }
  std::uint32_t BackgroundColor() const { return m_backgroundColor; }
  void SetBackgroundColor(std::uint32_t color) { m_backgroundColor = color; }
  // The server's image folder ("K7Q_IMG_PATH"), "/" until a macro sets it.
  const std::string& ImagePath() const { return m_imagePath; }
  void SetImagePath(const std::string& path) { m_imagePath = path; }

  // The campaigns a save writes: those of functions the macro has, numbered
  // anew. Campaigns and page objects of a function it no longer has (one
  // deleted after they were set) are reported, 63606 and 63607 with each
  // named, and left out, so that no block points at nothing.
  CK7QBldCampaignBlock CampaignsToWrite() const;

  // "%FUNCTION(RZV_SQL)" for a VQ5 profile, "%FUNCTION(RZV_ODBC)" otherwise.
  std::string FunctionPrefix() const;
  // What the function components are written with.
  CK7QBldFunctionBlock::WriteContext MakeWriteContext() const;

  // Empties the macro's parts (the profile stays): define list, pages,
  // functions, messages, name lists, campaigns, page objects; the image
  // path returns to "/".
  void Reset();
  // Exchanges the macro's parts (everything Reset empties, and the image
  // path) with `other`; the profile, the colours and the argument stores of
  // the function libraries stay. Opening reads into emptied parts and puts
  // the old ones back when the open fails.
  void SwapParts(CK7QBldMacro& other) noexcept;

  // Adds the field names of the page's INPUT and SELECT tags (their name
  // attribute, any case and quoting) that are not listed yet. Throws a file error.
  void CollectFormFieldNames(const std::string& pagePath);
  // Adds the names not listed yet (compared ignoring case).
  void AddFormFieldNames(const K7QStringList& names);

 private:
  const CK7QBldGroceries& m_groceries;
  CK7QBldProfile m_profile;
  CK7QBldDefineBlock m_define;
  CK7QBldHTMLBlock m_input;
  CK7QBldHTMLBlock m_report;
  CK7QBldFunctionBlock m_functions;
  CK7QBldMessageBlock m_messages;
  CK7QBldCampaignBlock m_campaigns;
  CK7QBldDDBlock m_pageObjects;
  std::vector<CK7QBldFunctionArgument> m_argumentStores;
  K7QStringList m_loopNames;
  K7QStringList m_inputNames;
  K7QStringList m_formFieldNames;
  std::uint32_t m_tagColor = kDefaultTagColor;
  std::uint32_t m_backgroundColor = kDefaultBackgroundColor;
  std::string m_imagePath = "/";
};
