#pragma once

#include <QString>

#include "capture/browser.h"
#include "capture/itemurl.h"
#include "capture/productinfo.h"

// Storing products read from item pages in the current tracking database (module 产品添加).
// A product is identified by its item id (Product.TID): adding it again, or re-reading it,
// updates its one row.
namespace lanxi {

// The marketplace's hosts as the settings give them (the real ones where none are stored).
CapturePlaces CapturePlacesFromSettings();

// The index of the item-page prefix the address begins with, or -1 when it is no item page.
int ItemUrlKind(const QString& address);

// The full name (CName) of the product with the address's item id in the current database;
// empty when there is none.
QString FindProductCName(const QString& address);

// Stores the record: the row of its item id is updated, or a new one added. The user's name,
// the address, the item id and the categories of an existing row stay; the page's name,
// picture, shop, region, owner and mall flag are taken (empty values never replace stored
// ones). A picture saved while parsing is renamed to the product's picture file. On return
// r.Url holds the normalised address and r.ID the row's id.
//
// Answers false, and stores nothing, when the address has no item id or the row cannot be
// written; a picture file saved for the record is then removed.
bool SaveProductRecord(ProductInfo& r);

// Adds or updates the product of the item page the browser shows (the main window's when none
// is given). A browser showing no item page is ignored. The layout is chosen by the page's
// content (the mall's greeting). With showMessage the user is told the outcome:
// "添加产品“…”成功！" when the row was stored, otherwise why nothing was stored. Answers
// whether the row was stored.
bool AddProductFromPage(Browser* browser, bool showMessage);

}  // namespace lanxi
