#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

#include "analysis/chartsurface.h"
#include "analysis/figurescache.h"
#include "tables/grid.h"

// The category comparison of the window Ana_Class: one measure over a date range for every
// value of one category field, across all products of the current database (CurDBFile).
namespace lanxi {

// The measures, in the order of the window's option buttons Op(0) … Op(7).
enum class ClassMeasure {
  ProductCount,        // 产品数量: products per value, whatever the dates
  Sales,               // 销售数量: average daily 30-day sales, a whole number
  SalesAmount,         // 销售金额: average daily 30-day sales × promotional price
  Price,               // 平均定价
  PPrice,              // 平均促销价
  Discount,            // 促销幅度: average and smallest promotional price / list price
  PromotionFrequency,  // 促销频度: share of product-days with a promotion
  SalesGrowth,         // 销量增幅: total sales on the last day minus on the first day
};

// The captions of the option buttons, in that order.
QStringList ClassMeasureCaptions();

// Computes the measure chosen by `option` (the set option button) for every value of the
// category `categoryName` (the text of Cmb: a category display name or "分类k") over the dates
// from … to (either order; the caller's dates stay as they are) into the working table T_STR,
// shows it in `table` sorted by the measure and draws it on `pic`; `dbName` is the current
// database's name, for the title. A category name that stands for no category field leaves the
// table empty.
void CalToTempTable(Grid& table, ChartSurface& pic, QDate from, QDate to,
                    const QString& categoryName, int option, const QString& dbName,
                    StatisticsPath path = StatisticsPath::Cached);

}  // namespace lanxi
