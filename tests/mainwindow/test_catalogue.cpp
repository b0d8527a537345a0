// The catalogue of tracking databases: creating, opening (with the schema upgrade of older
// files), renaming, deleting, and the default database between runs.
#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <ctime>

#include "cataloguecheck.h"
#include "common/programfolder.h"
#include "fakecataloguehost.h"
#include "programfolder_fixture.h"
#include "scriptedprompts.h"
#include "storage/catalogue.h"
#include "storage/dboperate.h"
#include "storage/schema.h"

using namespace Qt::StringLiterals;
using namespace lanxi;

namespace {

using test::FakeHost;

class Catalogue : public ::testing::Test {
 protected:
  test::TempProgramFolder folder;
  test::ScriptedPrompts prompts;
  FakeHost host;

  // Catalogues a database the way the menu does, answering the questions.
  QString Create(const QString& typed, bool open = false) {
    prompts.inputs.enqueue(typed);
    prompts.answers.enqueue(open);
    NewDB(host);
    return CataloguedFilePath(CleanDatabaseName(typed));
  }
  // Catalogues a database directly, `secondsAgo` in the past (several within one second), or
  // with the Dat text `dat`; its file holds the template.
  QString Register(const QString& name, int secondsAgo, bool open = false) {
    return RegisterAt(name, Value::IsoDateTime(QDateTime::currentDateTime().addSecs(-secondsAgo)),
                      open);
  }
  QString RegisterAt(const QString& name, const QString& dat, bool open = false) {
    Sql(u"INSERT INTO DBInfo(Name,Dat) VALUES(?,?)"_s, {name, dat});
    const QString path = folder.file(CatalogFileName(dat));
    EXPECT_TRUE(QFile::copy(folder.file(u"data.mdb"_s), path));
    EXPECT_TRUE(!open || OpenDB(host, name));
    return path;
  }
  static void Sql(const QString& sql, const Params& params = {}) {
    EXPECT_TRUE(ExecuteSQL(sql, params, nullptr, u"PARA.mdb"_s)) << sql.toStdString();
  }
  static void WriteFile(const QString& path, const QByteArray& content) {
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly) && f.write(content) == content.size());
  }
  static QByteArray Content(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
  int CatalogueRows() {
    WorkDBFile = u"PARA.mdb"_s;
    return CountGroups(u"DBInfo"_s, u"rowid"_s);
  }
  int FilesNamed(const QString& pattern) {
    return int(QDir(folder.path()).entryList({pattern}, QDir::Files).size());
  }
};

}  // namespace

// A new database is the template under a cleaned name, opened on Yes; a taken name asks again.
TEST_F(Catalogue, NewDatabaseIsACopyOfTheTemplateNamedFromItsRow) {
  const QString path = Create(u" 女'装\"春季 "_s, true);
  EXPECT_EQ(prompts.inputPrompts, QStringList{u"请输入新的数据库名称："_s});
  EXPECT_EQ(prompts.questions, QStringList{u"数据库“女装春季”创建成功，是否现在就调用？"_s});
  EXPECT_EQ(host.label, u"女装春季"_s);
  EXPECT_EQ(CurDBFile, path.mid(path.lastIndexOf(u'/') + 1));
  EXPECT_EQ(host.refreshes, 1);
  EXPECT_TRUE(TableExists(u"Product"_s, CurDBFile));

  prompts.inputs << std::optional<QString>(u"女装春季"_s) << std::nullopt;
  NewDB(host);
  EXPECT_EQ(prompts.messages, QStringList{u"数据库“”已存在，请另取其他名称！"_s});
  EXPECT_EQ(CatalogueRows(), 1);
  EXPECT_EQ(FilesNamed(u"DB*.mdb"_s), 1);
}

// Files of the seconds around now, catalogued or not, are never taken by a new database.
TEST_F(Catalogue, NewDatabasesNeverShareAFileAndLeaveOtherFilesAlone) {
  const QDateTime now = QDateTime::currentDateTime();
  for (int s = -1; s <= 3; ++s) {
    const QString dat = Value::IsoDateTime(now.addSecs(s));
    Sql(u"INSERT INTO DBInfo(Name,Dat) VALUES(?,?)"_s, {u"占位"_s + QString::number(s), dat});
    WriteFile(folder.file(CatalogFileName(dat)), "kept");
  }
  const QString orphan = folder.file(CatalogFileName(Value::IsoDateTime(now.addSecs(4))));
  WriteFile(orphan, "not catalogued");
  // Five in a row, all within a second or two.
  for (int i = 0; i < 5; ++i) {
    prompts.inputs.enqueue(u"新库"_s + QString::number(i));
    NewDB(host);
  }
  EXPECT_TRUE(prompts.messages.isEmpty()) << prompts.messages.join(u'|').toStdString();
  EXPECT_EQ(test::CatalogueProblems(folder.path()), QStringList());
  for (int s = -1; s <= 3; ++s)
    EXPECT_EQ(Content(folder.file(CatalogFileName(Value::IsoDateTime(now.addSecs(s))))), "kept");
  EXPECT_EQ(Content(orphan), "not catalogued");
}

// A broken or missing template is reported and leaves no row or file behind.
TEST_F(Catalogue, ATemplateThatIsMissingOrNoDatabaseCataloguesNothing) {
  const QString templ = folder.file(u"data.mdb"_s);
  QFile::resize(templ, 4096);  // cut short: no longer opens as a database
  for (const QString& expected :
       {u"模板文件“"_s + templ + u"”不是有效的数据库文件，数据库生成失败！"_s,
        u"无法从模板文件“"_s + templ + u"”复制出新数据库，数据库生成失败！"_s}) {
    prompts.messages.clear();
    prompts.inputs.enqueue(u"坏模板"_s);
    NewDB(host);
    EXPECT_EQ(prompts.messages, QStringList{expected});
    QFile::remove(templ);
  }
  EXPECT_EQ(CatalogueRows(), 0);
  EXPECT_EQ(FilesNamed(u"DB*"_s), 0);
}

// A catalogue another program holds is explained in Chinese before the engine's words.
TEST_F(Catalogue, ALockedCatalogueIsWaitedForThenExplainedInChinese) {
  Connection other;
  ASSERT_TRUE(other.open(folder.file(u"PARA.mdb"_s), Connection::Mode::Private));
  ASSERT_TRUE(other.exec(u"BEGIN IMMEDIATE"_s));
  prompts.inputs.enqueue(u"锁住"_s);
  NewDB(host);
  EXPECT_EQ(prompts.messages,
            QStringList{u"数据库“锁住”无法加入数据库列表，数据库生成失败！\n"
                        "数据库文件“PARA.mdb”正被其他程序使用（已锁定），请稍后再试。\n"
                        "database is locked"_s});
  ASSERT_TRUE(other.exec(u"ROLLBACK"_s));
  EXPECT_EQ(FilesNamed(u"DB*"_s), 0);
}

// An older file gains Para and the item ids from the addresses, once.
TEST_F(Catalogue, OpeningAnOlderDatabaseAddsParaAndFillsTheItemIds) {
  const QString path = Register(u"旧库"_s, 10);
  {
    Connection conn;
    ASSERT_TRUE(conn.open(path));
    ASSERT_TRUE(conn.exec(
        u"DROP TABLE Para; DROP TABLE Product;"
        "CREATE TABLE Product(ID INTEGER PRIMARY KEY AUTOINCREMENT, Name TEXT(255), Url TEXT);"
        "INSERT INTO Product(Name,Url) VALUES('甲','http://item.taobao.com/item.htm?id=123'),"
        "('乙','no id here')"_s));
  }
  ASSERT_TRUE(OpenDB(host, u"旧库"_s));
  EXPECT_TRUE(TableExists(u"Para"_s, CurDBFile));
  const auto tid = [](const QString& name) {
    return LookupValue(u"Product"_s, name, u"Name"_s, u"TID"_s, CurDBFile).toString();
  };
  EXPECT_EQ(std::pair(tid(u"甲"_s), tid(u"乙"_s)), std::pair(u"123"_s, u"no id here"_s));
  ExecuteSQL(u"UPDATE Product SET TID='kept'"_s, {}, nullptr, CurDBFile);
  ASSERT_TRUE(OpenDB(host, u"旧库"_s));
  EXPECT_EQ(tid(u"甲"_s), u"kept"_s);
}

// A vanished or broken file is reported and the current database stays current.
TEST_F(Catalogue, FilesThatVanishedOrAreNotDatabasesLeaveTheCurrentOneCurrent) {
  Register(u"甲"_s, 10, true);
  const QString current = CurDBFile;
  QFile::remove(Register(u"乙"_s, 20));
  const QString broken = Register(u"丙"_s, 30);
  QFile::resize(broken, 100);
  EXPECT_FALSE(OpenDB(host, u"乙"_s));
  EXPECT_FALSE(OpenDB(host, u"丙"_s));
  EXPECT_EQ(prompts.messages,
            (QStringList{u"数据库调用失败：没有找到相应的数据文件！"_s,
                         u"无法建立数据库连接(数据库："_s +
                             broken.mid(broken.lastIndexOf(u'/') + 1) + u")！"_s}));
  EXPECT_EQ(host.label, u"甲"_s);
  EXPECT_EQ(CurDBFile, current);
}

// Renaming refuses the same and a taken name and carries the default along.
TEST_F(Catalogue, RenameRefusesTheSameAndTakenNamesAndCarriesTheDefault) {
  Register(u"甲"_s, 10, true);
  Register(u"乙"_s, 20);
  ASSERT_TRUE(SaveDefaultDB(host));
  prompts.inputs << std::optional<QString>(u"甲"_s) << std::optional<QString>(u"乙"_s)
                 << std::optional<QString>(u"丙'"_s);
  RenameDB(host);
  EXPECT_EQ(prompts.messages,
            (QStringList{u"数据库名称不能与原名称一样！"_s,
                         u"数据为名称“乙”已经存在，请重新输入！"_s, u"数据库更名完成！"_s}));
  EXPECT_EQ(host.label, u"丙"_s);
  WorkDBFile = u"PARA.mdb"_s;
  EXPECT_EQ(LookupWhere(u"Def"_s, u"Var=?"_s, u"Con"_s, {u"默认数据库"_s}).toString(), u"丙"_s);
  EXPECT_TRUE(QFile::exists(folder.file(CurDBFile)));  // the file keeps its name
}

// Deleting refuses the current database and otherwise removes row and file.
TEST_F(Catalogue, DeleteRefusesTheCurrentAndRemovesRowAndFile) {
  Register(u"甲"_s, 10, true);
  const QString other = Register(u"乙"_s, 20);
  DeleteDB(host, u"甲"_s);
  EXPECT_EQ(prompts.messages.last(), u"当前正在操作的数据库不允许删除！"_s);
  host.chosen = u"乙"_s;
  DeleteDB(host, {});
  EXPECT_EQ(prompts.messages.last(), u"数据库“乙”删除成功！"_s);
  EXPECT_FALSE(QFile::exists(other));
  EXPECT_EQ(CatalogueRows(), 1);
}

// Unknown names and rows without a date never lead to a file such as "DB.mdb".
TEST_F(Catalogue, NamesTheCatalogueCannotResolveNeverReachAFile) {
  WriteFile(folder.file(u"DB.mdb"_s), "someone's file");
  Sql(u"INSERT INTO DBInfo(Name,Dat) VALUES('无日期','not a date')"_s);
  EXPECT_FALSE(OpenDB(host, u"无日期"_s));
  EXPECT_FALSE(OpenDB(host, u"没有这个"_s));
  DeleteDB(host, u"没有这个"_s);
  DeleteDB(host, u"无日期"_s);
  EXPECT_EQ(prompts.messages, (QStringList{u"数据库调用失败：没有找到相应的数据文件！"_s,
                                           u"数据库调用失败：没有找到相应的数据文件！"_s,
                                           u"数据库“没有这个”不在数据库列表中，无法删除！"_s,
                                           u"数据库“无日期”删除成功！"_s}));
  EXPECT_EQ(CatalogueRows(), 0);
  EXPECT_EQ(Content(folder.file(u"DB.mdb"_s)), "someone's file");
}

// Older versions could catalogue two databases in one second under one file.
TEST_F(Catalogue, TwoRowsOfOneFileLoseTheFileOnlyWithTheLastOfThem) {
  const QString path = RegisterAt(u"甲"_s, u"2012-03-05 14:30:15"_s);
  Sql(u"INSERT INTO DBInfo(Name,Dat) VALUES('乙','2012-03-05T14:30:15')"_s);
  DeleteDB(host, u"甲"_s);
  EXPECT_TRUE(QFile::exists(path));
  ASSERT_TRUE(OpenDB(host, u"乙"_s));
  host.label = u"  "_s;
  DeleteDB(host, u"乙"_s);
  EXPECT_FALSE(QFile::exists(path));
  EXPECT_EQ(prompts.messages, (QStringList{u"数据库“甲”删除成功！"_s, u"数据库“乙”删除成功！"_s}));
}

// A stored time the summer-time change skips names its own file, not the next hour's.
TEST_F(Catalogue, ATimeSummerTimeSkipsStillNamesItsOwnFile) {
  const QByteArray oldTz = qgetenv("TZ");
  qputenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3");
  tzset();
  const QString gap = RegisterAt(u"跳过的时刻"_s, u"2024-03-31 02:30:00"_s);
  const QString after = RegisterAt(u"一小时后"_s, u"2024-03-31 03:30:00"_s);
  EXPECT_TRUE(gap.endsWith(u"/DB240331023000.mdb"_s));
  WriteFile(after, "the other database");
  EXPECT_TRUE(OpenDB(host, u"跳过的时刻"_s));
  EXPECT_EQ(CurDBFile, u"DB240331023000.mdb"_s);
  host.label = u"  "_s;
  DeleteDB(host, u"跳过的时刻"_s);
  EXPECT_FALSE(QFile::exists(gap));
  EXPECT_EQ(Content(after), "the other database");
  oldTz.isNull() ? qunsetenv("TZ") : qputenv("TZ", oldTz);
  tzset();
}

// Marks left by an interrupted creation or deletion are resolved at the next start.
TEST_F(Catalogue, TheNextStartFinishesWhatACrashInterrupted) {
  const auto dat = [](int s) {
    return u"2020-01-01 00:00:"_s + QString::number(s).rightJustified(2, u'0');
  };
  const auto file = [&](int s) { return folder.file(CatalogFileName(dat(s))); };
  // 1: a new file whose row was never saved. 2: a new file whose row was saved.
  WriteFile(file(1), "new, never catalogued");
  WriteFile(file(1) + u".creating"_s, {});
  WriteFile(file(1) + u".partial"_s, "half");
  RegisterAt(u"二"_s, dat(2));
  WriteFile(file(2) + u".creating"_s, {});
  // 3: a deletion whose row was never removed. 4: a deletion whose row went.
  RegisterAt(u"三"_s, dat(3));
  WriteFile(file(3) + u".deleting"_s, {});
  WriteFile(file(4), "row gone");
  WriteFile(file(4) + u".deleting"_s, {});
  // 5, 6: files an older version moved aside, with and without their row.
  RegisterAt(u"五"_s, dat(5));
  ASSERT_TRUE(QFile::rename(file(5), file(5) + u".deleted"_s));
  WriteFile(file(6) + u".deleted"_s, "row gone");
  // 7: a database file nobody catalogued, and files that are not ours.
  WriteFile(file(7), "waiting to be imported");
  WriteFile(folder.file(u"PARA.mdb.partial"_s), "half a template");
  WriteFile(folder.file(u"notes.txt.partial"_s), "mine");

  LoadDefaultDB(host);
  EXPECT_EQ(test::CatalogueProblems(folder.path()), QStringList());
  EXPECT_EQ(test::CatalogueLeftovers(folder.path()), QStringList{u"notes.txt.partial"_s});
  EXPECT_FALSE(QFile::exists(file(1)));
  EXPECT_FALSE(QFile::exists(file(4)));
  EXPECT_EQ(Content(file(7)), "waiting to be imported");
  for (const QString& name : {u"二"_s, u"三"_s, u"五"_s})
    EXPECT_TRUE(TestOpenDatabase(CataloguedFilePath(name))) << name.toStdString();
}

// A file that cannot be removed (here its mark is blocked) keeps its row.
TEST_F(Catalogue, AFileThatCannotGoKeepsItsRow) {
  const QString path = Register(u"甲"_s, 10);
  ASSERT_TRUE(QDir().mkpath(path + u".deleting"_s));
  DeleteDB(host, u"甲"_s);
  ASSERT_EQ(prompts.messages.size(), 1);
  EXPECT_TRUE(
      prompts.messages[0].startsWith(u"数据库文件“"_s + path + u"”无法删除，数据库没有删除！"_s));
  EXPECT_EQ(CatalogueRows(), 1);
  EXPECT_TRUE(TestOpenDatabase(path));
}

// The default database is recorded once and opened at the next start; an unknown one is told.
TEST_F(Catalogue, DefaultDatabaseBetweenRuns) {
  LoadDefaultDB(host);
  EXPECT_EQ(CurDBFile, u"DATA.mdb"_s);
  ASSERT_TRUE(SaveDefaultDB(host, u"没有这个"_s));
  LoadDefaultDB(host);
  EXPECT_EQ(prompts.messages, QStringList{u"数据库调用失败：没有找到相应的数据文件！"_s});
  EXPECT_EQ(CurDBFile, u"DATA.mdb"_s);

  Register(u"女装"_s, 10, true);
  ASSERT_TRUE(SaveDefaultDB(host));
  ASSERT_TRUE(SaveDefaultDB(host, u"女装"_s));
  WorkDBFile = u"PARA.mdb"_s;
  EXPECT_EQ(CountGroups(u"Def"_s, u"rowid"_s), 1);
  FakeHost next;
  LoadDefaultDB(next);
  EXPECT_EQ(next.label, u"女装"_s);
  EXPECT_EQ(next.refreshes, 1);
}
