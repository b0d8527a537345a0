// Database files: the key, the templates, the lost catalogue and the settings store.
#include <gtest/gtest.h>
#include <QDir>
#include <QFile>

#include "cataloguecheck.h"
#include "common/programfolder.h"
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
  EXPECT_EQ(CatalogFileName(u"2012-03-05"), u"DB120305000000.mdb"_s);
  // What is no date-time names no file, rather than "DB.mdb" or another row's file.
  for (const char16_t* bad : {u"", u"2012-13-05 14:30:15", u"４０１２-03-05", u"41000.5"})
    EXPECT_TRUE(CatalogFileName(bad).isEmpty()) << QString::fromUtf16(bad).toStdString();
}

TEST(DatabaseFiles, TemplatesHoldTheTablesAndSchemaVersionAndMissingOnesAreReported) {
  {
    test::TempProgramFolder folder;
    test::ScriptedPrompts prompts;
    EXPECT_EQ(Dump(u"PRAGMA user_version"_s, u"data.mdb"_s),
              QStringList{QString::number(kSchemaVersion)});
    // A category title that looks like a number keeps its leading zeros.
    ASSERT_TRUE(ExecuteSQL(u"INSERT INTO Para(CID,Name,Con) VALUES(1,'C0',?)"_s, {u"007"_s},
                           nullptr, u"data.mdb"_s));
    EXPECT_EQ(LookupValue(u"Para"_s, u"C0"_s, u"Name"_s, u"Con"_s, u"data.mdb"_s), Value(u"007"_s));
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
  EXPECT_EQ(GetParam(key), u"http://b.example/?q='x\"y'"_s);
  EXPECT_EQ(CountGroups(u"参数"_s, u"rowid"_s, u"Var=?"_s, {key}), 1);

  ReleaseAllDatabases();
  ASSERT_TRUE(QFile::remove(folder.file(u"PARA.mdb"_s)));
  EXPECT_EQ(GetParam(key), QString());
  ASSERT_EQ(prompts.messages.size(), 1);
  EXPECT_TRUE(prompts.messages[0].startsWith(u"数据库打开错误("_s));
  EXPECT_FALSE(QFile::exists(folder.file(u"PARA.mdb"_s)));  // never made up at run time
}
