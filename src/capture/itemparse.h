#pragma once

#include <QString>

#include "capture/browser.h"
#include "capture/productinfo.h"

// Reading a product from its item page. Parsing works on the page's body HTML
// (SerializeBodyHtml): fixed markers are searched in a fixed order, each search starting
// where the previous one ended; a marker that is missing leaves its field empty.
namespace lanxi {

// The greeting in the mall's page header; a page holding it is read as a mall page.
inline constexpr char16_t kMallGreeting[] = u">亲，欢迎来淘宝商城！<";

// What the text of an item page gives.
struct ItemPageText {
  ProductInfo info;
  QString shopPageUrl;      // marketplace page: the seller's shop page
  bool recognised = false;  // at least one marker of the layout was found
};

// The marketplace's own item page. `location` is the browser's address, `title` the
// document's title, `html` the body HTML.
ItemPageText ParseMarketItemHtml(const QString& location, const QString& title, QString html);
// The mall's item page.
ItemPageText ParseMallItemHtml(const QString& location, QString html);

// The product name in a marketplace page's title: everything before its last "-".
QString NameFromTitle(const QString& title);
// The shop name in a shop page's title: the part after the first "-", then before the last.
QString ShopFromTitle(const QString& title);
// Whether a shop field holds the seller's chat status rather than a shop name.
bool IsChatStatus(const QString& shop);

// The same on the page a browser shows, with the picture saved from the page into a
// time-stamped file of the current database's picture folder (Pic then names the file). When
// the shop field holds the chat status, the shop name is read from the seller's shop page,
// loaded into the main window's browser.
// *recognised tells whether any marker of the layout was found; the picture is saved and the
// shop page read only then.
ProductInfo ParseMarketItemPage(Browser* browser, bool* recognised = nullptr);
ProductInfo ParseMallItemPage(Browser* browser, bool* recognised = nullptr);
// The same with the body HTML already read.
ProductInfo ParseMarketItemPage(Browser* browser, const QString& html, bool* recognised);
ProductInfo ParseMallItemPage(Browser* browser, const QString& html, bool* recognised);

}  // namespace lanxi
