#include "K7QBldDocCore.h"

#include <vector>

#include "K7QBldCampaignEntry.h"
#include "K7QBldCp932.h"
#include "K7QBldFile.h"
#include "K7QBldMacro.h"
#include "K7QBldMacroFile.h"

namespace {

void RemoveComponents(const CK7QBldMacroFile::SplitResult& parts) {
  for (const std::string* path : {&parts.definePath, &parts.inputPath, &parts.reportPath}) {
    if (!path->empty()) K7QFile::Remove(*path);
  }
  for (const K7QStringList* list : {&parts.builderMade, &parts.others}) {
    for (const std::string& path : *list) K7QFile::Remove(path);
  }
}

}  // namespace

CK7QBldDocCore::CK7QBldDocCore(CK7QBldMacro& macro) : m_macro(macro) {
  m_title = m_macro.Groceries().Ui().String(kIdsUntitled);
}

std::string CK7QBldDocCore::TitleOf(const std::string& macroPath) {
  const std::string name = K7QFile::FileName(macroPath);
  const std::size_t dot = K7QCp932::FindLast(name, '.');
  return dot == std::string::npos ? name : name.substr(0, dot);
}

void CK7QBldDocCore::SetPath(const std::string& path) {
  m_path = path;
  m_title = TitleOf(path);
}

void CK7QBldDocCore::Reset() {
  // The pages of the macro being dropped would otherwise stay in the profile
  // folder with nothing left to delete them.
  DeleteWorkingFiles();
  m_macro.Reset();
  m_path.clear();
  m_title = m_macro.Groceries().Ui().String(kIdsUntitled);
  m_modified = false;
  m_hasFile = false;
}

bool CK7QBldDocCore::Save(const std::string& path) {
  const CK7QBldProfile& profile = m_macro.Profile();
  if (!profile.IsLoaded()) return false;
  const CK7QBldGroceries& groceries = m_macro.Groceries();
  const std::string folder = profile.ProfileFolder();
  const std::string title = TitleOf(path);
  const std::string definePath = CK7QBldMacroFile::ComponentPath(folder, title, "k7q_define");
  const std::string inputPath = CK7QBldMacroFile::ComponentPath(folder, title, "k7q_html_input");
  const std::string reportPath = CK7QBldMacroFile::ComponentPath(folder, title, "k7q_html_report");
  m_definePath = definePath;

  const auto removeAll = [&] {
    K7QFile::Remove(definePath);
    K7QFile::Remove(inputPath);
    K7QFile::Remove(reportPath);
    const CK7QBldFunctionBlock& functions = m_macro.Functions();
    for (int i = 0; i < functions.GetCount(); ++i) {
      K7QFile::Remove(
          CK7QBldMacroFile::ComponentPath(folder, title, "k7q_fun_" + functions.Entry(i)->name));
    }
  };
  try {
    m_macro.Define().WriteComponent(definePath, profile.DatabaseName(), profile.Login(),
                                    profile.Password());
    m_macro.Input().WriteComponent(kHtmlInput, inputPath, {});
    m_macro.Report().WriteComponent(kHtmlReport, reportPath, m_macro.Messages().GetSectionText());
  } catch (const CK7QBldFileException& e) {
    groceries.ReportFileException(e, __FILE__, __LINE__);
    removeAll();
    return false;
  } catch (const std::bad_alloc& e) {
    groceries.ReportMemoryException(e, __FILE__, __LINE__);
    removeAll();
    return false;
  }
  K7QStringList functionPaths;
  // A macro without some of its functions is never written over the old one.
  if (!m_macro.Functions().WriteComponents(functionPaths, folder, title,
                                           m_macro.MakeWriteContext())) {
    removeAll();
    return false;
  }
  const CK7QBldMacroFile file(groceries);
  if (!file.Assemble(path, definePath, inputPath, reportPath, functionPaths, m_macro.Campaigns(),
                     m_macro.Functions())) {
    removeAll();
    return false;
  }
  return true;
}

CK7QBldDocCore::OpenResult CK7QBldDocCore::Open(const std::string& path) {
  const CK7QBldGroceries& groceries = m_macro.Groceries();
  if (!m_macro.Profile().IsLoaded()) {
    groceries.Ui().Message(kIdsNoProfileForOpen);
    return OpenResult::Failed;
  }
  DeleteWorkingFiles();
  // The parts of the macro open before are dropped: a function, variable or
  // message of another macro must not slip into this one.
  m_macro.Reset();

  const std::string folder = m_macro.Profile().ProfileFolder();
  const std::string title = TitleOf(path);
  m_restorePath = CK7QBldMacroFile::ComponentPath(folder, title, "rst");
  m_macro.Input().Set({}, CK7QBldHTMLBlock::PageName(folder, title, kHtmlInput));
  m_macro.Report().Set({}, CK7QBldHTMLBlock::PageName(folder, title, kHtmlReport));

  CK7QBldCampaignBlock& campaigns = m_macro.Campaigns();
  if (campaigns.ExtractCampaigns(path, m_restorePath)) {
    // A campaign names a function; a name that cannot be one is dropped.
    std::vector<CK7QBldCampaignEntry> kept;
    bool refused = false;
    for (int i = 0; i < campaigns.GetCount(); ++i) {
      const CK7QBldCampaignEntry* entry = campaigns.GetAt(i);
      if (CK7QBldFunctionBlock::IsUsableName(entry->Function())) {
        kept.push_back(*entry);
        continue;
      }
      m_macro.Functions().ReportUnusableName(kIdsUnsafeCampaignName, entry->Function());
      refused = true;
    }
    if (refused) {
      campaigns.RemoveAll();
      for (const CK7QBldCampaignEntry& e : kept)
        campaigns.Add(e.Start(), e.End(), e.Function(), e.Table1(), e.Table2(), e.Comment());
    }
    if (!campaigns.RestoreCampaignTables(m_restorePath, m_macro.FunctionPrefix()))
      return OpenResult::Failed;
  }
  try {
    m_macro.CollectFormFieldNames(m_restorePath);
  } catch (const CK7QBldFileException& e) {
    groceries.ReportFileException(e, __FILE__, __LINE__);
    return OpenResult::Failed;
  } catch (const std::bad_alloc& e) {
    groceries.ReportMemoryException(e, __FILE__, __LINE__);
    return OpenResult::Failed;
  }

  OpenResult result = OpenResult::Failed;
  if (!ReadParts(path, folder, title, result)) return result;

  m_macro.LoopNames().clear();
  m_macro.InputNames().clear();
  SetPath(path);
  m_hasFile = true;
  m_modified = false;
  return OpenResult::Ok;
}

bool CK7QBldDocCore::ReadParts(const std::string& path, const std::string& folder,
                               const std::string& title, OpenResult& result) {
  (void)path;
  const CK7QBldGroceries& groceries = m_macro.Groceries();
  CK7QBldMacroFile::SplitResult parts;
  const CK7QBldMacroFile file(groceries);
  if (!file.Split(m_restorePath, folder, title, m_macro.PageObjects(), m_macro.Functions(),
                  parts)) {
    RemoveComponents(parts);
    result = OpenResult::Failed;
    return false;
  }
  m_definePath = parts.definePath;
  try {
    std::string imagePath = m_macro.ImagePath();
    const CK7QBldDefineBlock::ReadResult define = m_macro.Define().ReadComponent(
        parts.definePath, m_macro.Profile(), groceries.Ui(), imagePath);
    m_macro.SetImagePath(imagePath);
    if (define != CK7QBldDefineBlock::ReadResult::Ok) {
      RemoveComponents(parts);
      result = define == CK7QBldDefineBlock::ReadResult::PickAnother ? OpenResult::PickAnother
                                                                     : OpenResult::Failed;
      return false;
    }
    if (!parts.inputPath.empty())
      m_macro.Input().ReadComponent(kHtmlInput, parts.inputPath, folder, title, nullptr);
    m_macro.Report().ReadComponent(kHtmlReport, parts.reportPath, folder, title,
                                   &m_macro.Messages());
  } catch (const CK7QBldFileException& e) {
    groceries.ReportFileException(e, __FILE__, __LINE__);
    RemoveComponents(parts);
    result = OpenResult::Failed;
    return false;
  } catch (const std::bad_alloc& e) {
    groceries.ReportMemoryException(e, __FILE__, __LINE__);
    RemoveComponents(parts);
    result = OpenResult::Failed;
    return false;
  }

  CK7QBldFunctionBlock& functions = m_macro.Functions();
  const std::string prefix = m_macro.FunctionPrefix();
  if (!functions.ReadComponents(parts.builderMade, kFunctionBuilderMade, folder, prefix) ||
      !functions.ReadComponents(parts.others, kFunctionAuthor, folder, prefix)) {
    RemoveComponents(parts);
    result = OpenResult::Failed;
    return false;
  }
  // Builder-made functions were read first; the list keeps the macro's order
  // so that saving again writes the same file.
  functions.Reorder(parts.order);
  m_macro.PageObjects().SortBySavedNumber();
  return true;
}

bool CK7QBldDocCore::RenameAfterSaveAs(const std::string& newPath) {
  const std::string folder = m_macro.Profile().ProfileFolder();
  const std::string title = TitleOf(newPath);
  try {
    m_macro.Input().RenameFiles(CK7QBldHTMLBlock::PageName(folder, title, kHtmlInput));
    m_macro.Report().RenameFiles(CK7QBldHTMLBlock::PageName(folder, title, kHtmlReport));
    CK7QBldFunctionBlock& functions = m_macro.Functions();
    for (int i = 0; i < functions.GetCount(); ++i) {
      const CK7QBldFunctionEntry& entry = *functions.Entry(i);
      const std::string page = K7QFile::Join(folder, title + "_" + entry.name + ".htm");
      if (page == entry.page) continue;
      for (const auto& [from, to] :
           {std::pair{entry.page, page},
            std::pair{CK7QBldGroceries::ChangeExtension(entry.page, "htm", "cvt"),
                      CK7QBldGroceries::ChangeExtension(page, "htm", "cvt")}}) {
        if (from.empty() || to.empty() || !K7QFile::Exists(from)) continue;
        K7QFile::Remove(to);
        K7QFile::Rename(from, to);
      }
      functions.SetPage(i, page);
    }
  } catch (const CK7QBldFileException& e) {
    m_macro.Groceries().ReportFileException(e, __FILE__, __LINE__);
    return false;
  }
  SetPath(newPath);
  m_hasFile = true;
  m_modified = false;
  return true;
}

void CK7QBldDocCore::DeleteWorkingFiles() {
  if (!m_definePath.empty()) K7QFile::Remove(m_definePath);
  if (!m_restorePath.empty()) K7QFile::Remove(m_restorePath);
  m_macro.Input().DeleteFiles();
  m_macro.Report().DeleteFiles();
  m_macro.Functions().DeleteFunctionPages();
}
