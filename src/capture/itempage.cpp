// The item-page parsers on the page a browser shows: the text rules of itemparse.cpp, the
// picture saved from the page and the shop name looked up on the shop page.
#include <QDir>

#include "capture/itemparse.h"
#include "capture/pagepicture.h"
#include "capture/pagewait.h"

using namespace Qt::StringLiterals;

namespace lanxi {
namespace {

Browser* OrMain(Browser* browser) {
  return browser ? browser : MainBrowser();
}

// Saves the picture the page shows into a time-stamped file; Pic then names the file.
void SaveShownPicture(Browser* browser, ProductInfo& r) {
  if (r.Pic.isEmpty()) return;
  const QString folder = PictureFolder();
  QDir().mkpath(folder);
  const QString file = TemporaryPictureFile(folder, r.Pic);
  QString address = r.Pic;
  if (SavePagePicture(browser, address, file)) r.Pic = file;
}

// The shop's name from the title of its shop page, loaded into the main window's browser (the
// item page's own browser when there is none: its page has been read by then).
QString LookUpShopName(Browser* itemBrowser, const QString& shopPageUrl) {
  Browser* browser = OrMain(nullptr) ? OrMain(nullptr) : itemBrowser;
  StartNavigate(browser, u"about:blank"_s);
  LoadPage(shopPageUrl, browser, 5000, false, u"淘宝"_s);
  return ShopFromTitle(browser->Title());
}

ProductInfo Finish(Browser* browser, ItemPageText page, bool* recognised) {
  if (recognised) *recognised = page.recognised;
  if (!page.recognised) return page.info;
  SaveShownPicture(browser, page.info);
  if (IsChatStatus(page.info.Shop) && !page.shopPageUrl.isEmpty())
    page.info.Shop = LookUpShopName(browser, page.shopPageUrl);
  return page.info;
}

}  // namespace

ProductInfo ParseMarketItemPage(Browser* browser, const QString& html, bool* recognised) {
  browser = OrMain(browser);
  if (!browser) return {};
  return Finish(browser, ParseMarketItemHtml(browser->LocationURL(), browser->Title(), html),
                recognised);
}

ProductInfo ParseMallItemPage(Browser* browser, const QString& html, bool* recognised) {
  browser = OrMain(browser);
  if (!browser) return {};
  return Finish(browser, ParseMallItemHtml(browser->LocationURL(), html), recognised);
}

ProductInfo ParseMarketItemPage(Browser* browser, bool* recognised) {
  return ParseMarketItemPage(browser, PageHtml(browser), recognised);
}

ProductInfo ParseMallItemPage(Browser* browser, bool* recognised) {
  return ParseMallItemPage(browser, PageHtml(browser), recognised);
}

}  // namespace lanxi
