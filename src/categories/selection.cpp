#include "categories/selection.h"

#include <QSet>

#include "common/value.h"
#include "storage/dboperate.h"
#include "tables/gridoperate.h"

using namespace Qt::StringLiterals;

namespace lanxi {

QString CategorySelectionText(const QStringList& texts) {
  QString out;
  for (const QString& t : texts) {
    if (t != QStringView(kAnyValue)) out += t;
    out += u',';
  }
  return out;
}

QStringList ProductChoiceItems() {
  QStringList items;
  Recordset rs;
  if (!CurDBFile.isEmpty() && TableExists(u"Product"_s, CurDBFile) &&
      OpenRecordset(rs, u"SELECT ID,Name FROM Product ORDER BY Name"_s, {}, CurDBFile)) {
    for (; !rs.IsEOF(); rs.MoveNext())
      items << rs.Field(0).toString() + u':' + rs.Field(1).toString();
  }
  items << QString::fromUtf16(kAllProducts);
  return items;
}

void DescribeProductChooser(Grid& grid) {
  SetupGridColumns(
      grid,
      {u"ID"_s, QString(), QString(), u"Name"_s, u"Shop"_s, u"Owner"_s, u"Region"_s, u"TMall"_s},
      {u"ID"_s, u"序号"_s, u"选择"_s, u"产品名称"_s, u"所属店铺"_s, u"所属店主"_s, u"所在地区"_s,
       u"商城"_s});
  grid.SetTag(u"Product"_s);
}

void TickProducts(Grid& grid, const QString& ids) {
  QSet<qint64> wanted;
  for (const QString& part : ids.split(u',', Qt::SkipEmptyParts)) {
    bool ok = false;
    const qint64 id = part.trimmed().toLongLong(&ok);
    if (ok) wanted.insert(id);
  }
  if (wanted.isEmpty()) return;
  const Grid::UpdateBlock block(grid);
  for (int r = grid.FixedRows(); r < grid.Rows(); ++r) {
    bool ok = false;
    const qint64 id = grid.TextView(r, 0).trimmed().toLongLong(&ok);
    if (ok && wanted.contains(id)) grid.SetTextMatrix(r, kChooserCheckCol, BoolMark(true));
  }
}

ProductChoice TickedProducts(const Grid& grid) {
  QStringList ids, names;
  for (int r = grid.FixedRows(); r < grid.Rows(); ++r) {
    if (grid.TextView(r, kChooserCheckCol).isEmpty()) continue;
    ids << grid.TextMatrix(r, 0);
    names << grid.TextMatrix(r, 3);
  }
  return {ids.join(u','), names.join(u"\r\n"_s)};
}

}  // namespace lanxi
