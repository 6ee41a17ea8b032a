#include "PbuildCreator.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <new>
#include <set>
#include <unordered_map>
#include <unordered_set>

#include "K7QBldCp932.h"
#include "K7QBldFile.h"
#include "K7QBldGroceries.h"
#include "K7QBldUserInterface.h"
#include "PbuildCli.h"
#include "PbuildMessages.h"

namespace {

constexpr std::size_t kMaxTables = 1024;
constexpr std::size_t kMaxBaseFolder = 255;
constexpr std::size_t kCatalogTextLimit = 4096;
// Columns without a size limit report the largest 32-bit value.
constexpr long long kUnlimitedLength = 2147483647LL;
constexpr long long kLongColumnLength = 255;
constexpr const char* kFolderPrefix = "k7q_pro_";
constexpr const char* kProfileExtension = ".k7q_pro";
constexpr const char* kReplacementSuffix = "_K7Q00";
constexpr const char* kMarkerStart = "k7q_loop_start.gif";
constexpr const char* kMarkerEnd = "k7q_loop_end.gif";

// Everything a run creates is its owner's alone: the profile holds the password.
class CPrivateFiles {
 public:
  CPrivateFiles() : m_old(::umask(077)) {}
  ~CPrivateFiles() { ::umask(m_old); }
  CPrivateFiles(const CPrivateFiles&) = delete;
  CPrivateFiles& operator=(const CPrivateFiles&) = delete;

 private:
  mode_t m_old;
};

bool StartsWith(const std::string& text, const char* prefix) {
  return text.compare(0, std::char_traits<char>::length(prefix), prefix) == 0;
}

// Upper- or lower-case spelling of one of `prefixes`, each compared over its own length.
bool StartsWithAny(const std::string& text, std::initializer_list<const char*> prefixes) {
  for (const char* p : prefixes) {
    if (StartsWith(text, p)) return true;
    std::string lower(p);
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (StartsWith(text, lower.c_str())) return true;
  }
  return false;
}

enum class PathKind { kMissing, kFolder, kOther, kUnknown };

// What is at `path`. A failure other than "not there" (EACCES, EIO) is
// kUnknown: such a path is never taken for a missing one.
PathKind KindOf(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0)
    return S_ISDIR(st.st_mode) ? PathKind::kFolder : PathKind::kOther;
  return errno == ENOENT ? PathKind::kMissing : PathKind::kUnknown;
}

// Makes `path` with every missing level; `top` becomes the highest level made.
bool MakeFolderLevels(const std::string& path, std::string& top) {
  std::filesystem::path missing;
  for (std::filesystem::path level(path); level.has_relative_path(); level = level.parent_path()) {
    if (KindOf(level.string()) != PathKind::kMissing) break;
    missing = level;
  }
  std::error_code ec;
  std::filesystem::create_directories(path, ec);
  if (!missing.empty() && K7QFile::IsDirectory(missing.string())) top = missing.string();
  return !ec && K7QFile::IsDirectory(path);
}

// Every entry of `folder` but "." and ".."; false when it cannot be read.
bool ListFolder(const std::string& folder, std::vector<std::string>& names) {
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return false;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  ::closedir(dir);
  return true;
}

int WriteNewFile(const std::string& path, const std::string& bytes) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return PbuildError::kFileCreate;
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ::close(fd);
      return PbuildError::kWrite;
    }
    done += static_cast<std::size_t>(n);
  }
  return ::close(fd) == 0 ? 0 : PbuildError::kWrite;
}

bool IsLargeObjectFile(const std::string& name) {
  if (name.size() != 12 || name.compare(0, 3, "LOB") != 0) return false;
  for (std::size_t i = 3; i < 8; ++i) {
    if (name[i] < '0' || name[i] > '9') return false;
  }
  const std::string ext = name.substr(8);
  return ext == ".bmp" || ext == ".jpg" || ext == ".gif" || ext == ".txt" || ext == ".XXX";
}

}  // namespace

CPbuildCreator::CPbuildCreator(IK7QBldUserInterface& ui, IPbuildProgress& progress)
    : m_ui(ui), m_progress(progress) {}

// ---- classification ---------------------------------------------------------

std::string CPbuildCreator::TypeName(int sqlType) {
  switch (sqlType) {
    case 1:
      return "CHARACTER";
    case 2:
      return "NUMERIC";
    case 3:
      return "DECIMAL";
    case 4:
      return "INTEGER";
    case 5:
      return "SMALLINT";
    case 6:
      return "FLOAT";
    case 7:
      return "REAL";
    case 8:
      return "DOUBLE";
    // The date and time codes of the 2.x and 3.x interfaces alike.
    case 9:
    case 91:
      return "DATE";
    case 10:
    case 92:
      return "TIME";
    case 11:
    case 93:
      return "TIMESTAMP";
    case 12:
      return "VARCHAR";
    case -1:
      return "LONGVARCHAR";
    case -2:
      return "BINARY";
    case -3:
      return "VARBINARY";
    case -4:
      return "LONGVARBINARY";
    case -5:
      return "BIGINT";
    case -6:
      return "TINYINT";
    case -7:
      return "BIT";
    case -95:
      return "GRAPHIC";
    case -96:
      return "VARGRAPHIC";
    case -97:
      return "LONGVARGRAPHIC";
    case -98:
      return "BLOB";
    case -99:
      return "CLOB";
    case -350:
      return "DBCLOB";
    default:
      return "UNKNOWN_TYPE";
  }
}

bool CPbuildCreator::IsLargeObject(const std::string& typeName) {
  return StartsWithAny(typeName,
                       {"BLOB", "CLOB", "DBCLOB", "BINARY", "VARBINARY", "LONGVARBINARY", "BIT"});
}

bool CPbuildCreator::IsTextColumn(const std::string& typeName) {
  return StartsWithAny(typeName, {"CLOB", "VARCHAR", "DBCLOB", "LONGVARCHAR"});
}

std::string CPbuildCreator::BinaryExtension(const std::string& bytes) {
  if (bytes.size() < 2) return ".XXX";
  const std::string head = bytes.substr(0, 2);
  if (head == "BM" || head == "bm") return ".bmp";
  if (head == "GI" || head == "gi") return ".gif";
  if (static_cast<unsigned char>(head[0]) == 0xFF && static_cast<unsigned char>(head[1]) == 0xD8)
    return ".jpg";
  return ".XXX";
}

bool CPbuildCreator::IsCreatorFile(const std::string& name, const std::string& profileFileName) {
  if (name == profileFileName || name == kMarkerStart || name == kMarkerEnd) return true;
  // The profile writer's own working files, left only by a run that was killed.
  const std::string base = profileFileName.substr(0, profileFileName.rfind('.'));
  if (name == base + ".tmp" || name == base + ".smp.tmp" ||
      K7QFile::IsTemporaryNameOf(name, profileFileName))
    return true;
  return IsLargeObjectFile(name);
}

std::size_t CPbuildCreator::SampleBytes(std::string_view cp932, std::size_t characters) {
  std::size_t bytes = 0;
  std::size_t taken = 0;
  while (bytes < cp932.size() && taken < characters) {
    bytes += K7QCp932::CharLength(cp932, bytes);
    ++taken;
  }
  return std::min(bytes, cp932.size()) + (characters - taken);
}

// ---- the run ------------------------------------------------------------------

void CPbuildCreator::ShowError(int code) {
  const unsigned id = (code >= 0 && code <= kErrorCodeMax)
                          ? kIdsErrorBase + static_cast<unsigned>(code)
                          : static_cast<unsigned>(code);
  m_ui.Message(id, K7QIcon::Stop);
}

bool CPbuildCreator::FillRequest(const CPbuildInputs& inputs, CPbuildRequest& request) {
  request = CPbuildRequest{};
  request.login = CK7QBldGroceries::Trim(inputs.login);
  request.password = inputs.password;
  if (request.login.empty()) {
    m_ui.Message(kIdsNoLogin);
    return false;
  }
  // The builder reads the password back trimmed: with blanks at either end
  // the macro's login would fail on the server, long after this run.
  if (CK7QBldGroceries::Trim(request.password) != request.password) {
    m_ui.Message(kIdsPasswordBlanks);
    return false;
  }
  request.dataSource = inputs.dataSource;
  if (request.dataSource.empty()) {
    m_ui.Message(kIdsNoDataSourceChosen);
    return false;
  }
  request.baseFolder = CK7QBldGroceries::Trim(inputs.baseFolder);
  if (request.baseFolder.empty() || request.baseFolder.size() > kMaxBaseFolder ||
      request.baseFolder.front() != '/') {
    ShowError(PbuildError::kBadBaseFolder);
    return false;
  }
  // The profile holds these in CP932, 31 bytes at most each; nothing is cut.
  request.header.databaseType = m_databaseType;
  if (!K7QCp932::FromUtf8(request.dataSource, request.header.databaseName) ||
      !CK7QBldProfileWriter::IsWritableHeaderField(request.header.databaseName)) {
    m_ui.Message(kIdsDataSourceNameTooLong);
    return false;
  }
  if (!K7QFile::IsSafeFileComponent(request.dataSource)) {
    m_ui.Message(kIdsDataSourceNameUnusable);
    return false;
  }
  if (!K7QCp932::FromUtf8(request.login, request.header.login) ||
      !CK7QBldProfileWriter::IsWritableHeaderField(request.header.login) ||
      !K7QCp932::FromUtf8(request.password, request.header.password) ||
      !CK7QBldProfileWriter::IsWritableHeaderField(request.header.password)) {
    m_ui.Message(kIdsLoginTooLong);
    return false;
  }
  request.loginUpper = request.login;
  for (char& c : request.loginUpper) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  request.folderName = kFolderPrefix + request.dataSource;
  request.profileFileName = request.dataSource + kProfileExtension;
  request.outputFolder = K7QFile::Join(request.baseFolder, request.folderName);
  request.replacementFolderName = request.folderName + kReplacementSuffix;
  request.replacementFolder = request.outputFolder + kReplacementSuffix;
  request.lockFile = K7QFile::Join(request.baseFolder, "." + request.folderName + ".lock");
  request.sampleMode = inputs.sampleMode;
  request.schema = CK7QBldGroceries::Trim(inputs.schema);
  return true;
}

int CPbuildCreator::PrepareOutputFolder(CPbuildRequest& request) {
  switch (KindOf(request.baseFolder)) {
    case PathKind::kFolder:
      break;
    case PathKind::kMissing: {
      const std::string question =
          m_ui.String(kIdsCreateBaseHead) + request.baseFolder + m_ui.String(kIdsCreateBaseTail);
      if (m_ui.Prompt(kIdsCreateBaseHead, question, K7QIcon::Exclamation, K7QButtons::YesNo) !=
          kIdYes)
        return -1;
      if (!MakeFolderLevels(request.baseFolder, request.createdLevel))
        return PbuildError::kMakeFolder;
      break;
    }
    case PathKind::kOther:
      return PbuildError::kMakeFolder;
    case PathKind::kUnknown:
      return kIdsFolderFailed;
  }

  // From here to the end of the run nobody else writes this profile folder.
  switch (m_lock.Acquire(request.lockFile)) {
    case CPbuildFolderLock::Result::kLocked:
      break;
    case CPbuildFolderLock::Result::kBusy:
      m_ui.Prompt(kIdsFolderBusy, m_ui.String(kIdsFolderBusy) + "\n" + request.outputFolder,
                  K7QIcon::Stop, K7QButtons::Ok);
      return PbuildError::kShown;
    case CPbuildFolderLock::Result::kFailed:
      return PbuildError::kFileCreate;
  }

  switch (KindOf(request.outputFolder)) {
    case PathKind::kMissing:
      request.replace = false;
      break;
    case PathKind::kFolder: {
      const std::string question =
          m_ui.String(kIdsReplaceHead) + request.outputFolder + m_ui.String(kIdsReplaceTail);
      if (m_ui.Prompt(kIdsReplaceHead, question, K7QIcon::Exclamation, K7QButtons::YesNo) != kIdYes)
        return -1;
      request.replace = true;
      break;
    }
    default:
      return kIdsFolderFailed;
  }
  // Every run builds in the replacement folder and puts it in place only when
  // complete, so a run that is killed never leaves a half profile under the
  // real name. One that is there now was left by such a run: the lock says
  // no living run owns it.
  switch (KindOf(request.replacementFolder)) {
    case PathKind::kMissing:
      break;
    case PathKind::kFolder:
      if (const int rc = RemoveOutput(request.replacementFolder, request.profileFileName))
        return rc;
      break;
    case PathKind::kOther:
      return PbuildError::kMakeFolder;
    case PathKind::kUnknown:
      return kIdsFolderFailed;
  }
  if (::mkdir(request.replacementFolder.c_str(), 0700) != 0) return PbuildError::kMakeFolder;
  return 0;
}

void CPbuildCreator::Finish(const CPbuildRequest& request, bool failed) {
  m_lock.Release();
  if (!failed || request.createdLevel.empty()) return;
  // Deepest first, up to the highest level the run made; rmdir leaves any
  // level alone that holds something now.
  for (std::filesystem::path level(request.baseFolder); level.has_relative_path();
       level = level.parent_path()) {
    if (::rmdir(level.c_str()) != 0 && errno != ENOENT) break;
    if (level == request.createdLevel) break;
  }
}

CPbuildOutcome CPbuildCreator::Run(const CPbuildInputs& inputs) {
  CPbuildOutcome outcome;
  CPbuildRequest request;
  m_leftOut = LeftOut{};
  if (!FillRequest(inputs, request)) return outcome;
  int rc;
  try {
    rc = PrepareOutputFolder(request);
  } catch (const CK7QBldFileException&) {
    rc = PbuildError::kMakeFolder;  // whether the folders exist cannot be told
  }
  if (rc) {
    if (rc == -1) {
      outcome.status = CPbuildOutcome::kQuiet;
    } else if (rc > 0) {
      ShowError(rc);
    }
    Finish(request, true);
    return outcome;
  }
  m_progress.SetStatus(IPbuildProgress::kProgressLine, m_ui.String(kIdsStatusProgress));

  // What a failed or stopped run wrote must not outlive it.
  auto abandon = [&] {
    const int removed = RemoveOutput(request.replacementFolder, request.profileFileName);
    if (removed) ShowError(removed);
    Finish(request, true);
  };
  try {
    rc = CreateProfile(request);
  } catch (const CPbuildFatalError& e) {
    abandon();
    m_ui.Message(kIdsDiagExiting, K7QIcon::Stop);
    outcome.status = CPbuildOutcome::kFatal;
    outcome.exitCode = e.Code();
    return outcome;
  }
  // The marker images belong to the profile: copied before it is put in
  // place, so a full disk costs the run, never the old profile.
  if (!m_stopped && !rc) {
    rc = CopyMarkerImages(request.replacementFolder);
    if (rc == PbuildError::kMarkerImages) {
      ShowError(rc);
      rc = 0;
    }
  }
  if (m_stopped || rc) {
    if (rc > 0) ShowError(rc);
    abandon();
    outcome.status = m_stopped ? CPbuildOutcome::kStopped : CPbuildOutcome::kFailed;
    return outcome;
  }

  bool installed = false;
  rc = InstallFolder(request, installed);
  if (rc) ShowError(rc);
  Finish(request, false);
  outcome.resultFolder = installed ? request.outputFolder : request.replacementFolder;
  outcome.leftOut = m_leftOut.Any();
  const std::string done = m_ui.String(kIdsDoneHead) + "\n" +
                           K7QFile::Join(outcome.resultFolder, request.profileFileName) + "\n" +
                           m_ui.String(kIdsDoneTail);
  m_ui.Prompt(kIdsDoneHead, done, K7QIcon::Information, K7QButtons::Ok);
  outcome.status = CPbuildOutcome::kDone;
  return outcome;
}

bool CPbuildCreator::GoOn() {
  if (m_progress.StopRequested() || !m_progress.Pump() || m_progress.StopRequested()) {
    m_stopped = true;
    return false;
  }
  return true;
}

int CPbuildCreator::CreateProfile(const CPbuildRequest& request) {
  m_stopped = false;
  CPrivateFiles privateFiles;
  CK7QBldProfileWriter writer;
  try {
    if (!writer.Begin(K7QFile::Join(request.replacementFolder, request.profileFileName),
                      request.header))
      return PbuildError::kFileCreate;
  } catch (const CK7QBldFileException&) {
    return PbuildError::kFileCreate;
  }

  try {
    m_progress.SetStatus(IPbuildProgress::kProgressLine, m_ui.String(kIdsConnecting));
    CPbuildCli cli(m_ui);
    cli.SetLoginTimeout(m_loginTimeout);
    cli.SetQueryTimeout(m_queryTimeout);
    if (!cli.AllocEnv() || !cli.AllocConnect()) {
      m_ui.Message(kIdsAllocConnectFailed, K7QIcon::Stop);
      return PbuildError::kConnect;
    }
    if (!cli.Connect(request.dataSource, request.login, request.password)) {
      const std::string text = m_ui.String(kIdsConnectFailedHead) + request.dataSource +
                               m_ui.String(kIdsConnectFailedTail);
      m_ui.Prompt(kIdsConnectFailedHead, text, K7QIcon::Stop, K7QButtons::Ok);
      return PbuildError::kConnect;
    }
    std::printf(">Connected to %s\n", request.dataSource.c_str());
    std::fflush(stdout);

    std::vector<Table> tables;
    int rc = ListTables(cli, request, tables);
    if (rc || m_stopped) return rc ? rc : -1;

    int total = 0;
    for (const Table& table : tables) total += static_cast<int>(table.columns.size());
    m_progress.SetRange(total);
    int line = 0;
    std::vector<Sample> samples;
    for (const Table& table : tables) {
      if (request.sampleMode == 1) {
        for (const Column& c : table.columns) writer.AddColumn(c.def);
        line += static_cast<int>(table.columns.size());
        m_progress.SetPosition(line);
        continue;
      }
      if (!GoOn()) return -1;
      m_progress.SetStatus(IPbuildProgress::kTableLine, m_ui.String(kIdsStatusTable) + table.name);
      if (SampleTable(cli, table, samples) < 0) return -1;
      std::size_t ordinary = 0;
      for (const Column& c : table.columns) {
        if (!GoOn()) return -1;
        m_progress.SetPosition(line);
        char percent[32];
        std::snprintf(percent, sizeof percent, "  %3.0f %%",
                      std::floor(100.0 * line / (total ? total : 1)));
        m_progress.SetStatus(IPbuildProgress::kProgressLine,
                             m_ui.String(kIdsStatusProgress) + percent);
        m_progress.SetStatus(IPbuildProgress::kColumnLine,
                             m_ui.String(kIdsStatusColumn) + c.column);
        ++line;
        if (IsLargeObject(c.def.typeName)) {
          rc = ExtractColumn(cli, table, c, false, request.replacementFolder, writer);
        } else if (c.def.length > kLongColumnLength) {
          rc = ExtractColumn(cli, table, c, true, request.replacementFolder, writer);
        } else {
          WriteSample(table, c, samples[ordinary++], writer);
        }
        if (rc) return rc;
      }
    }
    writer.Finish();
    ReportLeftOut();
    if (!cli.Disconnect()) return PbuildError::kDisconnect;
    m_progress.SetPosition(total);
    m_progress.SetStatus(IPbuildProgress::kProgressLine,
                         m_ui.String(kIdsStatusProgress) + "  100 %");
    return 0;
  } catch (const CK7QBldFileException&) {
    return PbuildError::kWrite;
  } catch (const std::bad_alloc&) {
    return 48;
  }
}

// ---- what the run left out ------------------------------------------------------

bool CPbuildCreator::LeftOut::Any() const {
  return !longNames.empty() || !notCp932.empty() || !unquotable.empty() || !tables.empty() ||
         !sameName.empty() || !overLimit.empty() || !columns.empty() || !references.empty() ||
         passedOver;
}

void CPbuildCreator::ReportSkipped(unsigned id, const std::vector<std::string>& names) {
  if (names.empty()) return;
  std::string text = m_ui.String(id);
  const std::size_t shown = m_listLimit > 0 ? std::min(m_listLimit, names.size()) : names.size();
  for (std::size_t i = 0; i < shown; ++i) {
    text += "\n";
    text += names[i];
  }
  if (shown < names.size())
    text += "\n" + m_ui.String(kIdsListMore) + " " + std::to_string(names.size() - shown);
  m_ui.Prompt(id, text, K7QIcon::Information, K7QButtons::Ok);
}

void CPbuildCreator::ReportLeftOut() {
  ReportSkipped(kIdsSkippedTables, m_leftOut.tables);
  ReportSkipped(kIdsSameNameTables, m_leftOut.sameName);
  ReportSkipped(kIdsTablesOverLimit, m_leftOut.overLimit);
  ReportSkipped(kIdsSkippedLongNames, m_leftOut.longNames);
  ReportSkipped(kIdsSkippedCp932Names, m_leftOut.notCp932);
  ReportSkipped(kIdsSkippedUnquotableNames, m_leftOut.unquotable);
  ReportSkipped(kIdsColumnsWithoutSample, m_leftOut.columns);
  ReportSkipped(kIdsReferencesOverLimit, m_leftOut.references);
}

// ---- tables and columns ---------------------------------------------------------

std::string CPbuildCreator::DefaultSchema(CPbuildCli& cli, const std::vector<Table>& listed) {
  {
    // The schema unqualified names reach on the server, where it can tell.
    CPbuildStatement statement(cli, CPbuildStatement::kTolerant);
    statement.ExecDirect("SELECT CURRENT_SCHEMA");
    std::string schema;
    if (statement.Fetch() &&
        statement.GetData(1, SQL_C_CHAR, schema, kCatalogTextLimit) ==
            CPbuildStatement::Value::Data &&
        !schema.empty())
      return schema;
  }
  // Elsewhere schemas are commonly named after their owners.
  const std::string user = cli.InfoText(SQL_USER_NAME);
  for (const Table& t : listed) {
    if (!user.empty() && t.schema == user) return user;
  }
  return {};
}

int CPbuildCreator::ListTables(CPbuildCli& cli, const CPbuildRequest& request,
                               std::vector<Table>& tables) {
  std::vector<Table> listed;
  {
    CPbuildStatement statement(cli);
    statement.Tables();
    std::string schema, name, type;
    while (statement.Fetch()) {
      // Columns in ascending order, as every driver allows.
      if (statement.GetData(2, SQL_C_CHAR, schema, kCatalogTextLimit) !=
          CPbuildStatement::Value::Data)
        schema.clear();
      if (statement.GetData(3, SQL_C_CHAR, name, kCatalogTextLimit) !=
              CPbuildStatement::Value::Data ||
          statement.GetData(4, SQL_C_CHAR, type, kCatalogTextLimit) !=
              CPbuildStatement::Value::Data)
        continue;
      if (type.compare(0, 5, "TABLE") != 0) continue;
      Table t;
      t.schema = schema;
      t.name = name;
      t.shown = schema.empty() ? name : schema + "." + name;
      listed.push_back(std::move(t));
    }
  }
  cli.Commit();

  // The schema asked for; by default the login's own. Where the database has
  // no schemas, or cannot tell its default, every table counts.
  const bool schemas =
      std::any_of(listed.begin(), listed.end(), [](const Table& t) { return !t.schema.empty(); });
  std::string preferred;
  if (schemas && (request.schema.empty() || request.schema == "*"))
    preferred = DefaultSchema(cli, listed);
  const std::string wanted = request.schema.empty() ? preferred : request.schema;
  const bool every = !schemas || wanted.empty() || wanted == "*";
  if (!every) {
    std::set<std::string> others;
    bool found = false;
    for (const Table& t : listed) {
      if (t.schema == wanted) {
        found = true;
      } else {
        others.insert(t.schema);
      }
    }
    if (!found && !listed.empty()) {
      // A mistyped schema must not turn a good profile into an empty one.
      std::string text =
          m_ui.String(kIdsSchemaEmpty) + "\n" + wanted + "\n" + m_ui.String(kIdsSchemasWithTables);
      for (const std::string& other : others) text += "\n" + other;
      m_ui.Prompt(kIdsSchemaEmpty, text, K7QIcon::Stop, K7QButtons::Ok);
      return PbuildError::kShown;
    }
  }

  const bool qualify = schemas && cli.SchemasInStatements();
  std::vector<Table> candidates;
  for (Table& t : listed) {
    if (!every && t.schema != wanted) continue;
    std::string quotedSchema;
    if (!K7QCp932::FromUtf8(t.name, t.cp932)) {
      m_leftOut.notCp932.push_back(t.shown);
      continue;
    }
    if (!CK7QBldProfileWriter::IsWritableName(t.cp932)) {
      m_leftOut.longNames.push_back(t.shown);
      continue;
    }
    if (!cli.QuoteIdentifier(t.name, t.quoted) ||
        (qualify && !t.schema.empty() && !cli.QuoteIdentifier(t.schema, quotedSchema))) {
      m_leftOut.unquotable.push_back(t.shown);
      continue;
    }
    if (!quotedSchema.empty()) t.quoted = quotedSchema + "." + t.quoted;
    candidates.push_back(std::move(t));
  }

  // The profile holds one table per name. The one of the default schema is
  // the table the macro's unqualified statements will reach on the server;
  // without it the first listed wins.
  std::vector<bool> wins(candidates.size(), true);
  std::unordered_map<std::string, std::size_t> winner;
  for (std::size_t i = 0; i < candidates.size(); ++i) {
    const auto [held, first] = winner.emplace(candidates[i].cp932, i);
    if (first) continue;
    const bool laterIsDefault =
        candidates[i].schema == preferred && candidates[held->second].schema != preferred;
    if (!laterIsDefault) {
      wins[i] = false;
      continue;
    }
    wins[held->second] = false;
    held->second = i;
  }
  for (std::size_t i = 0; i < candidates.size(); ++i) {
    if (!wins[i]) {
      m_leftOut.sameName.push_back(candidates[i].shown);
    } else if (tables.size() >= kMaxTables) {
      m_leftOut.overLimit.push_back(candidates[i].shown);
    } else {
      tables.push_back(std::move(candidates[i]));
    }
  }

  std::vector<Table> readable;
  for (Table& table : tables) {
    if (!GoOn()) return 0;
    m_progress.SetStatus(IPbuildProgress::kTableLine, m_ui.String(kIdsStatusTable) + table.name);
    if (DescribeTable(cli, table)) readable.push_back(std::move(table));
  }
  tables.swap(readable);
  return 0;
}

bool CPbuildCreator::DescribeTable(CPbuildCli& cli, Table& table) {
  // Run, not only prepared: a table the login may see but not read is
  // refused here, where it is left out whole. No row is read, whatever the
  // driver does on execution.
  CPbuildStatement statement(cli, CPbuildStatement::kTolerant);
  statement.ExecDirect("select * from " + table.quoted + " where 1=0");
  const SQLSMALLINT count = statement.NumResultCols();
  std::vector<Column> columns;
  for (SQLSMALLINT i = 1; i <= count && !statement.Failed(); ++i) {
    const CPbuildStatement::Column described = statement.Describe(static_cast<SQLUSMALLINT>(i));
    // The width a sample of the column takes, as the column itself describes
    // it: the MAX of it may be described wider or narrower by the driver.
    const SQLLEN display = statement.DisplaySize(static_cast<SQLUSMALLINT>(i));
    if (described.type == 0) continue;
    const std::string shown = table.shown + "." + described.name;
    if (described.nameTruncated) {
      m_leftOut.longNames.push_back(shown);
      continue;
    }
    Column c;
    c.column = described.name;
    if (!K7QCp932::FromUtf8(c.column, c.def.column)) {
      m_leftOut.notCp932.push_back(shown);
      continue;
    }
    if (!CK7QBldProfileWriter::IsWritableName(c.def.column)) {
      m_leftOut.longNames.push_back(shown);
      continue;
    }
    if (!cli.QuoteIdentifier(c.column, c.quotedColumn)) {
      m_leftOut.unquotable.push_back(shown);
      continue;
    }
    c.def.table = table.cp932;
    c.def.typeName = TypeName(described.type);
    c.def.length = static_cast<long long>(described.size);
    c.def.scale = described.scale;
    c.width = std::max(static_cast<std::size_t>(display > 0 ? display : 0), c.column.size()) + 1;
    columns.push_back(std::move(c));
  }
  if (statement.Failed()) {
    m_leftOut.tables.push_back(table.shown + ": " + statement.Reason());
    return false;
  }
  table.columns = std::move(columns);
  return true;
}

// ---- samples and large-object files ---------------------------------------------

namespace {

bool IsOrdinary(const K7QProfileColumnDef& def) {
  return !CPbuildCreator::IsLargeObject(def.typeName) && def.length <= kLongColumnLength;
}

}  // namespace

int CPbuildCreator::SampleTable(CPbuildCli& cli, const Table& table, std::vector<Sample>& samples) {
  samples.clear();
  std::vector<const Column*> ordinary;
  for (const Column& c : table.columns) {
    if (IsOrdinary(c.def)) ordinary.push_back(&c);
  }
  samples.resize(ordinary.size());
  if (ordinary.empty()) return 0;
  auto take = [&](CPbuildStatement& statement, SQLUSMALLINT column, Sample& sample) {
    switch (statement.GetData(column, SQL_C_CHAR, sample.value, m_valueLimit)) {
      case CPbuildStatement::Value::Data:
        sample.kind = Sample::kValue;
        break;
      case CPbuildStatement::Value::Failed:
        sample.kind = Sample::kFailed;
        sample.value = statement.Reason();
        break;
      default:
        sample.kind = Sample::kNull;
        break;
    }
  };

  // One scan of the table for all its ordinary columns.
  std::string sql = "SELECT ";
  for (std::size_t i = 0; i < ordinary.size(); ++i) {
    if (i) sql += ", ";
    sql += "MAX(" + ordinary[i]->quotedColumn + ")";
  }
  sql += " FROM " + table.quoted;
  std::size_t done = 0;
  {
    CPbuildStatement statement(cli, CPbuildStatement::kTolerant);
    statement.ExecDirect(sql);
    if (statement.NumResultCols() == static_cast<SQLSMALLINT>(ordinary.size())) {
      if (statement.Fetch()) {
        for (; done < ordinary.size(); ++done) {
          take(statement, static_cast<SQLUSMALLINT>(done + 1), samples[done]);
          if (samples[done].kind == Sample::kFailed) break;
        }
      } else if (!statement.Failed()) {
        for (; done < ordinary.size(); ++done) samples[done].kind = Sample::kNoRow;
      }
    }
  }
  // Where the database refused it (MAX of a type it cannot order, a column it
  // cannot convert), each column the statement left open gets one of its own.
  for (; done < ordinary.size(); ++done) {
    if (!GoOn()) return -1;
    Sample& sample = samples[done];
    CPbuildStatement statement(cli, CPbuildStatement::kTolerant);
    statement.ExecDirect("SELECT MAX(" + ordinary[done]->quotedColumn + ") FROM " + table.quoted);
    if (statement.Fetch()) {
      take(statement, 1, sample);
    } else if (statement.Failed()) {
      sample.kind = Sample::kFailed;
      sample.value = statement.Reason();
    } else {
      sample.kind = Sample::kNoRow;
    }
  }
  return 0;
}

void CPbuildCreator::WriteSample(const Table& table, const Column& column, const Sample& sample,
                                 CK7QBldProfileWriter& writer) {
  const std::string shown = table.shown + "." + column.column;
  if (sample.kind == Sample::kFailed) {
    m_leftOut.columns.push_back(shown + ": " + sample.value);
    writer.AddColumn(column.def);
    return;
  }
  if (writer.SampleCount() >= m_referenceLimit) {
    // A sixth digit would be cut off when the name is read back.
    m_leftOut.references.push_back(shown);
    writer.AddColumn(column.def);
    return;
  }
  if (sample.kind != Sample::kValue) {
    if (sample.kind == Sample::kNoRow) m_ui.Message(kIdsNoRows, K7QIcon::Information);
    // A block without its value line would swallow the blocks after it when
    // read back: the missing row is written like a NULL.
    writer.AddSampledColumn(column.def, std::nullopt, column.width);
    return;
  }
  std::string cp932;
  if (!K7QCp932::FromUtf8(sample.value, cp932)) {
    // A sample the profile cannot hold is left out rather than mangled.
    m_leftOut.columns.push_back(shown + ": " + m_ui.String(kIdsReasonNotCp932));
    writer.AddColumn(column.def);
    return;
  }
  writer.AddSampledColumn(column.def, cp932, SampleBytes(cp932, column.width));
}

int CPbuildCreator::ExtractColumn(CPbuildCli& cli, const Table& table, const Column& column,
                                  bool text, const std::string& folder,
                                  CK7QBldProfileWriter& writer) {
  if (column.def.length == kUnlimitedLength) {
    writer.AddColumn(column.def);
    return 0;
  }
  const std::string shown = table.shown + "." + column.column;
  if (writer.LobCount() >= m_referenceLimit) {
    // LOB100000 would be a name no profile folder knows.
    m_leftOut.references.push_back(shown);
    writer.AddColumn(column.def);
    return 0;
  }
  const bool textFile = IsTextColumn(column.def.typeName);
  CPbuildStatement statement(cli, CPbuildStatement::kTolerant);
  statement.ExecDirect("SELECT " + column.quotedColumn + " FROM " + table.quoted);
  std::string value;
  bool found = false;
  bool tooLarge = false;
  while (statement.Fetch()) {
    const auto got = statement.GetData(1, text ? SQL_C_CHAR : SQL_C_BINARY, value, m_valueLimit);
    if (got == CPbuildStatement::Value::TooLarge) {
      tooLarge = true;
      continue;
    }
    if (got != CPbuildStatement::Value::Data || value.empty()) continue;
    if (text || textFile) {
      std::string cp932;
      if (!K7QCp932::FromUtf8(value, cp932)) continue;
      value.swap(cp932);
    }
    found = true;
    break;
  }
  if (statement.Failed()) {
    m_leftOut.columns.push_back(shown + ": " + statement.Reason());
    writer.AddColumn(column.def);
    return 0;
  }
  if (!found) {
    if (tooLarge) {
      m_leftOut.passedOver = true;
      m_ui.Prompt(kIdsValueTooLarge, m_ui.String(kIdsValueTooLarge) + "\n" + shown,
                  K7QIcon::Information, K7QButtons::Ok);
    }
    writer.AddColumn(column.def);
    return 0;
  }
  const std::string extension = textFile ? ".txt" : BinaryExtension(value);
  if (!writer.AddLobColumn(column.def, extension)) return PbuildError::kWrite;
  return WriteNewFile(K7QFile::Join(folder, writer.LastReference()), value);
}

// ---- folders ------------------------------------------------------------------

int CPbuildCreator::RemoveOutput(const std::string& folder, const std::string& profileFileName) {
  try {
    if (!K7QFile::IsDirectory(folder)) return 0;
  } catch (const CK7QBldFileException&) {
    return PbuildError::kRemoveFolder;
  }
  std::vector<std::string> names;
  if (!ListFolder(folder, names)) return PbuildError::kRemoveFolder;
  for (const std::string& name : names) {
    if (!IsCreatorFile(name, profileFileName)) continue;
    if (::unlink(K7QFile::Join(folder, name).c_str()) != 0 && errno != ENOENT)
      return PbuildError::kDelete;
  }
  return ::rmdir(folder.c_str()) == 0 ? 0 : PbuildError::kRemoveFolder;
}

int CPbuildCreator::InstallFolder(const CPbuildRequest& request, bool& installed) {
  installed = false;
  if (!request.replace) {
    // Never over a folder that appeared meanwhile.
    if (::renameat2(AT_FDCWD, request.replacementFolder.c_str(), AT_FDCWD,
                    request.outputFolder.c_str(), RENAME_NOREPLACE) != 0)
      return PbuildError::kRename;
    installed = true;
    return 0;
  }
  std::vector<std::string> names;
  if (!ListFolder(request.outputFolder, names)) return PbuildError::kRemoveFolder;
  for (const std::string& name : names) {
    // The author's own files live beside the profile (a macro's working files).
    if (!IsCreatorFile(name, request.profileFileName)) return InstallFiles(request, installed);
  }
  // Nothing but an old profile: one atomic swap of the folders.
  if (::renameat2(AT_FDCWD, request.replacementFolder.c_str(), AT_FDCWD,
                  request.outputFolder.c_str(), RENAME_EXCHANGE) != 0)
    return PbuildError::kRename;
  installed = true;
  return RemoveOutput(request.replacementFolder, request.profileFileName);
}

int CPbuildCreator::InstallFiles(const CPbuildRequest& request, bool& installed) {
  const std::string& from = request.replacementFolder;
  const std::string& to = request.outputFolder;
  std::vector<std::string> fresh;
  if (!ListFolder(from, fresh)) return PbuildError::kRename;
  // The profile goes last: until then the old one reads as before. Each file
  // is swapped with the old one of its name (or moved where there is none),
  // so that a failure half way can put every old file back.
  std::stable_partition(fresh.begin(), fresh.end(),
                        [&](const std::string& n) { return n != request.profileFileName; });
  struct Step {
    std::string name;
    bool swapped;
  };
  std::vector<Step> steps;
  for (const std::string& name : fresh) {
    const std::string source = K7QFile::Join(from, name);
    const std::string target = K7QFile::Join(to, name);
    bool swapped = true;
    int rc = ::renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_EXCHANGE);
    if (rc != 0 && errno == ENOENT) {
      swapped = false;
      rc = ::renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE);
    }
    if (rc != 0) {
      for (auto step = steps.rbegin(); step != steps.rend(); ++step) {
        const std::string back = K7QFile::Join(to, step->name);
        const std::string home = K7QFile::Join(from, step->name);
        ::renameat2(AT_FDCWD, back.c_str(), AT_FDCWD, home.c_str(),
                    step->swapped ? RENAME_EXCHANGE : RENAME_NOREPLACE);
      }
      return PbuildError::kRename;
    }
    steps.push_back({name, swapped});
  }
  installed = true;
  // Large-object files of the old profile that the new one does not name.
  const std::unordered_set<std::string> renewed(fresh.begin(), fresh.end());
  std::vector<std::string> old;
  if (!ListFolder(to, old)) return PbuildError::kDelete;
  for (const std::string& name : old) {
    if (!IsCreatorFile(name, request.profileFileName) || renewed.count(name) > 0 ||
        name == kMarkerStart || name == kMarkerEnd)
      continue;
    if (::unlink(K7QFile::Join(to, name).c_str()) != 0 && errno != ENOENT)
      return PbuildError::kDelete;
  }
  // The replacement folder now holds the old versions of the files replaced.
  return RemoveOutput(from, request.profileFileName);
}

int CPbuildCreator::CopyMarkerImages(const std::string& folder) {
  if (!m_imageFolder || m_imageFolder->empty()) return PbuildError::kMarkerImages;
  CPrivateFiles privateFiles;
  for (const char* name : {kMarkerStart, kMarkerEnd}) {
    std::string bytes;
    try {
      bytes = K7QFile::ReadAll(K7QFile::Join(*m_imageFolder, name));
    } catch (const CK7QBldFileException&) {
      return PbuildError::kMarkerImages;
    }
    const std::string target = K7QFile::Join(folder, name);
    if (const int rc = WriteNewFile(target, bytes)) {
      // Never a cut image under the real name.
      K7QFile::Remove(target);
      return rc;
    }
  }
  return 0;
}
