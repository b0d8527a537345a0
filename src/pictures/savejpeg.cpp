#include "pictures/savejpeg.h"

#include <turbojpeg.h>
#include <QDateTime>
#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace lanxi {
namespace {

// The JPEG bytes of a bitmap, encoded by TurboJPEG; empty on failure.
QByteArray EncodeJpeg(const cDIBSection& dib, int quality) {
  tjhandle encoder = tjInitCompress();
  if (!encoder) return {};
  unsigned char* jpeg = nullptr;
  unsigned long size = 0;
  const int rc = tjCompress2(encoder, dib.DIBSectionBitsPtr(), dib.Width(), dib.BytesPerScanLine(),
                             dib.Height(), TJPF_BGR, &jpeg, &size, TJSAMP_444,
                             std::clamp(quality, 1, 100), TJFLAG_BOTTOMUP);
  QByteArray out;
  if (rc == 0 && jpeg) out = QByteArray(reinterpret_cast<const char*>(jpeg), qsizetype(size));
  tjFree(jpeg);
  tjDestroy(encoder);
  return out;
}

}  // namespace

bool SaveJpeg(const cDIBSection& dib, const QString& file, int quality) {
  if (!dib.DIBSectionBitsPtr()) return false;
  const QByteArray jpeg = EncodeJpeg(dib, quality);
  if (jpeg.isEmpty()) return false;

  const QFileInfo before(file);
  const bool replacing = before.exists();
  // The times are read before anything touches the file.
  const QDateTime accessed = before.lastRead(), modified = before.lastModified();
  QSaveFile out(file);
  if (!out.open(QIODevice::WriteOnly)) return false;
  if (out.write(jpeg) != jpeg.size() || !out.flush()) {
    out.cancelWriting();
    return false;
  }
  if (replacing) {
    out.setPermissions(before.permissions());
    out.setFileTime(accessed, QFileDevice::FileAccessTime);
    out.setFileTime(modified, QFileDevice::FileModificationTime);
  }
  return out.commit();
}

bool SavePicture(const QImage& picture, UserPrompts& prompts) {
  FileDialogSpec dialog;
  dialog.title = u"保存图片"_s;
  dialog.filters = QStringList{u"*.jpg"_s};
  QString name = prompts.SaveFileName(dialog);
  if (name.isEmpty()) return false;
  if (!name.endsWith(u".jpg"_s, Qt::CaseSensitive)) name += u".jpg"_s;
  const QFileInfo target(name);
  if (target.exists() || target.isSymLink()) {
    if (!prompts.Ask(u"文件“"_s + name + u"”已存在，是否覆盖？"_s)) return false;
  }
  cDIBSection dib;
  dib.CreateFromPicture(picture);
  if (!SaveJpeg(dib, name, 80)) {
    prompts.Message(u"保存图片出错！"_s, MessageKind::Warning);
    return false;
  }
  return true;
}

}  // namespace lanxi
