#pragma once

#include <QString>

// The work behind the main window's command buttons that needs no widgets.
namespace lanxi {

class Grid;

// Command "删除产品": deletes the products of the grid rows from … to (either order; header
// rows never count) with all their daily figures, after the user confirms. Figures and
// products go in one transaction, with a progress window; then the rows leave the grid. When
// the database refuses, the user is told and nothing is deleted anywhere. With no product row
// selected nothing is asked and nothing deleted. Answers whether products were deleted.
bool DeleteProducts(Grid& grid, int from, int to);

// The item page address of the product a choice list item names ("12:名称" is product 12), or
// the empty text when there is none.
QString ProductAddress(const QString& choice);

}  // namespace lanxi
