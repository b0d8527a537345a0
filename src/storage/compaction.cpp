#include "storage/compaction.h"

#include <QDir>
#include <QFileInfo>
#include <QScopedValueRollback>

#include "common/programfolder.h"
#include "common/progress.h"
#include "common/routines.h"
#include "common/userprompts.h"
#include "storage/catalogfiles.h"
#include "storage/dboperate.h"
#include "storage/schema.h"

using namespace Qt::StringLiterals;

namespace lanxi {
namespace {

// The number and the reason of a failure as the message shows them: the reason's closing
// full stop gives way to the bracket.
QString FailureText(const CopyFault& fault) {
  QString reason = fault.reason;
  if (reason.endsWith(u'。')) reason.chop(1);
  return QString::number(fault.code) + reason;
}

void ReportCompactionFailure(const QString& path, const CopyFault& fault) {
  QString text = u"数据库压缩失败（"_s + FailureText(fault) + u"）！\n"_s + u"数据库文件“"_s +
                 path + u"”保持原样，没有改动。"_s;
  if (!fault.detail.isEmpty()) text += u'\n' + fault.detail;
  ShowMessage(text, MessageKind::Critical);
}

}  // namespace

QString GetTempDir() {
  const QFileInfo temp(QDir::tempPath());
  if (!temp.isDir()) return {};
  QString path = temp.absoluteFilePath();
  if (!path.endsWith(u'/')) path += u'/';
  return path;
}

QString CompactionBackupPath() {
  const QString temp = GetTempDir();
  return temp.isEmpty() ? QString() : temp + u"backup.mdb"_s;
}

bool CompactDatabaseFile(const QString& path, bool backup, const CopyTick& tick) {
  if (!QFileInfo(path).isFile()) {
    ShowMessage(u"没有找到要压缩的数据库文件！"_s, MessageKind::Warning);
    return false;
  }
  // No handle of the program goes on working on the file that is replaced.
  ReleaseDatabase(path);
  CopyFault fault;
  DatabaseHold hold;
  bool ok = hold.Take(path, DatabaseHold::Mode::Write, &fault);
  const QString backupPath = CompactionBackupPath();
  if (ok && backup && !backupPath.isEmpty()) ok = hold.CopyFile(backupPath, &fault, tick);
  ok = ok && CopyDatabase(path, path, kCipherPageSize, &fault, tick);
  hold.Release();
  if (!ok) ReportCompactionFailure(path, fault);
  return ok;
}

bool CompactDB(const QString& file, const CopyTick& tick) {
  return CompactDatabaseFile(file.isEmpty() ? ProgramFolder() + u'/' : ProgramFile(file), true,
                             tick);
}

void CompactAll() {
  static bool running = false;
  if (running) return;
  const QScopedValueRollback guard(running, true);

  const QString catalogFile = u"PARA.MDB"_s;
  WorkDBFile = catalogFile;
  std::vector<CatalogueEntry> rows;
  {
    Connection catalog;
    if (!OpenConnection(catalog, catalogFile)) return;
    if (!ReadCatalogue(catalog, &rows)) {
      ShowMessage(u"数据库打开错误(SELECT * FROM DBInfo)！"_s, MessageKind::Critical);
      return;
    }
  }
  ShowProgress(u"正在压缩和整理数据库..."_s, int(rows.size()) + 1);
  TimedPump pump;
  const CopyTick tick = [&pump] { pump.Pump(); };
  for (const CatalogueEntry& e : rows) {
    // Working tables are dropped quietly; a file that does not open is reported by CompactDB.
    if (!e.file.isEmpty() && TestOpenDatabase(ProgramFile(e.file)))
      DropTablesByPrefix(u"T_"_s, e.file);
    CompactDB(e.file, tick);
    // A step loads the window again when the user has closed it: ask before stepping.
    if (!ProgressOpen()) break;
    StepProgress();
    if (!ProgressOpen()) break;
  }
  CompactDB(QString::fromUtf16(kCatalogFile), tick);
  CloseProgress();
}

}  // namespace lanxi
