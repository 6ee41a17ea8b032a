// The profile reader and the lookups the builder makes on what it read.
// Seeds: tests/core/data/profiles/*.k7q_pro tests/core/data/profiles/*/*.k7q_pro
// tests/core/data/pages/profile/*.k7q_pro
#include "K7QBldGroceries.h"
#include "K7QBldProfile.h"
#include "K7QFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const CK7QFuzzFolder& folder = CK7QFuzzFolder::Get();
  static const std::set<std::string> kKeep = [&folder] {
    folder.Put("LOB00000.gif", "GIF89a\x01\x00\x01\x00");
    folder.Put("LOB00001.txt", "line one\r\nline two");
    return std::set<std::string>{"LOB00000.gif", "LOB00001.txt"};
  }();
  folder.Put("fuzz.k7q_pro", std::string_view(reinterpret_cast<const char*>(data), size));

  CK7QFuzzUi ui;
  const CK7QBldGroceries groceries(ui);
  CK7QBldProfile profile(groceries);
  profile.Read(folder.File("fuzz.k7q_pro"));
  for (const CK7QBldDBTable& table : profile.Tables()) {
    profile.FindTable(table.Name());
    for (const CK7QBldProfileColumn& column : table.Columns()) {
      profile.ColumnSample(table.Name(), column.m_column);
      profile.ColumnHtml(column, 0x800080, true, "detail?id=", "");
      profile.ReferencePath(column);
      profile.FindColumnInAnyTable(column.m_column);
    }
  }
  if (profile.Tables().size() >= 2)
    profile.SameStructure(profile.Tables()[0].Name(), profile.Tables()[1].Name());
  folder.Reset(kKeep);
  return 0;
}
