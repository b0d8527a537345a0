// Import, export and compaction of whole databases: what the user is told at each step, that
// every database keeps all its rows whatever fails, that nothing is left behind when a step
// stops, and that copies are one state of a file even while another program writes to it.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <QDateTime>
#include <QDir>
#include <QFile>
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
using test::DatabaseContent;
using test::FileBytes;

namespace {

// A handle of "another program": the plain sqlite3 API, keyed as the program keys its files,
// never waiting for a lock.
sqlite3* OtherProgram(const QString& path, const QByteArray& key = DatabaseKey()) {
  sqlite3* db = nullptr;
  sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                  nullptr);
  if (!key.isEmpty()) {
    sqlite3_key(db, key.constData(), int(key.size()));
    sqlite3_exec(db, "PRAGMA cipher_page_size=4096", nullptr, nullptr, nullptr);
  }
  return db;
}

void WriteFile(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(bytes);
}

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
    demo::Spec spec;
    spec.name = name;
    spec.products = products;
    spec.days = days;
    spec.seed = quint64(name.size() + products);
    spec.lastDay = QDate(2024, 6, 30);
    demo::Result r;
    QString error;
    EXPECT_TRUE(demo::GenerateCataloguedDatabase(folder.file(u"PARA.mdb"_s), spec, &r, &error))
        << error.toStdString();
    return folder.file(r.fileName);
  }
  static void Exec(const QString& path, const QString& sql) {
    Connection conn;
    ASSERT_TRUE(conn.open(path, Connection::Mode::Private));
    ASSERT_TRUE(conn.exec(sql)) << conn.lastError().toStdString();
  }
  int CatalogueRows() { return demo::CatalogueSize(folder.file(u"PARA.mdb"_s)); }
  QStringList Entries() const {
    return QDir(folder.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
  }

  test::TempProgramFolder folder;
  const QString tmp = folder.file(u"tmp"_s);
  test::ScriptedPrompts prompts;
  test::FakeHost host;
};

}  // namespace

// ---------------------------------------------------------------------------------------------
// Compaction

TEST_F(Maintenance, CompactionKeepsEveryRowDropsWorkTablesAndConvertsOldPages) {
  const QString a = Make(u"甲"_s, 20, 120), b = Make(u"乙"_s);
  ASSERT_TRUE(CopyDatabase(b, b, nullptr, kLegacyCipherPageSize));
  ASSERT_EQ(PageSize(b), kLegacyCipherPageSize);
  // Working tables of the statistics, and free pages left by a table dropped.
  Exec(a,
       u"CREATE TABLE T_SalesByPro AS SELECT Dat, SUM(Sales) AS Sales FROM PInfo GROUP BY Dat;"
       "CREATE TABLE Junk AS SELECT * FROM PInfo; DROP TABLE Junk; PRAGMA user_version=7"_s);
  Exec(b, u"CREATE TABLE T_STR(x); CREATE TABLE T_STR1(y)"_s);
  const QString contentA = DatabaseContent(a, false), contentB = DatabaseContent(b, false);
  const qint64 sizeA = QFileInfo(a).size();
  const QByteArray catalogue = FileBytes(folder.file(u"PARA.mdb"_s));
  const QByteArray templ = FileBytes(folder.file(u"data.mdb"_s));
  // The current database, with its kept handle open.
  ASSERT_TRUE(OpenDB(host, u"甲"_s));
  ASSERT_EQ(LookupValue(u"PInfo"_s, Value(1), u"ID"_s, u"ID"_s, CurDBFile), Value(1));
  ASSERT_TRUE(HasKeptConnection(CurDBFile));

  ProgressWindow progress;
  CompactAll();

  EXPECT_EQ(prompts.messages, QStringList());
  EXPECT_EQ(progress.shown, QStringList{u"正在压缩和整理数据库.../3"_s});
  EXPECT_FALSE(ProgressOpen());
  // The same rows and version, no working table, no free pages, 4 KB pages everywhere.
  EXPECT_EQ(DatabaseContent(a), contentA);
  EXPECT_EQ(DatabaseContent(b), contentB);
  EXPECT_LT(QFileInfo(a).size(), sizeA);
  for (const QString& f : {a, b, folder.file(u"PARA.mdb"_s)}) EXPECT_EQ(PageSize(f), 4096);
  // The current database is read from its new file.
  EXPECT_EQ(LookupValue(u"PInfo"_s, Value(2), u"ID"_s, u"ID"_s, CurDBFile), Value(2));
  // Each compaction replaced the backup: the catalogue, compacted last, is in it.
  EXPECT_EQ(GetTempDir(), tmp + u'/');
  EXPECT_EQ(QDir(tmp).entryList(QDir::Files), QStringList{u"backup.mdb"_s});
  EXPECT_EQ(FileBytes(tmp + u"/backup.mdb"_s), catalogue);
  // The fallback database is the template: not catalogued, not compacted.
  EXPECT_EQ(FileBytes(folder.file(u"data.mdb"_s)), templ);
  EXPECT_EQ(test::CatalogueProblems(folder.path()), QStringList());
  EXPECT_EQ(test::CatalogueLeftovers(folder.path()), QStringList());
}

// While a file is compacted no other program commits to it: a commit to the old file would be
// lost when the new one takes its place. Afterwards, a program that held the old file open is
// refused its next write rather than writing into a file nobody reads.
TEST_F(Maintenance, NoCommitReachesAFileWhileItIsCompacted) {
  const QString a = Make(u"甲"_s, 20, 120);
  const QString before = DatabaseContent(a);
  sqlite3* other = OtherProgram(a);
  ASSERT_EQ(sqlite3_exec(other, "SELECT count(*) FROM PInfo", nullptr, nullptr, nullptr),
            SQLITE_OK);
  int attempts = 0, refused = 0;
  ASSERT_TRUE(CompactDatabaseFile(a, true, [&] {
    ++attempts;
    const int rc =
        sqlite3_exec(other, "INSERT INTO Product(Name) VALUES('迟到')", nullptr, nullptr, nullptr);
    refused += rc == SQLITE_BUSY ? 1 : 0;
  }));
  EXPECT_GT(attempts, 0);
  EXPECT_EQ(refused, attempts);
  EXPECT_EQ(DatabaseContent(a), before);
  EXPECT_NE(
      sqlite3_exec(other, "INSERT INTO Product(Name) VALUES('迟到')", nullptr, nullptr, nullptr),
      SQLITE_OK);
  sqlite3_close(other);
  EXPECT_EQ(DatabaseContent(a), before);
  EXPECT_EQ(prompts.messages, QStringList());
}

TEST_F(Maintenance, AFailedCompactionLeavesTheFileAsItWas) {
  const QString a = Make(u"甲"_s, 20, 120);
  // A damaged page in the middle of the file.
  {
    QFile f(a);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    ASSERT_TRUE(f.seek(f.size() / 2 / 4096 * 4096 + 100));
    f.write(QByteArray(64, 'x'));
  }
  const QByteArray damaged = FileBytes(a);
  EXPECT_FALSE(CompactDatabaseFile(a, true));
  ASSERT_EQ(prompts.messages.size(), 1);
  const QString fileName = QFileInfo(a).fileName();
  // The engine's number for a damaged file and why in words; its own text on a line of its own.
  EXPECT_TRUE(prompts.messages[0].startsWith(u"数据库压缩失败（11数据库文件“"_s + fileName +
                                             u"”已损坏）！\n数据库文件“"_s + a +
                                             u"”保持原样，没有改动。\n"_s))
      << prompts.messages[0].toStdString();
  EXPECT_EQ(FileBytes(a), damaged);
  EXPECT_FALSE(QFile::exists(a + u".partial"_s));

  prompts.messages.clear();
  EXPECT_FALSE(CompactDatabaseFile(folder.file(u"DB990101000000.mdb"_s), true));
  EXPECT_EQ(prompts.messages, QStringList{u"没有找到要压缩的数据库文件！"_s});
}

TEST_F(Maintenance, AMissingFileIsReportedAndTheOthersAreCompacted) {
  const QString a = Make(u"甲"_s), b = Make(u"乙"_s);
  Exec(b, u"CREATE TABLE T_X(a)"_s);
  ASSERT_TRUE(QFile::remove(a));
  // Without a temporary folder there is no backup; compaction goes on.
  qputenv("TMPDIR", QFile::encodeName(folder.file(u"none"_s)));
  EXPECT_EQ(GetTempDir(), QString());
  ProgressWindow progress;
  CompactAll();
  EXPECT_EQ(prompts.messages, QStringList{u"没有找到要压缩的数据库文件！"_s});
  EXPECT_EQ(DatabaseContent(b), DatabaseContent(b, false));
  EXPECT_EQ(QDir(tmp).entryList(QDir::Files), QStringList());
}

TEST_F(Maintenance, ClosingTheProgressWindowStopsBeforeTheNextDatabase) {
  const QString a = Make(u"甲"_s), b = Make(u"乙"_s);
  Exec(a, u"CREATE TABLE T_A(a)"_s);
  Exec(b, u"CREATE TABLE T_B(b)"_s);
  const QByteArray catalogue = FileBytes(folder.file(u"PARA.mdb"_s));
  ProgressWindow progress(1);
  CompactAll();
  EXPECT_EQ(DatabaseContent(a), DatabaseContent(a, false));
  EXPECT_NE(DatabaseContent(b), DatabaseContent(b, false));  // T_B is still there
  EXPECT_EQ(FileBytes(tmp + u"/backup.mdb"_s), catalogue);   // the catalogue, as always
  EXPECT_FALSE(ProgressOpen());
  EXPECT_EQ(prompts.messages, QStringList());
}

// ---------------------------------------------------------------------------------------------
// Export

TEST_F(Maintenance, ExportWritesACopyThatImportTakesUnderANewName) {
  const QString a = Make(u"女装"_s, 10, 90);
  const QString content = DatabaseContent(a);
  host.chosen = u"女装"_s;
  QDir().mkpath(folder.file(u"out"_s));
  const QString out = folder.file(u"out/女装备份"_s);
  prompts.files.enqueue(out);
  ProgressWindow progress;
  ExportDB(host);
  EXPECT_EQ(prompts.messages, QStringList{u"数据库导出成功！"_s});
  ASSERT_EQ(prompts.fileDialogs.size(), 1);
  EXPECT_EQ(prompts.fileDialogs[0].filters, QStringList{u"MDB (数据库文件)(*.mdb)"_s});
  EXPECT_EQ(prompts.fileDialogs[0].filterIndex, 1);
  EXPECT_EQ(prompts.fileDialogs[0].defaultName, u"女装.mdb"_s);
  EXPECT_EQ(FileBytes(out + u".mdb"_s), FileBytes(a));  // the key and every byte kept
  EXPECT_FALSE(QFile::exists(out + u".mdb.partial"_s));

  prompts.messages.clear();
  prompts.files.enqueue(out + u".mdb"_s);
  prompts.inputs.enqueue(u"女装"_s);
  prompts.inputs.enqueue(u"女装'二\""_s);
  prompts.answers.enqueue(false);
  ImportDB(host);
  EXPECT_EQ(prompts.messages, QStringList{u"数据库“女装”已经存在，请重新取名。"_s});
  EXPECT_EQ(prompts.inputPrompts, QStringList(2, u"请输入数据库名称："_s));
  EXPECT_EQ(prompts.questions, QStringList{u"导入成功，是否现在马上调用？"_s});
  EXPECT_EQ(prompts.fileDialogs[1].filters, QStringList{u"MDB (数据库文件)(*.mdb)"_s});
  const QString copy = CataloguedFilePath(u"女装二"_s);
  ASSERT_FALSE(copy.isEmpty());
  EXPECT_NE(QFileInfo(copy).fileName(), QFileInfo(a).fileName());
  EXPECT_EQ(DatabaseContent(copy), content);
  // Not opened: No was the answer.
  EXPECT_EQ(host.label, u"  "_s);
  EXPECT_EQ(host.refreshes, 0);
  EXPECT_EQ(test::CatalogueProblems(folder.path()), QStringList());
  EXPECT_FALSE(QFile::exists(folder.file(u"TEMP.MDB"_s)));
  EXPECT_EQ(progress.shown, (QStringList{u"正在导出数据库.../0"_s, u"正在导入数据库.../0"_s}));
  EXPECT_FALSE(ProgressOpen());
}

TEST_F(Maintenance, ExportAsksBeforeReplacingAFileAndNeverReplacesTheProgramsOwn) {
  const QString a = Make(u"甲"_s);
  Make(u"乙"_s);
  host.chosen = u"甲"_s;
  const QString target = folder.file(u"old.mdb"_s);
  WriteFile(target, "old");
  const QString question = u"文件“"_s + target + u"”已存在，是否覆盖？"_s;

  prompts.files.enqueue(target);
  prompts.answers.enqueue(false);
  ExportDB(host);
  EXPECT_EQ(prompts.questions, QStringList{question});
  EXPECT_EQ(prompts.messages, QStringList());
  EXPECT_EQ(FileBytes(target), "old");

  prompts.files.enqueue(target);
  prompts.answers.enqueue(true);
  ExportDB(host);
  EXPECT_EQ(prompts.messages, QStringList{u"数据库导出成功！"_s});
  EXPECT_EQ(FileBytes(target), FileBytes(a));

  // The catalogue and another catalogued database are never written over.
  prompts.messages.clear();
  prompts.questions.clear();
  for (const QString& own : {folder.file(u"PARA.mdb"_s), CataloguedFilePath(u"乙"_s)}) {
    const QByteArray before = FileBytes(own);
    prompts.files.enqueue(own);
    prompts.answers.enqueue(true);
    ExportDB(host);
    EXPECT_EQ(prompts.messages.takeLast(),
              u"文件“"_s + own + u"”是本软件正在使用的数据库文件，不能被覆盖，请另选文件！"_s);
    EXPECT_EQ(FileBytes(own), before);
  }
  EXPECT_EQ(prompts.questions, QStringList());

  // Cancelled dialogs change nothing.
  prompts.answers.clear();
  ExportDB(host);
  host.chosen.clear();
  ExportDB(host);
  EXPECT_EQ(prompts.fileDialogs.size(), 5);
  EXPECT_EQ(prompts.messages, QStringList());
}

TEST_F(Maintenance, AnExportThatCannotBeDoneSaysWhy) {
  const QString a = Make(u"甲"_s);
  host.chosen = u"甲"_s;
  prompts.files.enqueue(folder.file(u"no such folder/out.mdb"_s));
  ExportDB(host);
  ASSERT_EQ(prompts.messages.size(), 1);
  EXPECT_TRUE(prompts.messages[0].startsWith(u"数据库导出失败！\n无法写入文件“out.mdb”。"_s))
      << prompts.messages[0].toStdString();

  prompts.messages.clear();
  ASSERT_TRUE(QFile::remove(a));
  prompts.files.enqueue(folder.file(u"out.mdb"_s));
  ExportDB(host);
  EXPECT_EQ(prompts.messages, QStringList{u"数据库文件“"_s + a + u"”不存在！"_s});
  EXPECT_FALSE(QFile::exists(folder.file(u"out.mdb"_s)));
}

// The copy is the file as it stood at its last commit: a write in progress is not in it, and a
// write that has begun to change the file makes the export wait for it and then give up,
// rather than copy a half-written file.
TEST_F(Maintenance, ExportCopiesTheLastCommitWhileAnotherProgramWrites) {
  const QString a = Make(u"甲"_s, 20, 120);
  const QString committed = DatabaseContent(a);
  host.chosen = u"甲"_s;
  sqlite3* writer = OtherProgram(a);
  ASSERT_EQ(
      sqlite3_exec(writer, "BEGIN; INSERT INTO PInfo(PID,Dat,Sales) SELECT PID,Dat,1 FROM PInfo",
                   nullptr, nullptr, nullptr),
      SQLITE_OK);
  const QString first = folder.file(u"first.mdb"_s), second = folder.file(u"second.mdb"_s);
  prompts.files.enqueue(first);
  ExportDB(host);
  EXPECT_EQ(prompts.messages, QStringList{u"数据库导出成功！"_s});
  EXPECT_EQ(DatabaseContent(first), committed);

  // Too large for its cache: pages of the write go to the file before the commit.
  ASSERT_EQ(sqlite3_exec(writer, "PRAGMA cache_size=10; UPDATE PInfo SET Sales=-Sales", nullptr,
                         nullptr, nullptr),
            SQLITE_OK);
  prompts.messages.clear();
  prompts.files.enqueue(second);
  ExportDB(host);
  ASSERT_EQ(prompts.messages.size(), 1);
  EXPECT_TRUE(prompts.messages[0].startsWith(u"数据库导出失败！\n数据库文件“"_s +
                                             QFileInfo(a).fileName() +
                                             u"”正被其他程序使用（已锁定），请稍后再试。"_s))
      << prompts.messages[0].toStdString();
  EXPECT_FALSE(QFile::exists(second));
  EXPECT_FALSE(QFile::exists(second + u".partial"_s));
  sqlite3_exec(writer, "ROLLBACK", nullptr, nullptr, nullptr);
  sqlite3_close(writer);
  EXPECT_EQ(DatabaseContent(a), committed);
}

// ---------------------------------------------------------------------------------------------
// Import

TEST_F(Maintenance, ImportRefusesWhatIsNotADatabaseOfTheProgram) {
  const QString good = Make(u"甲"_s, 20, 120);
  const QString outside = folder.file(u"outside"_s);
  QDir().mkpath(outside);
  const QString invalid = u"文件：“%1”不是合法的数据库文件！"_s;
  const QString foreign = u"您要导入的不是本软件使用的数据库，请检查一下文件！"_s;
  struct Case {
    const char* what;
    QString file;
    QString message;
  };
  std::vector<Case> cases;
  const auto add = [&](const char* what, const QByteArray& bytes, const QString& message) {
    const QString path = outside + u'/' + QString::fromLatin1(what) + u".mdb"_s;
    WriteFile(path, bytes);
    cases.push_back({what, path, message.contains(u"%1"_s) ? message.arg(path) : message});
  };
  add("text", "ID,Name\n1,甲\n", invalid);
  add("empty", {}, invalid);
  add("truncated", FileBytes(good).left(int(QFileInfo(good).size() / 2)), invalid);
  add("catalogue", FileBytes(folder.file(u"PARA.mdb"_s)), foreign);
  add("noPInfo", FileBytes(good), foreign);
  Exec(cases.back().file, u"DROP TABLE PInfo"_s);
  for (const auto& [what, key] :
       {std::pair{"otherKey", QByteArray("'另一个密码'")}, std::pair{"plain", QByteArray()}}) {
    const QString path = outside + u'/' + QString::fromLatin1(what) + u".mdb"_s;
    sqlite3* db = OtherProgram(path, key);
    ASSERT_EQ(sqlite3_exec(db, "CREATE TABLE Product(ID); CREATE TABLE PInfo(PID)", nullptr,
                           nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
    cases.push_back({what, path, invalid.arg(path)});
  }

  const QStringList entries = Entries();
  const int rows = CatalogueRows();
  for (const Case& c : cases) {
    prompts.messages.clear();
    prompts.files.enqueue(c.file);
    prompts.inputs.enqueue(u"新库"_s);
    ImportDB(host);
    EXPECT_EQ(prompts.messages, QStringList{c.message}) << c.what;
    EXPECT_EQ(prompts.inputPrompts, QStringList()) << c.what;
    EXPECT_EQ(Entries(), entries) << c.what;
    EXPECT_EQ(CatalogueRows(), rows) << c.what;
    prompts.inputs.clear();
  }
  EXPECT_FALSE(ProgressOpen());
}

TEST_F(Maintenance, ImportStoppedAtAnyStepLeavesNothingBehind) {
  const QString a = Make(u"甲"_s);
  const QString source = folder.file(u"outside.mdb"_s);
  ASSERT_TRUE(QFile::copy(a, source));
  const QStringList entries = Entries();
  // The open dialog cancelled, or a file that is not there.
  ImportDB(host);
  prompts.files.enqueue(folder.file(u"gone.mdb"_s));
  ImportDB(host);
  // The name question cancelled, or answered with nothing but quotes and spaces.
  prompts.files.enqueue(source);
  ImportDB(host);
  prompts.files.enqueue(source);
  prompts.inputs.enqueue(u" '\" "_s);
  ImportDB(host);
  EXPECT_EQ(prompts.messages, QStringList());
  EXPECT_EQ(prompts.inputPrompts.size(), 2);
  EXPECT_EQ(Entries(), entries);
  EXPECT_EQ(CatalogueRows(), 1);

  // Yes to the last question opens the new database.
  prompts.files.enqueue(source);
  prompts.inputs.enqueue(u"新库"_s);
  prompts.answers.enqueue(true);
  ImportDB(host);
  EXPECT_EQ(host.label, u"新库"_s);
  EXPECT_EQ(host.refreshes, 1);
  EXPECT_EQ(DatabasePath(CurDBFile), CataloguedFilePath(u"新库"_s));
  EXPECT_EQ(CatalogueRows(), 2);
}

// A file of the second the import is catalogued in may exist already (a database made in the
// same second, a file nobody catalogued): it is never replaced. A file with the old 1 KB pages
// comes in with the current page size.
TEST_F(Maintenance, ImportNeverReplacesAFileAndConvertsOldPages) {
  const QString source = folder.file(u"old.mdb"_s);
  ASSERT_TRUE(QFile::copy(Make(u"甲"_s), source));
  ASSERT_TRUE(CopyDatabase(source, source, nullptr, kLegacyCipherPageSize));
  const QString content = DatabaseContent(source);
  QStringList occupied;
  const QDateTime now = QDateTime::currentDateTime();
  for (int s = -1; s <= 5; ++s) {
    const QString file = CatalogFileName(now.addSecs(s).toString(u"yyyy-MM-dd HH:mm:ss"_s));
    if (QFile::exists(folder.file(file))) continue;
    WriteFile(folder.file(file), "occupied");
    occupied << folder.file(file);
  }
  prompts.files.enqueue(source);
  prompts.inputs.enqueue(u"旧库"_s);
  ImportDB(host);
  const QString path = CataloguedFilePath(u"旧库"_s);
  ASSERT_FALSE(path.isEmpty());
  EXPECT_FALSE(occupied.contains(path));
  for (const QString& f : std::as_const(occupied)) EXPECT_EQ(FileBytes(f), "occupied");
  EXPECT_EQ(DatabaseContent(path), content);
  EXPECT_EQ(PageSize(path), kCipherPageSize);
  EXPECT_EQ(prompts.messages, QStringList());
}

TEST_F(Maintenance, TheNextStartRemovesTheCopyOfAnInterruptedImport) {
  WriteFile(folder.file(u"TEMP.MDB"_s), "copy");
  WriteFile(folder.file(u"TEMP.MDB.partial"_s), "half a copy");
  LoadDefaultDB(host);
  EXPECT_FALSE(QFile::exists(folder.file(u"TEMP.MDB"_s)));
  EXPECT_FALSE(QFile::exists(folder.file(u"TEMP.MDB.partial"_s)));
}
