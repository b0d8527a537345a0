// Reading the daily figures from a loaded item page of about 500 KB, as the browser engine
// writes the document out: the structured-data pass and the marker rules of the settings
// (ReadFigures), for a marketplace page and a mall page whose figures stand after the page's
// recommendations and scripts, against a baseline of searching the same text once from end to
// end for a marker it does not hold, which any reading must do at least. The target is under
// 5 ms a page. Prints times and ratios measured in this run; asserts nothing.
#include <QElapsedTimer>
#include <QFile>
#include <algorithm>
#include <cstdio>

#include "benchdata.h"
#include "downloader/figurereader.h"
#include "downloader/figurerules.h"

using namespace Qt::StringLiterals;
using namespace lanxi;

namespace {

constexpr int kRuns = 15;
constexpr qsizetype kPageBytes = 500 * 1024;

// A fixture page grown to about kPageBytes (UTF-8): lists of recommended items and inline
// scripts with embedded data, as item pages carry them, put before the figures.
QString ItemPage(const QString& fixture) {
  QFile f(QStringLiteral(LANXI_DOWNLOADER_DATA) + u'/' + fixture);
  if (!f.open(QIODevice::ReadOnly)) return {};
  QString page = QString::fromUtf8(f.readAll()).replace(u"{{HOST}}"_s, u"item.taobao.com"_s);
  const QString block =
      u"<div class=\"tb-rec-item\" data-spm=\"a1z10.3-c\"><a href=\"http://item.taobao.com/"
      "item.htm?spm=a1z10.3-c.w4002.1&amp;id=17485593721\" target=\"_blank\" title=\"相似宝贝\">"
      "<img src=\"http://img.taobao.com/bao/uploaded/i1/T1xyz_310x310.jpg\" alt=\"\" "
      "width=\"160\" height=\"160\"></a>\n  <p class=\"tb-rec-title\">  2012 新款 夏装 "
      "<em>韩版</em> 雪纺   连衣裙  </p>\n          <span class=\"price\">¥128.00</span>\n"
      "        </div>\n        "_s;
  const QString script =
      u"<script type=\"text/javascript\">g_config.rec.push({\"itemId\":17485593721,\"title\":"
      "\"2012新款夏装韩版雪纺连衣裙\",\"price\":\"128.00\",\"pic\":\"//img.taobao.com/bao/"
      "uploaded/i1/T1xyz.jpg\",\"sold\":1523,\"shop\":{\"id\":57300123,\"nick\":\"yafang\"},"
      "\"tags\":[\"包邮\",\"新品\",\"七天退换\"],\"spm\":\"a1z10.3-c.w4002.1\"});</script>\n"_s;
  QString filler;
  while (page.toUtf8().size() + filler.toUtf8().size() < kPageBytes) filler += block + script;
  page.insert(page.indexOf(u"<body>"_s) + 6, filler);
  return page;
}

}  // namespace

int main() {
  const FigureRules rules = FigureRules::Defaults();
  const struct {
    const char* what;
    QString file;
    PageKind kind;
  } pages[] = {{"marketplace page", u"item_5001.html"_s, PageKind::Market},
               {"mall page", u"item_6002.html"_s, PageKind::Mall}};
  std::printf("Reading the four figures from a loaded item page (best of %d runs)\n", kRuns);
  for (const auto& p : pages) {
    const QString html = ItemPage(p.file);
    if (html.isEmpty()) {
      std::printf("%s: fixture %s missing\n", p.what, qPrintable(p.file));
      return 1;
    }
    qsizetype found = 0;
    const double scan =
        bench::BestMs(kRuns, [&] { found += html.indexOf(u"id=\"J_NotOnThePage\""_s); });
    int read = 0;
    const double figures =
        bench::BestMs(kRuns, [&] { read = ReadFigures(html, p.kind, rules, true).Count(); });
    const double rulesOnly = bench::BestMs(
        kRuns, [&] { read = std::min(read, ReadFigures(html, p.kind, rules, false).Count()); });
    std::printf(
        "%-17s %4lld KB: one scan %.3f ms | ReadFigures %.3f ms (%.1fx), rules only "
        "%.3f ms (%.1fx); %d of 4 figures read; target < 5 ms: %s\n",
        p.what, (long long)(html.toUtf8().size() / 1024), scan, figures, figures / scan, rulesOnly,
        rulesOnly / scan, read, figures < 5 ? "met" : "NOT met");
    if (found > 0) std::printf("(the baseline's marker was found)\n");
  }
  return 0;
}
