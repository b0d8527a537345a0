#include "mainwindow/productlists.h"

#include <QFileInfo>

#include "categories/categorynames.h"
#include "storage/dboperate.h"
#include "tables/gridoperate.h"

using namespace Qt::StringLiterals;

namespace lanxi {

void LoadProductMSF(Grid& grid) {
  QStringList fields = {u"ID"_s,   u"WID"_s,   u"Url"_s,    u"Pic"_s,  QString(),
                        u"Name"_s, u"Owner"_s, u"Region"_s, u"TMall"_s};
  QStringList titles = {u"ID"_s,       u"WID"_s,      u"Url"_s,      u"Pic"_s, u"序号"_s,
                        u"产品名称"_s, u"所属店主"_s, u"所在地区"_s, u"商城"_s};
  for (int i = 0; i < kCategoryCount; ++i) {
    fields << u"C"_s + QString::number(i);
    titles << InternalCategoryCaption(i);
  }
  fields << u"CName"_s;
  titles << u"产品全称"_s;
  SetupGridColumns(grid, fields, titles);
  grid.SetTag(u"Product"_s);
  if (CurDBFile.isEmpty()) return;
  ApplyCategoryNames(&grid);
  WorkDBFile = CurDBFile;
  grid.SetFixedCols(5);
  FillGrid(grid, {}, u"ID DESC"_s, true);
  for (int c = grid.FixedCols(); c < grid.Cols(); ++c) {
    if (grid.TextMatrix(0, c) == u"TMall"_s) {
      grid.SetColAlignment(c, 4);
      break;
    }
  }
}

void DescribeProductInfoGrid(Grid& grid) {
  SetupGridColumns(grid,
                   {u"ID"_s, u"PID"_s, u"Url"_s, u"Pic"_s, QString(), u"Name"_s, u"Dat"_s,
                    u"Price"_s, u"PPrice"_s, u"Sales"_s, u"Stock"_s},
                   {u"ID"_s, u"PID"_s, u"Url"_s, u"Pic"_s, u"序号"_s, u"产品名称"_s, u"日期"_s,
                    u"原价"_s, u"促销价"_s, u"销量"_s, u"库存量"_s});
  grid.SetTag(u"PInfo"_s);
  grid.SetFixedCols(5);
}

QString ProductInfoSql() {
  return u"SELECT PInfo.*,Product.Name as Name,Product.Url as Url,Product.Pic as Pic FROM "
         "PInfo,Product WHERE PInfo.PID=Product.ID"_s;
}

void LoadProductInfoMSF(Grid& grid, const QString& productChoice, QDate from, QDate to) {
  const qint64 pid = LeadingNumber(productChoice);
  QString sql = ProductInfoSql();
  Params params;
  if (pid >= 1) {
    sql += u" AND PInfo.PID=?"_s;
    params << Value(pid);
  }
  sql += u" AND PInfo.Dat>=? AND PInfo.Dat<=?"_s;
  params << Value(from) << Value(to);
  DescribeProductInfoGrid(grid);
  if (CurDBFile.isEmpty()) return;
  WorkDBFile = CurDBFile;
  FillGrid(grid, {}, {}, true, sql, params);
}

PictureState ClassifyPicture(const QString& pic) {
  if (pic.startsWith(u"http://"_s, Qt::CaseInsensitive) ||
      pic.startsWith(u"https://"_s, Qt::CaseInsensitive))
    return PictureState::Address;
  return !pic.isEmpty() && QFileInfo(pic).isFile() ? PictureState::File : PictureState::Missing;
}

qint64 LeadingNumber(const QString& text) {
  const QString t = text.trimmed();
  qsizetype end = 0;
  while (end < t.size() && t[end].isDigit() && t[end].unicode() < 128) ++end;
  return end == 0 ? 0 : t.left(std::min<qsizetype>(end, 18)).toLongLong();
}

}  // namespace lanxi
