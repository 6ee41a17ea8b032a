#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "K7QBldProfileWriter.h"

class IK7QBldUserInterface;
class CPbuildCli;

// What the user asked for: the dialog's inputs or the batch form's options.
struct CPbuildInputs {
  std::string dataSource;
  std::string login;
  std::string password;
  std::string baseFolder;
  int sampleMode = 0;  // 0 samples and large-object files, 1 neither
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
};

// What the window (or the batch form) offers a run: progress, three status
// lines and a chance to handle pending events once per column line.
class IPbuildProgress {
 public:
  virtual ~IPbuildProgress() = default;
  virtual void SetRange(int maximum) = 0;
  virtual void SetPosition(int position) = 0;
  enum Line { kProgressLine = 0, kTableLine = 1, kColumnLine = 2 };
  virtual void SetStatus(Line line, const std::string& text) = 0;
  // Handles pending events; false when the program is asked to quit.
  virtual bool Pump() = 0;
  // The Stop button was pressed.
  virtual bool StopRequested() const = 0;
};

struct CPbuildOutcome {
  enum Status { kDone, kQuiet, kStopped, kFailed, kFatal };
  Status status = kFailed;
  int exitCode = 0;          // for kFatal: the status the program ends with
  std::string resultFolder;  // for kDone: where the profile is
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

  // The whole run of the Start button. Every failure has been shown when it returns.
  CPbuildOutcome Run(const CPbuildInputs& inputs);

  // The steps, in the order Run takes them.
  // Checks the inputs; shows the message and returns false when one is unusable.
  bool FillRequest(const CPbuildInputs& inputs, CPbuildRequest& request);
  // 0 ready, -1 the user said No, else an error code.
  int PrepareOutputFolder(CPbuildRequest& request);
  // 0, an error code, or -1 when stopped; throws CPbuildFatalError.
  int CreateProfile(const CPbuildRequest& request);
  // Deletes what a run leaves in `folder` and the folder: 0, 6 or 8.
  static int RemoveOutput(const std::string& folder, const std::string& profileFileName);
  // Puts the finished replacement folder in place of the output folder: 0 or
  // an error code; `installed` tells whether the new profile has the real name.
  int InstallFolder(const CPbuildRequest& request, bool& installed);
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

 private:
  struct Column {
    K7QProfileColumnDef def;  // CP932 names, as written
    std::string table;        // as the database names them
    std::string column;
    std::string quotedTable;
    std::string quotedColumn;
  };

  int ListColumns(CPbuildCli& cli, std::vector<Column>& columns);
  int SampleColumn(CPbuildCli& cli, const Column& column, CK7QBldProfileWriter& writer);
  int ExtractColumn(CPbuildCli& cli, const Column& column, bool text, const std::string& folder,
                    CK7QBldProfileWriter& writer);
  void ReportSkipped(unsigned id, const std::vector<std::string>& names);
  bool GoOn();

  IK7QBldUserInterface& m_ui;
  IPbuildProgress& m_progress;
  std::string m_databaseType = "VQ5";
  std::optional<std::string> m_imageFolder;
  std::size_t m_valueLimit = kDefaultValueLimit;
  bool m_stopped = false;
};
