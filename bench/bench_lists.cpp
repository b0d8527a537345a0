// The product list with 2,000 products: loading it into the main window (command "刷新列表")
// and opening a category cell's drop-down, each against the bare sqlite3 query that reads the
// same rows, measured in the same run. Prints times and ratios; asserts nothing.
#include <sqlite3.h>
#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

#include "benchdata.h"
#include "common/programfolder.h"
#include "common/userprompts.h"
#include "demodata.h"
#include "mainwindow/productlists.h"
#include "mainwindow/ui/mf.h"
#include "mainwindow/ui/productlisteditor.h"
#include "storage/dboperate.h"
#include "storage/schema.h"
#include "tables/grid.h"

using namespace Qt::StringLiterals;
using namespace lanxi;

namespace {

constexpr int kProducts = 2000;
constexpr int kRuns = 7;

// Steps through every row of `sql`, reading each column's text: open, key, query, close.
int BareRows(const QByteArray& path, const char* sql) {
  sqlite3* db = nullptr;
  sqlite3_open_v2(path.constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
  const QByteArray& key = DatabaseKey();
  sqlite3_key(db, key.constData(), int(key.size()));
  sqlite3_stmt* s = nullptr;
  sqlite3_prepare_v2(db, sql, -1, &s, nullptr);
  int rows = 0;
  while (sqlite3_step(s) == SQLITE_ROW) {
    ++rows;
    for (int i = 0; i < sqlite3_column_count(s); ++i) sqlite3_column_text(s, i);
  }
  sqlite3_finalize(s);
  sqlite3_close(db);
  return rows;
}

void Line(const char* what, double ms, double base, const char* aim) {
  std::printf("%-44s %8.2f ms   ratio %6.2f   (aim %s)\n", what, ms, ms / base, aim);
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QTemporaryDir dir;
  SetProgramFolder(dir.path());
  if (!WriteTemplates(dir.path())) return 1;
  demo::Spec spec;
  spec.name = u"两千"_s;
  spec.products = kProducts;
  spec.days = 3;
  demo::Result db;
  QString error;
  const QString catalog = dir.filePath(u"PARA.mdb"_s);
  if (!demo::GenerateCataloguedDatabase(catalog, spec, &db, &error) ||
      !demo::SetDefaultDatabase(catalog, spec.name)) {
    std::fprintf(stderr, "%s\n", qPrintable(error));
    return 1;
  }
  const QByteArray path = dir.filePath(db.fileName).toUtf8();

  MF window;  // opens the database as the program does at start
  window.show();
  QApplication::processEvents();
  auto* list = window.findChild<QWidget*>(u"MSF_0"_s);
  Grid grid;
  grid.SetWidth(list->width() * Grid::kTwipsPerPixel);

  const char* products = "SELECT * FROM Product ORDER BY ID DESC";
  const char* values = "SELECT C0 FROM Product GROUP BY C0 ORDER BY C0";
  BareRows(path, products);  // warm the file cache
  const double bareProducts = bench::BestMs(kRuns, [&] { BareRows(path, products); });
  const double bareValues = bench::BestMs(kRuns, [&] { BareRows(path, values); });
  const double load = bench::BestMs(kRuns, [&] { LoadProductMSF(grid); });
  const double refresh = bench::BestMs(kRuns, [&] {
    window.Com_Click(2);
    QApplication::processEvents();  // the list repaints
  });
  ProductListEditor& editor = *window.Editor();
  const double dropDown = bench::BestMs(kRuns, [&] {
    editor.DispCMB(2, 9);
    editor.HideClassComb(false);
  });

  std::printf("%d products, %d grid rows x %d columns, %d distinct values of 分类1\n", kProducts,
              grid.Rows() - grid.FixedRows(), grid.Cols(), BareRows(path, values));
  std::printf("%-44s %8.2f ms\n", "bare query, every product", bareProducts);
  std::printf("%-44s %8.2f ms\n", "bare query, distinct 分类1 values", bareValues);
  Line("LoadProductMSF (fill, fit, names)", load, bareProducts, "< 300 ms");
  Line("refresh command 2 in the window (+ choices)", refresh, bareProducts, "< 300 ms");
  Line("category drop-down DispCMB + HideClassComb", dropDown, bareValues, "< 50 ms");
  return 0;
}
