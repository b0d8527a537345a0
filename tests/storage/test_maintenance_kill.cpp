// Compaction and import never lose a database: a worker killed at random moments or at the
// renames that put files in place (or whose rename fails) leaves every catalogued database
// whole, and the next start leaves nothing of the stopped operation.
#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QThread>
#include <random>

#include "cataloguecheck.h"
#include "databasecontent.h"
#include "demodata.h"
#include "fakecataloguehost.h"
#include "programfolder_fixture.h"
#include "scriptedprompts.h"
#include "storage/catalogue.h"
#include "storage/databasecopy.h"
#include "storage/dboperate.h"

using namespace Qt::StringLiterals;
using namespace lanxi;
using test::DatabaseContent;

namespace {

constexpr int kCompactionKills = 30;
constexpr int kImportKills = 20;

struct WorkerRun {
  QByteArray output;
  bool killed = false;  // by the test or by the injected fault
};

class MaintenanceCrash : public ::testing::Test {
 protected:
  MaintenanceCrash() {
    QDir().mkpath(folder.file(u"tmp"_s));
    for (int i = 0; i < 3; ++i) {
      const demo::Spec spec{u"库"_s + QString::number(i), 40, 200, quint64(i + 1), {2024, 6, 30}};
      demo::Result r;
      EXPECT_TRUE(demo::GenerateCataloguedDatabase(folder.file(u"PARA.mdb"_s), spec, &r));
      const QString path = folder.file(r.fileName);
      files[spec.name] = r.fileName;
      // Working tables for the compaction to drop; one database with the old 1 KB pages.
      ExecuteSQL(
          u"CREATE TABLE T_SalesByPro AS SELECT Dat, SUM(Sales) AS Sales FROM PInfo "
          "GROUP BY Dat"_s,
          {}, nullptr, path);
      if (i == 2) {
        EXPECT_TRUE(CopyDatabase(path, path, nullptr, kLegacyCipherPageSize));
      }
      contents[spec.name] = DatabaseContent(path, false);
    }
    catalogue = DatabaseContent(folder.file(u"PARA.mdb"_s));
  }

  // Starts the worker, lets it work for `delayUs` (or to its end when negative) and kills it.
  WorkerRun Work(const QString& mode, int delayUs, const QString& source = {},
                 const QString& faultTarget = {}, const QString& fault = {}) {
    QProcess worker;
    worker.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"TMPDIR"_s, folder.file(u"tmp"_s));
    if (!fault.isEmpty()) {
      env.insert(u"LD_PRELOAD"_s, QString::fromUtf8(RENAME_FAULT_LIBRARY));
      env.insert(u"LANXI_RENAME_TARGET"_s, faultTarget);
      env.insert(u"LANXI_RENAME_FAULT"_s, fault);
    }
    worker.setProcessEnvironment(env);
    QStringList args{folder.path(), mode, QString::number(++runs)};
    if (!source.isEmpty()) args << source;
    worker.start(QString::fromUtf8(MAINTENANCE_WORKER), args);
    WorkerRun run;
    EXPECT_TRUE(worker.waitForStarted(10000));
    while (!worker.canReadLine() && worker.state() == QProcess::Running)
      worker.waitForReadyRead(10000);
    EXPECT_EQ(worker.readLine(), "ready\n");
    if (delayUs >= 0) {
      QThread::usleep(delayUs);
      worker.kill();
    }
    EXPECT_TRUE(worker.waitForFinished(60000));
    run.killed = worker.exitStatus() == QProcess::CrashExit;
    run.output = worker.readAllStandardOutput();
    return run;
  }

  // Every catalogued database opens and holds its rows; the catalogue's promises hold.
  void ExpectEveryDatabaseWhole(const std::string& when) {
    SCOPED_TRACE(when);
    EXPECT_EQ(test::CatalogueProblems(folder.path()), QStringList());
    // Compaction changes no row of the catalogue.
    if (imported.isEmpty()) {
      EXPECT_EQ(DatabaseContent(folder.file(u"PARA.mdb"_s)), catalogue);
    }
    QSet<QString> made;
    for (const CatalogueEntry& e : Rows()) {
      const QString content = DatabaseContent(folder.file(e.file), false);
      if (contents.contains(e.name)) {
        made.insert(e.name);
        EXPECT_EQ(content, contents[e.name]) << e.name.toStdString();
      } else {
        EXPECT_EQ(content, imported) << e.name.toStdString();
      }
    }
    EXPECT_EQ(made.size(), contents.size());
  }

  // The next start: nothing of a stopped operation stays, every database file is catalogued.
  void ExpectCleanAfterStart(const std::string& when) {
    SCOPED_TRACE(when);
    LoadDefaultDB(host);
    ReleaseAllDatabases();
    EXPECT_EQ(test::CatalogueLeftovers(folder.path()), QStringList());
    for (const QString& f :
         QDir(folder.path()).entryList(QDir::Files))  // unused journals are not hot
      EXPECT_TRUE(f.endsWith(u"-journal"_s) || f.endsWith(u".mdb"_s))
          << "left: " << f.toStdString();
    EXPECT_EQ(test::DatabaseFiles(folder.path()), test::NamedFiles(folder.path()));
    ExpectEveryDatabaseWhole(when + " (after the start)");
  }

  std::vector<CatalogueEntry> Rows() {
    Connection catalog;
    std::vector<CatalogueEntry> rows;
    EXPECT_TRUE(catalog.open(folder.file(u"PARA.mdb"_s), Connection::Mode::Private) &&
                ReadCatalogue(catalog, &rows));
    return rows;
  }
  // Takes the imported databases out again, so the catalogue stays small.
  void RemoveImported() {
    Connection catalog;
    ASSERT_TRUE(catalog.open(folder.file(u"PARA.mdb"_s), Connection::Mode::Private));
    for (const CatalogueEntry& e : Rows())
      if (!contents.contains(e.name)) UnregisterDatabase(catalog, folder.path(), e.name);
  }
  // Kills the worker at random moments of `mode` and checks after each kill.
  void KillAtRandom(const QString& mode, int kills, const QString& source = {}) {
    std::mt19937 random(20240630);
    for (int kill = 0; kill < kills; ++kill) {
      const std::string when = mode.toStdString() + " kill " + std::to_string(kill);
      // A run takes some tenths of a second; the delays reach past its end.
      const WorkerRun run = Work(mode, int(random() % 800000), source);
      EXPECT_FALSE(run.output.contains("message: ")) << run.output.toStdString();
      ExpectEveryDatabaseWhole(when);
      ExpectCleanAfterStart(when);
      RemoveImported();
    }
  }

  test::TempProgramFolder folder;
  test::ScriptedPrompts prompts;
  test::FakeHost host;
  QMap<QString, QString> files, contents;
  QString catalogue, imported;
  int runs = 0;
};

}  // namespace

TEST_F(MaintenanceCrash, CompactionAndImportKilledOrFailingLoseNoDatabase) {
  // At the rename that replaces a database, and the one that replaces the catalogue.
  const QString db = files[u"库1"_s];
  for (const QString& target : {db, u"PARA.mdb"_s}) {
    for (const QString& fault : {u"kill-before"_s, u"kill-after"_s}) {
      const std::string when = (fault + u' ' + target).toStdString();
      EXPECT_TRUE(Work(u"compact"_s, -1, {}, target, fault).killed) << when;
      ExpectEveryDatabaseWhole(when);
      ExpectCleanAfterStart(when);
    }
  }
  const WorkerRun failed = Work(u"compact-once"_s, -1, {}, db, u"fail"_s);
  EXPECT_EQ(QString::fromUtf8(failed.output),
            u"message: 数据库压缩失败（10无法把文件“"_s + db + u".partial”改名为“"_s + db +
                u"”）！\n数据库文件“"_s + folder.file(db) +
                u"”保持原样，没有改动。\nInput/output error\ndone\n"_s);
  ExpectEveryDatabaseWhole("rename failing");
  KillAtRandom(u"compact"_s, kCompactionKills);

  const QString source = folder.file(u"tmp/外来.mdb"_s);
  ASSERT_TRUE(QFile::copy(folder.file(files[u"库0"_s]), source));
  imported = contents[u"库0"_s];
  // At the end of the copy into the program folder, and at both moves of the catalogued file.
  for (const QString& target : {u"TEMP.MDB"_s, u".mdb.partial"_s, u".mdb"_s}) {
    for (const QString& fault : {u"kill-before"_s, u"kill-after"_s}) {
      const std::string when = (fault + u' ' + target).toStdString();
      EXPECT_TRUE(Work(u"import"_s, -1, source, target, fault).killed) << when;
      ExpectEveryDatabaseWhole(when);
      ExpectCleanAfterStart(when);
    }
  }
  const WorkerRun refused = Work(u"import-once"_s, -1, source, u".mdb"_s, u"fail"_s);
  EXPECT_TRUE(refused.output.startsWith(u"message: 无法把文件“"_s.toUtf8() + source.toUtf8() +
                                        u"”放入程序文件夹，数据库导入失败！"_s.toUtf8()))
      << refused.output.toStdString();
  ExpectEveryDatabaseWhole("rename failing");
  EXPECT_FALSE(QFile::exists(folder.file(u"TEMP.MDB"_s)));
  RemoveImported();
  KillAtRandom(u"import"_s, kImportKills, source);
}
