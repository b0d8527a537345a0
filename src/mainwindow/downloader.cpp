#include "mainwindow/downloader.h"

#include <QFileInfo>
#include <QProcess>

#include "common/programfolder.h"
#include "common/userprompts.h"

using namespace Qt::StringLiterals;

namespace lanxi {

QString DownloaderPath() {
  return ProgramFolder() + u"/采数器"_s;
}

QString DownloaderArgument(const QString& catalogueName, const QString& fileName) {
  return catalogueName + u'|' + fileName;
}

bool StartDownloader(const QStringList& arguments) {
  const QString path = DownloaderPath();
  const QFileInfo info(path);
  if (!info.exists()) {
    ShowMessage(u"没有找到下载程序“"_s + path + u"”，无法下载数据！"_s, MessageKind::Warning);
    return false;
  }
  if (!info.isFile() || !info.isExecutable()) {
    ShowMessage(u"下载程序“"_s + path + u"”不是可执行的程序，无法下载数据！"_s,
                MessageKind::Warning);
    return false;
  }
  // No shell in between: the argument reaches the downloader as one text, whatever it holds.
  if (!QProcess::startDetached(path, arguments, ProgramFolder())) {
    ShowMessage(u"下载程序“"_s + path + u"”无法启动！"_s, MessageKind::Warning);
    return false;
  }
  return true;
}

}  // namespace lanxi
