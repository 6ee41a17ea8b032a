#include "K7QPreviewSetup.h"

#include <sys/stat.h>
#include <unistd.h>

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <system_error>

#include "K7QBldCp932.h"
#include "K7QBldFile.h"
#include "K7QBldGroceries.h"
#include "K7QBldProfile.h"

namespace {

constexpr unsigned kIdsMacroUnreadable = 63840;
constexpr unsigned kIdsPasswordUnreadable = 63843;
constexpr unsigned kIdsNoDataSource = 63844;
constexpr unsigned kIdsPageUnwritable = 63845;
constexpr unsigned kIdsConnectionRefused = 63846;

template <typename T>
bool ParseCount(const std::string& text, T& value) {
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size() && value > 0;
}

bool IsDate(const std::string& text) {
  if (text.size() != 8) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  const int month = std::stoi(text.substr(4, 2));
  const int day = std::stoi(text.substr(6, 2));
  return month >= 1 && month <= 12 && day >= 1 && day <= 31;
}

// The first line of a file (or of standard input for "-"), without its line end.
bool FirstLine(const std::string& file, std::string& line) {
  line.clear();
  if (file == "-") {
    if (!std::getline(std::cin, line) && line.empty() && !std::cin.eof()) return false;
  } else {
    try {
      const std::string all = K7QFile::ReadAll(file);
      line = all.substr(0, all.find('\n'));
    } catch (const CK7QBldFileException&) {
      return false;
    }
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return true;
}

}  // namespace

bool CK7QPreviewSetup::TakeOption(const K7QArgs& args, std::size_t& i, std::string& error) {
  const std::string& option = args[i];
  static const char* const kOptions[] = {"--profile",      "--folder",     "--date",
                                         "--row-limit",    "--time-limit", "--user",
                                         "--password-file"};
  bool known = false;
  for (const char* o : kOptions) known = known || option == o;
  if (!known) return false;
  if (i + 1 >= args.size()) {
    error = option + " needs a value";
    return true;
  }
  const std::string& value = args[++i];
  if (option == "--profile") {
    m_profilePath = value;
  } else if (option == "--folder") {
    m_options.folder = value;
  } else if (option == "--date") {
    if (!IsDate(value)) error = "--date " + value + ": YYYYMMDD expected";
    m_options.today = value;
  } else if (option == "--row-limit") {
    if (!ParseCount(value, m_options.limits.rows))
      error = "--row-limit " + value + ": a count expected";
  } else if (option == "--time-limit") {
    if (!ParseCount(value, m_options.limits.seconds))
      error = "--time-limit " + value + ": seconds expected";
  } else if (option == "--user") {
    // The command line is UTF-8; the macro's names are CP932.
    if (!K7QCp932::FromUtf8(value, m_user)) error = "--user: not representable in CP932";
    m_userGiven = true;
  } else {
    std::string line;
    if (!FirstLine(value, line)) {
      // A failure of the run (Load says so), not of the command line.
      m_passwordFile = value;
    } else if (!K7QCp932::FromUtf8(line, m_password)) {
      error = "--password-file: not representable in CP932";
    }
    m_passwordGiven = true;
  }
  return true;
}

std::string CK7QPreviewSetup::Check() const {
  if (m_macroPath.empty()) return "a macro file is required";
  if (m_profilePath.empty()) return "--profile is required";
  return {};
}

bool CK7QPreviewSetup::ReadMacro() {
  try {
    long long size = 0;
    long long time = 0;
    if (!K7QFile::Status(m_macroPath, size, time))
      throw CK7QBldFileException(CK7QBldFileException::fileNotFound, ENOENT, m_macroPath);
    m_macro = CK7QPreviewMacro::Parse(K7QFile::ReadAll(m_macroPath));
    m_macroSize = size;
    m_macroTime = time;
  } catch (const CK7QBldFileException& e) {
    m_ui.Message(kIdsMacroUnreadable, K7QIcon::Stop);
    CK7QBldGroceries(m_ui).ReportFileException(e, __FILE__, __LINE__);
    return false;
  }
  return true;
}

bool CK7QPreviewSetup::Load() {
  if (!m_passwordFile.empty()) {
    m_ui.Message(kIdsPasswordUnreadable, K7QIcon::Stop);
    std::fprintf(stderr, "k7q: %s\n", m_passwordFile.c_str());
    return false;
  }
  CK7QBldGroceries groceries(m_ui);
  CK7QBldProfile profile(groceries);
  if (!profile.Read(m_profilePath)) {
    m_ui.Message(kIdsProfileLoadFailed, K7QIcon::Stop);
    std::fprintf(stderr, "k7q: %s\n", m_profilePath.c_str());
    return false;
  }
  if (m_options.folder.empty()) m_options.folder = profile.ProfileFolder();
  if (!ReadMacro()) return false;
  const auto define = [this](const char* name, const std::string& fallback) {
    const CK7QPreviewDefine* d = m_macro.FindDefine(name);
    return d && !d->command ? d->value : fallback;
  };
  const std::string dataSource = define("DATABASE", profile.DatabaseName());
  if (dataSource.empty()) {
    m_ui.Message(kIdsNoDataSource, K7QIcon::Stop);
    return false;
  }
  if (!m_userGiven) m_user = define("LOGIN", profile.Login());
  if (!m_passwordGiven) m_password = define("PASSWORD", profile.Password());
  m_runner = std::make_unique<CK7QPreviewOdbcRunner>(dataSource, m_user, m_password);
  return true;
}

bool CK7QPreviewSetup::CheckConnection() {
  std::string state;
  std::string message;
  if (m_runner->Check(m_options.limits.seconds, state, message)) return true;
  m_ui.Message(kIdsConnectionRefused, K7QIcon::Stop);
  std::fprintf(stderr, "k7q: %s %s\n", state.c_str(), K7QCp932::ToUtf8(message).c_str());
  return false;
}

bool CK7QPreviewSetup::Reload() {
  long long size = 0;
  long long time = 0;
  if (K7QFile::Status(m_macroPath, size, time) && size == m_macroSize && time == m_macroTime)
    return true;
  return ReadMacro();
}

CK7QPreviewInterpreter CK7QPreviewSetup::MakeInterpreter() {
  return CK7QPreviewInterpreter(m_macro, *m_runner, m_ui, m_options);
}

void CK7QPreviewSetup::PrintNotes(const CK7QPreviewInterpreter& interpreter,
                                  const CK7QPreviewPage& page) const {
  for (const CK7QPreviewNote& note : page.notes) {
    std::fprintf(stderr, "k7q: %u: %s\n", note.id,
                 K7QCp932::ToUtf8(interpreter.NoteText(note)).c_str());
  }
}

bool K7QWritePageFile(CK7QConsoleUi& ui, const std::string& path, const std::string& bytes) {
  // Through a link the file it names is written, so the link stays a link.
  std::error_code ec;
  std::string target = path;
  if (std::filesystem::is_symlink(path, ec)) {
    const std::filesystem::path resolved = std::filesystem::canonical(path, ec);
    if (!ec) target = resolved.string();
  }
  // A device or a pipe (/dev/stdout, a FIFO) is written to, never replaced.
  const auto status = std::filesystem::status(target, ec);
  if (!ec && std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
    try {
      CK7QBldTextWriter writer(target, false, true);
      writer.Write(bytes);
      writer.Close();
    } catch (const CK7QBldFileException& e) {
      ui.Message(kIdsPageUnwritable, K7QIcon::Stop);
      CK7QBldGroceries(ui).ReportFileException(e, __FILE__, __LINE__);
      return false;
    }
    return true;
  }
  std::string temp = K7QFile::Join(K7QFile::Folder(target).empty() ? "." : K7QFile::Folder(target),
                                   "." + K7QFile::FileName(target) + ".XXXXXX");
  const int fd = ::mkstemp(temp.data());
  try {
    if (fd < 0) throw CK7QBldFileException::FromErrno(errno, target);
    ::close(fd);
    struct stat st {};
    const mode_t mode = ::stat(target.c_str(), &st) == 0 ? st.st_mode & 07777 : 0644 & ~[] {
      const mode_t mask = ::umask(0);
      ::umask(mask);
      return mask;
    }();
    K7QFile::WriteAll(temp, bytes);
    if (::chmod(temp.c_str(), mode) != 0) throw CK7QBldFileException::FromErrno(errno, temp);
    K7QFile::Rename(temp, target);
  } catch (const CK7QBldFileException& e) {
    if (fd >= 0) K7QFile::Remove(temp);
    ui.Message(kIdsPageUnwritable, K7QIcon::Stop);
    CK7QBldGroceries(ui).ReportFileException(e, __FILE__, __LINE__);
    return false;
  }
  return true;
}
