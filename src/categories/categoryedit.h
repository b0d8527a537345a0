#pragma once

#include <QString>
#include <QStringList>

// Assigning category values to products (module 分类编辑): one cell through the product list's
// drop-down, a whole selected block through the table menu's "修改分类", and the automatic
// categorising by a part of the products' full names. Every value is a bound parameter, so any
// text a user can type is stored exactly.
namespace lanxi {

class Connection;
class Grid;

// Writes `value` into the category field `field` ("C0" … "C9") of the product `id` in the
// current database, on `conn` when given. Any other field name is refused. Failures are not
// reported; the answer says whether the row was written.
bool UpdateProductField(qint64 id, const QString& field, const QString& value,
                        Connection* conn = nullptr);

// The distinct values of a category field in the current database in ascending order, the
// empty value once: what the category drop-down offers.
QStringList CategoryValues(const QString& field);

// Sets `value` into every category cell of the grid's selected block (rows and columns from
// either corner) and into the products' rows, all in one transaction, with a progress window
// stepped per column. Cells of other columns stay. When the database refuses, the user is told
// and neither grid nor database changes. Answers whether the values were stored.
bool ModifyCategories(Grid& grid, const QString& value);

// Sets the category `index` (0 … 9) to `value` for every product whose full name contains
// `namePart` (as literal text, letters of the Latin alphabet in either case) and whose category
// is still empty. Answers the number of products changed, -1 when the statement failed.
int AutoCategorise(int index, const QString& namePart, const QString& value);

// A text as a LIKE pattern matching exactly that text, with "\" as the escape character.
QString LikeLiteral(const QString& text);

}  // namespace lanxi
