// Database files: the key, the templates, the settings store and the demo data generator.
#include <gtest/gtest.h>
#include <QDir>
#include <QFile>

#include "cataloguecheck.h"
#include "common/programfolder.h"
#include "demodata.h"
#include "fakecataloguehost.h"
#include "programfolder_fixture.h"
#include "scriptedprompts.h"
#include "storage/catalogue.h"
#include "storage/dboperate.h"
#include "storage/schema.h"
#include "storage/settings.h"
#include "storage/templates.h"

using namespace Qt::StringLiterals;
using namespace lanxi;

namespace {

QStringList Dump(const QString& sql, const QString& db) {
  QStringList out;
  Recordset rs;
  OpenRecordset(rs, sql, {}, db);
  for (; !rs.IsEOF(); rs.MoveNext()) {
    QStringList row;
    for (int i = 0; i < rs.FieldCount(); ++i) row << rs.Field(i).toString();
    out << row.join(u'|');
  }
  return out;
}

}  // namespace

// Every file ever written is keyed with this; a change would lock users out of their data.
TEST(DatabaseFiles, KeyIsStable) {
  EXPECT_EQ(DatabaseKey(), "x'FCE17B94FAC0ED57DA3B2EE457202FD649EEBEF283C5C47BAF0CF853241BD2B5'");
}

TEST(DatabaseFiles, CatalogFileNameComesFromTheStoredDateText) {
  EXPECT_EQ(CatalogFileName(u"2012-03-05 14:30:15"), u"DB120305143015.mdb"_s);
  EXPECT_EQ(CatalogFileName(u"1999-12-31T23:59:59"), u"DB991231235959.mdb"_s);
  EXPECT_EQ(CatalogFileName(u"2012-03-05"), u"DB120305000000.mdb"_s);
  // What is no date-time names no file, rather than "DB.mdb" or another row's file.
  for (const char16_t* bad :
       {u"", u"2012-03-05 14:30", u"2012-13-05 14:30:15", u"2012-03-05 24:00:00",
        u"2012/03/05 14:30:15", u"４０１２-03-05", u"41000.5", u"2012-03-05 14:30:15.250"}) {
    EXPECT_TRUE(CatalogFileName(bad).isEmpty()) << QString::fromUtf16(bad).toStdString();
  }
}

TEST(DatabaseFiles, TemplatesHoldTheTablesAndSchemaVersionAndMissingOnesAreReported) {
  {
    test::TempProgramFolder folder;
    test::ScriptedPrompts prompts;
    for (const auto& [table, file] : {std::pair{u"DBInfo"_s, u"PARA.mdb"_s},
                                      {u"Def"_s, u"PARA.mdb"_s},
                                      {u"参数"_s, u"PARA.mdb"_s},
                                      {u"Product"_s, u"data.mdb"_s},
                                      {u"PInfo"_s, u"data.mdb"_s},
                                      {u"Para"_s, u"data.mdb"_s}}) {
      EXPECT_TRUE(TableExists(table, file)) << table.toStdString();
      EXPECT_EQ(Dump(u"PRAGMA user_version"_s, file), QStringList{QString::number(kSchemaVersion)});
    }
    // A category title that looks like a number keeps its leading zeros.
    ASSERT_TRUE(ExecuteSQL(u"INSERT INTO Para(CID,Name,Con) VALUES(1,'C0',?)"_s, {u"007"_s},
                           nullptr, u"data.mdb"_s));
    EXPECT_EQ(LookupValue(u"Para"_s, u"C0"_s, u"Name"_s, u"Con"_s, u"data.mdb"_s), Value(u"007"_s));
    EXPECT_TRUE(prompts.messages.isEmpty());
  }
  QTemporaryDir empty;
  SetProgramFolder(empty.path());
  QStringList missing;
  // The test executable's folder ships no templates.
  EXPECT_FALSE(EnsureTemplates(&missing));
  EXPECT_EQ(missing, (QStringList{u"PARA.mdb"_s, u"data.mdb"_s}));
  SetProgramFolder({});
}

TEST(DatabaseFiles, ALostCatalogueIsMadeAnewAndTheUserIsToldHowToBringTheDatabasesBack) {
  test::TempProgramFolder folder;
  test::ScriptedPrompts prompts;
  QTemporaryDir shipped;
  ASSERT_TRUE(WriteTemplates(shipped.path()));
  // Databases of the earlier list lie in the folder; its catalogue is gone.
  // One was being made when the program stopped, one had been set aside by an older version.
  for (const QString& f : {u"DB120305143015.mdb"_s, u"DB130101080000.mdb.deleted"_s})
    ASSERT_TRUE(QFile::copy(folder.file(u"data.mdb"_s), folder.file(f)));
  QFile(folder.file(u"DB120305143015.mdb.creating"_s)).open(QIODevice::WriteOnly);
  ASSERT_TRUE(QFile::remove(folder.file(u"PARA.mdb"_s)));
  QStringList missing, supplied;
  ASSERT_TRUE(EnsureTemplatesFrom({shipped.path()}, &missing, &supplied));
  EXPECT_EQ(supplied, QStringList{u"PARA.mdb"_s});
  EXPECT_TRUE(TableExists(u"DBInfo"_s, u"PARA.mdb"_s));
  NoticeLostCatalogue();
  EXPECT_EQ(
      prompts.messages,
      QStringList{
          u"没有找到数据库列表文件“PARA."
          u"mdb”，原来的数据库列表无法找回，已新建了一个空的数据库列表。\n"
          "程序文件夹“"_s +
          folder.path() +
          u"”中的 2 个数据库文件仍然保留（DB120305143015.mdb、DB130101080000.mdb）。"
          "请用“文件”菜单中的“导入数据库”逐个导入这些文件，并为它们重新取名，即可继续使用。"_s});
  // The start that follows keeps them: a new catalogue cannot tell what the marks meant.
  test::FakeHost host;
  LoadDefaultDB(host);
  EXPECT_EQ(UncataloguedDatabaseFiles(),
            (QStringList{u"DB120305143015.mdb"_s, u"DB130101080000.mdb"_s}));
  EXPECT_EQ(test::CatalogueLeftovers(folder.path()), QStringList());

  // Nothing to bring back, nothing to say; templates in place are left alone.
  for (const QString& f : {u"DB120305143015.mdb"_s, u"DB130101080000.mdb"_s})
    QFile::remove(folder.file(f));
  prompts.messages.clear();
  supplied.clear();
  NoticeLostCatalogue();
  EXPECT_TRUE(EnsureTemplatesFrom({shipped.path()}, &missing, &supplied));
  EXPECT_TRUE(supplied.isEmpty());
  EXPECT_TRUE(prompts.messages.isEmpty());
}

TEST(Settings, WrittenTwiceLeavesOneRowGetParamTargetsTheCatalogueAndAnUnreadableOneSaysSo) {
  test::TempProgramFolder folder;
  test::ScriptedPrompts prompts;
  WorkDBFile = u"data.mdb"_s;
  EXPECT_EQ(GetParam(QString::fromUtf16(ParamKey::ForbidProPic)), QString());
  EXPECT_EQ(WorkDBFile, u"PARA.mdb"_s);
  WorkDBFile = u"data.mdb"_s;
  const QString key = QString::fromUtf16(ParamKey::DefaultSearchUrl);
  ASSERT_TRUE(SetParam(key, u"http://a.example/?q=1"_s));
  ASSERT_TRUE(SetParam(key, u"http://b.example/?q='x\"y'"_s));
  EXPECT_EQ(WorkDBFile, u"data.mdb"_s);  // SetParam leaves it alone
  EXPECT_EQ(GetParam(key), u"http://b.example/?q='x\"y'"_s);
  EXPECT_EQ(CountGroups(u"参数"_s, u"rowid"_s, u"Var=?"_s, {key}), 1);
  EXPECT_TRUE(prompts.messages.isEmpty());

  ReleaseAllDatabases();
  ASSERT_TRUE(QFile::remove(folder.file(u"PARA.mdb"_s)));
  EXPECT_EQ(GetParam(key), QString());
  ASSERT_EQ(prompts.messages.size(), 1);
  EXPECT_TRUE(prompts.messages[0].startsWith(u"数据库打开错误("_s));
  EXPECT_FALSE(QFile::exists(folder.file(u"PARA.mdb"_s)));  // never made up at run time
}

TEST(DemoData, CataloguedLikeANewDatabaseTheSameForTheSameSeedAndNeverUnderATakenName) {
  test::TempProgramFolder folder;
  test::ScriptedPrompts prompts;
  const QString catalogue = folder.file(u"PARA.mdb"_s);
  demo::Spec spec{.products = 12, .days = 40, .seed = 42, .lastDay = QDate(2026, 11, 30)};
  demo::Result a, b;
  QString error;
  ASSERT_TRUE(demo::GenerateCataloguedDatabase(catalogue, spec, &a, &error)) << error.toStdString();
  // A name in the catalogue already is refused, and no file is left.
  const int files = QDir(folder.path()).entryList(QDir::Files).size();
  EXPECT_FALSE(demo::GenerateCataloguedDatabase(catalogue, spec, nullptr, &error));
  EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files).size(), files);
  spec.name = u"第二个"_s;
  ASSERT_TRUE(demo::GenerateCataloguedDatabase(catalogue, spec, &b, &error)) << error.toStdString();

  // Registered as a new database: the file is named from the row's Dat, two files differ.
  EXPECT_EQ(Dump(u"SELECT Dat FROM DBInfo WHERE Name='示例数据库'"_s, u"PARA.mdb"_s),
            QStringList{a.dat});
  EXPECT_EQ(a.fileName, CatalogFileName(a.dat));
  EXPECT_NE(a.fileName, b.fileName);
  EXPECT_EQ(demo::CatalogueSize(catalogue), 2);
  for (const QString& sql : {u"SELECT * FROM PInfo ORDER BY ID"_s, u"SELECT * FROM Product"_s})
    EXPECT_EQ(Dump(sql, a.fileName), Dump(sql, b.fileName));

  // Plausible figures: the promotion never above the list price, a few missing days, every
  // day within the range.
  EXPECT_EQ(a.products, 12);
  EXPECT_LT(a.figureRows, 12 * 40);
  EXPECT_GT(a.figureRows, 12 * 40 * 9 / 10);
  WorkDBFile = a.fileName;
  EXPECT_EQ(CountGroups(u"PInfo"_s, u"ID"_s, u"PPrice>Price OR Sales<0 OR Stock<0"_s), 0);
  EXPECT_EQ(CountGroups(u"PInfo"_s, u"Dat"_s), 40);
  EXPECT_EQ(LookupWhere(u"PInfo"_s, u"1=1 ORDER BY Dat DESC"_s, u"Dat"_s), Value(spec.lastDay));
  EXPECT_TRUE(prompts.messages.isEmpty());
}
