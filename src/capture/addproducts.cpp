#include "capture/addproducts.h"

#include <QSet>

#include "capture/pagewait.h"
#include "capture/productrecord.h"
#include "common/progress.h"
#include "common/routines.h"
#include "common/userprompts.h"
#include "tables/grid.h"

using namespace Qt::StringLiterals;

namespace lanxi {
namespace {

// Marker of an item page's description tab, and of the marketplace's page footer.
constexpr char16_t kDetailsMarker[] = u"宝贝详情</";
constexpr char16_t kFooterMarker[] = u">阿里巴巴集团</";

// Loads an item page into a browser that showed another one: the blank page in between
// makes sure the marker is not found in the page before.
void ReloadItemPage(Browser* browser, const QString& address) {
  StartNavigate(browser, u"about:blank"_s);
  PumpEvents(2000);
  LoadPage(address, browser, 5000, true, QString::fromUtf16(kDetailsMarker));
}

// The column of the product list holding the item address.
int UrlColumn(const Grid& grid) {
  for (int c = 0; c < grid.Cols(); ++c)
    if (grid.TextMatrix(0, c) == u"Url"_s) return c;
  return 2;
}

}  // namespace

QStringList CollectItemLinks(const QStringList& links, const CapturePlaces& places) {
  QStringList list;
  QSet<QString> seen;
  for (const QString& href : links) {
    const QString link = NormaliseItemUrl(href);
    if (link.isEmpty() || places.ItemUrlKind(link) < 0 || seen.contains(link)) continue;
    seen.insert(link);
    list << link;
  }
  return list;
}

void AddProOfPage(Browser* browser, Browser* background, bool skipAdded) {
  if (!browser) browser = MainBrowser();
  if (!browser || !background) return;
  ShowProgress(u"正在分析网页内容..."_s, 1, 0);
  const QStringList links = CollectItemLinks(browser->Links(), CapturePlacesFromSettings());
  ShowProgress(u"正在添加产品..."_s, int(links.size()), 0);
  for (const QString& link : links) {
    if (!(skipAdded && !FindProductCName(link).isEmpty())) {
      ReloadItemPage(background, link);
      AddProductFromPage(background, false);
      PumpEvents(2000);
    }
    StepProgress(1, u"pages"_s);
  }
  CloseProgress();
}

NewWindowAction DecideNewWindow(const QString& address, bool noAutoAdd,
                                const CapturePlaces& places) {
  const QString link = places.RemoveClickRedirect(address);
  if (noAutoAdd || places.ItemUrlKind(link) < 0) return {false, address};
  return {true, link};
}

void AutoAddProduct(const QString& itemUrl, Browser* background) {
  if (!background) return;
  const QString name = FindProductCName(itemUrl);
  if (!name.isEmpty()) {
    ShowMessage(u"产品“"_s + name + u"”已经存在！"_s);
    return;
  }
  ShowProgress(u"正在添加产品..."_s, 0, 0);
  LoadPage(itemUrl, background, 5000, true, QString::fromUtf16(kFooterMarker));
  CloseProgress();
  AddProductFromPage(background, true);
  background->Stop();
  StartNavigate(background, u"about:blank"_s);
  PumpEvents(200);
}

void UpdateProductRows(const Grid& grid, int from, int to, Browser* browser) {
  if (!browser) browser = MainBrowser();
  if (!browser) return;
  OrderPair(from, to);
  from = std::max(from, grid.FixedRows());
  to = std::min(to, grid.Rows() - 1);
  const int column = UrlColumn(grid);
  // The addresses are taken first: the list may be reloaded while the pages load.
  QStringList urls;
  for (int r = from; r <= to; ++r) urls << grid.TextMatrix(r, column);
  ShowProgress(u"正在更新指定产品信息..."_s, int(urls.size()), 0);
  for (const QString& url : urls) {
    if (!url.isEmpty()) {
      ReloadItemPage(browser, url);
      AddProductFromPage(browser, false);
      PumpEvents(2000);
    }
    StepProgress(1, u"pages"_s);
  }
  CloseProgress();
}

}  // namespace lanxi
