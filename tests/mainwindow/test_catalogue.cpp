// The catalogue of tracking databases: creating, opening (with the schema upgrade of older
// files), renaming, deleting, and the default database between runs.
#include <gtest/gtest.h>
#include <QDir>
#include <QFile>

#include "common/programfolder.h"
#include "programfolder_fixture.h"
#include "scriptedprompts.h"
#include "storage/catalogue.h"
#include "storage/dboperate.h"
#include "storage/schema.h"

using namespace Qt::StringLiterals;
using namespace lanxi;

namespace {

class FakeHost : public CatalogueHost {
 public:
  QString CurDBName() const override { return label; }
  void SetCurDBName(const QString& name) override { label = name; }
  QString ChooseDatabase() override {
    ++dialogs;
    SelDBName = chosen;
    return SelDBName;
  }
  void RefreshAfterOpen() override { ++refreshes; }

  QString label = u"  "_s;
  QString chosen;
  int dialogs = 0;
  int refreshes = 0;
};

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
  // Catalogues a database directly, `secondsAgo` in the past, so that several can be made
  // within one second without sharing a file name.
  QString Register(const QString& name, int secondsAgo, bool open = false) {
    const QDateTime dat = QDateTime::currentDateTime().addSecs(-secondsAgo);
    EXPECT_TRUE(ExecuteSQL(u"INSERT INTO DBInfo(Name,Dat) VALUES(?,?)"_s, {name, Value(dat)},
                           nullptr, u"PARA.mdb"_s));
    const QString path = folder.file(CatalogFileName(dat));
    EXPECT_TRUE(QFile::copy(folder.file(u"data.mdb"_s), path));
    if (open) {
      EXPECT_TRUE(OpenDB(host, name));
    }
    return path;
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

TEST_F(Catalogue, NewDatabaseIsACopyOfTheTemplateNamedFromItsRow) {
  const QString path = Create(u" 女'装\"春季 "_s, true);
  EXPECT_TRUE(QFile::exists(path));
  EXPECT_EQ(prompts.inputPrompts, QStringList{u"请输入新的数据库名称："_s});
  EXPECT_EQ(prompts.questions, QStringList{u"数据库“女装春季”创建成功，是否现在就调用？"_s});
  // Opened on Yes: the label and the current file follow.
  EXPECT_EQ(host.label, u"女装春季"_s);
  EXPECT_EQ(CurDBFile, path.mid(path.lastIndexOf(u'/') + 1));
  EXPECT_TRUE(CurDBFile.startsWith(u"DB"_s) && CurDBFile.endsWith(u".mdb"_s));
  EXPECT_EQ(host.refreshes, 1);
  EXPECT_TRUE(TableExists(u"Product"_s, CurDBFile));
  EXPECT_TRUE(prompts.messages.isEmpty());
}

TEST_F(Catalogue, DuplicateNameAsksAgainAndCancelStops) {
  Register(u"女装"_s, 10);
  prompts.inputs << std::optional<QString>(u"女装"_s) << std::nullopt;
  NewDB(host);
  EXPECT_EQ(prompts.messages, QStringList{u"数据库“”已存在，请另取其他名称！"_s});
  EXPECT_EQ(prompts.inputPrompts.size(), 2);
  EXPECT_EQ(CatalogueRows(), 1);
  EXPECT_EQ(FilesNamed(u"DB*.mdb"_s), 1);
}

TEST_F(Catalogue, NewDatabaseNeverTakesAnotherRowsFileAndNeverLeavesARowWithoutFile) {
  // Rows made in the seconds around now already name their files.
  const QDateTime now = QDateTime::currentDateTime();
  for (int s = -1; s <= 3; ++s) {
    const QDateTime dat = now.addSecs(s);
    ASSERT_TRUE(ExecuteSQL(u"INSERT INTO DBInfo(Name,Dat) VALUES(?,?)"_s,
                           {u"占位"_s + QString::number(s), Value(dat)}, nullptr, u"PARA.mdb"_s));
    QFile f(folder.file(CatalogFileName(dat)));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("kept");
  }
  prompts.inputs.enqueue(u"新库"_s);
  NewDB(host);
  ASSERT_EQ(prompts.messages.size(), 1);
  EXPECT_TRUE(prompts.messages[0].startsWith(u"文件“"_s + folder.path() + u"/DB"_s));
  EXPECT_TRUE(prompts.messages[0].endsWith(u"”冲突,数据库生成失败！"_s));
  EXPECT_EQ(CatalogueRows(), 5);
  for (int s = -1; s <= 3; ++s) {
    QFile f(folder.file(CatalogFileName(now.addSecs(s))));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), "kept");
  }

  // Without the template nothing is catalogued and the user is told.
  ExecuteSQL(u"DELETE FROM DBInfo"_s, {}, nullptr, u"PARA.mdb"_s);
  QFile::remove(folder.file(u"data.mdb"_s));
  prompts.messages.clear();
  prompts.inputs.enqueue(u"无模板"_s);
  NewDB(host);
  ASSERT_EQ(prompts.messages.size(), 1);
  EXPECT_TRUE(prompts.messages[0].contains(u"数据库生成失败"_s));
  EXPECT_EQ(CatalogueRows(), 0);
}

TEST_F(Catalogue, OpeningAnOlderDatabaseAddsParaAndFillsTheItemIds) {
  const QString path = Register(u"旧库"_s, 10);
  // Make it look like an older file: no Para, no TID.
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
  EXPECT_EQ(LookupValue(u"Product"_s, u"甲"_s, u"Name"_s, u"TID"_s, CurDBFile).toString(),
            u"123"_s);
  EXPECT_EQ(LookupValue(u"Product"_s, u"乙"_s, u"Name"_s, u"TID"_s, CurDBFile).toString(),
            u"no id here"_s);
  // Opening again changes nothing.
  ExecuteSQL(u"UPDATE Product SET TID='kept'"_s, {}, nullptr, CurDBFile);
  ASSERT_TRUE(OpenDB(host, u"旧库"_s));
  EXPECT_EQ(LookupValue(u"Product"_s, u"甲"_s, u"Name"_s, u"TID"_s, CurDBFile).toString(),
            u"kept"_s);
  EXPECT_TRUE(prompts.messages.isEmpty());
}

TEST_F(Catalogue, FilesThatVanishedOrAreNotDatabasesLeaveTheCurrentOneCurrent) {
  Register(u"甲"_s, 10, true);
  const QString current = CurDBFile;
  const QString gone = Register(u"乙"_s, 20);
  QFile::remove(gone);
  const QString broken = Register(u"丙"_s, 30);
  QFile::resize(broken, 100);

  EXPECT_FALSE(OpenDB(host, u"乙"_s));
  EXPECT_FALSE(OpenDB(host, u"丙"_s));
  EXPECT_FALSE(OpenDB(host, u"没有这个"_s));
  EXPECT_EQ(prompts.messages, (QStringList{u"数据库调用失败：没有找到相应的数据文件！"_s,
                                           u"无法建立数据库连接(数据库："_s +
                                               broken.mid(broken.lastIndexOf(u'/') + 1) + u")！"_s,
                                           u"数据库调用失败：没有找到相应的数据文件！"_s}));
  EXPECT_EQ(host.label, u"甲"_s);
  EXPECT_EQ(CurDBFile, current);

  // Cancelling the dialog changes nothing either.
  EXPECT_FALSE(OpenDB(host, {}));
  EXPECT_EQ(host.dialogs, 1);
  EXPECT_EQ(CurDBFile, current);
}

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
  EXPECT_EQ(LookupValue(u"DBInfo"_s, u"丙"_s, u"Name"_s, u"Name"_s).toString(), u"丙"_s);
  EXPECT_EQ(LookupWhere(u"Def"_s, u"Var=?"_s, u"Con"_s, {u"默认数据库"_s}).toString(), u"丙"_s);
  EXPECT_TRUE(QFile::exists(folder.file(CurDBFile)));  // the file keeps its name
}

TEST_F(Catalogue, RenamingAnUncataloguedCurrentDatabaseIsRefused) {
  LoadDefaultDB(host);  // nothing recorded: the template itself
  prompts.inputs.enqueue(u"新名"_s);
  RenameDB(host);
  ASSERT_EQ(prompts.messages.size(), 1);
  EXPECT_NE(prompts.messages[0], u"数据库更名完成！"_s);
  EXPECT_EQ(host.label, u"  "_s);
}

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

  // A row whose file is already gone still goes.
  const QString third = Register(u"丙"_s, 30);
  QFile::remove(third);
  DeleteDB(host, u"丙"_s);
  EXPECT_EQ(prompts.messages.last(), u"数据库“丙”删除成功！"_s);
  EXPECT_EQ(CatalogueRows(), 1);
}

TEST_F(Catalogue, DefaultDatabaseBetweenRuns) {
  // First start: nothing recorded, the template is current and the label keeps two spaces.
  LoadDefaultDB(host);
  EXPECT_EQ(CurDBFile, u"DATA.mdb"_s);
  EXPECT_EQ(host.label, u"  "_s);
  EXPECT_EQ(host.refreshes, 0);
  ASSERT_TRUE(SaveDefaultDB(host));
  // Next start: that name is not catalogued; the user is told and the template stays current.
  FakeHost next;
  CurDBFile.clear();
  LoadDefaultDB(next);
  EXPECT_EQ(prompts.messages, QStringList{u"数据库调用失败：没有找到相应的数据文件！"_s});
  EXPECT_EQ(CurDBFile, u"DATA.mdb"_s);

  Register(u"女装"_s, 10, true);
  ASSERT_TRUE(SaveDefaultDB(host));
  ASSERT_TRUE(SaveDefaultDB(host, u"女装"_s));  // written twice, one row
  WorkDBFile = u"PARA.mdb"_s;
  EXPECT_EQ(CountGroups(u"Def"_s, u"rowid"_s), 1);
  FakeHost third;
  LoadDefaultDB(third);
  EXPECT_EQ(third.label, u"女装"_s);
  EXPECT_EQ(third.refreshes, 1);
}
