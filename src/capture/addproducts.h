#pragma once

#include <QString>
#include <QStringList>

#include "capture/browser.h"
#include "capture/itemurl.h"

namespace lanxi {

class Grid;

// The item pages a page links to, for adding them all: every link normalised
// (NormaliseItemUrl), item pages only, each address once, in the order first seen.
QStringList CollectItemLinks(const QStringList& links, const CapturePlaces& places);

// Adds every product linked from the page `browser` shows, loading each item page into
// `background` and storing it silently. With skipAdded, products already in the current
// database are passed over; otherwise they are read again. Shows progress; closing the
// progress window cuts the current page's wait short and the next link follows.
void AddProOfPage(Browser* browser, Browser* background, bool skipAdded);

// What to do when the page asks for a new window for `address` (the link's address, or the
// status text of the link under the pointer).
struct NewWindowAction {
  bool addInBackground = false;  // add the product of `address`
  QString address;               // the page to open in the browser itself, or to add
};
// Opens the address in the browser itself when automatic adding is switched off
// (noAutoAdd) or it is no item page once the click-tracking redirect is taken out; otherwise
// adds the item page it leads to.
NewWindowAction DecideNewWindow(const QString& address, bool noAutoAdd,
                                const CapturePlaces& places);

// Adds the product of an item page the user clicked: tells the user when it is tracked
// already ("产品“…”已经存在！"), otherwise loads it into `background` with progress, stores
// it with a message, and leaves the background browser on a blank page.
void AutoAddProduct(const QString& itemUrl, Browser* background);

// The command "更新产品信息": re-reads the products of the product list's rows `from` to `to`
// (either order; header rows are passed over) from their item pages, loaded into `browser`
// (the main window's when none is given), and stores them over their rows. Shows progress;
// closing the progress window cuts the current page's wait short.
void UpdateProductRows(const Grid& grid, int from, int to, Browser* browser = nullptr);

}  // namespace lanxi
