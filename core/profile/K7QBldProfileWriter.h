#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "K7QBldFile.h"

// What the header blocks of a profile hold.
struct K7QProfileHeader {
  std::string databaseType = "VQ5";  // "VQ5" or "ODBC"
  std::string databaseName;
  std::string login;
  std::string password;
};

// One column as the profile creator found it.
struct K7QProfileColumnDef {
  std::string table;
  std::string column;
  std::string typeName;
  long long length = 0;
  int scale = 0;
};

// Writes a profile file for a producer that walks tables and columns once:
// Begin writes the header blocks, each Add* writes one column line (and
// keeps its sample block aside), Finish closes the Information block,
// appends the sample blocks and puts the file in place. The file appears
// under its name only when Finish succeeds; until then an older profile of
// the same name stays untouched. A new profile that holds a password is
// readable by its owner only; an existing one keeps its mode.
//
// File errors throw CK7QBldFileException; the writer has then removed its
// temporary file. Input the format cannot hold is refused with false and
// nothing is written for it.
class CK7QBldProfileWriter {
 public:
  static constexpr std::size_t kMaxHeaderBytes = 31;
  static constexpr std::size_t kMaxNameBytes = 18;
  // Sample names are read back from their first eight characters: "SMP" and five digits.
  static constexpr int kMaxSamples = 100000;
  static constexpr std::string_view kDefineLine =
      "CLOBTYPE=%EXEC \"TYPE @RZV_rGETINIDATA(\"html_path\")$(ClobData)\"";

  CK7QBldProfileWriter() = default;
  ~CK7QBldProfileWriter();
  CK7QBldProfileWriter(const CK7QBldProfileWriter&) = delete;
  CK7QBldProfileWriter& operator=(const CK7QBldProfileWriter&) = delete;

  // False (nothing written) when a header field is longer than 31 bytes or holds a line break.
  bool Begin(const std::string& path, const K7QProfileHeader& header);

  // A column without sample (none requested, or no row to take one from).
  bool AddColumn(const K7QProfileColumnDef& def);
  // A column with a sampled value padded or cut to `width`; no value is SQL NULL.
  // Past kMaxSamples the column is written without a sample.
  bool AddSampledColumn(const K7QProfileColumnDef& def, std::optional<std::string_view> value,
                        std::size_t width);
  // A column whose large-object sample is a file; `extension` is one of
  // ".gif", ".bmp", ".jpg", ".txt", ".XXX". LastReference() then names the
  // file the caller writes into the profile folder.
  bool AddLobColumn(const K7QProfileColumnDef& def, std::string_view extension);

  void Finish();
  // Drops everything written so far.
  void Abandon();

  bool IsOpen() const { return m_open; }
  // The reference of the last column line written ("" when it has none).
  const std::string& LastReference() const { return m_lastReference; }
  int SampleCount() const { return m_samples; }
  int LobCount() const { return m_lobs; }

  // A table or column name the format can hold and read back unchanged.
  static bool IsWritableName(std::string_view name);
  static bool IsWritableHeaderField(std::string_view text);
  // The fixed-position column line without its line end.
  static std::string ColumnLine(const K7QProfileColumnDef& def, std::string_view reference);

 private:
  bool IsWritable(const K7QProfileColumnDef& def) const;
  void WriteLine(const K7QProfileColumnDef& def, std::string reference);

  CK7QBldTextWriter m_profile;
  // Sample blocks follow the Information block, which ends with the last column.
  std::string m_sampleBlocks;
  std::string m_path;
  std::string m_lastReference;
  std::string m_buffer;
  int m_samples = 0;
  int m_lobs = 0;
  bool m_open = false;
};
