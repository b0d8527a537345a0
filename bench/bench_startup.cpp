// Start-up of the program on a demo database, from process start to the main window's first
// paint, against a bare Qt window measured the same way in the same run.
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "demodata.h"
#include "storage/schema.h"

using namespace Qt::StringLiterals;

namespace {

// Median milliseconds from start to the "first-paint" line.
double TimeToFirstPaint(const QString& program, const QProcessEnvironment& env, int runs) {
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    QProcess p;
    p.setProcessEnvironment(env);
    QElapsedTimer t;
    t.start();
    p.start(program, {});
    if (!p.waitForStarted(10000)) return -1;
    bool painted = false;
    while (!painted && p.waitForReadyRead(20000)) painted = p.readAll().contains("first-paint");
    const double ms = t.nsecsElapsed() / 1e6;
    p.waitForFinished(10000);
    if (!painted) return -1;
    times.push_back(ms);
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const QString dir = QCoreApplication::applicationDirPath();
  QTemporaryDir home;
  for (const char16_t* f : {lanxi::kCatalogFile, lanxi::kTemplateFile}) {
    const QString name = QString::fromUtf16(f);
    if (!QFile::copy(dir + u"/../"_s + name, home.filePath(name))) {
      std::fprintf(stderr, "the templates are not built beside the program\n");
      return 1;
    }
  }
  lanxi::demo::Spec spec;  // the run command's demo database: 60 products, 180 days
  if (!lanxi::demo::GenerateCataloguedDatabase(home.filePath(u"PARA.mdb"_s), spec, nullptr) ||
      !lanxi::demo::SetDefaultDatabase(home.filePath(u"PARA.mdb"_s), spec.name))
    return 1;

  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(u"LANXI_HOME"_s, home.path());
  env.insert(u"LANXI_STARTUP_PROBE"_s, u"1"_s);
  if (!env.contains(u"DISPLAY"_s)) env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
  const int runs = 7;
  const double bare = TimeToFirstPaint(dir + u"/bare_window"_s, env, runs);
  const double lanxi = TimeToFirstPaint(dir + u"/../lanxi"_s, env, runs);
  if (bare < 0 || lanxi < 0) {
    std::fprintf(stderr, "a program did not report its first paint\n");
    return 1;
  }
  std::printf("start-up to first paint, demo database (median of %d runs)\n", runs);
  std::printf("  bare Qt window    %8.1f ms  (baseline)\n", bare);
  std::printf("  lanxi             %8.1f ms  ratio %.2f (target under 1000 ms)\n", lanxi,
              lanxi / bare);
  return 0;
}
