#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

#include "K7QBldDocCore.h"
#include "K7QBldFile.h"
#include "K7QBldGroceries.h"
#include "K7QBldMacro.h"
#include "K7QTestSupport.h"

// A profile folder with a small profile loaded into a macro, and a document
// over it: what the macro tests start from.
class CK7QMacroFixture : public ::testing::Test {
 protected:
  void SetUp() override { LoadProfile("tanaka", "himitsu"); }

  // Writes "SHOP.k7q_pro" (CR LF, as the profile creator does) and reads it.
  void LoadProfile(const std::string& login, const std::string& password,
                   const std::string& kind = "VQ5") {
    const std::string text =
        "Data_Base_Type {\r\n" + kind +
        "\r\n}\r\nData_Base_Name {\r\nSHOP\r\n}\r\n"
        "Login {\r\n" +
        login + "\r\n}\r\nPassword {\r\n" + password +
        "\r\n}\r\nDefine {\r\n"
        "CLOBTYPE=%EXEC \"TYPE @RZV_rGETINIDATA(\"html_path\")$(ClobData)\"\r\n}\r\n"
        "Information {\r\n"
        "products           id                 INTEGER            10          0      \r\n"
        "products           price              DECIMAL            10          2      \r\n"
        "sale_products      id                 INTEGER            10          0      \r\n"
        "sale_products      price              DECIMAL            10          2      \r\n"
        "}\r\n";
    K7QWriteFile(ProfilePath(), text);
    ASSERT_TRUE(m_macro.Profile().Read(ProfilePath()));
  }

  std::string ProfilePath() const { return m_dir.File("SHOP.k7q_pro"); }
  std::string Folder() const { return m_macro.Profile().ProfileFolder(); }
  std::string File(const std::string& name) const { return m_dir.File(name); }

  // Names of the files in the profile folder.
  std::set<std::string> FolderFiles() const {
    std::set<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(m_dir.Path()))
      names.insert(e.path().filename().string());
    return names;
  }

  CK7QTempDir m_dir;
  CK7QScriptedUi m_ui;
  CK7QBldGroceries m_groceries{m_ui};
  CK7QBldMacro m_macro{m_groceries};
  CK7QBldDocCore m_doc{m_macro};
};

// The expected files of the macro tests, written by hand.
inline std::string K7QMacroData(const std::string& name) {
  return K7QReadFile(std::string(K7Q_TEST_DATA_DIR) + "/core/data/macros/" + name);
}
