#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSettings>
#include <QThread>
#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "K7QBldDoc.h"
#include "K7QBldFormView.h"
#include "K7QBldHTMLBlock.h"
#include "K7QBldMainFrm.h"
#include "K7QBldPageDialog.h"
#include "K7QBldPageEditing.h"
#include "K7QGuiFixture.h"

// Names of the files in `folder`, sorted.
inline std::vector<std::string> K7QFilesIn(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(folder))
    names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// The page editor's App Paths entry; a null value removes it.
inline void K7QSetPageEditor(const QString& value) {
  QSettings appPaths(QSettings::IniFormat, QSettings::UserScope, "Halvard", "AppPaths");
  appPaths.remove("qz71");
  if (!value.isNull()) appPaths.setValue("qz71/default", value);
}

// A builder window on a copy of the shop profile, with file dialogs answered by the test.
class DocumentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    QSettings(QSettings::IniFormat, QSettings::UserScope, "Halvard", "K7QBld").clear();
    m_profile = K7QCopyShopProfile(m_dir);
    MakeFrame();
    ASSERT_TRUE(m_frame->Document().OpenProfile(QString::fromStdString(m_profile)));
  }
  void TearDown() override { K7QSetPageEditor(QString()); }

  // A new builder window without a profile, in place of the one there was.
  void MakeFrame() {
    m_frame.reset();
    m_frame = std::make_unique<CMainFrame>(m_f.context);
    m_frame->Document().SetFileChooser([this](CK7QBldDoc::FileDialog kind, const QString& start) {
      m_asked.push_back(kind);
      m_starts.push_back(start);
      if (!m_answers.empty()) {
        const QString answer = m_answers.front();
        m_answers.erase(m_answers.begin());
        return answer;
      }
      return m_answer;
    });
  }

  CK7QBldDoc& Doc() { return m_frame->Document(); }
  CK7QBldMacro& Macro() { return m_frame->Macro(); }
  std::string Page(const std::string& title, int side) {
    return CK7QBldHTMLBlock::PageName(m_dir.Path(), title, side);
  }
  QString Path(const std::string& name) { return QString::fromStdString(m_dir.File(name)); }
  // Saves the macro as it stands under `name` in the profile folder.
  void SaveAs(const std::string& name) {
    m_answer = Path(name);
    ASSERT_TRUE(Doc().OnFileSaveAs());
  }
  // A macro whose report page is the sample page with its loops, saved as
  // `name` and opened again; returns the saved bytes.
  std::string SaveLoopMacro(const std::string& name) {
    const std::string page = Page(CK7QBldDocCore::TitleOf(name), kHtmlReport);
    std::filesystem::copy_file(
        std::filesystem::path(K7Q_SOURCE_DIR) / "data/tovra/samples/shop_report.htm", page,
        std::filesystem::copy_options::overwrite_existing);
    Macro().Report().Set({}, page);
    EXPECT_TRUE(K7QConvertAfterEditing(Macro(), page));
    SaveAs(name);
    m_answer = Path(name);
    Doc().OnFileOpen();
    EXPECT_EQ(Doc().Path(), Path(name));
    return K7QReadFile(m_dir.File(name));
  }

  // A stand-in program: a script that runs `body` with its arguments as $1, $2 ...
  QString Script(const std::string& name, const std::string& body) {
    const std::string path = m_dir.File(name);
    K7QWriteFile(path, "#!/bin/sh\n" + body + "\n");
    ::chmod(path.c_str(), 0755);
    return QString::fromStdString(path);
  }
  void WaitForEditor() {
    QElapsedTimer clock;
    clock.start();
    while (m_frame->PageEditorRunning() && clock.elapsed() < 10000) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
      QThread::msleep(20);
      m_frame->PollEditors();
    }
    ASSERT_FALSE(m_frame->PageEditorRunning());
  }
  CK7QBldPageDialog* ReportPage() {
    m_frame->FormView().SelectItem(4);
    return qobject_cast<CK7QBldPageDialog*>(m_frame->FormView().CurrentPanel());
  }

  CK7QGuiFixture m_f;
  CK7QTempDir m_dir;
  std::string m_profile;
  std::unique_ptr<CMainFrame> m_frame;
  std::vector<CK7QBldDoc::FileDialog> m_asked;
  std::vector<QString> m_starts;
  // File dialogs answer these in turn, then m_answer.
  std::vector<QString> m_answers;
  QString m_answer;
};
