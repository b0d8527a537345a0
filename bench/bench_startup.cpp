// Start-up of the program on the benchmark database (2,000 products, the product list and
// today's figures filled at start), from process start to the main window's first paint,
// against a bare Qt window measured the same way in the same run: on Qt's offscreen platform,
// and on an X server under xvfb-run when that is installed. Prints medians and ratios; asserts
// nothing.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "benchdata.h"

using namespace Qt::StringLiterals;

namespace {

constexpr int kRuns = 7;

// Median milliseconds from start to the "first-paint" line.
double TimeToFirstPaint(const QString& program, const QProcessEnvironment& env) {
  std::vector<double> times;
  for (int i = 0; i < kRuns; ++i) {
    QProcess p;
    p.setProcessEnvironment(env);
    QElapsedTimer t;
    t.start();
    p.start(program, {});
    if (!p.waitForStarted(10000)) return -1;
    bool painted = false;
    while (!painted && p.waitForReadyRead(30000)) painted = p.readAll().contains("first-paint");
    const double ms = t.nsecsElapsed() / 1e6;
    p.waitForFinished(10000);
    if (!painted) return -1;
    times.push_back(ms);
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

// Both programs on one platform: the bare window, then the program on the database.
int Measure(const QString& folder, const QString& platform, const char* label) {
  const QString dir = QCoreApplication::applicationDirPath();
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(u"LANXI_HOME"_s, folder);
  env.insert(u"LANXI_STARTUP_PROBE"_s, u"1"_s);
  env.insert(u"QT_QPA_PLATFORM"_s, platform);
  const double bare = TimeToFirstPaint(dir + u"/bare_window"_s, env);
  const double lanxi = TimeToFirstPaint(dir + u"/../lanxi"_s, env);
  if (bare < 0 || lanxi < 0) {
    std::fprintf(stderr, "%s: a program did not report its first paint\n", label);
    return 1;
  }
  std::printf("  %-28s bare Qt window %7.1f ms   lanxi %7.1f ms   ratio %5.2f  (aim < 500 ms)\n",
              label, bare, lanxi, lanxi / bare);
  std::fflush(stdout);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (argc == 3 && qstrcmp(argv[1], "--x11") == 0)  // started again under xvfb-run
    return Measure(QString::fromLocal8Bit(argv[2]), u"xcb"_s, "X server (xvfb-run)");

  const std::optional<lanxi::bench::BigDatabase> found = lanxi::bench::BigDatabaseOrSay();
  if (!found) return 1;
  const lanxi::bench::BigDatabase& db = *found;
  std::printf(
      "start-up to first paint on the benchmark database (%s, 2000 products, figures to %s), "
      "median of %d runs\n",
      qPrintable(db.file), qPrintable(db.lastDay.toString(Qt::ISODate)), kRuns);
  std::fflush(stdout);
  int rc = Measure(db.folder, u"offscreen"_s, "offscreen");
  const QString xvfb = QStandardPaths::findExecutable(u"xvfb-run"_s);
  if (xvfb.isEmpty()) {
    std::printf("  X server: xvfb-run is not installed\n");
    return rc;
  }
  QProcess x;
  x.setProcessChannelMode(QProcess::ForwardedChannels);
  x.start(xvfb, {u"-a"_s, u"-s"_s, u"-screen 0 1600x1000x24"_s,
                 QCoreApplication::applicationFilePath(), u"--x11"_s, db.folder});
  if (!x.waitForFinished(600000) || x.exitCode() != 0) rc = 1;
  return rc;
}
