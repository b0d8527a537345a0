#include "mainwindow/downloader.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>

#include "common/programfolder.h"
#include "common/userprompts.h"

using namespace Qt::StringLiterals;

namespace lanxi {

QString DownloaderPath() {
  const QString name = u"/采数器"_s;
  const QString inFolder = ProgramFolder() + name;
  if (QFileInfo::exists(inFolder) || !QCoreApplication::instance()) return inFolder;
  // The data may live elsewhere (LANXI_HOME) than the programs, which are built and installed
  // side by side.
  const QString beside = QCoreApplication::applicationDirPath() + name;
  return QFileInfo::exists(beside) ? beside : inFolder;
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
