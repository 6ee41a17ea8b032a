#include "plaunch.h"

#include <QApplication>
#include <QDir>
#include <QStringList>
#include <QTimer>

#include "AboutDlg.h"
#include "plaunchDlg.h"

int CPlaunchApp::Run(int argc, char** argv) {
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("plaunch"));
  QApplication::setOrganizationName(QStringLiteral("Halvard"));

  CPlaunchDlg dialog;
  const QStringList arguments = QApplication::arguments();
  if (arguments.size() >= 4 && arguments[1] == QLatin1String("--screenshots")) {
    // Writes dialog 102 and the About box as PNGs instead of running.
    const QDir folder(arguments[2]);
    const QString suffix = arguments[3];
    dialog.show();
    QTimer::singleShot(0, &dialog, [&dialog, folder, suffix] {
      dialog.grab().save(folder.filePath(QStringLiteral("plaunch-%1.png").arg(suffix)));
      CAboutDlg about(&dialog);
      about.show();
      about.grab().save(folder.filePath(QStringLiteral("plaunch-about-%1.png").arg(suffix)));
      dialog.reject();
    });
  }
  dialog.exec();
  return 0;
}
