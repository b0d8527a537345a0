#pragma once

#include <QDate>
#include <QString>

#include "analysis/chartsurface.h"
#include "analysis/figurescache.h"
#include "tables/grid.h"

// The trend charts of the four chart pages, one routine per "分析" button: they make a working
// table "T_…" in the current database (CurDBFile), show it in the page's table and draw it on
// the page's picture, the title in the table's Tag.
//
// Every routine takes the page's table and picture and the two dates of its pickers; the dates
// are put in order, in the caller's variables too (hand over copies to leave the pickers alone).
// The chosen variant is the index of the page's option button that is set. Nothing is reported:
// a statement that fails leaves its working table missing and the table and chart empty.
namespace lanxi {

// The category trends (buttons 21, 25, 29, 33) over every product matching the page's category
// selection (`categories`: ten fields each followed by ",", Clas(k)); `dbName` is the current
// database's name (CurDBName), for the title.

// Daily total sales with the average list and promotional prices (T_PriceSalesByPro).
void CategorySalesPriceTrend(Grid& table, ChartSurface& pic, QDate& from, QDate& to,
                             const QString& categories, const QString& dbName,
                             StatisticsPath path = StatisticsPath::Cached);
// Daily average price (T_PriceByPro): 0 "标准定价", 1 "促销价", 2 "折扣幅度" (the discount on the
// ten-point scale).
void CategoryPriceTrend(Grid& table, ChartSurface& pic, QDate& from, QDate& to,
                        const QString& categories, int option, const QString& dbName,
                        StatisticsPath path = StatisticsPath::Cached);
// Daily total sales (T_SalesByPro): 0 "销售量", otherwise "销售额" (at the promotional price).
void CategorySalesTrend(Grid& table, ChartSurface& pic, QDate& from, QDate& to,
                        const QString& categories, int option, const QString& dbName,
                        StatisticsPath path = StatisticsPath::Cached);
// Daily total stock (T_StockByPro): 0 "库存量", otherwise "库存额".
void CategoryStockTrend(Grid& table, ChartSurface& pic, QDate& from, QDate& to,
                        const QString& categories, int option, const QString& dbName,
                        StatisticsPath path = StatisticsPath::Cached);

// The product trends (buttons 23, 27, 31, 35).

// One product's daily sales, list and promotional price, or their sums and averages over all
// products (T_PriceSalesByPro). `product` is the text of the product list CPro(0): "ID:name",
// or "所有产品".
void ProductSalesPriceTrend(Grid& table, ChartSurface& pic, QDate& from, QDate& to,
                            const QString& product, StatisticsPath path = StatisticsPath::Cached);
// One line per chosen product, one row per day: `productIds` are the products' IDs joined by
// "," (the Tag of Pro(k)), `productNames` their names joined by CR LF (its text), in the same
// order. A product chosen twice has two columns.
// Price (T_PriceByPro): 0 "标准定价", 1 "促销价", 2 "折扣幅度".
void ProductPriceTrend(Grid& table, ChartSurface& pic, QDate& from, QDate& to,
                       const QString& productIds, const QString& productNames, int option,
                       StatisticsPath path = StatisticsPath::Cached);
// Sales (T_SalesByPro): 0 "销售量", otherwise "销售额".
void ProductSalesTrend(Grid& table, ChartSurface& pic, QDate& from, QDate& to,
                       const QString& productIds, const QString& productNames, int option,
                       StatisticsPath path = StatisticsPath::Cached);
// Stock (T_StockByPro): 0 "库存量", otherwise "库存额".
void ProductStockTrend(Grid& table, ChartSurface& pic, QDate& from, QDate& to,
                       const QString& productIds, const QString& productNames, int option,
                       StatisticsPath path = StatisticsPath::Cached);

}  // namespace lanxi
