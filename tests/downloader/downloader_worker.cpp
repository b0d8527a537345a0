// downloader_worker FOLDER: runs the daily download over the catalogued databases of the program
// folder FOLDER again and again, on a fake web whose pages show new figures every run, until it
// is killed. Run k writes the figures of day k / 2 (so every day is written, then rewritten), as
// KillFigures(pid, day, k % 2) gives them; k counts the runs every worker in the folder
// completed (kept in FOLDER/runs-done), so the days move on however early a worker is killed.
// It prints "ready" before the first run and "done" after each; the crash test kills it at
// random moments.
#include <QCoreApplication>
#include <QFile>
#include <QSaveFile>
#include <cstdio>

#include "common/programfolder.h"
#include "fakefigurebrowser.h"
#include "killfigures.h"

using namespace Qt::StringLiterals;
using namespace lanxi;

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (argc != 2) return 2;
  SetProgramFolder(QString::fromLocal8Bit(argv[1]));
  SetPollIntervalMs(1);
  test::FakeWeb web;
  test::FakeFigureBrowser browser(&web);
  DatabaseKey();  // derived before the clock of the test starts
  std::printf("ready\n");
  std::fflush(stdout);
  const QString counter = QString::fromLocal8Bit(argv[1]) + u"/runs-done"_s;
  QFile done(counter);
  const int first = done.open(QIODevice::ReadOnly) ? done.readAll().toInt() : 0;
  for (int k = first;; ++k) {
    const int day = k / 2, version = k % 2;
    for (int pid = 1; pid <= test::kKillProducts; ++pid)
      web.Add(test::KillItem(pid), test::KillPage(test::KillFigures(pid, day, version)));
    DailyRun run(browser, LoadDownloadSettings());
    run.today = [day] { return test::kKillFirstDay.addDays(day); };
    run.settleMs = 0;
    run.Run(DownloadRequest{});
    QSaveFile next(counter);  // replaced whole, or not at all, when the worker is killed
    if (next.open(QIODevice::WriteOnly)) {
      next.write(QByteArray::number(k + 1));
      next.commit();
    }
    std::printf("done\n");
    std::fflush(stdout);
  }
}
