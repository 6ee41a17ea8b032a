#include "K7QBldMacro.h"

#include <unordered_set>

#include "K7QBldCp932.h"
#include "K7QBldFile.h"
#include "K7QBldHtmlScanner.h"
#include "K7QBldNameKey.h"

CK7QBldMacro::CK7QBldMacro(const CK7QBldGroceries& groceries)
    : m_groceries(groceries),
      m_profile(groceries),
      m_functions(groceries),
      m_messages(&groceries),
      m_campaigns(groceries),
      m_pageObjects(groceries) {}

CK7QBldFunctionArgument& CK7QBldMacro::ArgumentStore(std::size_t library) {
  while (m_argumentStores.size() <= library) m_argumentStores.emplace_back(&m_groceries);
  return m_argumentStores[library];
}

std::string CK7QBldMacro::FunctionPrefix() const {
  if (!m_profile.FunctionSection().empty()) return m_profile.FunctionSection();
  return m_profile.DatabaseKind() == kDatabaseVq5 ? "%FUNCTION(RZV_SQL)" : "%FUNCTION(RZV_ODBC)";
}

CK7QBldCampaignBlock CK7QBldMacro::CampaignsToWrite() const {
  CK7QBldCampaignBlock kept(m_campaigns);
  const auto gone = [this](const std::string& function) {
    return m_functions.FindByName(function) < 0;
  };
  IK7QBldUserInterface& ui = m_groceries.Ui();
  std::string names;
  kept.RemoveIf([&](const CK7QBldCampaignEntry& entry) {
    if (!gone(entry.Function())) return false;
    names += "\n" + K7QCp932::ToUtf8(entry.Function()) + " (" + K7QCp932::ToUtf8(entry.Table1()) +
             " - " + K7QCp932::ToUtf8(entry.Table2()) + ")";
    return true;
  });
  if (!names.empty()) {
    ui.Prompt(kIdsCampaignsWithoutFunction, ui.String(kIdsCampaignsWithoutFunction) + "\n" + names,
              K7QIcon::Exclamation, K7QButtons::Ok);
  }
  names.clear();
  for (int i = 0; i < m_pageObjects.GetCount(); ++i) {
    const CK7QBldPageObject* object = m_pageObjects.GetAt(i);
    if (!gone(object->function)) continue;
    names +=
        "\n" + K7QCp932::ToUtf8(object->function) + " (" + K7QCp932::ToUtf8(object->column) + ")";
  }
  if (!names.empty()) {
    ui.Prompt(kIdsObjectsWithoutFunction, ui.String(kIdsObjectsWithoutFunction) + "\n" + names,
              K7QIcon::Exclamation, K7QButtons::Ok);
  }
  return kept;
}

CK7QBldFunctionBlock::WriteContext CK7QBldMacro::MakeWriteContext() const {
  CK7QBldFunctionBlock::WriteContext context;
  context.functionPrefix = FunctionPrefix();
  context.campaigns = &m_campaigns;
  context.pageObjects = &m_pageObjects;
  context.imagePath = m_imagePath;
  return context;
}

void CK7QBldMacro::Reset() {
  m_define.RemoveAll();
  m_input.Clear();
  m_report.Clear();
  m_functions.RemoveAll();
  m_messages.RemoveAll();
  m_messages.SetPosition(kMessagePositionBeforeReport);
  m_formFieldNames.clear();
  m_loopNames.clear();
  m_inputNames.clear();
  m_campaigns.RemoveAll();
  m_campaigns.ResetLineEnd();
  m_pageObjects.RemoveAll();
  m_imagePath.assign(1, '/');  // a literal here trips a false -Wrestrict of g++ 12 at -O3
}

void CK7QBldMacro::SwapParts(CK7QBldMacro& other) noexcept {
  std::swap(m_define, other.m_define);
  std::swap(m_input, other.m_input);
  std::swap(m_report, other.m_report);
  m_functions.Swap(other.m_functions);
  std::swap(m_messages, other.m_messages);
  m_campaigns.Swap(other.m_campaigns);
  m_pageObjects.Swap(other.m_pageObjects);
  m_loopNames.swap(other.m_loopNames);
  m_inputNames.swap(other.m_inputNames);
  m_formFieldNames.swap(other.m_formFieldNames);
  m_imagePath.swap(other.m_imagePath);
}

void CK7QBldMacro::CollectFormFieldNames(const std::string& pagePath) {
  AddFormFieldNames(CK7QBldHtmlScanner::FormFieldNames(K7QFile::ReadAll(pagePath)));
}

void CK7QBldMacro::AddFormFieldNames(const K7QStringList& names) {
  std::unordered_set<std::string> listed;
  for (const std::string& name : m_formFieldNames) listed.insert(K7QBldNameKey(name));
  for (const std::string& name : names) {
    if (listed.insert(K7QBldNameKey(name)).second) m_formFieldNames.push_back(name);
  }
}
