// Compaction and import never lose a database. A worker process compacts (or imports) and is
// killed (SIGKILL) at random moments, or just before or after the rename that puts a new file in
// place, or has that rename fail. Every time, at the moment it stops: every catalogued database
// opens and holds all its rows, and every catalogue row names one existing file no other row
// names; after the next start no file of the stopped operation is left and every database file
// is catalogued.
#include <gtest/gtest.h>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
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
#include "storage/schema.h"

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
      demo::Spec spec;
      spec.name = u"库"_s + QString::number(i);
      spec.products = 40;
      spec.days = 200;
      spec.seed = quint64(i + 1);
      spec.lastDay = QDate(2024, 6, 30);
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

  // Every catalogued database opens and holds its rows: the made ones what they held (working
  // tables aside), the imported ones what the imported file holds. The catalogue promises hold.
  void ExpectEveryDatabaseWhole(const std::string& when) {
    SCOPED_TRACE(when);
    EXPECT_EQ(test::CatalogueProblems(folder.path()), QStringList());
    // Compaction changes no row of the catalogue.
    if (imported.isEmpty()) {
      EXPECT_EQ(DatabaseContent(folder.file(u"PARA.mdb"_s)), catalogue);
    }
    Connection catalog;
    std::vector<CatalogueEntry> rows;
    ASSERT_TRUE(catalog.open(folder.file(u"PARA.mdb"_s), Connection::Mode::Private));
    ASSERT_TRUE(ReadCatalogue(catalog, &rows));
    QSet<QString> made;
    for (const CatalogueEntry& e : rows) {
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
    static const QRegularExpression database(u"^DB\\d{12}\\.mdb$"_s);
    QSet<QString> files, named;
    for (const QString& f : QDir(folder.path()).entryList(QDir::Files)) {
      // A journal the engine began and never used is its own business: not hot, it is reused.
      if (f.endsWith(u"-journal"_s)) continue;
      if (database.match(f).hasMatch()) files.insert(f);
      EXPECT_TRUE(database.match(f).hasMatch() || f == u"PARA.mdb"_s || f == u"data.mdb"_s)
          << "left behind: " << f.toStdString();
    }
    Connection catalog;
    std::vector<CatalogueEntry> rows;
    ASSERT_TRUE(catalog.open(folder.file(u"PARA.mdb"_s), Connection::Mode::Private));
    ASSERT_TRUE(ReadCatalogue(catalog, &rows));
    for (const CatalogueEntry& e : rows) named.insert(e.file);
    EXPECT_EQ(files, named);
    ExpectEveryDatabaseWhole(when + " (after the start)");
  }

  // Microseconds one whole run of `mode` takes, the worker's start included.
  int Duration(const QString& mode, const QString& source = {}) {
    QElapsedTimer t;
    t.start();
    Work(mode, -1, source);
    return int(t.nsecsElapsed() / 1000);
  }

  // Takes the imported databases out again, so the catalogue stays small.
  void RemoveImported() {
    Connection catalog;
    std::vector<CatalogueEntry> rows;
    ASSERT_TRUE(catalog.open(folder.file(u"PARA.mdb"_s), Connection::Mode::Private));
    ASSERT_TRUE(ReadCatalogue(catalog, &rows));
    for (const CatalogueEntry& e : rows) {
      if (!contents.contains(e.name)) UnregisterDatabase(catalog, folder.path(), e.name);
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

TEST_F(MaintenanceCrash, CompactionKilledOrFailingLosesNoDatabase) {
  // Injected at the rename that replaces a database, and the one that replaces the catalogue.
  const QString db = files[u"库1"_s];
  for (const QString& target : {db, u"PARA.mdb"_s}) {
    for (const QString& fault : {u"kill-before"_s, u"kill-after"_s}) {
      const std::string when = (fault + u' ' + target).toStdString();
      const WorkerRun run = Work(u"compact"_s, -1, {}, target, fault);
      EXPECT_TRUE(run.killed) << when;
      ExpectEveryDatabaseWhole(when);
      ExpectCleanAfterStart(when);
    }
    const WorkerRun run = Work(u"compact-once"_s, -1, {}, target, u"fail"_s);
    EXPECT_FALSE(run.killed);
    const QString path = folder.file(target);
    EXPECT_EQ(QString::fromUtf8(run.output),
              u"message: 数据库压缩失败（10无法把文件“"_s + target + u".partial”改名为“"_s +
                  target + u"”）！\n数据库文件“"_s + path +
                  u"”保持原样，没有改动。\nInput/output error\ndone\n"_s);
    ExpectEveryDatabaseWhole("rename failing");
    EXPECT_EQ(test::CatalogueLeftovers(folder.path()), QStringList());
  }

  // Killed at random moments of the work.
  const int duration = Duration(u"compact-once"_s);
  std::mt19937 random(20240630);
  for (int kill = 0; kill < kCompactionKills; ++kill) {
    const std::string when = "kill " + std::to_string(kill);
    const WorkerRun run = Work(u"compact"_s, int(random() % duration));
    EXPECT_FALSE(run.output.contains("message: ")) << run.output.toStdString();
    ExpectEveryDatabaseWhole(when);
    ExpectCleanAfterStart(when);
  }
  std::printf("one compaction of all databases: %d ms\n", duration / 1000);
}

TEST_F(MaintenanceCrash, ImportKilledOrFailingLeavesNothingHalfDone) {
  const QString source = folder.file(u"tmp/外来.mdb"_s);
  ASSERT_TRUE(QFile::copy(folder.file(files[u"库0"_s]), source));
  imported = contents[u"库0"_s];

  // At the end of the copy into the program folder, and at both moves of the catalogued file.
  for (const QString& target : {u"TEMP.MDB"_s, u".mdb.partial"_s, u".mdb"_s}) {
    for (const QString& fault : {u"kill-before"_s, u"kill-after"_s}) {
      const std::string when = (fault + u' ' + target).toStdString();
      const WorkerRun run = Work(u"import"_s, -1, source, target, fault);
      EXPECT_TRUE(run.killed) << when;
      ExpectEveryDatabaseWhole(when);
      ExpectCleanAfterStart(when);
    }
  }
  const WorkerRun failed = Work(u"import-once"_s, -1, source, u".mdb"_s, u"fail"_s);
  EXPECT_TRUE(failed.output.startsWith(u"message: 无法把文件“"_s.toUtf8() + source.toUtf8() +
                                       u"”放入程序文件夹，数据库导入失败！"_s.toUtf8()))
      << failed.output.toStdString();
  ExpectEveryDatabaseWhole("rename failing");
  EXPECT_EQ(demo::CatalogueSize(folder.file(u"PARA.mdb"_s)), 3);
  EXPECT_FALSE(QFile::exists(folder.file(u"TEMP.MDB"_s)));
  EXPECT_EQ(test::CatalogueLeftovers(folder.path()), QStringList());

  const int duration = Duration(u"import-once"_s, source);
  RemoveImported();
  std::mt19937 random(20240701);
  int completed = 0;
  for (int kill = 0; kill < kImportKills; ++kill) {
    const std::string when = "kill " + std::to_string(kill);
    const WorkerRun run = Work(u"import"_s, int(random() % (2 * duration)), source);
    completed += int(run.output.count("done\n"));
    EXPECT_FALSE(run.output.contains("message: ")) << run.output.toStdString();
    ExpectEveryDatabaseWhole(when);
    ExpectCleanAfterStart(when);
    RemoveImported();
  }
  std::printf("one import: %d ms; %d imports completed between the kills\n", duration / 1000,
              completed);
}
