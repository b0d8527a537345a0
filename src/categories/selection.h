#pragma once

#include <QString>
#include <QStringList>

// The choices the selection dialogs exchange with their callers. A category choice is ten
// fields, one per field C0 … C9, each followed by ","; an empty field means any value
// ("," × 10 chooses everything). A product choice is the products' IDs joined by ",", their names
// joined by CR LF.
namespace lanxi {

class Grid;

// Before a selection dialog opens, the caller puts the current choice here; the dialog reads
// and empties it while loading, and on OK leaves its result. After Cancel it is empty.
inline QString SelectionText;
// The names of the products chosen in the product selection, on its OK.
inline QString SelectedProductNames;

// The last item of the product choice lists, and the item of a category list meaning any value.
inline constexpr char16_t kAllProducts[] = u"所有产品";
inline constexpr char16_t kAnyValue[] = u"所有";

// The category choice of ten list texts: each text, or nothing for "所有", followed by ",".
QString CategorySelectionText(const QStringList& texts);

// The items of a product choice list: ID + ":" + Name of every product of the current database
// ordered by name, then "所有产品".
QStringList ProductChoiceItems();

// The product chooser's table: hidden ID, serial number, the check column "选择", name, shop,
// owner, region and mall flag; Tag "Product".
void DescribeProductChooser(Grid& grid);
// The check column of the product chooser.
inline constexpr int kChooserCheckCol = 2;
// Ticks the rows whose ID is one of the comma-separated `ids`; unknown ids are ignored.
void TickProducts(Grid& grid, const QString& ids);
// The ticked rows, top to bottom: their IDs joined by "," and their names joined by CR LF.
struct ProductChoice {
  QString ids;
  QString names;
};
ProductChoice TickedProducts(const Grid& grid);

}  // namespace lanxi
