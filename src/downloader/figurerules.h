#pragma once

#include <QString>
#include <QStringList>
#include <array>
#include <vector>

#include "capture/itemurl.h"

// How the downloader reads the four daily figures from an item page: rules kept as data in the
// settings store (table 参数 of PARA.mdb), so that they can follow the marketplace when it
// changes its pages, and the downloader's other settings.
namespace lanxi {

// The two layouts of item pages.
enum class PageKind { Market, Mall };
inline constexpr int kPageKinds = 2;

// The four figures of a PInfo row, in the order of its columns.
enum class Figure { Price, PPrice, Sales, Stock };
inline constexpr int kFigures = 4;

// "淘宝" / "商城", and the figures' captions "原价", "促销价", "销量", "库存".
QString PageKindName(PageKind kind);
QString FigureName(Figure figure);

// One way of finding a figure on a page. With `key` set: the number the page's embedded data
// gives that name ("key": 12.5, "key":"12.5", also inside a script's string with escaped
// quotes). Otherwise: the text between `before` and the next `after` (the next
// kPieceWithoutAfter characters when `after` is empty), tags removed, searched with `pattern`
// (any number when empty). The first occurrence of `before` whose piece gives a number counts.
struct FigureRule {
  QString key;
  QString before;
  QString after;
  QString pattern;

  bool isKeyRule() const { return !key.isEmpty(); }
  bool operator==(const FigureRule&) const = default;
};
using FigureRuleList = std::vector<FigureRule>;

inline constexpr int kPieceWithoutAfter = 200;

// The rules of every page kind and figure.
struct FigureRules {
  std::array<std::array<FigureRuleList, kFigures>, kPageKinds> lists;

  FigureRuleList& of(PageKind kind, Figure figure) { return lists[int(kind)][int(figure)]; }
  const FigureRuleList& of(PageKind kind, Figure figure) const {
    return lists[int(kind)][int(figure)];
  }
  bool operator==(const FigureRules&) const = default;

  // The rules the program ships with.
  static FigureRules Defaults();
};

// The settings key of a list of rules.
QString RulesKey(PageKind kind, Figure figure);

// A list of rules as the settings store keeps it (a JSON array) and back. Parsing answers false,
// leaving `out` empty and saying why in `error`, for text that is not such an array, a rule
// with neither key nor before marker, or a pattern that is not a valid regular expression.
QString RulesToText(const FigureRuleList& rules);
bool RulesFromText(const QString& text, FigureRuleList* out, QString* error = nullptr);
// Why a rule cannot be used; empty when it can.
QString RuleProblem(const FigureRule& rule);

// The largest pause between pages and the longest wait for a page the settings may hold.
inline constexpr double kMaxDelaySeconds = 3600;
inline constexpr int kMaxWaitSeconds = 600;

// The downloader's settings.
struct DownloadSettings {
  double delaySeconds = 3;   // pause between two pages (drawn between half and 1.5 times it)
  int waitSeconds = 30;      // longest load of one page
  bool structured = true;    // read JSON-LD offers and price meta tags before the rules
  QStringList loginMarkers;  // texts in the address of the marketplace's log-in page
  CapturePlaces places = CapturePlaces::Defaults();  // the item pages' hosts
  FigureRules rules;
  // Keys whose stored text could not be used (the defaults stand in for them), with the reason.
  QStringList problems;
};

// Reads the settings from PARA.mdb of the program folder; what is absent, empty or unusable
// takes its default (and a catalogue that cannot be read is noted in `problems`).
DownloadSettings LoadDownloadSettings();
// Stores the settings (a list of rules equal to the default is stored as the empty text, so
// that it follows the defaults of later versions). False when PARA.mdb cannot be written.
bool SaveDownloadSettings(const DownloadSettings& settings);

}  // namespace lanxi
