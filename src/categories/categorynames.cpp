#include "categories/categorynames.h"

#include "storage/catalogue.h"
#include "storage/dboperate.h"
#include "tables/grid.h"

using namespace Qt::StringLiterals;

namespace lanxi {
namespace {

// The sort mark a title may end with (SortByColumn), or the empty text.
QString SortMark(const QString& title) {
  if (title.endsWith(u'△') || title.endsWith(u'▽')) return title.right(1);
  return {};
}

}  // namespace

QString InternalCategoryCaption(int index) {
  return u"分类"_s + QString::number(index + 1);
}

int CategoryFieldIndex(QStringView field) {
  if (field.size() != 2 || field[0] != u'C' || field[1] < u'0' || field[1] > u'9') return -1;
  return field[1].unicode() - u'0';
}

QList<CategoryName> ReadCategoryNames() {
  QList<CategoryName> names;
  if (CurDBFile.isEmpty() || !TableExists(u"Para"_s, CurDBFile)) return names;
  Recordset rs;
  if (!OpenRecordset(rs, u"SELECT Name,Con FROM Para WHERE CID=1"_s, {}, CurDBFile)) return names;
  for (; !rs.IsEOF(); rs.MoveNext()) names.append({rs.Field(0).toString(), rs.Field(1).toString()});
  return names;
}

void ApplyCategoryNames(Grid* grid, QStringList* items, QString* text,
                        const QList<CategoryName>& names) {
  const bool titled = grid && grid->Rows() > 1;
  for (const CategoryName& n : names) {
    if (titled) {
      for (int c = grid->FixedCols(); c < grid->Cols(); ++c) {
        if (grid->TextView(1, c) == n.name) {
          grid->SetTextMatrix(1, c, n.con);
          break;
        }
      }
    }
    if (items) {
      if (text && *text == n.name) *text = n.con;
      const qsizetype at = items->indexOf(n.name);
      if (at >= 0) (*items)[at] = n.con;
    }
  }
}

void ApplyCategoryNames(Grid* grid, QStringList* items, QString* text) {
  ApplyCategoryNames(grid, items, text, ReadCategoryNames());
}

void RefreshCategoryCaptions(Grid* grid, QStringList* items, QString* text) {
  QList<std::pair<int, QString>> marks;
  if (grid && grid->Rows() > 1) {
    for (int c = grid->FixedCols(); c < grid->Cols(); ++c) {
      const int index = CategoryFieldIndex(grid->TextView(0, c));
      if (index < 0) continue;
      const QString mark = SortMark(grid->TextMatrix(1, c));
      if (!mark.isEmpty()) marks.append({c, mark});
      grid->SetTextMatrix(1, c, InternalCategoryCaption(index));
    }
  }
  if (items) {
    int current = -1;
    for (int i = 0; i < std::min<int>(kCategoryCount, int(items->size())); ++i) {
      if (current < 0 && text && *text == items->at(i)) current = i;
      (*items)[i] = InternalCategoryCaption(i);
    }
    if (current >= 0) *text = InternalCategoryCaption(current);
  }
  ApplyCategoryNames(grid, items, text);
  for (const auto& [c, mark] : marks) grid->SetTextMatrix(1, c, grid->TextMatrix(1, c) + mark);
}

QStringList DisplayCategoryNames() {
  QStringList shown;
  for (int i = 0; i < kCategoryCount; ++i) shown << InternalCategoryCaption(i);
  for (const CategoryName& n : ReadCategoryNames()) {
    for (int i = 0; i < kCategoryCount; ++i) {
      if (InternalCategoryCaption(i) == n.name) shown[i] = n.con;
    }
  }
  return shown;
}

bool SaveCategoryNames(const QStringList& displayNames) {
  EnsureParaTable();
  Connection conn;
  if (!OpenConnection(conn, CurDBFile)) return false;
  Transaction tx(conn);
  bool ok = tx.isActive() && conn.exec(u"DELETE FROM Para WHERE CID=1"_s);
  for (int i = 0; i < std::min<int>(kCategoryCount, int(displayNames.size())) && ok; ++i) {
    const QString internal = InternalCategoryCaption(i);
    if (displayNames[i] == internal) continue;
    ok = conn.exec(u"INSERT INTO Para(CID,Name,Con) VALUES(1,?,?)"_s, {internal, displayNames[i]});
  }
  return ok && tx.commit();
}

}  // namespace lanxi
