#include "K7QBld.h"

#include <QApplication>
#include <QMainWindow>

int CK7QBldApp::Run(int argc, char** argv) {
  QApplication app(argc, argv);
  QMainWindow w;
  w.show();
  return app.exec();
}
