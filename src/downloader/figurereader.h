#pragma once

#include <QString>
#include <QStringView>
#include <array>
#include <optional>

#include "downloader/figurerules.h"

// Reading the four daily figures from an item page's document: first the page's structured
// data (JSON-LD offers, price meta tags and microdata), then the marker rules for whatever is
// still missing. A figure that cannot be read stays empty; it is never taken as 0.
namespace lanxi {

// Where a figure came from.
enum class FigureSource { None, Structured, Rule, OtherPrice };

// The figures read from one page. Prices are in yuan, counts whole numbers.
struct PageFigures {
  std::array<std::optional<double>, kFigures> values;
  std::array<FigureSource, kFigures> sources{};

  const std::optional<double>& operator[](Figure f) const { return values[int(f)]; }
  void Set(Figure f, double value, FigureSource source) {
    values[int(f)] = value;
    sources[int(f)] = source;
  }
  bool Has(Figure f) const { return values[int(f)].has_value(); }
  int Count() const;
  bool Any() const { return Count() > 0; }
};

// The number a piece of page text shows: full-width digits and signs are read as ASCII ones,
// thousands separators and currency signs are ignored, "万" multiplies by ten thousand, and
// of a range ("99.00-129.00", "99 ~ 129") the lower end counts. nullopt when there is no
// number.
std::optional<double> ParseFigureNumber(QStringView text);

// Applies one rule to a document; nullopt when it finds no number. Rules that cannot be used
// (RuleProblem) find nothing.
std::optional<double> ApplyRule(const FigureRule& rule, const QString& html);

// The figures the page's structured data gives: the offer price (what the buyer pays) as the
// promotional price, a list or strike-through price as the list price, and the offered
// inventory as stock.
PageFigures ReadStructuredFigures(const QString& html);

// Reads a page of the given kind: structured data first (when `structured`), then each
// figure's rules in order. A figure must be plausible to count: prices above 0, counts from 0
// to 2^31 − 1. Afterwards a missing promotional price is the list price (no promotion), and a
// missing list price is the structured offer price when that is the only price the page gives.
PageFigures ReadFigures(const QString& html, PageKind kind, const FigureRules& rules,
                        bool structured);

// "原价 129.00，促销价 99.00，销量 1234，库存 5678"; a figure not read shows as "—".
QString DescribeFigures(const PageFigures& figures);

}  // namespace lanxi
