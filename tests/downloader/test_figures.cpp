// Reading the daily figures from item pages: numbers as pages write them, the default rules on
// the fixture pages of both kinds, structured data, embedded data, and rules kept as text.
#include <gtest/gtest.h>

#include "downloader/figurereader.h"
#include "downloader/figurerules.h"
#include "fixturepages.h"
#include "programfolder_fixture.h"
#include "storage/settings.h"

using namespace Qt::StringLiterals;
using namespace lanxi;

namespace {

struct Expected {
  std::optional<double> price, promo, sales, stock;
};

void ExpectFigures(const PageFigures& f, const Expected& e, const char* page) {
  SCOPED_TRACE(page);
  EXPECT_EQ(f[Figure::Price], e.price);
  EXPECT_EQ(f[Figure::PPrice], e.promo);
  EXPECT_EQ(f[Figure::Sales], e.sales);
  EXPECT_EQ(f[Figure::Stock], e.stock);
}

PageFigures Read(const QString& page, PageKind kind, bool structured = true) {
  return ReadFigures(test::FixtureHtml(page, u"shop.test"_s), kind, FigureRules::Defaults(),
                     structured);
}

FigureRule Marker(const QString& before, const QString& after, const QString& pattern = {}) {
  return {{}, before, after, pattern};
}

}  // namespace

TEST(FigureNumbers, AsPagesWriteThem) {
  const std::pair<QString, std::optional<double>> cases[] = {
      {u"¥99.00"_s, 99.0},
      {u"库存12,345件"_s, 12345.0},
      {u"￥１，２３４．５０"_s, 1234.5},
      {u"99.00-129.00"_s, 99.0},
      {u"¥129.00 ～ ¥99.00"_s, 99.0},  // a range gives its lower end, whichever comes first
      {u"月销 1.2 万+"_s, 12000.0},
      {u"30天内已售出 856 件"_s, 30.0},  // the first number: rules cut the piece
      {u"暂无报价"_s, std::nullopt},
  };
  for (const auto& [text, value] : cases)
    EXPECT_EQ(ParseFigureNumber(text), value) << text.toStdString();
}

TEST(FigureReading, DefaultRulesReadTheFixturePagesOfBothKinds) {
  ExpectFigures(Read(u"item_5001.html"_s, PageKind::Market), {129.0, 99.0, 1234.0, 5678.0},
                "market page with a promotion");
  // No promotion: the promotional price is the list price. Full-width digits, 万, separators.
  const PageFigures mall = Read(u"item_6001.html"_s, PageKind::Mall);
  ExpectFigures(mall, {258.0, 258.0, 23000.0, 12345.0}, "mall page without a promotion");
  EXPECT_EQ(mall.sources[int(Figure::PPrice)], FigureSource::OtherPrice);
  ExpectFigures(Read(u"item_6002.html"_s, PageKind::Mall), {129.0, 99.0, 856.0, 42.0},
                "mall page with price ranges");
  // A page without any figure, and one read with the other kind's rules, give nothing: never 0.
  EXPECT_FALSE(Read(u"item_5003.html"_s, PageKind::Market).Any());
  EXPECT_FALSE(Read(u"item_5001.html"_s, PageKind::Mall).Any());
}

TEST(FigureReading, StructuredDataComesFirstAndTheRulesFillTheRest) {
  // JSON-LD: the offer is what the buyer pays, the ListPrice specification the list price,
  // inventoryLevel the stock; the embedded "sellCount" gives the sales. The meta price (70) and
  // the embedded reservePrice (99) are not needed.
  const PageFigures f = Read(u"item_5002.html"_s, PageKind::Market);
  ExpectFigures(f, {88.0, 66.0, 321.0, 45.0}, "structured");
  EXPECT_EQ(f.sources[int(Figure::Price)], FigureSource::Structured);
  EXPECT_EQ(f.sources[int(Figure::Sales)], FigureSource::Rule);
  // Without structured data the embedded reservePrice is the list price, and nothing says the
  // stock.
  ExpectFigures(Read(u"item_5002.html"_s, PageKind::Market, false), {99.0, 99.0, 321.0, {}},
                "rules only");

  // Only a meta price tag: the one price is both prices.
  const QString meta =
      u"<html><head><meta property=\"og:price:amount\" content=\"45.50\">"
      "<meta property=\"product:price:currency\" content=\"CNY\"></head><body></body></html>"_s;
  ExpectFigures(ReadFigures(meta, PageKind::Market, FigureRules::Defaults(), true),
                {45.5, 45.5, {}, {}}, "meta");
  // An offer in an array of offers in a graph; a broken JSON-LD block is passed over.
  const QString graph =
      u"<script type=\"application/ld+json\">{broken</script><script type=\"application/ld+json\">"
      "{\"@graph\":[{\"@type\":\"WebPage\"},{\"@type\":\"Product\",\"offers\":[{\"price\":\"120\"},"
      "{\"@type\":\"AggregateOffer\",\"lowPrice\":110}]}]}</script>"_s;
  ExpectFigures(ReadStructuredFigures(graph), {{}, 110.0, {}, {}}, "graph");
}

TEST(FigureRules, KeyAndMarkerRules) {
  const FigureRule sales{u"sellCount"_s, {}, {}, {}};
  const QString sold =
      u"<li class=\"sold\">暂无</li><li class=\"sold\">30天内已售出 <b>1,234</b> 件</li>"_s;
  const struct {
    FigureRule rule;
    QString html;
    std::optional<double> value;
  } cases[] = {
      // A key rule finds the named value only, also as JSON inside a script's string.
      {sales, u"{\"sellCountTotal\":5,\"sellCount\" : 12}"_s, 12.0},
      {sales, u"var d = \"{\\\"sellCount\\\":\\\"1,077\\\"}\";"_s, 1077.0},
      {sales, u"{\"sellCount\":\"\",\"x\":{\"sellCount\":\"9\"}}"_s, 9.0},
      {sales, u"{\"sellCount\":null}"_s, std::nullopt},
      // A marker rule takes the first piece that holds a number; a pattern picks the number,
      // its first group when it has one.
      {Marker(u"class=\"sold\">"_s, u"</li>"_s), sold, 30.0},
      {Marker(u"class=\"sold\">"_s, u"</li>"_s, u"已售出\\s*(\\d[\\d,]*)"_s), sold, 1234.0},
      // Without an after marker, the text that follows; an after marker that never comes, or
      // an invalid pattern, finds nothing.
      {Marker(u"已售出"_s, {}), sold, 1234.0},
      {Marker(u"class=\"sold\">"_s, u"</li>"_s, u"(\\d"_s), sold, std::nullopt},
      // Entities and tags inside the piece.
      {Marker(u"<em>"_s, u"</em>"_s), u"<em>&yen;<i>1,299</i>.50</em>"_s, 1299.5},
  };
  for (const auto& c : cases) EXPECT_EQ(ApplyRule(c.rule, c.html), c.value) << qPrintable(c.html);
}

TEST(FigureRules, ImplausibleNumbersAreNotFigures) {
  FigureRules rules;
  rules.of(PageKind::Market, Figure::Price) = {Marker(u"<p>"_s, u"</p>"_s)};
  rules.of(PageKind::Market, Figure::Sales) = {Marker(u"<b>"_s, u"</b>"_s)};
  const PageFigures f =
      ReadFigures(u"<p>¥0.00</p><b>99999999999</b>"_s, PageKind::Market, rules, false);
  EXPECT_FALSE(f.Any());
  // Stock and sales may be 0.
  rules.of(PageKind::Market, Figure::Stock) = {Marker(u"<i>"_s, u"</i>"_s)};
  EXPECT_EQ(ReadFigures(u"<i>0</i>"_s, PageKind::Market, rules, false)[Figure::Stock], 0.0);
}

TEST(FigureRules, KeptAsTextInTheSettings) {
  test::TempProgramFolder folder;
  const FigureRuleList rules{{u"sellCount"_s, {}, {}, {}},
                             Marker(u"id=\"a|b\""_s, u"</em>"_s, u"(\\d+)件"_s)};
  FigureRuleList back;
  ASSERT_TRUE(RulesFromText(RulesToText(rules), &back));
  EXPECT_EQ(back, rules);

  QString why;
  EXPECT_FALSE(RulesFromText(u"{\"before\":\"x\"}"_s, &back, &why));
  EXPECT_EQ(why, u"不是规则列表（JSON 数组）"_s);
  EXPECT_FALSE(RulesFromText(u"[{\"before\":\"x\",\"pattern\":\"(\"}]"_s, &back, &why));
  EXPECT_EQ(why, u"数字格式“(”不是有效的正则表达式"_s);

  // A changed list is stored, a default one stored empty; an unusable one falls back, saying so.
  DownloadSettings s = LoadDownloadSettings();
  EXPECT_EQ(s.rules, FigureRules::Defaults());
  EXPECT_EQ(s.delaySeconds, 3.0);
  EXPECT_TRUE(s.problems.isEmpty());
  s.rules.of(PageKind::Mall, Figure::Sales) = rules;
  s.delaySeconds = 0.5;
  s.structured = false;
  ASSERT_TRUE(SaveDownloadSettings(s));
  EXPECT_EQ(GetParam(RulesKey(PageKind::Mall, Figure::Sales)), RulesToText(rules));
  EXPECT_EQ(GetParam(RulesKey(PageKind::Market, Figure::Sales)), QString());
  EXPECT_EQ(GetParam(u"采数不读结构化数据"_s), u"√"_s);
  DownloadSettings again = LoadDownloadSettings();
  EXPECT_EQ(again.rules, s.rules);
  EXPECT_FALSE(again.structured);

  SetParam(RulesKey(PageKind::Market, Figure::Price), u"[{\"before\":"_s);
  SetParam(u"采数等待秒数"_s, u"3000000"_s);  // as milliseconds more than an int holds
  again = LoadDownloadSettings();
  EXPECT_EQ(again.waitSeconds, 30);
  EXPECT_EQ(
      again.problems,
      QStringList{
          u"设置“采数规则_淘宝_原价”无法使用（不是规则列表（JSON 数组）），已改用默认规则。"_s});
}
