#include "mainwindow/commands.h"

#include <QSet>

#include "common/progress.h"
#include "common/routines.h"
#include "common/userprompts.h"
#include "mainwindow/productlists.h"
#include "storage/dboperate.h"
#include "tables/grid.h"

using namespace Qt::StringLiterals;

namespace lanxi {
namespace {

// Removes the rows whose key (column 0) is one of `ids`, wherever they are now: events ran
// while the database was written, and a sort may have moved them.
void RemoveRowsWithKeys(Grid& grid, const QSet<QString>& ids) {
  const Grid::UpdateBlock block(grid);
  int r = grid.Rows() - 1;
  while (r >= grid.FixedRows()) {
    if (!ids.contains(grid.TextMatrix(r, 0))) {
      --r;
      continue;
    }
    int first = r;
    while (first - 1 >= grid.FixedRows() && ids.contains(grid.TextMatrix(first - 1, 0))) --first;
    grid.RemoveRows(first, r - first + 1);
    r = first - 1;
  }
}

}  // namespace

bool DeleteProducts(Grid& grid, int from, int to) {
  const int f = grid.FixedRows();
  if (grid.Rows() <= f) return false;
  OrderPair(from, to);
  from = std::max(from, f);
  to = std::min(to, grid.Rows() - 1);
  if (from > to) return false;
  if (!Prompts().Ask(u"您确定要删除第"_s + QString::number(from - f + 1) + u'-' +
                     QString::number(to - f + 1) + u"行数据？"_s))
    return false;
  // The keys are taken before the progress window lets events run.
  QList<qint64> ids;
  QSet<QString> keys;
  for (int r = to; r >= from; --r) {
    bool numeric = false;
    const qint64 id = grid.TextView(r, 0).trimmed().toLongLong(&numeric);
    if (!numeric) continue;
    ids << id;
    keys.insert(grid.TextMatrix(r, 0));
  }
  ShowProgress(u"正在删除数据..."_s, (to - from) + 2, 0);
  bool ok = false;
  {
    Connection conn;
    if (OpenConnection(conn, CurDBFile)) {
      Transaction tx(conn);
      Statement figures(conn, u"DELETE FROM PInfo WHERE PID=?"_s);
      Statement product(conn, u"DELETE FROM Product WHERE ID=?"_s);
      ok = tx.isActive() && figures.isValid() && product.isValid();
      for (qsizetype i = 0; i < ids.size() && ok; ++i) {
        figures.reset();
        ok = figures.bind(1, Value(ids[i])) && figures.run();
        StepProgress(1, u"pages"_s);
      }
      for (qsizetype i = 0; i < ids.size() && ok; ++i) {
        product.reset();
        ok = product.bind(1, Value(ids[i])) && product.run();
      }
      figures = Statement();
      product = Statement();
      ok = ok && tx.commit();
    }
  }
  if (!ok) {
    CloseProgress();
    ShowMessage(u"删除记录时出错，数据库和表格中的记录都没有删除！"_s, MessageKind::Warning);
    return false;
  }
  RemoveRowsWithKeys(grid, keys);
  StepProgress(1, u"pages"_s);
  CloseProgress();
  return true;
}

QString ProductAddress(const QString& choice) {
  WorkDBFile = CurDBFile;
  return LookupValue(u"Product"_s, Value(LeadingNumber(choice)), u"ID"_s, u"Url"_s).toString();
}

}  // namespace lanxi
