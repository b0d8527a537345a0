#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The display names of the ten category fields C0 … C9 of Product. Their internal captions are
// "分类1" … "分类10"; a user-given name is a row of the table Para with CID 1, Name the internal
// caption and Con the name shown. Only names that differ from the internal caption have a row.
namespace lanxi {

class Grid;

struct CategoryName {
  QString name;  // internal caption, "分类1" … "分类10"
  QString con;   // the name shown
};

inline constexpr int kCategoryCount = 10;

// "分类" + (index + 1): the internal caption of the field C<index>.
QString InternalCategoryCaption(int index);
// The index 0 … 9 of a category field name "C0" … "C9"; -1 for any other text.
int CategoryFieldIndex(QStringView field);

// The rows of Para with CID 1 of the current database, in stored order. Empty, without a
// message, when the database has no table Para.
QList<CategoryName> ReadCategoryNames();

// Renames captions: for each row in order, the first title (row 1) of the grid's non-fixed
// columns that reads exactly the row's internal caption, and in the list the first item equal
// to it; `text`, the list's current text, follows the rename. Any argument may be null.
void ApplyCategoryNames(Grid* grid, QStringList* items, QString* text,
                        const QList<CategoryName>& names);
void ApplyCategoryNames(Grid* grid, QStringList* items = nullptr, QString* text = nullptr);

// Shows the current names on captions that may show older ones (another database's, or names
// just changed): the grid's category titles (recognised by their field) and the ten items of a
// category list go back to the internal captions first, then the names are applied. A sort mark
// at the end of a title stays; `text` follows its item.
void RefreshCategoryCaptions(Grid* grid, QStringList* items, QString* text);

// The ten display names as the naming window lists them: the internal caption, or the name a
// Para row gives it.
QStringList DisplayCategoryNames();

// Replaces the stored names in one transaction: a row for every index whose display name differs
// from its internal caption. Adds the table Para when it is missing. False when nothing could be
// written, which leaves the stored names as they were.
bool SaveCategoryNames(const QStringList& displayNames);

}  // namespace lanxi
