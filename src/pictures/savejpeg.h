#pragma once

#include <QImage>
#include <QString>

#include "common/userprompts.h"
#include "pictures/dibsection.h"

// Chart pictures as JPEG files.
namespace lanxi {

// Writes the bitmap as a JPEG file of the given quality (1 … 100) with libjpeg-turbo, colours
// at full resolution. The file is written beside its target and renamed over it only when
// complete, so a failure never loses an existing file; a replaced file's permissions and its
// access and modification times carry over to the new one (a file's creation time cannot be
// set on Linux and is the new file's own). A write-protected file is not replaced. Answers
// whether the file was written; an empty bitmap writes nothing.
bool SaveJpeg(const cDIBSection& dib, const QString& file, int quality);

// The picture command "保存图片": asks for a file ("*.jpg"; ".jpg" is added to a name that does
// not end in it, case counting), asks before replacing an existing file and writes the picture
// at quality 80, telling the user "保存图片出错！" when that fails. Answers whether a file was
// written.
bool SavePicture(const QImage& picture, UserPrompts& prompts = Prompts());

}  // namespace lanxi
