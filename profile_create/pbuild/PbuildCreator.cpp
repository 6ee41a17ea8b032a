#include "PbuildCreator.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <new>

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

bool MakeFolderLevels(const std::string& path) {
  std::error_code ec;
  std::filesystem::create_directories(path, ec);
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
  if (name.size() != 12 || name.compare(0, 3, "LOB") != 0) return false;
  for (std::size_t i = 3; i < 8; ++i) {
    if (name[i] < '0' || name[i] > '9') return false;
  }
  const std::string ext = name.substr(8);
  return ext == ".bmp" || ext == ".jpg" || ext == ".gif" || ext == ".txt" || ext == ".XXX";
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
  request.sampleMode = inputs.sampleMode;
  return true;
}

int CPbuildCreator::PrepareOutputFolder(CPbuildRequest& request) {
  if (!K7QFile::Exists(request.outputFolder)) {
    if (!K7QFile::IsDirectory(request.baseFolder)) {
      const std::string question =
          m_ui.String(kIdsCreateBaseHead) + request.baseFolder + m_ui.String(kIdsCreateBaseTail);
      if (m_ui.Prompt(kIdsCreateBaseHead, question, K7QIcon::Exclamation, K7QButtons::YesNo) !=
          kIdYes)
        return -1;
      if (!MakeFolderLevels(request.baseFolder)) return PbuildError::kMakeFolder;
    }
    request.replace = false;
  } else {
    if (!K7QFile::IsDirectory(request.outputFolder)) return kIdsFolderFailed;
    const std::string question =
        m_ui.String(kIdsReplaceHead) + request.outputFolder + m_ui.String(kIdsReplaceTail);
    if (m_ui.Prompt(kIdsReplaceHead, question, K7QIcon::Exclamation, K7QButtons::YesNo) != kIdYes)
      return -1;
    request.replace = true;
  }
  // Every run builds in the replacement folder and puts it in place only when
  // complete, so a run that is killed never leaves a half profile under the
  // real name. One left over by such a run is cleared first.
  if (K7QFile::Exists(request.replacementFolder)) {
    if (!K7QFile::IsDirectory(request.replacementFolder)) return PbuildError::kMakeFolder;
    const int rc = RemoveOutput(request.replacementFolder, request.profileFileName);
    if (rc) return rc;
  }
  if (::mkdir(request.replacementFolder.c_str(), 0700) != 0) return PbuildError::kMakeFolder;
  return 0;
}

CPbuildOutcome CPbuildCreator::Run(const CPbuildInputs& inputs) {
  CPbuildOutcome outcome;
  CPbuildRequest request;
  if (!FillRequest(inputs, request)) return outcome;
  int rc;
  try {
    rc = PrepareOutputFolder(request);
  } catch (const CK7QBldFileException&) {
    rc = PbuildError::kMakeFolder;  // whether the folders exist cannot be told
  }
  if (rc == -1) {
    outcome.status = CPbuildOutcome::kQuiet;
    return outcome;
  }
  if (rc) {
    ShowError(rc);
    return outcome;
  }
  m_progress.SetStatus(IPbuildProgress::kProgressLine, m_ui.String(kIdsStatusProgress));

  try {
    rc = CreateProfile(request);
  } catch (const CPbuildFatalError& e) {
    // The handles are freed by now; what was written must not outlive the run.
    const int removed = RemoveOutput(request.replacementFolder, request.profileFileName);
    if (removed) ShowError(removed);
    m_ui.Message(kIdsDiagExiting, K7QIcon::Stop);
    outcome.status = CPbuildOutcome::kFatal;
    outcome.exitCode = e.Code();
    return outcome;
  }
  if (m_stopped || rc) {
    if (rc > 0) ShowError(rc);
    const int removed = RemoveOutput(request.replacementFolder, request.profileFileName);
    if (removed) ShowError(removed);
    outcome.status = m_stopped ? CPbuildOutcome::kStopped : CPbuildOutcome::kFailed;
    return outcome;
  }

  bool installed = false;
  rc = InstallFolder(request, installed);
  if (rc) ShowError(rc);
  outcome.resultFolder = installed ? request.outputFolder : request.replacementFolder;
  rc = CopyMarkerImages(outcome.resultFolder);
  if (rc) ShowError(rc);
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

    std::vector<Column> columns;
    int rc = ListColumns(cli, columns);
    if (rc || m_stopped) return rc ? rc : -1;

    const int total = static_cast<int>(columns.size());
    m_progress.SetRange(total);
    for (int i = 0; i < total; ++i) {
      const Column& c = columns[static_cast<std::size_t>(i)];
      if (request.sampleMode == 1) {
        writer.AddColumn(c.def);
        m_progress.SetPosition(i + 1);
        continue;
      }
      if (!GoOn()) return -1;
      m_progress.SetPosition(i);
      char percent[32];
      std::snprintf(percent, sizeof percent, "  %3.0f %%",
                    std::floor(100.0 * i / (total ? total : 1)));
      m_progress.SetStatus(IPbuildProgress::kProgressLine,
                           m_ui.String(kIdsStatusProgress) + percent);
      m_progress.SetStatus(IPbuildProgress::kTableLine, m_ui.String(kIdsStatusTable) + c.table);
      m_progress.SetStatus(IPbuildProgress::kColumnLine, m_ui.String(kIdsStatusColumn) + c.column);
      if (IsLargeObject(c.def.typeName)) {
        rc = ExtractColumn(cli, c, false, request.replacementFolder, writer);
      } else if (c.def.length > kLongColumnLength) {
        rc = ExtractColumn(cli, c, true, request.replacementFolder, writer);
      } else {
        rc = SampleColumn(cli, c, writer);
      }
      if (rc) return rc;
    }
    writer.Finish();
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

void CPbuildCreator::ReportSkipped(unsigned id, const std::vector<std::string>& names) {
  if (names.empty()) return;
  std::string text = m_ui.String(id);
  for (const std::string& name : names) {
    text += "\n";
    text += name;
  }
  m_ui.Prompt(id, text, K7QIcon::Information, K7QButtons::Ok);
}

int CPbuildCreator::ListColumns(CPbuildCli& cli, std::vector<Column>& columns) {
  std::vector<std::string> tooLong, notCp932, unquotable;
  // Sorts a name from the database: converted for the profile, quoted for SQL, or refused.
  auto take = [&](const std::string& name, std::string& cp932, std::string& quoted,
                  const std::string& shown) {
    if (!K7QCp932::FromUtf8(name, cp932)) {
      notCp932.push_back(shown);
      return false;
    }
    if (!CK7QBldProfileWriter::IsWritableName(cp932)) {
      tooLong.push_back(shown);
      return false;
    }
    if (!cli.QuoteIdentifier(name, quoted)) {
      unquotable.push_back(shown);
      return false;
    }
    return true;
  };

  struct Table {
    std::string name, cp932, quoted;
  };
  std::vector<Table> tables;
  {
    CPbuildStatement statement(cli);
    statement.Tables();
    std::string name, type;
    while (tables.size() < kMaxTables && statement.Fetch()) {
      if (statement.GetData(3, SQL_C_CHAR, name, kCatalogTextLimit) !=
              CPbuildStatement::Value::Data ||
          statement.GetData(4, SQL_C_CHAR, type, kCatalogTextLimit) !=
              CPbuildStatement::Value::Data)
        continue;
      if (type.compare(0, 5, "TABLE") != 0) continue;
      Table t;
      t.name = name;
      if (take(name, t.cp932, t.quoted, name)) tables.push_back(std::move(t));
    }
  }
  cli.Commit();

  for (const Table& table : tables) {
    if (!GoOn()) return 0;
    m_progress.SetStatus(IPbuildProgress::kTableLine, m_ui.String(kIdsStatusTable) + table.name);
    // Describing the prepared statement gives the result columns without
    // running it: some drivers read every row of the table on execution.
    const std::string sql = "select * from " + table.quoted;
    CPbuildStatement statement(cli);
    statement.Prepare(sql);
    SQLSMALLINT count = statement.NumResultCols();
    if (count == 0) {
      statement.ExecDirect(sql);
      count = statement.NumResultCols();
    }
    for (SQLSMALLINT i = 1; i <= count; ++i) {
      const CPbuildStatement::Column described = statement.Describe(static_cast<SQLUSMALLINT>(i));
      if (described.type == 0) continue;
      Column c;
      c.table = table.name;
      c.quotedTable = table.quoted;
      c.column = described.name;
      const std::string shown = table.name + "." + described.name;
      if (described.nameTruncated) {
        tooLong.push_back(shown);
        continue;
      }
      if (!take(described.name, c.def.column, c.quotedColumn, shown)) continue;
      c.def.table = table.cp932;
      c.def.typeName = TypeName(described.type);
      c.def.length = static_cast<long long>(described.size);
      c.def.scale = described.scale;
      columns.push_back(std::move(c));
    }
  }
  ReportSkipped(kIdsSkippedLongNames, tooLong);
  ReportSkipped(kIdsSkippedCp932Names, notCp932);
  ReportSkipped(kIdsSkippedUnquotableNames, unquotable);
  return 0;
}

int CPbuildCreator::SampleColumn(CPbuildCli& cli, const Column& column,
                                 CK7QBldProfileWriter& writer) {
  CPbuildStatement statement(cli);
  statement.ExecDirect("SELECT MAX(" + column.quotedColumn + ") FROM " + column.quotedTable);
  const SQLSMALLINT count = statement.NumResultCols();
  if (count <= 0) {
    SQLLEN rows = 0;
    ::SQLRowCount(statement.Handle(), &rows);
    if (rows > 0) {
      std::printf("Statement executed, %ld rows affected\n", static_cast<long>(rows));
    } else {
      std::printf("Statement completed successful\n");
    }
    writer.AddColumn(column.def);
    return 0;
  }
  // One value is all a sample keeps: the width of the first result column.
  const auto described = statement.Describe(1);
  const SQLLEN display = statement.DisplaySize(1);
  const std::size_t width =
      std::max(static_cast<std::size_t>(display > 0 ? display : 0), described.name.size()) + 1;
  if (!statement.Fetch()) {
    m_ui.Message(kIdsNoRows, K7QIcon::Information);
    // A block without its value line would swallow the blocks after it when
    // read back: the missing row is written like a NULL.
    writer.AddSampledColumn(column.def, std::nullopt, width);
    return 0;
  }
  std::string value;
  const auto got = statement.GetData(1, SQL_C_CHAR, value, m_valueLimit);
  if (got != CPbuildStatement::Value::Data) {
    writer.AddSampledColumn(column.def, std::nullopt, width);
    return 0;
  }
  std::string cp932;
  if (!K7QCp932::FromUtf8(value, cp932)) {
    // A sample the profile cannot hold is left out rather than mangled.
    writer.AddColumn(column.def);
    return 0;
  }
  writer.AddSampledColumn(column.def, cp932, width);
  return 0;
}

int CPbuildCreator::ExtractColumn(CPbuildCli& cli, const Column& column, bool text,
                                  const std::string& folder, CK7QBldProfileWriter& writer) {
  if (column.def.length == kUnlimitedLength) {
    writer.AddColumn(column.def);
    return 0;
  }
  const bool textFile = IsTextColumn(column.def.typeName);
  CPbuildStatement statement(cli);
  statement.ExecDirect("SELECT " + column.quotedColumn + " FROM " + column.quotedTable);
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
  if (!found) {
    if (tooLarge) {
      m_ui.Prompt(kIdsValueTooLarge,
                  m_ui.String(kIdsValueTooLarge) + "\n" + column.table + "." + column.column,
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
  // The old folder may hold the user's own files (a macro's working files live
  // beside the profile): then it is left as it is, and the new profile stays
  // in the replacement folder.
  std::vector<std::string> names;
  if (!ListFolder(request.outputFolder, names)) return PbuildError::kRemoveFolder;
  for (const std::string& name : names) {
    if (!IsCreatorFile(name, request.profileFileName)) return PbuildError::kRemoveFolder;
  }
  // One atomic swap: there is a complete profile under the real name at every moment.
  if (::renameat2(AT_FDCWD, request.replacementFolder.c_str(), AT_FDCWD,
                  request.outputFolder.c_str(), RENAME_EXCHANGE) != 0)
    return PbuildError::kRename;
  installed = true;
  return RemoveOutput(request.replacementFolder, request.profileFileName);
}

int CPbuildCreator::CopyMarkerImages(const std::string& folder) {
  if (!m_imageFolder || m_imageFolder->empty()) return PbuildError::kMarkerImages;
  CPrivateFiles privateFiles;
  for (const char* name : {kMarkerStart, kMarkerEnd}) {
    const std::string source = K7QFile::Join(*m_imageFolder, name);
    try {
      if (!K7QFile::Exists(source)) return PbuildError::kMarkerImages;
      K7QFile::CopyBinary(source, K7QFile::Join(folder, name));
    } catch (const CK7QBldFileException&) {
      return PbuildError::kMarkerImages;
    }
  }
  return 0;
}
