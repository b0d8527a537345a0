// The start-up baseline: a bare Qt window with a menu bar, timed to its first paint.
#include <QApplication>
#include <QMainWindow>
#include <QMenuBar>

#include "mainwindow/ui/startupprobe.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QMainWindow window;
  window.menuBar()->addMenu(QStringLiteral("文件"));
  window.resize(1180, 760);
  lanxi::ExitAfterFirstPaint(&window);
  window.show();
  return app.exec();
}
