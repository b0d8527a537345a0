// Import, export and compaction of whole databases: what the user is told, that every database
// keeps its rows whatever fails, and that copies are one committed state of a file.
#include <gtest/gtest.h>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>

#include "cataloguecheck.h"
#include "common/progress.h"
#include "databasecontent.h"
#include "demodata.h"
#include "fakecataloguehost.h"
#include "programfolder_fixture.h"
#include "scriptedprompts.h"
#include "storage/compaction.h"
#include "storage/dboperate.h"
#include "storage/importexport.h"
#include "storage/schema.h"

using namespace Qt::StringLiterals;
using namespace lanxi;
using namespace lanxi::test;

namespace {

int PageSize(const QString& path) {
  Connection conn;
  return conn.open(path, Connection::Mode::Private) ? conn.pageSize() : 0;
}

// Records the progress window's openings; the user closes it once the bar has moved
// `closeAt` steps (never when 0).
class ProgressWindow final : public ProgressDisplay {
 public:
  explicit ProgressWindow(int closeAt = 0) : closeAt_(closeAt) { SetProgressDisplay(this); }
  ~ProgressWindow() override { SetProgressDisplay(nullptr); }
  void Refresh(const ProgressState& state) override {
    if (closeAt_ > 0 && state.pos >= closeAt_ && state.visible) ProgressWindowClosed();
  }
  void Show() override { shown << Progress().caption + u'/' + QString::number(Progress().total); }
  void Unload() override {}
  QStringList shown;

 private:
  int closeAt_;
};

class Maintenance : public ::testing::Test {
 protected:
  Maintenance() {
    QDir().mkpath(tmp);
    qputenv("TMPDIR", QFile::encodeName(tmp));
  }
  ~Maintenance() override {
    qunsetenv("TMPDIR");
    CloseProgress();
  }

  // A catalogued database of made-up figures; its path.
  QString Make(const QString& name, int products = 8, int days = 60) {
    const demo::Spec spec{name, products, days, quint64(name.size() + products), {2024, 6, 30}};
    demo::Result r;
    QString error;
    EXPECT_TRUE(demo::GenerateCataloguedDatabase(para, spec, &r, &error)) << error.toStdString();
    return folder.file(r.fileName);
  }
  static void Exec(const QString& path, const QString& sql) {
    Connection conn;
    ASSERT_TRUE(conn.open(path, Connection::Mode::Private));
    ASSERT_TRUE(conn.exec(sql)) << conn.lastError().toStdString();
  }
  QStringList Entries() const {
    return QDir(folder.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
  }
  // One export or import with the file (when given) the user picks in the dialog.
  void Export(const QString& file = {}, std::optional<bool> replace = {}) {
    if (!file.isEmpty()) prompts.files.enqueue(file);
    if (replace) prompts.answers.enqueue(*replace);
    ExportDB(host);
  }
  void Import(const QString& file, const QStringList& names = {}, bool open = false) {
    if (!file.isEmpty()) prompts.files.enqueue(file);
    for (const QString& n : names) prompts.inputs.enqueue(n);
    prompts.answers.enqueue(open);
    ImportDB(host);
    prompts.inputs.clear();
    prompts.answers.clear();
  }
  void ExpectOneMessageStartingWith(const QString& start) {
    ASSERT_EQ(prompts.messages.size(), 1);
    EXPECT_TRUE(prompts.messages[0].startsWith(start)) << prompts.messages[0].toStdString();
    prompts.messages.clear();
  }

  TempProgramFolder folder;
  const QString tmp = folder.file(u"tmp"_s), para = folder.file(u"PARA.mdb"_s);
  ScriptedPrompts prompts;
  FakeHost host;
};

}  // namespace

TEST_F(Maintenance, CompactionKeepsEveryRowDropsWorkTablesAndConvertsOldPages) {
  const QString a = Make(u"甲"_s, 20, 120), b = Make(u"乙"_s);
  ASSERT_TRUE(CopyDatabase(b, b, nullptr, kLegacyCipherPageSize));
  // Working tables of the statistics, and free pages left by a table dropped.
  Exec(a,
       u"CREATE TABLE T_SalesByPro AS SELECT Dat, SUM(Sales) AS Sales FROM PInfo GROUP BY Dat;"
       "CREATE TABLE Junk AS SELECT * FROM PInfo; DROP TABLE Junk; PRAGMA user_version=7"_s);
  Exec(b, u"CREATE TABLE T_STR(x); CREATE TABLE T_STR1(y)"_s);
  const QString contentA = DatabaseContent(a, false);
  const qint64 sizeA = QFileInfo(a).size();
  const QByteArray catalogue = FileBytes(para), templ = FileBytes(folder.file(u"data.mdb"_s));
  // The current database, with its kept handle open.
  ASSERT_TRUE(OpenDB(host, u"甲"_s));
  ASSERT_EQ(LookupValue(u"PInfo"_s, Value(1), u"ID"_s, u"ID"_s, CurDBFile), Value(1));
  ASSERT_TRUE(HasKeptConnection(CurDBFile));

  ProgressWindow progress;
  CompactAll();
  EXPECT_EQ(prompts.messages, QStringList());
  EXPECT_EQ(progress.shown, QStringList{u"正在压缩和整理数据库.../3"_s});
  // The same rows and version, no working table, no free pages, 4 KB pages everywhere.
  EXPECT_EQ(DatabaseContent(a), contentA);
  EXPECT_LT(QFileInfo(a).size(), sizeA);
  for (const QString& f : {a, b, para}) EXPECT_EQ(PageSize(f), 4096);
  // The current database is read from its new file.
  EXPECT_EQ(LookupValue(u"PInfo"_s, Value(2), u"ID"_s, u"ID"_s, CurDBFile), Value(2));
  // Each compaction replaced the backup: the catalogue, compacted last, is in it.
  EXPECT_EQ(QDir(tmp).entryList(QDir::Files), QStringList{u"backup.mdb"_s});
  EXPECT_EQ(FileBytes(tmp + u"/backup.mdb"_s), catalogue);
  EXPECT_EQ(FileBytes(folder.file(u"data.mdb"_s)), templ);  // the template is not compacted
}

// No other program commits to a file being compacted, nor afterwards to the replaced file.
TEST_F(Maintenance, NoCommitReachesAFileWhileItIsCompacted) {
  const QString a = Make(u"甲"_s, 20, 120);
  const QString before = DatabaseContent(a);
  sqlite3* other = RawOpen(a);
  const auto write = [other] {
    return sqlite3_exec(other, "INSERT INTO Product(Name) VALUES('迟到')", nullptr, nullptr,
                        nullptr);
  };
  ASSERT_EQ(sqlite3_exec(other, "SELECT count(*) FROM PInfo", nullptr, nullptr, nullptr),
            SQLITE_OK);
  int attempts = 0, refused = 0;
  ASSERT_TRUE(CompactDatabaseFile(a, true, [&] {
    ++attempts;
    refused += write() == SQLITE_BUSY ? 1 : 0;
  }));
  EXPECT_GT(attempts, 0);
  EXPECT_EQ(refused, attempts);
  EXPECT_EQ(DatabaseContent(a), before);
  EXPECT_NE(write(), SQLITE_OK);
  sqlite3_close(other);
  EXPECT_EQ(DatabaseContent(a), before);
}

// A missing file is reported and the others are compacted; closing the progress window stops
// before the next database.
TEST_F(Maintenance, AMissingFileOrAClosedProgressWindowStopsOnlyWhereItShould) {
  const QString a = Make(u"甲"_s), b = Make(u"乙"_s), c = Make(u"丙"_s);
  for (const QString& f : {b, c}) Exec(f, u"CREATE TABLE T_X(a)"_s);
  ASSERT_TRUE(QFile::remove(a));
  const QByteArray catalogue = FileBytes(para);
  {
    ProgressWindow progress(2);
    CompactAll();
  }
  EXPECT_EQ(prompts.messages, QStringList{u"没有找到要压缩的数据库文件！"_s});
  EXPECT_EQ(DatabaseContent(b), DatabaseContent(b, false));
  EXPECT_NE(DatabaseContent(c), DatabaseContent(c, false));  // T_X is still there
  EXPECT_EQ(FileBytes(tmp + u"/backup.mdb"_s), catalogue);   // the catalogue, as always
}

TEST_F(Maintenance, ExportWritesACopyThatImportTakesUnderANewName) {
  const QString a = Make(u"女装"_s, 10, 90);
  const QString content = DatabaseContent(a);
  host.chosen = u"女装"_s;
  QDir().mkpath(folder.file(u"out"_s));
  const QString out = folder.file(u"out/女装备份"_s);
  ProgressWindow progress;
  Export(out);
  EXPECT_EQ(prompts.messages, QStringList{u"数据库导出成功！"_s});
  ASSERT_EQ(prompts.fileDialogs.size(), 1);
  EXPECT_EQ(prompts.fileDialogs[0].filters, QStringList{u"MDB (数据库文件)(*.mdb)"_s});
  EXPECT_EQ(prompts.fileDialogs[0].defaultName, u"女装.mdb"_s);
  EXPECT_EQ(FileBytes(out + u".mdb"_s), FileBytes(a));  // the key and every byte kept

  prompts.messages.clear();
  Import(out + u".mdb"_s, {u"女装"_s, u"女装'二\""_s}, false);
  EXPECT_EQ(prompts.messages, QStringList{u"数据库“女装”已经存在，请重新取名。"_s});
  EXPECT_EQ(prompts.inputPrompts, QStringList(2, u"请输入数据库名称："_s));
  EXPECT_EQ(prompts.questions, QStringList{u"导入成功，是否现在马上调用？"_s});
  const QString copy = CataloguedFilePath(u"女装二"_s);
  ASSERT_FALSE(copy.isEmpty());
  EXPECT_EQ(DatabaseContent(copy), content);
  EXPECT_EQ(host.refreshes, 0);  // not opened: No was the answer
  EXPECT_EQ(CatalogueProblems(folder.path()), QStringList());
  EXPECT_EQ(progress.shown, (QStringList{u"正在导出数据库.../0"_s, u"正在导入数据库.../0"_s}));
}

TEST_F(Maintenance, ExportAsksBeforeReplacingAFileNeverReplacesTheProgramsOwnAndSaysWhyItFails) {
  const QString a = Make(u"甲"_s);
  Make(u"乙"_s);
  host.chosen = u"甲"_s;
  const QString target = folder.file(u"old.mdb"_s);
  ASSERT_TRUE(WriteFile(target, "old"));
  Export(target, false);
  EXPECT_EQ(prompts.questions, QStringList{u"文件“"_s + target + u"”已存在，是否覆盖？"_s});
  EXPECT_EQ(prompts.messages, QStringList());
  EXPECT_EQ(FileBytes(target), "old");
  Export(target, true);
  EXPECT_EQ(prompts.messages, QStringList{u"数据库导出成功！"_s});
  EXPECT_EQ(FileBytes(target), FileBytes(a));

  // Another catalogued database is never written over.
  prompts.messages.clear();
  const QString own = CataloguedFilePath(u"乙"_s);
  const QByteArray before = FileBytes(own);
  Export(own, true);
  EXPECT_EQ(prompts.messages.takeLast(),
            u"文件“"_s + own + u"”是本软件正在使用的数据库文件，不能被覆盖，请另选文件！"_s);
  EXPECT_EQ(FileBytes(own), before);

  // A failure names the file the user chose, not the copy being written beside it.
  host.chosen = u"甲"_s;
  Export(folder.file(u"no such folder/out.mdb"_s));
  ExpectOneMessageStartingWith(u"数据库导出失败！\n无法写入文件“out.mdb”。"_s);
}

// The copy is the last commit; a write that has begun to change the file makes the export give up.
TEST_F(Maintenance, ExportCopiesTheLastCommitWhileAnotherProgramWrites) {
  const QString a = Make(u"甲"_s, 20, 120);
  const QString committed = DatabaseContent(a);
  host.chosen = u"甲"_s;
  sqlite3* writer = RawOpen(a);
  const auto exec = [writer](const char* sql) {
    return sqlite3_exec(writer, sql, nullptr, nullptr, nullptr);
  };
  ASSERT_EQ(exec("BEGIN; INSERT INTO PInfo(PID,Dat,Sales) SELECT PID,Dat,1 FROM PInfo"), SQLITE_OK);
  const QString first = folder.file(u"first.mdb"_s), second = folder.file(u"second.mdb"_s);
  Export(first);
  EXPECT_EQ(prompts.messages, QStringList{u"数据库导出成功！"_s});
  EXPECT_EQ(DatabaseContent(first), committed);

  // Too large for its cache: pages of the write go to the file before the commit.
  ASSERT_EQ(exec("PRAGMA cache_size=10; UPDATE PInfo SET Sales=-Sales"), SQLITE_OK);
  prompts.messages.clear();
  Export(second);
  ExpectOneMessageStartingWith(u"数据库导出失败！\n数据库文件“"_s + QFileInfo(a).fileName() +
                               u"”正被其他程序使用（已锁定），请稍后再试。"_s);
  EXPECT_FALSE(QFile::exists(second));
  EXPECT_FALSE(QFile::exists(second + u".partial"_s));
  exec("ROLLBACK");
  sqlite3_close(writer);
}

TEST_F(Maintenance, ImportRefusesWhatIsNotADatabaseOfTheProgram) {
  const QString text = folder.file(u"text.mdb"_s), noFigures = folder.file(u"noPInfo.mdb"_s);
  ASSERT_TRUE(WriteFile(text, "ID,Name\n1,甲\n") && QFile::copy(Make(u"甲"_s), noFigures));
  Exec(noFigures, u"DROP TABLE PInfo"_s);
  const QStringList entries = Entries();
  for (const auto& [file, message] :
       {std::pair{text, u"文件：“"_s + text + u"”不是合法的数据库文件！"_s},
        {noFigures, u"您要导入的不是本软件使用的数据库，请检查一下文件！"_s}}) {
    prompts.messages.clear();
    Import(file, {u"新库"_s});
    EXPECT_EQ(prompts.messages, QStringList{message});
    EXPECT_EQ(prompts.inputPrompts, QStringList());
    EXPECT_EQ(Entries(), entries);
  }
  EXPECT_EQ(demo::CatalogueSize(para), 1);
}

TEST_F(Maintenance, ImportStoppedAtAnyStepLeavesNothingBehind) {
  const QString source = folder.file(u"outside.mdb"_s);
  ASSERT_TRUE(QFile::copy(Make(u"甲"_s), source));
  const QStringList entries = Entries();
  // The open dialog cancelled; the name question cancelled or answered with quotes and spaces.
  Import({});
  Import(source);
  Import(source, {u" '\" "_s});
  EXPECT_EQ(prompts.messages, QStringList());
  EXPECT_EQ(Entries(), entries);
  EXPECT_EQ(demo::CatalogueSize(para), 1);

  // Yes to the last question opens the new database.
  Import(source, {u"新库"_s}, true);
  EXPECT_EQ(host.label, u"新库"_s);
  EXPECT_EQ(DatabasePath(CurDBFile), CataloguedFilePath(u"新库"_s));
}

// A file already named after the second of the import is never replaced; 1 KB pages become 4 KB.
TEST_F(Maintenance, ImportNeverReplacesAFileAndConvertsOldPages) {
  const QString source = folder.file(u"old.mdb"_s);
  ASSERT_TRUE(QFile::copy(Make(u"甲"_s), source));
  ASSERT_TRUE(CopyDatabase(source, source, nullptr, kLegacyCipherPageSize));
  const QString content = DatabaseContent(source);
  QStringList occupied;
  const QDateTime now = QDateTime::currentDateTime();
  for (int s = -1; s <= 5; ++s) {
    const QString file =
        folder.file(CatalogFileName(now.addSecs(s).toString(u"yyyy-MM-dd HH:mm:ss"_s)));
    if (!QFile::exists(file) && WriteFile(file, "occupied")) occupied << file;
  }
  Import(source, {u"旧库"_s});
  const QString path = CataloguedFilePath(u"旧库"_s);
  ASSERT_FALSE(path.isEmpty());
  EXPECT_FALSE(occupied.contains(path));
  for (const QString& f : std::as_const(occupied)) EXPECT_EQ(FileBytes(f), "occupied");
  EXPECT_EQ(DatabaseContent(path), content);
  EXPECT_EQ(PageSize(path), kCipherPageSize);
}
