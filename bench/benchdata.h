#pragma once

#include <QDate>
#include <QElapsedTimer>
#include <QString>
#include <algorithm>
#include <functional>
#include <optional>

#include "common/userprompts.h"

// The benchmark database: 2,000 products over 730 days (1.43 million daily rows, seed 7) whose
// figures end today, catalogued as "测试" beside fresh templates and recorded as the default
// database, so that the program starts on it. It is made once a day into
// BUILD/bench-data/big-YYYY-MM-DD and reused; LANXI_BENCH_DATA names a folder to use instead
// (one with PARA.mdb whose default database is such a database).
namespace lanxi::bench {

struct BigDatabase {
  QString folder;  // the program folder: PARA.mdb, data.mdb and the database
  QString file;    // "DB" + stamp + ".mdb"
  QDate firstDay, lastDay;
  QString path() const { return folder + u'/' + file; }
};

// Finds or makes the benchmark database; false with the reason when that fails.
bool FindBigDatabase(BigDatabase* out, QString* error);

// The same database with the old 1 KB cipher pages, made once beside it; empty on failure.
QString LegacyCopy(const BigDatabase& db, QString* error);

// Peak resident memory of this process so far, in MB.
double PeakMemoryMB();

// Milliseconds one call of `f` takes, and the least of `runs` calls.
template <typename F>
double Ms(F&& f) {
  QElapsedTimer t;
  t.start();
  f();
  return t.nsecsElapsed() / 1e6;
}
template <typename F>
double BestMs(int runs, F&& f) {
  double best = 1e300;
  for (int i = 0; i < runs; ++i) best = std::min(best, Ms(f));
  return best;
}

// FindBigDatabase and LegacyCopy for a benchmark's main(): a failure is printed on stderr and
// the result is empty.
std::optional<BigDatabase> BigDatabaseOrSay();
QString LegacyCopyOrSay(const BigDatabase& db);

// The processor time of this thread in milliseconds: unlike the clock on the wall it does not
// count the time other programs on a busy machine take.
double CpuMs();

// The best of some runs, as processor time and as time on the wall.
struct Times {
  double cpu = 1e300;
  double wall = 1e300;
};
Times BestTimes(int runs, const std::function<void()>& f);

// Answers nothing and shows nothing: messages a benchmarked command gives land here.
class QuietPrompts final : public UserPrompts {
 public:
  void Message(const QString&, MessageKind) override {}
  bool Ask(const QString&) override { return false; }
  std::optional<QString> Input(const QString&, const QString&) override { return {}; }
  QString SaveFileName(const FileDialogSpec&) override { return {}; }
  QString OpenFileName(const FileDialogSpec&) override { return {}; }
};

}  // namespace lanxi::bench
