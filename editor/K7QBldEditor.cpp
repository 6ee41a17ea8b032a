#include "K7QBldEditor.h"

#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>

#include "K7QBldFindDialog.h"

CK7QBldEditorApp::CK7QBldEditorApp() = default;
CK7QBldEditorApp::~CK7QBldEditorApp() = default;

SK7QEditCommandLine CK7QBldEditorApp::ParseCommandLine(const QStringList& arguments) {
  SK7QEditCommandLine result;
  bool titleMode = false;
  for (const QString& argument : arguments) {
    // Only "-" marks a flag here: "/" begins every absolute path, and the
    // builder passes the macro as one.
    if (argument.size() > 1 && argument.startsWith(QLatin1Char('-'))) {
      titleMode = argument.mid(1) == QLatin1String("t");
      continue;
    }
    if (titleMode) result.title = argument;
    if (result.fileName.isEmpty()) result.fileName = argument;
  }
  return result;
}

bool CK7QBldEditorApp::InitInstance(const QStringList& arguments, K7QEditPrompt prompt) {
  const SK7QEditCommandLine commandLine = ParseCommandLine(arguments);
  m_frame = std::make_unique<CMainFrame>(commandLine.title, std::move(prompt));
  if (!commandLine.fileName.isEmpty() && !m_frame->OpenDocumentFile(commandLine.fileName)) {
    m_frame.reset();
    return false;
  }
  return true;
}

namespace {
// Writes the frame, its two menus and the find dialog as PNGs, then quits.
void TakeScreenshots(CMainFrame* frame, const QString& folder, const QString& suffix) {
  auto save = [&](QWidget* widget, const QString& name) {
    widget->grab().save(QDir(folder).filePath(QStringLiteral("%1-%2.png").arg(name, suffix)));
  };
  save(frame, QStringLiteral("K7QBldEditor"));
  const QList<QAction*> menus = frame->menuBar()->actions();
  for (int i = 0; i < menus.size(); ++i) {
    QMenu* menu = menus[i]->menu();
    menu->popup(frame->mapToGlobal(QPoint(0, 0)));
    save(menu, QStringLiteral("K7QBldEditor-menu%1").arg(i + 1));
    menu->hide();
  }
  frame->Action(QStringLiteral("32773"))->trigger();
  save(frame->FindDialog(), QStringLiteral("K7QBldEditor-replace"));
}
}  // namespace

int CK7QBldEditorApp::Run(int argc, char** argv) {
  QApplication application(argc, argv);
  QApplication::setOrganizationName(QStringLiteral("Halvard"));
  QApplication::setApplicationName(QStringLiteral("K7QBldEditor"));

  QStringList arguments = QApplication::arguments().mid(1);
  QString screenshotFolder;
  QString screenshotSuffix;
  if (arguments.size() >= 3 && arguments[0] == QLatin1String("--screenshots")) {
    screenshotFolder = arguments[1];
    screenshotSuffix = arguments[2];
    arguments = arguments.mid(3);
  }

  CK7QBldEditorApp app;
  if (!app.InitInstance(arguments)) return 1;
  CMainFrame* frame = app.MainFrame();
  frame->show();
  if (!screenshotFolder.isEmpty()) {
    QTimer::singleShot(0, frame, [&] {
      TakeScreenshots(frame, screenshotFolder, screenshotSuffix);
      QApplication::quit();
    });
  }
  return application.exec();
}
