#pragma once

#include <QString>

class QComboBox;

// The category and product drop-down lists of the windows, filled and renamed by the core
// routines of the categories.
namespace lanxi {

class Grid;

// Renames the category captions of a grid (may be null) and of a drop-down list by the current
// database's display names (see the core routine of the same name).
void ApplyCategoryNames(Grid* grid, QComboBox* list);
// The same, for captions that may show older names: back to the internal captions first.
void RefreshCategoryCaptions(Grid* grid, QComboBox* list);

// The list offers the distinct values of the category field `field` ("C0" … "C9") and shows the
// first.
void FillCategoryValues(QComboBox* list, const QString& field);

// The list offers ID + ":" + Name of every product, ordered by name, and "所有产品"; it shows
// `defaultText`, or its first item when that is empty.
void FillProductList(QComboBox* list, const QString& defaultText);
// The same with the items read already (ProductChoiceItems), for filling several lists at once.
void FillProductList(QComboBox* list, const QString& defaultText, const QStringList& items);

}  // namespace lanxi
