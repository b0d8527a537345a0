// A downloader killed while it writes never leaves half a row. A worker runs the daily download
// again and again (new figures every run, a new day every second run) and is killed (SIGKILL) at
// a random moment, a hundred times. After every kill the database opens and passes the
// engine's integrity check, every PInfo row holds all four figures of one and the same write,
// and no product has two rows for a day.
#include <gtest/gtest.h>
#include <QFileInfo>
#include <random>

#include "downloaddb.h"
#include "fakefigurebrowser.h"
#include "killedworker.h"
#include "killfigures.h"
#include "programfolder_fixture.h"
#include "storage/keptconnections.h"
#include "storage/settings.h"

using namespace Qt::StringLiterals;
using namespace lanxi;

namespace {

constexpr int kKills = 100;
// A run over the products takes some hundreds of milliseconds.
constexpr int kMaxDelayMicroseconds = 400000;

// What is wrong with the database at `path`, opened as the main program opens it.
QStringList Problems(const QString& path, int* rows) {
  Connection conn;
  if (!conn.open(path)) return {u"the database does not open: "_s + conn.lastError()};
  QStringList problems;
  Statement check(conn, u"PRAGMA integrity_check"_s);
  if (!check.next() || check.value(0).toString() != u"ok"_s) problems << u"integrity"_s;
  Statement s(conn, u"SELECT PID,Dat,Price,PPrice,Sales,Stock FROM PInfo"_s);
  for (*rows = 0; s.next(); ++*rows) {
    const qint64 pid = s.value(0).toInt();
    const int day = int(test::kKillFirstDay.daysTo(s.value(1).toDate()));
    const std::array<double, 4> got{s.value(2).toDouble(), s.value(3).toDouble(),
                                    s.value(4).toDouble(), s.value(5).toDouble()};
    if (got != test::KillFigures(pid, day, 0) && got != test::KillFigures(pid, day, 1))
      problems << u"row of product %1, day %2 is not one write"_s.arg(pid).arg(day);
  }
  Statement twice(conn, u"SELECT PID FROM PInfo GROUP BY PID,Dat HAVING COUNT(*)>1"_s);
  if (twice.next()) problems << u"two rows for a day"_s;
  return problems;
}

}  // namespace

TEST(DownloaderCrash, KilledAtRandomMomentsEveryRowIsWholeAndTheDatabaseOpens) {
  test::TempProgramFolder folder;
  const QString path = folder.file(test::AddEmptyDatabase(folder.path(), u"女装"_s));
  for (int pid = 1; pid <= test::kKillProducts; ++pid)
    ASSERT_EQ(
        test::AddProductRow(path, u"商品"_s + QString::number(pid), test::KillItem(pid), false),
        pid);
  SetParam(QString::fromUtf16(ParamKey::MarketItemHost), u"shop.test"_s);
  SetParam(QString::fromUtf16(ParamKey::DownloadDelay), u"0"_s);
  ReleaseAllDatabases();

  std::mt19937 random(20240101);
  int runs = 0, interrupted = 0, rows = 0;
  for (int kill = 0; kill < kKills; ++kill) {
    QString error;
    const std::optional<QByteArray> said =
        test::KillWorkerAtRandom(QString::fromUtf8(DOWNLOADER_WORKER), {folder.path()}, random,
                                 kMaxDelayMicroseconds, &error);
    ASSERT_TRUE(said) << error.toStdString();
    runs += int(said->count("done\n"));
    // A write under way leaves its journal, which the next open rolls back.
    interrupted += QFileInfo::exists(path + u"-journal"_s) ? 1 : 0;
    const QStringList problems = Problems(path, &rows);
    ASSERT_EQ(problems, QStringList()) << "kill " << kill;
  }
  std::printf("%d kills, %d whole runs, %d writes rolled back, %d rows\n", kKills, runs,
              interrupted, rows);
  // The runs wrote, and the days moved on.
  EXPECT_GT(runs, 0);
  EXPECT_GT(rows, test::kKillProducts);
}
