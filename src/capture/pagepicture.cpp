#include "capture/pagepicture.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

#include "capture/pagewait.h"
#include "common/programfolder.h"
#include "common/progress.h"
#include "storage/dboperate.h"

using namespace Qt::StringLiterals;

namespace lanxi {
namespace {

// An address in one encoded form, so that "女装" and "%E5%A5%B3%E8%A3%85" compare equal.
QByteArray Canonical(const QString& address) {
  return QUrl(address, QUrl::TolerantMode)
      .adjusted(QUrl::NormalizePathSegments)
      .toEncoded(QUrl::FullyEncoded);
}

}  // namespace

QString PictureFolder() {
  return ProgramFolder() + u"/Pic/"_s + CurDBFile.toUpper().remove(u".MDB"_s);
}

QString PictureExtension(const QString& address) {
  QString ext = address.right(4);
  for (QChar& c : ext) {
    if (c.unicode() < 0x20 || QStringView(u"/\\:?*\"<>|").contains(c)) c = u'_';
  }
  return ext;
}

QString ProductPictureFile(const QString& folder, qint64 id, const QString& address) {
  return folder + u"/Img"_s + u"%1"_s.arg(id, 5, 10, QChar(u'0')) + PictureExtension(address);
}

QString TemporaryPictureFile(const QString& folder, const QString& address, const QDateTime& now) {
  const QString stem = folder + u"/Img"_s + now.toString(u"yyMMddHHmmss"_s);
  const QString ext = PictureExtension(address);
  QString file = stem + ext;
  for (int n = 2; QFileInfo::exists(file); ++n) file = stem + u'-' + QString::number(n) + ext;
  return file;
}

bool IsMissingPicture(const QString& pic) {
  return pic.startsWith(u"http://"_s, Qt::CaseInsensitive) ||
         pic.startsWith(u"https://"_s, Qt::CaseInsensitive);
}

bool SavePagePicture(Browser* browser, QString& address, const QString& path) {
  if (!browser || address.isEmpty()) return false;
  const QByteArray wanted = Canonical(address);
  QString found;
  for (const QString& src : browser->Images()) {
    if (src == address || (!src.isEmpty() && Canonical(src) == wanted)) found = src;
  }
  if (found.isEmpty()) return false;
  address = found;
  if (path.isEmpty()) return true;
  return browser->SavePicture(address, path);
}

void DownMissingPictures(Browser* browser) {
  if (!browser) browser = MainBrowser();
  if (!browser || CurDBFile.isEmpty()) return;
  // The rows and their files belong to the database current now, whatever is opened meanwhile.
  const QString db = CurDBFile;
  const QString folder = PictureFolder();
  Recordset rs;
  OpenRecordset(rs, u"SELECT * FROM Product WHERE Pic LIKE 'http://%' OR Pic LIKE 'https://%'"_s,
                {}, db);
  ShowProgress(u"正在下载图片..."_s, rs.RecordCount(), 0);
  for (; !rs.IsEOF(); rs.MoveNext()) {
    const QString pic = rs.Field(u"Pic"_s).toString();
    LoadPage(pic, browser, 5000, true, QString());
    QDir().mkpath(folder);
    const QString path = ProductPictureFile(folder, rs.Field(u"ID"_s).toInt(), pic);
    QString address = pic;
    if (SavePagePicture(browser, address, path) && QFileInfo::exists(path)) {
      rs.SetField(u"Pic"_s, path);
      rs.Update();
    }
    StepProgress(1, u"pages"_s);
  }
  CloseProgress();
  CloseRecordset(rs);
}

}  // namespace lanxi
