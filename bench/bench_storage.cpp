// Access-layer cost per operation against the bare sqlite3 calls doing the same work, and the
// speed of the demo data generator. Prints ratios measured in this run; asserts nothing.
#include <sqlite3.h>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>

#include "common/programfolder.h"
#include "demodata.h"
#include "storage/dboperate.h"
#include "storage/schema.h"

using namespace Qt::StringLiterals;
using namespace lanxi;

namespace {

template <typename F>
double MicrosPerOp(int n, F&& op) {
  QElapsedTimer t;
  t.start();
  for (int i = 0; i < n; ++i) op(i);
  return t.nsecsElapsed() / 1000.0 / n;
}

// open, key, one indexed look-up, close: with nothing but the sqlite3 API.
QString BareLookup(const QByteArray& path, const QByteArray& tid) {
  sqlite3* db = nullptr;
  sqlite3_open_v2(path.constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
  const QByteArray& key = DatabaseKey();
  sqlite3_key(db, key.constData(), int(key.size()));
  sqlite3_stmt* s = nullptr;
  sqlite3_prepare_v2(db, "SELECT * FROM Product WHERE TID=? LIMIT 1", -1, &s, nullptr);
  sqlite3_bind_text(s, 1, tid.constData(), int(tid.size()), SQLITE_TRANSIENT);
  QString name;
  if (sqlite3_step(s) == SQLITE_ROW)
    name = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s, 2)));
  sqlite3_finalize(s);
  sqlite3_close(db);
  return name;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QTemporaryDir dir;
  SetProgramFolder(dir.path());
  const QString catalog = dir.filePath(u"PARA.mdb"_s);
  if (!WriteTemplates(dir.path())) return 1;
  DatabaseKey();  // derived once per process, not part of any operation

  // A realistic database to look products up in.
  demo::Spec small;
  small.name = u"查找"_s;
  small.products = 500;
  small.days = 60;
  small.lastDay = QDate(2026, 12, 1);
  demo::Result db;
  QString error;
  if (!demo::GenerateCataloguedDatabase(catalog, small, &db, &error)) {
    std::fprintf(stderr, "%s\n", error.toLocal8Bit().constData());
    return 1;
  }
  QStringList tids;
  {
    Recordset rs;
    OpenRecordset(rs, u"SELECT TID FROM Product"_s, {}, db.fileName);
    for (; !rs.IsEOF(); rs.MoveNext()) tids << rs.Field(0).toString();
  }
  const QByteArray path = dir.filePath(db.fileName).toUtf8();
  const int n = 2000;
  MicrosPerOp(200, [&](int i) { BareLookup(path, tids[i % tids.size()].toUtf8()); });  // warm
  const double bare =
      MicrosPerOp(n, [&](int i) { BareLookup(path, tids[i % tids.size()].toUtf8()); });
  const double lookup = MicrosPerOp(n, [&](int i) {
    LookupValue(u"Product"_s, tids[i % tids.size()], u"TID"_s, u"Name"_s, db.fileName);
  });
  const double recordset = MicrosPerOp(n, [&](int i) {
    Recordset rs;
    OpenRecordset(rs, u"SELECT * FROM Product WHERE TID=?"_s, {tids[i % tids.size()]}, db.fileName);
    CloseRecordset(rs);
  });
  std::printf("access layer, open + key + indexed look-up + close (%d runs each)\n", n);
  std::printf("  bare sqlite3 calls      %8.1f us  (baseline)\n", bare);
  std::printf("  LookupValue             %8.1f us  ratio %.2f\n", lookup, lookup / bare);
  std::printf("  OpenRecordset + Close   %8.1f us  ratio %.2f\n", recordset, recordset / bare);

  // The generator at benchmark size: 2,000 products over 730 days.
  demo::Spec big;
  big.name = u"基准"_s;
  big.products = 2000;
  big.days = 730;
  big.lastDay = QDate(2026, 12, 1);
  QElapsedTimer t;
  t.start();
  demo::Result result;
  if (!demo::GenerateCataloguedDatabase(catalog, big, &result, &error)) {
    std::fprintf(stderr, "%s\n", error.toLocal8Bit().constData());
    return 1;
  }
  const double seconds = t.nsecsElapsed() / 1e9;
  std::printf("generator, %d products x %d days\n", big.products, big.days);
  std::printf("  %lld daily rows in %.2f s: %.0f rows/s (limit 60 s)\n",
              static_cast<long long>(result.figureRows), seconds, result.figureRows / seconds);
  return 0;
}
