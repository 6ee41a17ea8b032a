#pragma once

#include <filesystem>

#include "K7QBldContext.h"
#include "K7QBldGroceriesUi.h"
#include "K7QBldLanguage.h"
#include "K7QTestSupport.h"

// A scripted user interface whose tree moves and document-modified calls go
// to the real window companion, as the builder's own does.
class CK7QGuiScriptedUi : public CK7QScriptedUi {
 public:
  explicit CK7QGuiScriptedUi(CK7QBldGroceriesUi& groceriesUi) : m_groceriesUi(groceriesUi) {}
  void SetDocumentModified() override {
    CK7QScriptedUi::SetDocumentModified();
    m_groceriesUi.SetDocumentModified();
  }
  int SelectNextObject() override { return m_groceriesUi.SelectNextObject(); }
  int SelectPreviousObject() override { return m_groceriesUi.SelectPreviousObject(); }

 private:
  CK7QBldGroceriesUi& m_groceriesUi;
};

// Everything a builder window needs, around a scripted user interface and
// the real (English) language library of the build tree.
struct CK7QGuiFixture {
  CK7QGuiFixture() {
    language.SetJapanese(false);
    language.Load("K7QBld_lang.so", K7Q_BIN_DIR);
  }
  CK7QBldGroceriesUi groceriesUi;
  CK7QGuiScriptedUi ui{groceriesUi};
  CK7QBldLanguage language;
  CK7QBldGroceries groceries{ui};
  CK7QBldContext context{language, groceries, groceriesUi};
};

// A copy of the shop profile fixture in a fresh folder; returns the profile path.
inline std::string K7QCopyShopProfile(const CK7QTempDir& dir) {
  namespace fs = std::filesystem;
  const fs::path from = fs::path(K7Q_TEST_DATA_DIR) / "core/data/profiles/shop";
  K7QCopyFixtureFolder(from.string(), dir.Path());
  return dir.File("shop.k7q_pro");
}
