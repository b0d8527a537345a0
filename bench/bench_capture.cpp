// Reading an item page: the body HTML as the browser hands it over (about 500 KB) is
// serialised for the markers (gumbo) and parsed into a product, against a baseline of turning
// the same bytes into text and searching it once from end to end, which any reading must do.
// The same for a page of about 10 MB. Prints times and ratios measured in this run; asserts
// nothing.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <algorithm>
#include <cstdio>

#include "benchdata.h"
#include "capture/htmlserializer.h"
#include "capture/itemparse.h"

using namespace Qt::StringLiterals;
using namespace lanxi;

namespace {

constexpr int kRuns = 7;

// A marketplace item page of about `bytes`, written as the browser writes a body: the fixture
// page's markers with lists of recommended items around them, indented as pages are, and,
// with `scripts`, a share of inline scripts and configuration as item pages carry (about a
// third of the bytes).
QByteArray ItemPage(qsizetype bytes, bool scripts) {
  QFile f(QStringLiteral(LANXI_CAPTURE_DATA) + u"/item_1001.html"_s);
  if (!f.open(QIODevice::ReadOnly)) return {};
  QByteArray page = f.readAll();
  const QByteArray block =
      "<div class=\"tb-rec-item\" data-spm=\"a1z10.3-c\"><a href=\"http://item.taobao.com/"
      "item.htm?spm=a1z10.3-c.w4002.1&amp;id=17485593721\" target=\"_blank\" title=\"相似宝贝\">"
      "<img src=\"http://img.taobao.com/bao/uploaded/i1/T1xyz_310x310.jpg\" alt=\"\" "
      "width=\"160\" height=\"160\"></a>\n  <p class=\"tb-rec-title\">  2012 新款 夏装 "
      "<em>韩版</em> 雪纺   连衣裙  </p>\n          <span class=\"price\">&yen;128.00</span>\n"
      "        </div>\n        ";
  const QByteArray script =
      "<script type=\"text/javascript\">g_config.rec.push({\"itemId\":17485593721,\"title\":"
      "\"2012新款夏装韩版雪纺连衣裙\",\"price\":\"128.00\",\"pic\":\"//img.taobao.com/bao/"
      "uploaded/i1/T1xyz.jpg\",\"sold\":1523,\"shop\":{\"id\":57300123,\"nick\":\"yafang\"},"
      "\"tags\":[\"包邮\",\"新品\",\"七天退换\"],\"spm\":\"a1z10.3-c.w4002.1\"});</script>\n       "
      " ";
  const qsizetype at = page.indexOf("<ul class=\"tb-tabbar\">");
  QByteArray filler;
  while (page.size() + filler.size() < bytes) filler += scripts ? block + script : block;
  page.insert(at, filler);
  return page;
}

void Measure(const char* what, const QByteArray& page) {
  qsizetype found = 0;
  const double baseline = bench::BestMs(kRuns, [&] {
    const QString text = QString::fromUtf8(page);
    found += text.indexOf(u"\u0001never there\u0001"_s);
  });
  QString html;
  const double serialise =
      bench::BestMs(kRuns, [&] { html = SerializeBodyHtml(page).value_or(QString()); });
  ItemPageText parsed;
  const double parse = bench::BestMs(kRuns, [&] {
    parsed = ParseMarketItemHtml(u"http://item.taobao.com/item.htm?id=1001"_s,
                                 u"韩版修身连衣裙-淘宝网"_s, html);
  });
  std::printf("%s: %.0f KB\n", what, page.size() / 1024.0);
  std::printf("  baseline (decode + one search)   %8.2f ms\n", baseline);
  std::printf("  serialise body (gumbo)           %8.2f ms  %6.1fx baseline\n", serialise,
              serialise / baseline);
  std::printf("  parse fields                     %8.2f ms  %6.1fx baseline\n", parse,
              parse / baseline);
  std::printf(
      "  serialise + parse                %8.2f ms  %6.1fx baseline   (aim: < 20 ms "
      "at 500 KB)\n",
      serialise + parse, (serialise + parse) / baseline);
  std::printf("  read: shop %s, region %s, picture %s\n", parsed.info.Shop.toUtf8().constData(),
              parsed.info.Region.toUtf8().constData(), parsed.info.Pic.toUtf8().constData());
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  Measure("item page with its scripts", ItemPage(500 * 1024, true));
  Measure("item page of markup only", ItemPage(500 * 1024, false));
  Measure("huge item page", ItemPage(10 * 1024 * 1024, true));
  return 0;
}
