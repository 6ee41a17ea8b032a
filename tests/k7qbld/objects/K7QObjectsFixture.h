#pragma once

#include <QComboBox>
#include <QLineEdit>
#include <QTreeWidget>
#include <string>

#include "K7QBldDynamicData.h"
#include "app/K7QDocumentFixture.h"

// A builder window on the shop profile with two campaign tables of the
// structure of products and customers, holding the sample report page's
// builder-made functions, saved as shop.k7q and opened again.
class ObjectsTest : public DocumentTest {
 protected:
  void SetUp() override {
    // Choosing the page objects in the tree opens the sheet; here it is
    // counted and cancelled instead of waited for.
    CK7QBldDynamicData::s_exec = [this](CK7QBldDynamicData&) {
      ++m_sheetsOpened;
      return 2;
    };
    QSettings(QSettings::IniFormat, QSettings::UserScope, "Halvard", "K7QBld").clear();
    m_profile = K7QCopyShopProfile(m_dir);
    AddSaleTables();
    MakeFrame();
    ASSERT_TRUE(Doc().OpenProfile(QString::fromStdString(m_profile)));
    SaveLoopMacro("shop.k7q");
    ASSERT_GE(Macro().Functions().GetCount(), 3);
  }

  void TearDown() override {
    CK7QBldDynamicData::s_exec = nullptr;
    DocumentTest::TearDown();
  }

  // "products_sale" and "customers_sale": copies of the two tables' lines.
  void AddSaleTables() {
    const std::string text = K7QReadFile(m_profile);
    std::string out;
    std::string copies;
    std::size_t pos = 0;
    while (pos < text.size()) {
      std::size_t lf = text.find('\n', pos);
      lf = lf == std::string::npos ? text.size() : lf + 1;
      const std::string line = text.substr(pos, lf - pos);
      if (line.rfind("products ", 0) == 0) copies += "products_sale      " + line.substr(19);
      if (line.rfind("customers ", 0) == 0) copies += "customers_sale     " + line.substr(19);
      if (line.rfind("}", 0) == 0 && !copies.empty()) {
        out += copies;
        copies.clear();
      }
      out += line;
      pos = lf;
    }
    K7QWriteFile(m_profile, out);
  }

  // The name of the first builder-made function that reads `table`.
  std::string FunctionOf(const std::string& table) {
    for (const auto& [name, index] : Macro().Functions().FunctionComboItems(true)) {
      for (const std::string& t : Macro().Functions().FunctionTables(name))
        if (t == table) return name;
    }
    return {};
  }

  template <typename T>
  T* Find(QWidget* parent, int id) {
    return parent->findChild<T*>(QString::number(id));
  }
  static void Choose(QComboBox* combo, const QString& text) {
    const int i = combo->findText(text);
    ASSERT_GE(i, 0) << text.toStdString();
    combo->setCurrentIndex(i);
  }
  static void ChooseNumber(QComboBox* combo, int n) {
    const int i = combo->findData(n);
    ASSERT_GE(i, 0) << n;
    combo->setCurrentIndex(i);
  }
  static QStringList Column(QTreeWidget* list, int column) {
    QStringList texts;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
      texts << list->topLevelItem(i)->text(column);
    return texts;
  }

  int m_sheetsOpened = 0;
};
