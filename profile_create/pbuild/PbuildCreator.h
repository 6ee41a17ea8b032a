#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "K7QBldProfileWriter.h"
#include "PbuildFolderLock.h"

class IK7QBldUserInterface;
class CPbuildCli;

// What the user asked for: the dialog's inputs or the batch form's options.
struct CPbuildInputs {
  std::string dataSource;
  std::string login;
  std::string password;
  std::string baseFolder;
  int sampleMode = 0;  // 0 samples and large-object files, 1 neither
  // Tables of this schema only; "" the login's default schema, "*" every schema.
  std::string schema;
};

// Everything a run needs, built once from the inputs and handed to each step.
struct CPbuildRequest {
  K7QProfileHeader header;  // CP932, as the profile holds it
  std::string dataSource;   // as the driver manager lists it (file names use it too)
  std::string login;
  std::string password;
  std::string loginUpper;
  std::string baseFolder;
  std::string folderName;       // "k7q_pro_" + data source
  std::string profileFileName;  // data source + ".k7q_pro"
  std::string outputFolder;
  std::string replacementFolderName;  // folder name + "_K7Q00"
  std::string replacementFolder;      // where the run writes, renamed when complete
  bool replace = false;               // an older output folder exists and is to be replaced
  int sampleMode = 0;
  std::string schema;
  std::string lockFile;      // beside the output folder, held for the whole run
  std::string createdLevel;  // the topmost folder level of the base folder the run made
};

// What the window (or the batch form) offers a run: progress, three status
// lines and a look at Stop once per statement and column line. The window
// calls come from the run's own thread when the window gives it one.
class IPbuildProgress {
 public:
  virtual ~IPbuildProgress() = default;
  virtual void SetRange(int maximum) = 0;
  virtual void SetPosition(int position) = 0;
  enum Line { kProgressLine = 0, kTableLine = 1, kColumnLine = 2 };
  virtual void SetStatus(Line line, const std::string& text) = 0;
  // A turn for the window where it shares the run's thread; false when the
  // program is asked to quit.
  virtual bool Pump() = 0;
  // The Stop button was pressed.
  virtual bool StopRequested() const = 0;
};

struct CPbuildOutcome {
  enum Status { kDone, kQuiet, kStopped, kFailed, kFatal };
  Status status = kFailed;
  int exitCode = 0;          // for kFatal: the status the program ends with
  std::string resultFolder;  // for kDone: where the profile is
  bool leftOut = false;      // tables, columns, samples or files were left out (and listed)
};

// The profile creator's steps, free of any window: prepare the output folder,
// connect, list tables and columns, sample and extract, write the profile,
// put the folder in place and copy the loop marker images.
class CPbuildCreator {
 public:
  CPbuildCreator(IK7QBldUserInterface& ui, IPbuildProgress& progress);

  // "VQ5" (pbuild_vq5) or "ODBC" (pbuild_odbc).
  void SetDatabaseType(std::string type) { m_databaseType = std::move(type); }
  // The builder's "DataBaseImagePath"; none when the setting is missing.
  void SetImageFolder(std::optional<std::string> folder) { m_imageFolder = std::move(folder); }
  // Largest large-object value read whole; a larger one is passed over.
  void SetValueLimit(std::size_t bytes) { m_valueLimit = bytes; }
  static constexpr std::size_t kDefaultValueLimit = 64u * 1024 * 1024;
  // Seconds a login and one statement may take; 0 for the driver's own limit / none.
  void SetTimeouts(unsigned loginSeconds, unsigned querySeconds) {
    m_loginTimeout = loginSeconds;
    m_queryTimeout = querySeconds;
  }
  static constexpr unsigned kDefaultLoginTimeout = 30;
  // Samples and large-object files a profile can name each: five digits.
  void SetReferenceLimit(int count) { m_referenceLimit = count; }
  static constexpr int kReferenceLimit = 100000;
  // Names shown per closing list before the rest is only counted (0: all),
  // so that a message box stays on the screen.
  void SetListLimit(std::size_t names) { m_listLimit = names; }

  // The whole run of the Start button. Every failure has been shown when it returns.
  CPbuildOutcome Run(const CPbuildInputs& inputs);

  // The steps, in the order Run takes them.
  // Checks the inputs; shows the message and returns false when one is unusable.
  bool FillRequest(const CPbuildInputs& inputs, CPbuildRequest& request);
  // 0 ready (the folder locked), -1 the user said No, else an error code.
  int PrepareOutputFolder(CPbuildRequest& request);
  // 0, an error code, or -1 when stopped; throws CPbuildFatalError.
  int CreateProfile(const CPbuildRequest& request);
  // Deletes what a run leaves in `folder` and the folder: 0, 6 or 8.
  static int RemoveOutput(const std::string& folder, const std::string& profileFileName);
  // Puts the finished replacement folder in place of the output folder: 0 or
  // an error code; `installed` tells whether the new profile has the real name.
  int InstallFolder(const CPbuildRequest& request, bool& installed);
  // 0, 50 (no image folder or image), or 2 and 4 (the copy cannot be written).
  int CopyMarkerImages(const std::string& folder);

  // Shows an error code: 0 to 54 as text code + 102, a larger one as that text.
  void ShowError(int code);

  // Type name of an SQL type code as the profile writes it.
  static std::string TypeName(int sqlType);
  static bool IsLargeObject(const std::string& typeName);
  static bool IsTextColumn(const std::string& typeName);
  // Extension of a large-object file by its first bytes.
  static std::string BinaryExtension(const std::string& bytes);
  // Whether `name` is a file a run writes into a profile folder.
  static bool IsCreatorFile(const std::string& name, const std::string& profileFileName);
  // Bytes of a sample line that shows `characters` positions of `cp932`:
  // a double-byte character fills one position, as the database counts it.
  static std::size_t SampleBytes(std::string_view cp932, std::size_t characters);

 private:
  struct Column {
    K7QProfileColumnDef def;  // CP932 names, as written
    std::string column;       // as the database names it
    std::string quotedColumn;
    std::size_t width = 0;  // display positions of its sample
  };
  struct Table {
    std::string schema;  // as the database names them
    std::string name;
    std::string shown;  // schema.name, or name where there are no schemas
    std::string cp932;
    std::string quoted;  // qualified with its schema where statements take one
    std::vector<Column> columns;
  };
  // The value MAX gave for one ordinary column.
  struct Sample {
    enum Kind { kValue, kNull, kNoRow, kFailed } kind = kNull;
    std::string value;  // UTF-8 from the driver, or the reason of a failure
  };
  // What the run left out, shown at its end.
  struct LeftOut {
    std::vector<std::string> longNames, notCp932, unquotable;
    std::vector<std::string> tables, sameName, overLimit, columns, references;
    bool passedOver = false;  // a large-object value over the limit (shown at once)
    bool Any() const;
  };

  int ListTables(CPbuildCli& cli, const CPbuildRequest& request, std::vector<Table>& tables);
  std::string DefaultSchema(CPbuildCli& cli, const std::vector<Table>& listed);
  // Fills the table's columns; false (and listed) when the database refuses it.
  bool DescribeTable(CPbuildCli& cli, Table& table);
  // Samples every ordinary column of `table` with one statement, falling back
  // to one statement per column where the database refuses it. -1 when stopped.
  int SampleTable(CPbuildCli& cli, const Table& table, std::vector<Sample>& samples);
  void WriteSample(const Table& table, const Column& column, const Sample& sample,
                   CK7QBldProfileWriter& writer);
  int ExtractColumn(CPbuildCli& cli, const Table& table, const Column& column, bool text,
                    const std::string& folder, CK7QBldProfileWriter& writer);
  int InstallFiles(const CPbuildRequest& request, bool& installed);
  // Ends what a run began: the lock, and the base folder levels it made when
  // the run left nothing in them.
  void Finish(const CPbuildRequest& request, bool failed);
  void ReportSkipped(unsigned id, const std::vector<std::string>& names);
  void ReportLeftOut();
  bool GoOn();

  IK7QBldUserInterface& m_ui;
  IPbuildProgress& m_progress;
  std::string m_databaseType = "VQ5";
  std::optional<std::string> m_imageFolder;
  std::size_t m_valueLimit = kDefaultValueLimit;
  unsigned m_loginTimeout = kDefaultLoginTimeout;
  unsigned m_queryTimeout = 0;
  int m_referenceLimit = kReferenceLimit;
  std::size_t m_listLimit = 0;
  CPbuildFolderLock m_lock;
  LeftOut m_leftOut;
  bool m_stopped = false;
};
