#include "categories/categoryedit.h"

#include <QHash>

#include "categories/categorynames.h"
#include "common/progress.h"
#include "common/routines.h"
#include "common/userprompts.h"
#include "storage/dboperate.h"
#include "tables/grid.h"

using namespace Qt::StringLiterals;

namespace lanxi {
namespace {

QString UpdateSql(const QString& field) {
  return u"UPDATE Product SET "_s + field + u"=? WHERE ID=?"_s;
}

// One cell of a block to change: where it was and which product it belongs to.
struct BlockCell {
  int row, col;
  QString id;
};

}  // namespace

bool UpdateProductField(qint64 id, const QString& field, const QString& value, Connection* conn) {
  if (CategoryFieldIndex(field) < 0) return false;
  return ExecuteSQL(UpdateSql(field), {value, Value(id)}, conn, CurDBFile);
}

QStringList CategoryValues(const QString& field) {
  if (CategoryFieldIndex(field) < 0) return {};
  QStringList values = DistinctTexts(u"Product"_s, field, CurDBFile);
  values.removeDuplicates();  // a missing value (null) and the empty text look the same
  return values;
}

bool ModifyCategories(Grid& grid, const QString& value) {
  int r1 = grid.Row(), r2 = grid.RowSel(), c1 = grid.Col(), c2 = grid.ColSel();
  OrderPair(r1, r2);
  OrderPair(c1, c2);
  r1 = std::max(r1, grid.FixedRows());
  r2 = std::min(r2, grid.Rows() - 1);
  c2 = std::min(c2, grid.Cols() - 1);
  ShowProgress(u"正在修改分类..."_s, c2 - c1 + 1, 0);
  // The keys are taken before the progress window lets events run.
  QList<BlockCell> cells;
  for (int c = std::max(c1, 0); c <= c2; ++c) {
    if (CategoryFieldIndex(grid.TextView(0, c)) < 0) continue;
    for (int r = r1; r <= r2; ++r) cells.append({r, c, grid.TextMatrix(r, 0)});
  }
  bool ok = true;
  if (!cells.isEmpty()) {
    Connection conn;
    ok = OpenConnection(conn, CurDBFile);
    if (ok) {
      Transaction tx(conn);
      ok = tx.isActive();
      int done = 0;
      for (int c = std::max(c1, 0); c <= c2 && ok; ++c) {
        const QString field = grid.TextMatrix(0, c);
        for (; done < cells.size() && cells[done].col == c && ok; ++done) {
          bool numeric = false;
          const qint64 id = cells[done].id.trimmed().toLongLong(&numeric);
          if (numeric) ok = conn.exec(UpdateSql(field), {value, Value(id)});
        }
        StepProgress(1, u"pages"_s);
      }
      ok = ok && tx.commit();
    }
  } else {
    StepProgress(c2 - c1 + 1, u"pages"_s);
  }
  if (!ok) {
    CloseProgress();
    ShowMessage(u"修改分类时出错，数据库中的分类没有修改！"_s, MessageKind::Warning);
    return false;
  }
  // The rows may have moved meanwhile (a sort): a cell whose row no longer holds its product
  // is found by the product's key.
  QHash<QString, int> rowOf;
  for (const BlockCell& cell : cells) {
    int row = cell.row;
    if (row >= grid.Rows() || grid.TextView(row, 0) != cell.id) {
      if (rowOf.isEmpty()) {
        for (int r = grid.FixedRows(); r < grid.Rows(); ++r) rowOf.insert(grid.TextMatrix(r, 0), r);
      }
      row = rowOf.value(cell.id, -1);
    }
    if (row >= 0 && cell.col < grid.Cols()) grid.SetTextMatrix(row, cell.col, value);
  }
  CloseProgress();
  return true;
}

QString LikeLiteral(const QString& text) {
  QString out;
  out.reserve(text.size() + 4);
  for (QChar ch : text) {
    if (ch == u'\\' || ch == u'%' || ch == u'_') out += u'\\';
    out += ch;
  }
  return out;
}

int AutoCategorise(int index, const QString& namePart, const QString& value) {
  if (index < 0 || index >= kCategoryCount) return -1;
  const QString field = u"C"_s + QString::number(index);
  Connection conn;
  if (!OpenConnection(conn, CurDBFile)) return -1;
  if (!conn.exec(u"UPDATE Product SET "_s + field + u"=? WHERE ("_s + field + u"='' OR "_s + field +
                     u" IS NULL) AND CName LIKE ? ESCAPE '\\'"_s,
                 {value, u'%' + LikeLiteral(namePart) + u'%'}))
    return -1;
  return conn.changes();
}

}  // namespace lanxi
