#pragma once

#include <QString>

#include "analysis/figuremath.h"
#include "analysis/figurescache.h"
#include "common/value.h"

// The per-row values the statistics aggregate, once as SQL over PInfo and once over the figures
// cache (figuremath.h rules), so that both ways compute the same thing from the same text.
namespace lanxi {

enum class FigureExpr {
  Sales,        // Sales
  Stock,        // Stock
  Price,        // Price
  PPrice,       // PPrice
  SalesAmount,  // Sales*PPrice
  StockAmount,  // Stock*PPrice
  Discount,     // PPrice/Price*10: the discount on the ten-point scale
  Ratio,        // PPrice/Price
  Markdown,     // Price-PPrice
};

// The expression over the columns of PInfo, each column name preceded by `prefix` ("p.").
inline QString FigureSql(FigureExpr e, const QString& prefix = {}) {
  const QString sales = prefix + QStringLiteral("Sales"), stock = prefix + QStringLiteral("Stock"),
                price = prefix + QStringLiteral("Price"),
                pprice = prefix + QStringLiteral("PPrice");
  switch (e) {
    case FigureExpr::Sales:
      return sales;
    case FigureExpr::Stock:
      return stock;
    case FigureExpr::Price:
      return price;
    case FigureExpr::PPrice:
      return pprice;
    case FigureExpr::SalesAmount:
      return sales + u'*' + pprice;
    case FigureExpr::StockAmount:
      return stock + u'*' + pprice;
    case FigureExpr::Discount:
      return pprice + u'/' + price + QStringLiteral("*10");
    case FigureExpr::Ratio:
      return u'(' + pprice + u'/' + price + u')';
    case FigureExpr::Markdown:
      return u'(' + price + u'-' + pprice + u')';
  }
  return {};
}

// Whether the expression is a count (a 32-bit integer) rather than a floating-point number.
inline bool IsCount(FigureExpr e) {
  return e == FigureExpr::Sales || e == FigureExpr::Stock;
}

// The count of a row (figmath::kNullCount for NULL); only for counts.
inline qint32 CountAt(const Figures& f, FigureExpr e, quint32 row) {
  return e == FigureExpr::Sales ? f.sales[row] : f.stock[row];
}

// The floating-point value of a row (NaN for NULL); for counts their value as a double.
inline double RealAt(const Figures& f, FigureExpr e, quint32 row) {
  using namespace figmath;
  switch (e) {
    case FigureExpr::Sales:
      return FromCount(f.sales[row]);
    case FigureExpr::Stock:
      return FromCount(f.stock[row]);
    case FigureExpr::Price:
      return f.price[row];
    case FigureExpr::PPrice:
      return f.pprice[row];
    case FigureExpr::SalesAmount:
      return FromCount(f.sales[row]) * f.pprice[row];
    case FigureExpr::StockAmount:
      return FromCount(f.stock[row]) * f.pprice[row];
    case FigureExpr::Discount:
      return Divide(f.pprice[row], f.price[row]) * 10.0;
    case FigureExpr::Ratio:
      return Divide(f.pprice[row], f.price[row]);
    case FigureExpr::Markdown:
      return f.price[row] - f.pprice[row];
  }
  return kNull;
}

// The row's value as the database stores it: an integer for a count, else a double.
inline Value ValueAt(const Figures& f, FigureExpr e, quint32 row) {
  if (IsCount(e)) {
    const qint32 v = CountAt(f, e, row);
    return v == figmath::kNullCount ? Value() : Value(qint64(v));
  }
  const double v = RealAt(f, e, row);
  return figmath::IsNull(v) ? Value() : Value(v);
}

// Adds the row's value to a SUM or AVG.
inline void AddTo(figmath::Sum& sum, const Figures& f, FigureExpr e, quint32 row) {
  if (IsCount(e)) {
    sum.AddCount(CountAt(f, e, row));
  } else {
    sum.AddReal(RealAt(f, e, row));
  }
}

}  // namespace lanxi
