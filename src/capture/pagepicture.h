#pragma once

#include <QDateTime>
#include <QString>

#include "capture/browser.h"

// Product pictures (module 保存网页图片): saving a picture that a loaded page shows, and
// fetching the pictures of products that still only have a web address.
namespace lanxi {

// The current database's picture folder: program folder + "/Pic/" + CurDBFile in upper case
// without ".MDB".
QString PictureFolder();

// The ending a picture file takes from its address: the address's last four characters (its
// extension with the dot, ".jpg"), with characters a file name cannot hold ("/", "\", ":",
// "?", "*", '"', "<", ">", "|", control characters) turned into "_".
QString PictureExtension(const QString& address);

// A product's picture file: `folder` + "/Img" + id formatted "00000" (five digits at least) +
// PictureExtension(address).
QString ProductPictureFile(const QString& folder, qint64 id, const QString& address);

// The file a picture is saved to while its product is added, before the product has an id:
// `folder` + "/Img" + `now` formatted "yyMMddHHmmss" + the extension. When that file exists
// already (two adds in one second) "-2", "-3" … follow the time stamp.
QString TemporaryPictureFile(const QString& folder, const QString& address,
                             const QDateTime& now = QDateTime::currentDateTime());

// Whether a Product.Pic value is still the picture's web address.
bool IsMissingPicture(const QString& pic);

// Saves the picture `address` that the browser's page shows: some IMG element of the page
// must have exactly that address (compared as web addresses, so that differences of
// encoding do not count); `address` then takes the element's form of it. With an empty `path`
// nothing is written. The picture comes from the browser's own session, never from a
// separate download; a file already at `path` is replaced only by a readable picture. True
// when the picture was found and, with a path, written.
bool SavePagePicture(Browser* browser, QString& address, const QString& path);

// The command of the menu entry mDownPic, "补齐缺失图片": every product of the current
// database whose Pic is still a web address is loaded into the browser (the main window's
// when none is given) and its picture saved as its product's picture file; Pic then names the
// file. Rows whose picture could not be saved keep their address for the next run. Shows
// progress; closing the progress window cuts the current row's wait short.
void DownMissingPictures(Browser* browser = nullptr);

}  // namespace lanxi
