// Storage costs on the benchmark database (1.43 million daily rows):
//   - an access-layer look-up on the current database (its kept handle) beside the bare sqlite3
//     calls doing the same on a handle of their own, both sides interleaved in one loop, and
//     the same look-up on a fresh handle per operation;
//   - a full GROUP BY Dat over PInfo with 1 KB against 4 KB cipher pages, on a fresh handle
//     and on a warm one, and a 20-product trend fresh against warm;
//   - the demo data generator.
// Prints times and ratios measured in this run; asserts nothing.
#include <sqlite3.h>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

#include "benchdata.h"
#include "common/programfolder.h"
#include "demodata.h"
#include "storage/dboperate.h"
#include "storage/schema.h"

using namespace Qt::StringLiterals;
using namespace lanxi;
using bench::BestMs;
using bench::Ms;

namespace {

sqlite3* BareOpen(const QString& path) {
  sqlite3* db = nullptr;
  sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
  const QByteArray& key = DatabaseKey();
  sqlite3_key(db, key.constData(), int(key.size()));
  sqlite3_exec(db, "PRAGMA cipher_page_size=4096; PRAGMA cache_size=-65536", nullptr, nullptr,
               nullptr);
  return db;
}

// The look-up LookupValue does, with nothing but the sqlite3 API.
QString BareLookup(sqlite3* db, const QByteArray& tid) {
  sqlite3_stmt* s = nullptr;
  sqlite3_prepare_v2(db, "SELECT * FROM \"Product\" WHERE \"TID\"=? LIMIT 1", -1, &s, nullptr);
  sqlite3_bind_text(s, 1, tid.constData(), int(tid.size()), SQLITE_TRANSIENT);
  QString name;
  if (sqlite3_step(s) == SQLITE_ROW)
    name = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s, 2)));
  sqlite3_finalize(s);
  return name;
}

// Runs a statement to its end on an open connection.
void RunAll(Connection& conn, const QString& sql, const Params& params = {}) {
  Statement s(conn, sql);
  s.bind(params);
  while (s.next()) {
  }
}

void LookupBenchmark(const bench::BigDatabase& db) {
  CurDBFile = WorkDBFile = db.file;
  QList<QByteArray> tids;
  {
    Cursor c;
    OpenCursor(c, u"SELECT TID FROM Product ORDER BY ID"_s);
    for (; !c.IsEOF(); c.MoveNext()) tids << c.Field(0).toString().toUtf8();
  }
  sqlite3* bare = BareOpen(db.path());
  const int n = 5000;
  double bareNs = 0, layerNs = 0, freshNs = 0;
  int mismatches = 0;
  for (int round = 0; round < 2; ++round) {  // the first round warms both sides
    bareNs = layerNs = freshNs = 0;
    for (int i = 0; i < n; ++i) {
      const QByteArray& tid = tids[(i * 7919) % tids.size()];
      QElapsedTimer t;
      t.start();
      const QString a = BareLookup(bare, tid);
      bareNs += t.nsecsElapsed();
      t.start();
      const QString b =
          LookupValue(u"Product"_s, QString::fromUtf8(tid), u"TID"_s, u"Name"_s).toString();
      layerNs += t.nsecsElapsed();
      if (a != b) ++mismatches;
      if (i % 10 == 0) {  // the way every operation worked before: open, key, look up, close
        t.start();
        Connection own;
        own.open(db.path(), Connection::Mode::Private);
        RunAll(own, u"SELECT * FROM Product WHERE TID=? LIMIT 1"_s, {QString::fromUtf8(tid)});
        own.close();
        freshNs += t.nsecsElapsed();
      }
    }
  }
  sqlite3_close(bare);
  const double bareUs = bareNs / n / 1000, layerUs = layerNs / n / 1000,
               freshUs = freshNs / (n / 10) / 1000;
  std::printf("look-up of a product by TID in the current database (%d runs, interleaved)\n", n);
  std::printf("  bare sqlite3 calls on an open handle   %8.1f us  (baseline)\n", bareUs);
  std::printf("  LookupValue on the kept handle         %8.1f us  ratio %.2f%s\n", layerUs,
              layerUs / bareUs, mismatches ? "  (ANSWERS DIFFER)" : "");
  std::printf("  a fresh handle per operation           %8.1f us  ratio %.2f\n", freshUs,
              freshUs / bareUs);
}

struct FreshWarm {
  double fresh = 0, warm = 0;
  int pageSize = 0;
};

// A statement run to its end on a fresh handle each time (open, key, run, close), and again and
// again on one handle; best of three each.
FreshWarm Measure(const QString& path, const QString& sql, const Params& params = {}) {
  FreshWarm r;
  r.fresh = BestMs(3, [&] {
    Connection conn;
    conn.open(path, Connection::Mode::Private);
    RunAll(conn, sql, params);
  });
  Connection kept;
  kept.open(path, Connection::Mode::Private);
  r.pageSize = kept.pageSize();
  RunAll(kept, sql, params);
  r.warm = BestMs(3, [&] { RunAll(kept, sql, params); });
  return r;
}

void ReadThrough(const QString& path) {
  QFile f(path);  // into the system's file cache, so that both files start alike
  f.open(QIODevice::ReadOnly);
  while (!f.read(1 << 20).isEmpty()) {
  }
}

void PageSizeBenchmark(const bench::BigDatabase& db, const QString& legacy) {
  const QString groupBy =
      u"SELECT Dat, SUM(Sales), AVG(Price), AVG(PPrice) FROM PInfo GROUP BY Dat"_s;
  ReadThrough(legacy);
  ReadThrough(db.path());
  const FreshWarm old = Measure(legacy, groupBy);
  const FreshWarm now = Measure(db.path(), groupBy);
  std::printf("full GROUP BY Dat over PInfo, best of 3      fresh handle    warm handle\n");
  std::printf("  %4d-byte cipher pages (baseline)          %8.1f ms     %8.1f ms\n", old.pageSize,
              old.fresh, old.warm);
  std::printf("  %4d-byte cipher pages                     %8.1f ms     %8.1f ms\n", now.pageSize,
              now.fresh, now.warm);
  std::printf("  ratio                                      %8.2f        %8.2f\n",
              now.fresh / old.fresh, now.warm / old.warm);

  // A trend of 20 products over the last 90 days, as the product charts ask for it.
  QStringList ids;
  for (int i = 0; i < 20; ++i) ids << QString::number(1 + i * 97);
  const QString trend = u"SELECT Dat, SUM(Sales), AVG(PPrice) FROM PInfo WHERE PID IN ("_s +
                        ids.join(u',') + u") AND Dat>=? GROUP BY Dat ORDER BY Dat"_s;
  const FreshWarm t = Measure(db.path(), trend, {Value(db.lastDay.addDays(-89))});
  std::printf(
      "20-product trend, 90 days: fresh handle %.2f ms, warm (kept) handle %.2f ms, "
      "ratio %.2f\n",
      t.fresh, t.warm, t.warm / t.fresh);
}

void GeneratorBenchmark() {
  QTemporaryDir dir;
  if (!WriteTemplates(dir.path())) return;
  demo::Spec spec;
  spec.name = u"基准"_s;
  spec.products = 2000;
  spec.days = 73;
  spec.lastDay = QDate(2026, 12, 1);
  demo::Result result;
  QString error;
  double ms = 0;
  if (!(ms = Ms([&] {
          demo::GenerateCataloguedDatabase(dir.filePath(u"PARA.mdb"_s), spec, &result, &error);
        })) ||
      result.figureRows == 0) {
    std::fprintf(stderr, "generator: %s\n", qPrintable(error));
    return;
  }
  std::printf("generator, %d products x %d days: %lld daily rows in %.2f s, %.0f rows/s\n",
              spec.products, spec.days, static_cast<long long>(result.figureRows), ms / 1000,
              result.figureRows / ms * 1000);
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const std::optional<bench::BigDatabase> found = bench::BigDatabaseOrSay();
  if (!found) return 1;
  const bench::BigDatabase& db = *found;
  const QString legacy = bench::LegacyCopyOrSay(db);
  if (legacy.isEmpty()) return 1;
  SetProgramFolder(db.folder);
  DatabaseKey();  // derived once per process, not part of any operation
  std::printf("benchmark database %s: figures %s … %s\n", qPrintable(db.file),
              qPrintable(db.firstDay.toString(Qt::ISODate)),
              qPrintable(db.lastDay.toString(Qt::ISODate)));
  LookupBenchmark(db);
  PageSizeBenchmark(db, legacy);
  GeneratorBenchmark();
  return 0;
}
