// Table costs at the row limit: filling and fitting a grid of 31,817 selected records × 11
// columns against the bare sqlite3 query reading the same rows, then sorting and exporting
// that grid. Prints times and ratios measured in this run; asserts nothing.
#include <sqlite3.h>
#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QScrollBar>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

#include "common/programfolder.h"
#include "common/progress.h"
#include "common/userprompts.h"
#include "demodata.h"
#include "mainwindow/productlists.h"
#include "storage/dboperate.h"
#include "storage/schema.h"
#include "tables/gridoperate.h"
#include "tables/tableexport.h"
#include "tables/ui/gridview.h"

using namespace Qt::StringLiterals;
using namespace lanxi;

namespace {

constexpr int kSelected = 31817;
constexpr int kRuns = 5;

// Answers nothing and shows nothing: the limit message of the fill lands here.
class QuietPrompts final : public UserPrompts {
 public:
  void Message(const QString&, MessageKind) override {}
  bool Ask(const QString&) override { return false; }
  std::optional<QString> Input(const QString&, const QString&) override { return {}; }
  QString SaveFileName(const FileDialogSpec&) override { return {}; }
  QString OpenFileName(const FileDialogSpec&) override { return {}; }
};

// The daily-figures statement over all products.
QString DailyStatement() {
  return ProductInfoSql() + u" ORDER BY PInfo.ID LIMIT "_s + QString::number(kSelected);
}

// Open, key, prepare, step through every row reading each column's text, close.
qint64 BareQuery(const QByteArray& path, const QByteArray& sql, int* rows) {
  sqlite3* db = nullptr;
  sqlite3_open_v2(path.constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
  const QByteArray& key = DatabaseKey();
  sqlite3_key(db, key.constData(), int(key.size()));
  sqlite3_exec(db, "PRAGMA cache_size=-65536", nullptr, nullptr, nullptr);
  sqlite3_stmt* s = nullptr;
  sqlite3_prepare_v2(db, sql.constData(), -1, &s, nullptr);
  qint64 bytes = 0;
  *rows = 0;
  const int n = sqlite3_column_count(s);
  while (sqlite3_step(s) == SQLITE_ROW) {
    ++*rows;
    for (int i = 0; i < n; ++i) {
      sqlite3_column_text(s, i);
      bytes += sqlite3_column_bytes(s, i);
    }
  }
  sqlite3_finalize(s);
  sqlite3_close(db);
  return bytes;
}

template <typename F>
double BestMs(int runs, F&& f) {
  double best = 1e300;
  for (int i = 0; i < runs; ++i) {
    QElapsedTimer t;
    t.start();
    f();
    best = std::min(best, t.nsecsElapsed() / 1e6);
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QTemporaryDir dir;
  SetProgramFolder(dir.path());
  const QString catalog = dir.filePath(u"PARA.mdb"_s);
  if (!WriteTemplates(dir.path())) return 1;
  DatabaseKey();
  QuietPrompts prompts;
  SetPrompts(&prompts);

  demo::Spec shape;
  shape.name = u"表格"_s;
  shape.products = 200;
  shape.days = 170;
  shape.lastDay = QDate(2026, 12, 1);
  demo::Result db;
  QString error;
  if (!demo::GenerateCataloguedDatabase(catalog, shape, &db, &error)) {
    std::fprintf(stderr, "%s\n", error.toLocal8Bit().constData());
    return 1;
  }
  CurDBFile = WorkDBFile = db.fileName;
  const QByteArray path = dir.filePath(db.fileName).toUtf8();
  const QByteArray sql = DailyStatement().toUtf8();

  int rows = 0;
  BareQuery(path, sql, &rows);  // warm the file cache
  const double bare = BestMs(kRuns, [&] { BareQuery(path, sql, &rows); });

  Grid grid;
  DescribeProductInfoGrid(grid);
  grid.SetWidth(15000);
  QString result;
  FillGrid(grid, {}, {}, true, DailyStatement());  // warm
  const double fill =
      BestMs(kRuns, [&] { result = FillGrid(grid, {}, {}, true, DailyStatement()); });
  const double fit = BestMs(kRuns, [&] { AutoFitColumns(grid, 1); });

  std::printf("rows selected %d, grid rows %d x %d columns (fill result %s)\n", rows,
              grid.Rows() - 2, grid.Cols(), result.toUtf8().constData());
  std::printf("bare query (sqlite3 step + column_text)   %8.1f ms\n", bare);
  std::printf("FillGrid incl. AutoFitColumns             %8.1f ms   ratio %.2f (aim <= 3, < 1 s)\n",
              fill, fill / bare);
  std::printf("  of which AutoFitColumns alone           %8.1f ms   ratio %.2f\n", fit, fit / bare);

  Recordset rs;
  const double open = BestMs(kRuns, [&] { OpenRecordset(rs, DailyStatement()); });
  CloseRecordset(rs);
  std::printf("  OpenRecordset alone (reads every row)   %8.1f ms   ratio %.2f\n", open,
              open / bare);
  const double steps = BestMs(1, [&] {
    ShowProgress(u"正在读取记录……"_s, grid.Rows());
    for (int r = 0; r < grid.Rows(); ++r) StepProgress();
    CloseProgress();
  });
  std::printf("  (%d single progress steps, not used)   %8.1f ms   ratio %.2f\n", grid.Rows(),
              steps, steps / bare);

  const int data = grid.Rows() - grid.FixedRows();
  const double sortNumeric = BestMs(kRuns, [&] { SortByColumn(grid, 9); });
  const double sortText = BestMs(kRuns, [&] { SortByColumn(grid, 5); });
  std::printf("SortByColumn numeric (销量)                %8.1f ms   %8.0f rows/s\n", sortNumeric,
              data / sortNumeric * 1000);
  std::printf("SortByColumn text (产品名称)               %8.1f ms   %8.0f rows/s\n", sortText,
              data / sortText * 1000);

  // The same grid on screen: sorting tells the view once, painting covers what is in view.
  GridView view;
  view.setGrid(&grid);
  view.resize(1000, 700);
  const double sortShown = BestMs(kRuns, [&] { SortByColumn(grid, 9); });
  std::printf("SortByColumn numeric, grid in a view       %8.1f ms\n", sortShown);
  QImage frame(view.viewport()->size(), QImage::Format_ARGB32_Premultiplied);
  const int frames = 300;
  const double paint = BestMs(1, [&] {
    for (int i = 0; i < frames; ++i) {
      view.verticalScrollBar()->setValue(i * (view.verticalScrollBar()->maximum() / frames));
      view.viewport()->render(&frame);
    }
  });
  std::printf(
      "GridView scroll + paint 1000x700 px        %8.2f ms per frame (%d frames, %d rows)\n",
      paint / frames, frames, grid.Rows());
  view.setGrid(nullptr);

  const QString csv = dir.filePath(u"bench.csv"_s), xlsx = dir.filePath(u"bench.xlsx"_s);
  const double csvMs = BestMs(3, [&] { ExportCSV(grid, csv, prompts); });
  const double xlsxMs =
      BestMs(3, [&] { ExportExcel(grid, xlsx, u"淘宝产品销售数据分析"_s, prompts); });
  std::printf("ExportCSV                                 %8.1f ms   %8.0f rows/s  (%lld bytes)\n",
              csvMs, grid.Rows() / csvMs * 1000, qint64(QFileInfo(csv).size()));
  std::printf("ExportExcel                               %8.1f ms   %8.0f rows/s  (%lld bytes)\n",
              xlsxMs, grid.Rows() / xlsxMs * 1000, qint64(QFileInfo(xlsx).size()));
  SetPrompts(nullptr);
  return 0;
}
