#pragma once

#include <QDate>
#include <QString>

namespace lanxi {

class Grid;

// Fills the product list from the current database: every product, newest first, with the
// keys ID, WID, Url and Pic in hidden columns, a serial number, and the visible fields; the
// category titles show their display names, the mall column is centred.
void LoadProductMSF(Grid& grid);

// Describes the daily-figures list: hidden keys ID, PID, Url and Pic, a serial number, then the
// product name, day, prices, sales and stock; Tag "PInfo", five fixed columns.
void DescribeProductInfoGrid(Grid& grid);

// The query of the daily figures with their product's name, address and picture.
QString ProductInfoSql();

// Fills the daily-figures list: the figures of the product whose id begins `productChoice`
// ("12:…"; "所有产品" or anything not starting with a number means all products) from `from`
// to `to`, both included.
void LoadProductInfoMSF(Grid& grid, const QString& productChoice, QDate from, QDate to);

// What the picture preview finds in a product's Pic: the web address of a picture never
// downloaded ("http://…", "https://…"), a path where no file is, or a picture file.
enum class PictureState { Address, Missing, File };
PictureState ClassifyPicture(const QString& pic);

// The whole number at the start of a text, as a drop-down item "12:名称" begins; 0 when there
// is none.
qint64 LeadingNumber(const QString& text);

}  // namespace lanxi
