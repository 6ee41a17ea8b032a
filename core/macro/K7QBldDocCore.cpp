#include "K7QBldDocCore.h"

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <filesystem>
#include <system_error>

#include "K7QBldCampaignEntry.h"
#include "K7QBldFile.h"
#include "K7QBldLock.h"
#include "K7QBldMacro.h"
#include "K7QBldMacroFile.h"

namespace {

namespace fs = std::filesystem;

void RemoveComponents(const CK7QBldMacroFile::SplitResult& parts) {
  for (const std::string* path : {&parts.definePath, &parts.inputPath, &parts.reportPath}) {
    if (!path->empty()) K7QFile::Remove(*path);
  }
  for (const K7QStringList* list : {&parts.builderMade, &parts.others}) {
    for (const std::string& path : *list) K7QFile::Remove(path);
  }
}

std::string ConvertedName(const std::string& page) {
  return CK7QBldGroceries::ChangeExtension(page, "htm", "cvt");
}

// The title an open reads a macro under, so that no file of the macro open
// before is touched until the new one was read completely.
std::string StagingTitle() {
  static std::atomic<unsigned> counter{0};
  return ".k7q-open-" + std::to_string(::getpid()) + "-" + std::to_string(++counter);
}

// Deletes every file of `folder` whose name starts with the staging title:
// what a failed open wrote, whichever step it reached.
void RemoveStaged(const std::string& folder, const std::string& stage) {
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.compare(0, stage.size(), stage) != 0 || name.size() == stage.size()) continue;
    if (name[stage.size()] == '.' || name[stage.size()] == '_')
      K7QFile::Remove(it->path().string());
  }
}

// Moves a page and its converted page to `page`. A converted page already
// at the new name is stale (it would be saved instead of the page) unless
// it comes along.
// `moved` tells, also when a later step throws, whether the page itself
// is under its new name now.
void MovePage(const std::string& from, const std::string& to, bool& moved) {
  moved = false;
  if (from == to || to.empty()) return;
  const std::string fromConverted = ConvertedName(from);
  const std::string toConverted = ConvertedName(to);
  if (!from.empty() && K7QFile::Exists(from)) {
    K7QFile::Remove(to);
    K7QFile::Rename(from, to);
    moved = true;
  }
  if (toConverted.empty()) return;
  K7QFile::Remove(toConverted);
  if (!fromConverted.empty() && K7QFile::Exists(fromConverted))
    K7QFile::Rename(fromConverted, toConverted);
}

}  // namespace

CK7QBldDocCore::CK7QBldDocCore(CK7QBldMacro& macro) : m_macro(macro) {
  m_title = m_macro.Groceries().Ui().String(kIdsUntitled);
}

std::string CK7QBldDocCore::TitleOf(const std::string& macroPath) {
  const std::string name = K7QFile::FileName(macroPath);
  // A dot is never part of a multi-byte character in UTF-8 (nor in CP932).
  const std::size_t dot = name.rfind('.');
  return dot == std::string::npos ? name : name.substr(0, dot);
}

bool CK7QBldDocCore::SameFile(const std::string& a, const std::string& b) {
  if (a.empty() || b.empty()) return false;
  std::error_code ec;
  if (fs::equivalent(a, b, ec)) return true;
  if (!ec) return false;
  std::error_code ecA, ecB;
  const fs::path canonicalA = fs::weakly_canonical(a, ecA);
  const fs::path canonicalB = fs::weakly_canonical(b, ecB);
  if (ecA || ecB)
    return fs::absolute(a, ecA).lexically_normal() == fs::absolute(b, ecB).lexically_normal();
  return canonicalA == canonicalB;
}

std::string CK7QBldDocCore::ProfileBeside(const std::string& macroPath) {
  std::error_code ec;
  const fs::path folder = fs::absolute(macroPath, ec).parent_path();
  std::string found;
  int count = 0;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code typeError;
    if (it->path().extension() != ".k7q_pro" || !it->is_regular_file(typeError)) continue;
    found = it->path().string();
    ++count;
  }
  return !ec && count == 1 ? found : std::string();
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
  m_diskState = {};
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
  if (!file.Assemble(path, definePath, inputPath, reportPath, functionPaths,
                     m_macro.CampaignsToWrite(), m_macro.Functions())) {
    removeAll();
    return false;
  }
  if (path == m_path) RememberDiskState();
  return true;
}

CK7QBldDocCore::OpenResult CK7QBldDocCore::Open(const std::string& path) {
  const CK7QBldGroceries& groceries = m_macro.Groceries();
  if (!m_macro.Profile().IsLoaded()) {
    groceries.Ui().Message(kIdsNoProfileForOpen);
    return OpenResult::Failed;
  }
  // A macro that cannot be read is named in the report before anything changes.
  if (::access(path.c_str(), R_OK) != 0) {
    groceries.ReportFileException(CK7QBldFileException::FromErrno(errno, path), __FILE__, __LINE__);
    return OpenResult::Failed;
  }
  const std::string folder = m_macro.Profile().ProfileFolder();
  const std::string title = TitleOf(path);
  const std::string stage = StagingTitle();

  // The parts of the macro open before wait here; a function, variable or
  // message of theirs must not slip into the new macro, nor be lost when it
  // cannot be read.
  CK7QBldMacro previous(groceries);
  previous.SwapParts(m_macro);
  const OpenResult result = ReadInto(path, folder, stage);
  if (result != OpenResult::Ok) {
    RemoveStaged(folder, stage);
    m_macro.SwapParts(previous);
    return result;
  }

  // Read completely: the previous macro's files give way to the new ones.
  DeleteFilesOf(previous);
  try {
    MovePages(folder, title);
  } catch (const CK7QBldFileException& e) {
    // The previous macro's pages are gone and the new ones cannot take
    // their names: the document starts over, untitled.
    groceries.ReportFileException(e, __FILE__, __LINE__);
    DeletePageFiles(m_macro);
    RemoveStaged(folder, stage);
    m_macro.Reset();
    m_path.clear();
    m_title = groceries.Ui().String(kIdsUntitled);
    m_hasFile = false;
    m_modified = false;
    m_diskState = {};
    return OpenResult::Failed;
  }
  // The restore file and any temporary file of the open are not needed any more.
  RemoveStaged(folder, stage);
  const CK7QBldFunctionBlock& functions = m_macro.Functions();
  for (int i = 0; i < functions.GetCount(); ++i) m_openedPages.push_back(functions.Entry(i)->page);

  SetPath(path);
  m_hasFile = true;
  m_modified = false;
  RememberDiskState();
  return OpenResult::Ok;
}

CK7QBldDocCore::OpenResult CK7QBldDocCore::ReadInto(const std::string& path,
                                                    const std::string& folder,
                                                    const std::string& title) {
  const CK7QBldGroceries& groceries = m_macro.Groceries();
  const std::string restorePath = CK7QBldMacroFile::ComponentPath(folder, title, "rst");
  m_macro.Input().Set({}, CK7QBldHTMLBlock::PageName(folder, title, kHtmlInput));
  m_macro.Report().Set({}, CK7QBldHTMLBlock::PageName(folder, title, kHtmlReport));

  CK7QBldCampaignBlock& campaigns = m_macro.Campaigns();
  // A restore file that could not be written completely is never read: the
  // open would go on with part of the macro.
  if (!campaigns.ExtractCampaigns(path, restorePath)) return OpenResult::Failed;
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
  if (!campaigns.RestoreCampaignTables(restorePath, m_macro.FunctionPrefix()))
    return OpenResult::Failed;
  try {
    m_macro.CollectFormFieldNames(restorePath);
  } catch (const CK7QBldFileException& e) {
    groceries.ReportFileException(e, __FILE__, __LINE__);
    return OpenResult::Failed;
  } catch (const std::bad_alloc& e) {
    groceries.ReportMemoryException(e, __FILE__, __LINE__);
    return OpenResult::Failed;
  }

  OpenResult result = OpenResult::Failed;
  if (!ReadParts(restorePath, folder, title, result)) return result;
  m_macro.LoopNames().clear();
  m_macro.InputNames().clear();
  return OpenResult::Ok;
}

bool CK7QBldDocCore::ReadParts(const std::string& restorePath, const std::string& folder,
                               const std::string& title, OpenResult& result) {
  const CK7QBldGroceries& groceries = m_macro.Groceries();
  CK7QBldMacroFile::SplitResult parts;
  const CK7QBldMacroFile file(groceries);
  result = OpenResult::Failed;
  if (!file.Split(restorePath, folder, title, m_macro.PageObjects(), m_macro.Functions(), parts)) {
    RemoveComponents(parts);
    return false;
  }
  try {
    std::string imagePath = m_macro.ImagePath();
    const CK7QBldDefineBlock::ReadResult define = m_macro.Define().ReadComponent(
        parts.definePath, m_macro.Profile(), groceries.Ui(), imagePath);
    m_macro.SetImagePath(imagePath);
    if (define != CK7QBldDefineBlock::ReadResult::Ok) {
      RemoveComponents(parts);
      if (define == CK7QBldDefineBlock::ReadResult::PickAnother) result = OpenResult::PickAnother;
      return false;
    }
    if (!parts.inputPath.empty())
      m_macro.Input().ReadComponent(kHtmlInput, parts.inputPath, folder, title, nullptr);
    m_macro.Report().ReadComponent(kHtmlReport, parts.reportPath, folder, title,
                                   &m_macro.Messages());
  } catch (const CK7QBldFileException& e) {
    groceries.ReportFileException(e, __FILE__, __LINE__);
    RemoveComponents(parts);
    return false;
  } catch (const std::bad_alloc& e) {
    groceries.ReportMemoryException(e, __FILE__, __LINE__);
    RemoveComponents(parts);
    return false;
  }

  CK7QBldFunctionBlock& functions = m_macro.Functions();
  const std::string prefix = m_macro.FunctionPrefix();
  if (!functions.ReadComponents(parts.builderMade, kFunctionBuilderMade, folder, prefix) ||
      !functions.ReadComponents(parts.others, kFunctionAuthor, folder, prefix)) {
    RemoveComponents(parts);
    return false;
  }
  // Builder-made functions were read first; the list keeps the macro's order
  // so that saving again writes the same file.
  functions.Reorder(parts.order);
  m_macro.PageObjects().SortBySavedNumber();
  result = OpenResult::Ok;
  return true;
}

void CK7QBldDocCore::MovePages(const std::string& folder, const std::string& title) {
  for (CK7QBldHTMLBlock* block : {&m_macro.Input(), &m_macro.Report()}) {
    const std::string page = CK7QBldHTMLBlock::PageName(
        folder, title, block == &m_macro.Input() ? kHtmlInput : kHtmlReport);
    bool moved = false;
    try {
      MovePage(block->PagePath(), page, moved);
    } catch (const CK7QBldFileException&) {
      // The clean-up after this failure must find a moved page by its new name.
      if (moved) block->Set(block->Comment(), page);
      throw;
    }
    block->Set(block->Comment(), page);
  }
  CK7QBldFunctionBlock& functions = m_macro.Functions();
  for (int i = 0; i < functions.GetCount(); ++i) {
    const CK7QBldFunctionEntry& entry = *functions.Entry(i);
    const std::string page = K7QFile::Join(folder, title + "_" + entry.name + ".htm");
    if (page == entry.page) continue;
    bool moved = false;
    try {
      MovePage(entry.page, page, moved);
    } catch (const CK7QBldFileException&) {
      if (moved) functions.SetPage(i, page);
      throw;
    }
    functions.SetPage(i, page);
  }
}

bool CK7QBldDocCore::RenameAfterSaveAs(const std::string& newPath) {
  try {
    MovePages(m_macro.Profile().ProfileFolder(), TitleOf(newPath));
  } catch (const CK7QBldFileException& e) {
    m_macro.Groceries().ReportFileException(e, __FILE__, __LINE__);
    return false;
  }
  SetPath(newPath);
  m_hasFile = true;
  m_modified = false;
  RememberDiskState();
  return true;
}

bool CK7QBldDocCore::Kept(const std::string& path) const {
  for (const std::string& kept : m_kept) {
    if (kept == path) return true;
  }
  return false;
}

void CK7QBldDocCore::DeletePageFiles(const CK7QBldMacro& macro) const {
  for (const CK7QBldHTMLBlock* block : {&macro.Input(), &macro.Report()}) {
    if (!block->PagePath().empty() && !Kept(block->PagePath())) K7QFile::Remove(block->PagePath());
    if (!block->ConvertedPath().empty()) K7QFile::Remove(block->ConvertedPath());
  }
  const CK7QBldFunctionBlock& functions = macro.Functions();
  for (int i = 0; i < functions.GetCount(); ++i) {
    const std::string& page = functions.Entry(i)->page;
    if (page.empty()) continue;
    if (!Kept(page)) K7QFile::Remove(page);
    K7QFile::Remove(ConvertedName(page));
  }
}

void CK7QBldDocCore::DeleteFilesOf(const CK7QBldMacro& macro) {
  if (!m_definePath.empty()) K7QFile::Remove(m_definePath);
  m_definePath.clear();
  for (const std::string& page : m_openedPages) {
    if (Kept(page)) continue;
    K7QFile::Remove(page);
    K7QFile::Remove(ConvertedName(page));
  }
  m_openedPages.clear();
  DeletePageFiles(macro);
  // A kept page is the author's file from now on.
  m_kept.clear();
}

void CK7QBldDocCore::DeleteWorkingFiles() { DeleteFilesOf(m_macro); }

bool CK7QBldDocCore::IsOwnFile(const std::string& target) const {
  std::vector<std::string> own;
  const std::string folder = m_macro.Profile().ProfileFolder();
  for (const CK7QBldHTMLBlock* block : {&m_macro.Input(), &m_macro.Report()}) {
    own.push_back(block->PagePath());
    own.push_back(block->ConvertedPath());
  }
  const CK7QBldFunctionBlock& functions = m_macro.Functions();
  const std::string title = TitleOf(target);
  for (int i = 0; i < functions.GetCount(); ++i) {
    own.push_back(functions.Entry(i)->page);
    own.push_back(ConvertedName(functions.Entry(i)->page));
    if (!folder.empty())
      own.push_back(
          CK7QBldMacroFile::ComponentPath(folder, title, "k7q_fun_" + functions.Entry(i)->name));
  }
  own.insert(own.end(), m_openedPages.begin(), m_openedPages.end());
  if (!folder.empty()) {
    for (const char* extension : {"k7q_define", "k7q_html_input", "k7q_html_report"})
      own.push_back(CK7QBldMacroFile::ComponentPath(folder, title, extension));
    own.push_back(CK7QBldLock::FolderLockPath(folder));
  }
  for (const std::string& path : own) {
    if (SameFile(target, path)) return true;
  }
  return false;
}

CK7QBldDocCore::DiskState CK7QBldDocCore::StateOf(const std::string& path) {
  DiskState state;
  struct stat st;
  if (path.empty() || ::stat(path.c_str(), &st) != 0) return state;
  state.exists = true;
  state.device = st.st_dev;
  state.inode = st.st_ino;
  state.size = st.st_size;
  state.seconds = st.st_mtim.tv_sec;
  state.nanoseconds = st.st_mtim.tv_nsec;
  return state;
}

bool CK7QBldDocCore::ChangedOnDisk() const {
  if (!m_hasFile || m_path.empty()) return false;
  return !(StateOf(m_path) == m_diskState);
}

void CK7QBldDocCore::RememberDiskState() { m_diskState = StateOf(m_path); }
