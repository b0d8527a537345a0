// 采数器, the daily downloader: reads today's figures of every tracked product from its item
// page and writes them into PInfo of the tracking databases.
//
//   采数器                     every catalogued database, in its window
//   采数器 名称|文件名          that database only (how the main program starts it)
//   采数器 --headless [名称|文件名]   without a window, one line per product on the standard
//                              output; exit status 0 when every product was read, 1 when some
//                              were not, 2 when nothing could be done
#include <QApplication>
#include <QLockFile>
#include <QLoggingCategory>
#include <QMessageBox>
#include <QTimer>
#include <atomic>
#include <csignal>
#include <cstdio>

#include "capture/ui/webbrowser.h"
#include "common/programfolder.h"
#include "common/userprompts.h"
#include "downloader/dailyrun.h"
#include "downloader/runlog.h"
#include "downloader/ui/cjq.h"
#include "downloader/ui/enginefigurebrowser.h"
#include "mainwindow/ui/application.h"
#include "mainwindow/ui/dialogprompts.h"

using namespace Qt::StringLiterals;
using namespace lanxi;

namespace {

std::atomic<bool> g_stopSignal{false};

void OnStopSignal(int) {
  g_stopSignal = true;
}

void Print(std::FILE* stream, const QString& line) {
  std::fprintf(stream, "%s\n", line.toUtf8().constData());
  std::fflush(stream);
}

// Remarks the browser engine makes at every start of a run without a display: that its sandbox
// is off (as root) and that there is no graphics card to draw with. They say nothing to whoever
// reads a timer's output, which should hold only what went wrong with the figures.
QtMessageHandler g_engineMessages = nullptr;

void LeaveOutEngineRemarks(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  const QString remark = text.trimmed();
  if (remark == u"Sandboxing disabled by user."_s ||
      remark == u"No suitable graphics backend found"_s)
    return;
  g_engineMessages(type, context, text);
}

// Tells of a command line or a start that cannot be used, in the window's way or the
// terminal's.
int Refuse(bool headless, const QString& text) {
  if (headless) {
    Print(stderr, text);
  } else {
    QMessageBox::warning(nullptr, CJQ::Caption(), text);
  }
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  bool headless = false;
  for (int i = 1; i < argc; ++i) headless = headless || qstrcmp(argv[i], "--headless") == 0;
  // Without a window nothing is drawn on a screen: no display is needed (timers, cron).
  if (headless) qputenv("QT_QPA_PLATFORM", "offscreen");
  // The engine's description of itself at start would end up in every mail of a timer's run.
  QLoggingCategory::setFilterRules(u"qt.webenginecontext.info=false"_s);
  if (headless) g_engineMessages = qInstallMessageHandler(LeaveOutEngineRemarks);
  PrepareWebEngine();
  QApplication app(argc, argv);
  SetUpApplication();

  const DownloadRequest request = ParseDownloaderArguments(app.arguments().mid(1));
  if (request.help) {
    Print(stdout, DownloaderUsage());
    return 0;
  }
  if (!request.error.isEmpty()) return Refuse(headless, request.error + u'\n' + DownloaderUsage());

  DialogPrompts dialogs;
  if (!headless) SetPrompts(&dialogs);

  // One run at a time in a program folder: a timer's run and one started by hand would read
  // every page twice.
  QLockFile lock(ProgramFolder() + u"/.采数器.lock"_s);
  lock.setStaleLockTime(0);
  if (!lock.tryLock(0)) {
    if (lock.error() == QLockFile::LockFailedError)
      return Refuse(headless, u"另一个采数器正在为这个程序文件夹下载数据，请等它结束后再试。"_s);
    return Refuse(headless, u"无法在程序文件夹“"_s + ProgramFolder() +
                                u"”中写入文件，请检查该文件夹是否存在并且可以写入"
                                "（定时运行时请用环境变量 LANXI_HOME 指明程序文件夹）。"_s);
  }

  std::signal(SIGINT, OnStopSignal);
  std::signal(SIGTERM, OnStopSignal);

  RunLog log(ProgramFolder());
  log.Write(u"采数范围："_s + DescribeRequest(request));
  RunReport logReport([&log](const QString& line) { log.Write(line); });

  EngineFigureBrowser browser;
  DailyRun run(browser, LoadDownloadSettings());
  run.AddObserver(&logReport);
  // A stop asked for by a signal (Ctrl+C, systemctl stop, the session ending) ends the run after
  // the product being read, as the window's stop button does, and then the program: the window
  // closes once the run has stopped.
  CJQ* shown = nullptr;
  QTimer stopPoll;
  QObject::connect(&stopPoll, &QTimer::timeout, &stopPoll, [&run, &shown] {
    if (!g_stopSignal) return;
    run.RequestStop();
    if (shown) shown->close();
  });
  stopPoll.start(200);

  int status = 2;
  if (headless) {
    RunReport console([](const QString& line) { Print(stdout, line); });
    run.AddObserver(&console);
    status = run.Run(request).ExitStatus();
  } else {
    CJQ window(run, browser, log.path());
    window.show();
    shown = &window;
    QTimer::singleShot(0, &window, [&window, &request] { window.Start(request); });
    app.exec();
    shown = nullptr;
    status = window.Summary().ExitStatus();
  }
  SetPrompts(nullptr);
  return status;
}
