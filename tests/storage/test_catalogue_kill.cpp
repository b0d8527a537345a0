// A worker creating, renaming and deleting catalogued databases is killed at random moments: the
// catalogue never points at the wrong file, and the next start cleans up and keeps the others.
#include <gtest/gtest.h>
#include <QFile>
#include <random>

#include "cataloguecheck.h"
#include "databasecontent.h"
#include "fakecataloguehost.h"
#include "killedworker.h"
#include "programfolder_fixture.h"
#include "scriptedprompts.h"
#include "storage/catalogue.h"
#include "storage/dboperate.h"
#include "storage/schema.h"

using namespace Qt::StringLiterals;
using namespace lanxi;

namespace {

constexpr int kKills = 200;
// A catalogue operation takes some tens of milliseconds (most of it waiting for the disk).
constexpr int kMaxDelayMicroseconds = 100000;

// The product a database was given to recognise it by; empty when it does not open.
QString Marker(const QString& path) {
  Connection conn;
  if (!conn.open(path)) return {};
  Statement s(conn, u"SELECT Name FROM Product"_s);
  return s.next() ? s.value(0).toString() : QString();
}

void Mark(const QString& path, const QString& marker) {
  Connection conn;
  ASSERT_TRUE(conn.open(path));
  ASSERT_TRUE(conn.exec(u"INSERT INTO Product(Name) VALUES(?)"_s, {marker}));
}

}  // namespace

TEST(CatalogueCrash, KilledAtRandomMomentsTheCatalogueNeverPointsAtTheWrongFile) {
  test::TempProgramFolder folder;
  test::ScriptedPrompts prompts;
  test::FakeHost host;

  // Databases the worker never touches, two rows sharing one file (the worker may delete "dupA")
  // and a file nobody catalogued.
  for (const QString& name : {u"keep1"_s, u"keep2"_s}) {
    prompts.inputs.enqueue(name);
    NewDB(host);
    Mark(CataloguedFilePath(name), name);
  }
  const QString shared = u"2019-06-01 08:00:00"_s;
  ASSERT_TRUE(ExecuteSQL(u"INSERT INTO DBInfo(Name,Dat) VALUES('dupA',?),('dupB',?)"_s,
                         {shared, shared}, nullptr, u"PARA.mdb"_s));
  const QString sharedFile = CatalogFileName(shared);
  ASSERT_TRUE(QFile::copy(folder.file(u"data.mdb"_s), folder.file(sharedFile)));
  Mark(folder.file(sharedFile), u"shared"_s);
  const QString orphan = u"DB190601090000.mdb"_s;
  ASSERT_TRUE(QFile::copy(folder.file(u"data.mdb"_s), folder.file(orphan)));
  Mark(folder.file(orphan), u"orphan"_s);
  ASSERT_TRUE(prompts.messages.isEmpty());
  // The first start gives each of the two rows a file of its own.
  LoadDefaultDB(host);
  ASSERT_EQ(test::CatalogueProblems(folder.path()), QStringList());
  ASSERT_EQ(Marker(CataloguedFilePath(u"dupA"_s)), u"shared"_s);
  ASSERT_EQ(Marker(CataloguedFilePath(u"dupB"_s)), u"shared"_s);

  std::mt19937 random(20120305);
  int created = 0, deleted = 0, renamed = 0, interrupted = 0;
  for (int kill = 0; kill < kKills; ++kill) {
    QString error;
    const std::optional<QByteArray> output = test::KillWorkerAtRandom(
        QString::fromUtf8(CATALOGUE_WORKER), {folder.path(), QString::number(kill)}, random,
        kMaxDelayMicroseconds, &error);
    ASSERT_TRUE(output) << error.toStdString();
    created += int(output->count("done new\n"));
    deleted += int(output->count("done delete\n"));
    renamed += int(output->count("done rename\n"));
    EXPECT_FALSE(output->contains("message: ")) << output->toStdString();

    const QStringList leftovers = test::CatalogueLeftovers(folder.path());
    interrupted += leftovers.isEmpty() ? 0 : 1;
    ASSERT_EQ(test::CatalogueProblems(folder.path()), QStringList()) << "kill " << kill;

    LoadDefaultDB(host);  // the next start
    ASSERT_EQ(test::CatalogueProblems(folder.path()), QStringList()) << "kill " << kill;
    ASSERT_EQ(test::CatalogueLeftovers(folder.path()), QStringList()) << "kill " << kill;
    // Every database file is catalogued, except the one nobody catalogued.
    ASSERT_EQ(test::DatabaseFiles(folder.path()),
              test::NamedFiles(folder.path()) + QSet<QString>{orphan})
        << "kill " << kill << " after " << leftovers.join(u' ').toStdString();
    for (const QString& name : {u"keep1"_s, u"keep2"_s, u"dupB"_s})
      ASSERT_FALSE(Marker(CataloguedFilePath(name)).isEmpty()) << name.toStdString();
    ASSERT_EQ(Marker(folder.file(orphan)), u"orphan"_s);
  }
  EXPECT_TRUE(prompts.messages.isEmpty()) << prompts.messages.join(u'\n').toStdString();
  // Every kind of operation ran, and kills landed inside them.
  EXPECT_GT(created, 0);
  EXPECT_GT(deleted, 0);
  EXPECT_GT(renamed, 0);
  EXPECT_GT(interrupted, 0);
}
