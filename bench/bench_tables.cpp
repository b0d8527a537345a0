// The daily-figures list of all products over two years on the benchmark database (1.43 million
// rows, more than the grid's 31,816-row limit), filled the way the program fills it: the list
// statement of the 销售数据 tab through FillGrid with the progress window attached. Beside it
// the baseline: a bare COUNT(*) of the same statement plus a bare read of the first 31,816 rows
// with their values in their stored types. Each side runs in a fresh process (its first run
// there, then warm), so that peak memory is its own. Then fitting, sorting, painting and
// exporting the filled grid. Prints times, ratios and peak memory; asserts nothing.
#include <sqlite3.h>
#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>
#include <QMap>
#include <QProcess>
#include <QScrollBar>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

#include "benchdata.h"
#include "common/programfolder.h"
#include "common/userprompts.h"
#include "mainwindow/productlists.h"
#include "mainwindow/ui/indicator.h"
#include "storage/dboperate.h"
#include "tables/gridoperate.h"
#include "tables/tableexport.h"
#include "tables/ui/gridview.h"

using namespace Qt::StringLiterals;
using namespace lanxi;
using bench::BestMs;
using bench::Ms;

namespace {

constexpr int kWarmRuns = 3;

// The statement the daily list runs for all products between two days.
QByteArray DailyStatement() {
  return (ProductInfoSql() + u" AND PInfo.Dat>=? AND PInfo.Dat<=?"_s).toUtf8();
}

void Report(const char* key, double value) {
  std::printf("%s %.3f\n", key, value);
  std::fflush(stdout);
}

volatile qint64 g_sink;  // keeps the values read from being optimised away

void BindDays(sqlite3_stmt* s, const QByteArray& from, const QByteArray& to) {
  sqlite3_bind_text(s, 1, from.constData(), int(from.size()), SQLITE_TRANSIENT);
  sqlite3_bind_text(s, 2, to.constData(), int(to.size()), SQLITE_TRANSIENT);
}

// The baseline, with nothing but the sqlite3 API: the count of the statement, then the first
// `limit` rows with each value read in its stored type.
qint64 BareCountAndRead(sqlite3* db, const QByteArray& from, const QByteArray& to, int limit,
                        int* read) {
  const QByteArray sql = DailyStatement();
  sqlite3_stmt* s = nullptr;
  sqlite3_prepare_v2(db, "SELECT COUNT(*) FROM (" + sql + ")", -1, &s, nullptr);
  BindDays(s, from, to);
  const qint64 total = sqlite3_step(s) == SQLITE_ROW ? sqlite3_column_int64(s, 0) : -1;
  sqlite3_finalize(s);
  sqlite3_prepare_v2(db, sql.constData(), -1, &s, nullptr);
  BindDays(s, from, to);
  const int n = sqlite3_column_count(s);
  qint64 sink = 0;
  *read = 0;
  while (*read < limit && sqlite3_step(s) == SQLITE_ROW) {
    ++*read;
    for (int i = 0; i < n; ++i) {
      switch (sqlite3_column_type(s, i)) {
        case SQLITE_INTEGER:
          sink += sqlite3_column_int64(s, i);
          break;
        case SQLITE_FLOAT:
          sink += qint64(sqlite3_column_double(s, i));
          break;
        case SQLITE_TEXT:
          sink += QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s, i)),
                                    sqlite3_column_bytes(s, i))
                      .size();
          break;
        default:
          break;
      }
    }
  }
  sqlite3_finalize(s);
  g_sink = sink;
  return total;
}

int BareChild(const QString& path, const QString& from, const QString& to) {
  const int limit = GridRowLimit(11);
  sqlite3* db = nullptr;
  int read = 0;
  qint64 total = 0;
  const double first = Ms([&] {
    sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
    const QByteArray& key = DatabaseKey();
    sqlite3_key(db, key.constData(), int(key.size()));
    sqlite3_exec(db, "PRAGMA cipher_page_size=4096; PRAGMA cache_size=-65536", nullptr, nullptr,
                 nullptr);
    total = BareCountAndRead(db, from.toUtf8(), to.toUtf8(), limit, &read);
  });
  Report("first_peak_mb", bench::PeakMemoryMB());
  const double warm =
      BestMs(kWarmRuns, [&] { BareCountAndRead(db, from.toUtf8(), to.toUtf8(), limit, &read); });
  sqlite3_close(db);
  Report("total", double(total));
  Report("read", read);
  Report("first_ms", first);
  Report("warm_ms", warm);
  Report("peak_mb", bench::PeakMemoryMB());
  return 0;
}

int FillChild(int argc, char** argv, const QString& folder, const QString& file, QDate from,
              QDate to) {
  QApplication app(argc, argv);
  SetProgramFolder(folder);
  bench::QuietPrompts prompts;
  SetPrompts(&prompts);
  DatabaseKey();        // derived once per process, as at start-up
  Indicator indicator;  // the progress window, shown by the fill
  CurDBFile = WorkDBFile = file;
  Grid grid;
  grid.SetWidth(15000);
  const QString all = u"所有产品"_s;
  const double first = Ms([&] { LoadProductInfoMSF(grid, all, from, to); });
  Report("first_peak_mb", bench::PeakMemoryMB());
  const double warm = BestMs(kWarmRuns, [&] { LoadProductInfoMSF(grid, all, from, to); });
  Report("rows", grid.Rows() - grid.FixedRows());
  Report("cols", grid.Cols());
  Report("first_ms", first);
  Report("warm_ms", warm);
  Report("peak_mb", bench::PeakMemoryMB());

  // What the user does with the filled grid next.
  Report("fit_ms", BestMs(kWarmRuns, [&] { AutoFitColumns(grid, 1); }));
  Report("sort_numeric_ms", BestMs(kWarmRuns, [&] { SortByColumn(grid, 9); }));
  Report("sort_text_ms", BestMs(kWarmRuns, [&] { SortByColumn(grid, 5); }));
  {
    GridView view;
    view.setGrid(&grid);
    view.resize(1000, 700);
    Report("sort_shown_ms", BestMs(kWarmRuns, [&] { SortByColumn(grid, 9); }));
    QImage frame(view.viewport()->size(), QImage::Format_ARGB32_Premultiplied);
    const int frames = 300;
    const double paint = Ms([&] {
      for (int i = 0; i < frames; ++i) {
        view.verticalScrollBar()->setValue(i * (view.verticalScrollBar()->maximum() / frames));
        view.viewport()->render(&frame);
      }
    });
    Report("paint_ms", paint / frames);
    view.setGrid(nullptr);
  }
  QTemporaryDir out;
  const QString csv = out.filePath(u"bench.csv"_s), xlsx = out.filePath(u"bench.xlsx"_s);
  Report("csv_ms", BestMs(2, [&] { ExportCSV(grid, csv, prompts); }));
  Report("csv_bytes", double(QFileInfo(csv).size()));
  Report("xlsx_ms",
         BestMs(2, [&] { ExportExcel(grid, xlsx, u"淘宝产品销售数据分析"_s, prompts); }));
  Report("xlsx_bytes", double(QFileInfo(xlsx).size()));
  SetPrompts(nullptr);
  return 0;
}

// Runs this program as a child and collects its "key value" lines.
QMap<QString, double> RunChild(const QStringList& args) {
  QProcess p;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  if (!env.contains(u"QT_QPA_PLATFORM"_s)) env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
  p.setProcessEnvironment(env);
  p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  p.start(QCoreApplication::applicationFilePath(), args);
  p.waitForFinished(-1);
  QMap<QString, double> values;
  for (const QByteArray& line : p.readAllStandardOutput().split('\n')) {
    const QList<QByteArray> kv = line.split(' ');
    if (kv.size() == 2) values[QString::fromLatin1(kv[0])] = kv[1].toDouble();
  }
  return values;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 6 && qstrcmp(argv[1], "--bare") == 0)
    return BareChild(QString::fromLocal8Bit(argv[2]) + u'/' + QString::fromLocal8Bit(argv[3]),
                     QString::fromLatin1(argv[4]), QString::fromLatin1(argv[5]));
  if (argc == 6 && qstrcmp(argv[1], "--fill") == 0)
    return FillChild(argc, argv, QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]),
                     QDate::fromString(QString::fromLatin1(argv[4]), Qt::ISODate),
                     QDate::fromString(QString::fromLatin1(argv[5]), Qt::ISODate));

  QCoreApplication app(argc, argv);
  const std::optional<bench::BigDatabase> found = bench::BigDatabaseOrSay();
  if (!found) return 1;
  const bench::BigDatabase& db = *found;
  const QStringList where = {db.folder, db.file, db.firstDay.toString(Qt::ISODate),
                             db.lastDay.toString(Qt::ISODate)};
  const QMap<QString, double> bare = RunChild(QStringList{u"--bare"_s} + where);
  const QMap<QString, double> fill = RunChild(QStringList{u"--fill"_s} + where);
  if (!bare.contains(u"warm_ms"_s) || !fill.contains(u"xlsx_ms"_s)) {
    std::fprintf(stderr, "a benchmark process failed\n");
    return 1;
  }
  auto b = [&](const char* k) { return bare.value(QString::fromLatin1(k)); };
  auto f = [&](const char* k) { return fill.value(QString::fromLatin1(k)); };

  std::printf(
      "daily list, all products %s … %s: %.0f records, grid limit %.0f rows x %.0f columns\n",
      qPrintable(db.firstDay.toString(Qt::ISODate)), qPrintable(db.lastDay.toString(Qt::ISODate)),
      b("total"), b("read"), f("cols"));
  std::printf("                                         first in a process   warm (best of %d)\n",
              kWarmRuns);
  std::printf(
      "  baseline: bare COUNT(*) + first rows       %8.1f ms        %8.1f ms   peak %5.0f MB\n",
      b("first_ms"), b("warm_ms"), b("peak_mb"));
  std::printf(
      "  list fill (FillGrid, progress window)      %8.1f ms        %8.1f ms   peak %5.0f MB\n",
      f("first_ms"), f("warm_ms"), f("peak_mb"));
  std::printf(
      "  ratio to the baseline                      %8.2f           %8.2f      (aim <= 2, < 1 s, < "
      "150 MB)\n",
      f("first_ms") / b("first_ms"), f("warm_ms") / b("warm_ms"));
  std::printf("  grid rows filled %.0f; peak after the first fill %.0f MB (baseline %.0f MB)\n",
              f("rows"), f("first_peak_mb"), b("first_peak_mb"));
  const double rows = f("rows");
  std::printf("AutoFitColumns                              %8.1f ms\n", f("fit_ms"));
  std::printf("SortByColumn numeric (销量)                  %8.1f ms   %8.0f rows/s\n",
              f("sort_numeric_ms"), rows / f("sort_numeric_ms") * 1000);
  std::printf("SortByColumn text (产品名称)                 %8.1f ms   %8.0f rows/s\n",
              f("sort_text_ms"), rows / f("sort_text_ms") * 1000);
  std::printf("SortByColumn numeric, grid in a view         %8.1f ms\n", f("sort_shown_ms"));
  std::printf("GridView scroll + paint 1000x700 px          %8.2f ms per frame\n", f("paint_ms"));
  std::printf("ExportCSV                                   %8.1f ms   %8.0f rows/s  (%.0f bytes)\n",
              f("csv_ms"), rows / f("csv_ms") * 1000, f("csv_bytes"));
  std::printf("ExportExcel                                 %8.1f ms   %8.0f rows/s  (%.0f bytes)\n",
              f("xlsx_ms"), rows / f("xlsx_ms") * 1000, f("xlsx_bytes"));
  return 0;
}
