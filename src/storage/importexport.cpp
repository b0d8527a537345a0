#include "storage/importexport.h"

#include <sqlite3.h>
#include <QFile>
#include <QFileInfo>
#include <QScopedValueRollback>
#include <cstdio>

#include "common/programfolder.h"
#include "common/progress.h"
#include "common/routines.h"
#include "common/userprompts.h"
#include "storage/databasecopy.h"
#include "storage/dboperate.h"
#include "storage/schema.h"

using namespace Qt::StringLiterals;

namespace lanxi {
namespace {

FileDialogSpec DatabaseDialog(const QString& title, const QString& defaultName = {}) {
  FileDialogSpec spec;
  spec.title = title;
  spec.filters = QStringList{QString::fromUtf16(kDatabaseFileFilter)};
  spec.filterIndex = 1;
  spec.defaultName = defaultName;
  return spec;
}

QString WithReason(const QString& text, const QString& reason) {
  return reason.isEmpty() ? text : text + u'\n' + reason;
}

// Whether `path` is one of the program's own database files: the catalogue, the template or a
// catalogued database (the same file by any name or link).
bool IsProgramDatabase(const QString& path) {
  const QString target = QFileInfo(path).canonicalFilePath();
  if (target.isEmpty()) return false;
  QStringList files{QString::fromUtf16(kCatalogFile), QString::fromUtf16(kTemplateFile)};
  Connection catalog;
  std::vector<CatalogueEntry> rows;
  if (catalog.open(DatabasePath(QString::fromUtf16(kCatalogFile))) &&
      ReadCatalogue(catalog, &rows)) {
    for (const CatalogueEntry& e : rows) files << e.file;
  }
  for (const QString& f : std::as_const(files)) {
    if (!f.isEmpty() && QFileInfo(ProgramFile(f)).canonicalFilePath() == target) return true;
  }
  return false;
}

// The progress window with a caption, for work that cannot be counted; closed before the
// message that ends the work.
class Working {
 public:
  explicit Working(const QString& caption) { ShowProgress(caption, 0); }
  ~Working() { Done(); }
  Working(const Working&) = delete;
  Working& operator=(const Working&) = delete;
  void Done() {
    if (open_) CloseProgress();
    open_ = false;
  }
  CopyTick Tick() {
    return [this] { pump_.Pump(); };
  }

 private:
  TimedPump pump_;
  bool open_ = true;
};

// Why a registration failed, as the import reports it.
QString RegistrationFailure(const Registration& reg, const QString& name, const QString& source) {
  using Failure = Registration::Failure;
  switch (reg.failure) {
    case Failure::NoFreeFile:
      return u"文件“"_s + reg.conflict + u"”冲突,数据库导入失败！"_s;
    case Failure::NotADatabase:
      return u"您要导入的不是本软件使用的数据库，请检查一下文件！"_s;
    case Failure::Catalogue:
      return WithReason(u"数据库“"_s + name + u"”无法加入数据库列表，数据库导入失败！"_s,
                        reg.reason);
    default:
      return WithReason(u"无法把文件“"_s + source + u"”放入程序文件夹，数据库导入失败！"_s,
                        reg.reason);
  }
}

}  // namespace

void ExportDB(CatalogueHost& host) {
  const QString name = host.ChooseDatabase();
  if (name.isEmpty()) return;
  QString target = Prompts().SaveFileName(DatabaseDialog(u"导出数据库"_s, name + u".mdb"_s));
  if (target.isEmpty()) return;
  if (QFileInfo(target).suffix().isEmpty()) target += u".mdb"_s;

  WorkDBFile = QString::fromUtf16(kCatalogFile);
  QString source = CataloguedFilePath(name);
  if (source.isEmpty()) source = ProgramFolder() + u"/DB.mdb"_s;  // a name without a row
  if (IsProgramDatabase(target)) {
    ShowMessage(u"文件“"_s + target + u"”是本软件正在使用的数据库文件，不能被覆盖，请另选文件！"_s,
                MessageKind::Warning);
    return;
  }
  const QFileInfo existing(target);
  if (existing.exists() || existing.isSymLink()) {
    if (!Prompts().Ask(u"文件“"_s + target + u"”已存在，是否覆盖？"_s)) return;
  }
  if (!QFileInfo(source).isFile()) {
    ShowMessage(u"数据库文件“"_s + source + u"”不存在！"_s, MessageKind::Warning);
    return;
  }

  // The file as it stood at its last commit: the hold keeps every commit out while the bytes
  // are read.
  Working working(u"正在导出数据库..."_s);
  CopyFault fault;
  DatabaseHold hold;
  const bool ok = hold.Take(source, DatabaseHold::Mode::Read, &fault) &&
                  hold.CopyFile(target, &fault, working.Tick());
  hold.Release();
  working.Done();
  if (!ok) {
    ShowMessage(WithReason(u"数据库导出失败！"_s, fault.Text()), MessageKind::Critical);
    return;
  }
  ShowMessage(u"数据库导出成功！"_s);
}

void ImportDB(CatalogueHost& host) {
  // One import at a time: the window is kept alive while it works, and a second import started
  // meanwhile would write over the first one's copy.
  static bool running = false;
  if (running) return;
  const QScopedValueRollback guard(running, true);
  const QString source = Prompts().OpenFileName(DatabaseDialog(u"导入数据库"_s));
  if (source.isEmpty() || !QFileInfo(source).isFile()) return;
  const QString invalid = u"文件：“"_s + source + u"”不是合法的数据库文件！"_s;
  if (!TestOpenDatabase(source)) {
    ShowMessage(invalid, MessageKind::Warning);
    return;
  }

  // The copy goes, unless it became the catalogued database.
  const QString copy = ProgramFile(QString::fromUtf16(kImportCopyFile));
  struct Removal {
    QString path;
    ~Removal() { QFile::remove(path); }
  } removal{copy};
  {
    Working working(u"正在导入数据库..."_s);
    CopyFault fault;
    const bool copied = CopyDatabase(source, copy, kCipherPageSize, &fault, working.Tick());
    working.Done();
    if (!copied) {
      // A damaged file is not a valid database; anything else is the program folder's trouble.
      const int code = fault.code & 0xff;
      if (code == SQLITE_CORRUPT || code == SQLITE_NOTADB) {
        ShowMessage(invalid, MessageKind::Warning);
      } else {
        ShowMessage(WithReason(u"无法把文件“"_s + source + u"”复制到程序文件夹，数据库导入失败！"_s,
                               fault.Text()),
                    MessageKind::Critical);
      }
      return;
    }
  }
  const QString copyFile = QFileInfo(copy).fileName();
  if (!TableExists(u"PInfo"_s, copyFile) || !TableExists(u"Product"_s, copyFile)) {
    ShowMessage(u"您要导入的不是本软件使用的数据库，请检查一下文件！"_s, MessageKind::Warning);
    return;
  }

  const QString name = AskDatabaseName(u"请输入数据库名称："_s, [](const QString& n) {
    WorkDBFile = u"PARA.MDB"_s;
    if (!IsCatalogued(n)) return true;
    ShowMessage(u"数据库“"_s + n + u"”已经存在，请重新取名。"_s, MessageKind::Warning);
    return false;
  });
  if (name.isEmpty()) return;

  Connection catalog;
  if (!OpenConnection(catalog, QString::fromUtf16(kCatalogFile))) return;
  // The copy is moved to its place under the catalogue's marks: a crash at any moment leaves
  // either the catalogued database or nothing.
  const auto move = [&](const QString& to) {
    return std::rename(QFile::encodeName(copy).constData(), QFile::encodeName(to).constData()) == 0;
  };
  Registration reg;
  if (!RegisterDatabase(catalog, ProgramFolder(), name, move, &reg)) {
    ShowMessage(RegistrationFailure(reg, name, source), MessageKind::Critical);
    return;
  }
  catalog.close();
  if (Prompts().Ask(u"导入成功，是否现在马上调用？"_s)) OpenDB(host, name);
}

}  // namespace lanxi
