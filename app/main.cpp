#include <QApplication>
#include <QMessageBox>

#include "capture/ui/webbrowser.h"
#include "common/programfolder.h"
#include "common/userprompts.h"
#include "mainwindow/ui/application.h"
#include "mainwindow/ui/dialogprompts.h"
#include "mainwindow/ui/mf.h"
#include "mainwindow/ui/startupprobe.h"
#include "storage/catalogue.h"
#include "storage/schema.h"
#include "storage/templates.h"

using namespace Qt::StringLiterals;

int main(int argc, char** argv) {
  // The embedded browser's engine is set up before the application exists.
  lanxi::PrepareWebEngine();
  QApplication app(argc, argv);
  lanxi::SetUpApplication();

  lanxi::DialogPrompts prompts;
  lanxi::SetPrompts(&prompts);

  QStringList missing, supplied;
  if (!lanxi::EnsureTemplates(&missing, &supplied)) {
    QMessageBox::critical(nullptr, lanxi::PromptTitle(),
                          u"程序文件夹“"_s + lanxi::ProgramFolder() + u"”缺少数据库模板文件 "_s +
                              missing.join(u"、"_s) + u"，程序无法运行。请重新安装本软件。"_s);
    return 2;
  }
  // A new catalogue in a folder that already holds tracking databases: the list was lost.
  if (supplied.contains(QString::fromUtf16(lanxi::kCatalogFile))) lanxi::NoticeLostCatalogue();

  lanxi::MF window;
  // Start-up measurement (bench/): report the first paint of the main window and end.
  if (qEnvironmentVariableIsSet("LANXI_STARTUP_PROBE")) lanxi::ExitAfterFirstPaint(&window);
  window.show();
  const int rc = app.exec();
  lanxi::SetPrompts(nullptr);
  return rc;
}
