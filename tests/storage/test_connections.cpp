// Connections: the kept handles of the catalogue and the current database, releasing them,
// locks held by another program, and cipher page sizes old and new.
#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdio>
#include <future>
#include <thread>

#include "databasecontent.h"
#include "programfolder_fixture.h"
#include "scriptedprompts.h"
#include "storage/dboperate.h"

using namespace Qt::StringLiterals;
using namespace lanxi;
using test::RawExec;
using test::RawOpen;

namespace {

// How many file descriptors of this process are open on the file.
int HandlesOn(const QString& path) {
  const QString target = QFileInfo(path).canonicalFilePath();
  const QDir fds(u"/proc/self/fd"_s);
  int n = 0;
  for (const QString& fd : fds.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot))
    n += !target.isEmpty() && QFileInfo(fds.filePath(fd)).symLinkTarget() == target;
  return n;
}

bool RawReads(const QString& path, int pageSize) {
  return test::RawExec(path, "SELECT count(*) FROM sqlite_master", pageSize) == SQLITE_OK;
}

class Connections : public ::testing::Test {
 protected:
  test::TempProgramFolder folder;
  test::ScriptedPrompts prompts;

  void SetUp() override { CurDBFile = WorkDBFile = u"data.mdb"_s; }
  QString Current() const { return folder.file(u"data.mdb"_s); }

  void AddFigures(int n) {
    ASSERT_TRUE(ExecuteSQL(
        u"WITH RECURSIVE k(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM k WHERE i<?) "
        "INSERT INTO PInfo(PID,Dat,Price,PPrice,Sales,Stock) SELECT 1,'2024-01-01',10,9,i,0 FROM k"_s,
        {n}));
  }
};

}  // namespace

TEST_F(Connections, CatalogueAndCurrentDatabaseKeepOneHandleOtherFilesNone) {
  ASSERT_TRUE(QFile::copy(Current(), folder.file(u"other.mdb"_s)));
  for (const QString& f : {u"PARA.mdb"_s, u"DATA.mdb"_s, u"other.mdb"_s, u"data.mdb"_s})
    EXPECT_TRUE(TableExists(u"Def"_s, f) || TableExists(u"Product"_s, f));
  for (const auto& [file, kept] :
       {std::pair{u"PARA.mdb"_s, 1}, {u"data.mdb"_s, 1}, {u"other.mdb"_s, 0}}) {
    EXPECT_EQ(HasKeptConnection(file), kept == 1) << file.toStdString();
    EXPECT_EQ(HandlesOn(folder.file(file)), kept) << file.toStdString();
  }

  // Another current database: the previous one lets go at the next operation.
  CurDBFile = u"other.mdb"_s;
  EXPECT_TRUE(TableExists(u"Product"_s, u"other.mdb"_s));
  EXPECT_EQ(HandlesOn(Current()), 0);
  EXPECT_EQ(HandlesOn(folder.file(u"other.mdb"_s)), 1);
}

TEST_F(Connections, ReleaseCutsOffWhatIsStillOpenAndClosesTheFile) {
  AddFigures(1000);
  Cursor cursor;
  ASSERT_TRUE(OpenCursor(cursor, u"SELECT Sales FROM PInfo ORDER BY ID"_s));
  Recordset rs;
  ASSERT_TRUE(OpenRecordset(rs, u"SELECT ID, Sales FROM PInfo ORDER BY ID"_s));
  Connection writer;
  ASSERT_TRUE(OpenConnection(writer));

  ReleaseDatabase(CurDBFile);
  EXPECT_EQ(HandlesOn(Current()), 0);  // the file may now be renamed or replaced
  cursor.MoveNext();
  EXPECT_TRUE(cursor.IsEOF() && cursor.Failed());
  EXPECT_FALSE(writer.isOpen() || writer.exec(u"DELETE FROM PInfo"_s));
  // The recordset keeps the rows it had read, and reads no more.
  int rows = 0;
  for (; !rs.IsEOF(); rs.MoveNext()) ++rows;
  EXPECT_EQ(rows, Recordset::kRowsReadAtOpen);
  // The next operation opens the file again, which nothing above changed.
  EXPECT_EQ(CountGroups(u"PInfo"_s, u"ID"_s, u"Sales>0"_s), 1000);
}

// Writes of another program are seen and change the data version, which a cache keys on; a
// file replaced behind the kept handle is opened again.
TEST_F(Connections, TheKeptHandleFollowsOtherProgramsWritesAndAFileReplacedBehindIt) {
  const auto name = [] { return LookupValue(u"Product"_s, Value(1), u"ID"_s, u"Name"_s); };
  Connection kept;
  ASSERT_TRUE(kept.open(Current()) && kept.isKept());
  const auto v1 = kept.dataVersion();
  EXPECT_EQ(name(), Value(QString()));
  ASSERT_EQ(RawExec(Current(), "INSERT INTO Product(ID,Name) VALUES(1,'下载器写的')"), SQLITE_OK);
  const auto v2 = kept.dataVersion();
  EXPECT_NE(v2, v1);
  EXPECT_EQ(name(), Value(u"下载器写的"_s));
  // Released and opened again (as around an import): never taken for the handle before.
  ReleaseDatabase(CurDBFile);
  ASSERT_TRUE(kept.open(Current()));
  EXPECT_NE(kept.dataVersion(), v2);
  kept.close();

  const QString other = folder.file(u"restored.mdb"_s);
  ASSERT_TRUE(QFile::copy(Current(), other));
  ASSERT_EQ(RawExec(other, "UPDATE Product SET Name='恢复的'"), SQLITE_OK);
  ASSERT_TRUE(HasKeptConnection(CurDBFile));
  ASSERT_EQ(
      std::rename(QFile::encodeName(other).constData(), QFile::encodeName(Current()).constData()),
      0);
  EXPECT_EQ(name(), Value(u"恢复的"_s));
}

// An operation started while another one steps through rows or holds a transaction (events run
// meanwhile) works on the same handle: it neither waits for a lock nor fails.
TEST_F(Connections, OperationsNestedInAnotherOneShareItsHandle) {
  AddFigures(600);
  Cursor reading;
  ASSERT_TRUE(OpenCursor(reading, u"SELECT ID FROM PInfo"_s));
  EXPECT_TRUE(ExecuteSQL(u"DELETE FROM PInfo WHERE ID=600"_s));
  int rows = 0;
  for (; !reading.IsEOF(); reading.MoveNext()) ++rows;
  EXPECT_FALSE(reading.Failed());
  EXPECT_GE(rows, 599);

  // A transaction inside another is part of it: rolled back with it, kept with it.
  for (const bool keep : {false, true}) {
    Connection outer;
    ASSERT_TRUE(OpenConnection(outer));
    Transaction tx(outer);
    ASSERT_TRUE(outer.exec(u"DELETE FROM PInfo WHERE ID=1"_s));
    {
      Connection inner;
      ASSERT_TRUE(OpenConnection(inner));
      Transaction nested(inner);
      ASSERT_TRUE(inner.exec(u"DELETE FROM PInfo WHERE ID=2"_s));
      ASSERT_TRUE(nested.commit());
    }
    EXPECT_TRUE(!keep || tx.commit());
  }
  EXPECT_EQ(CountGroups(u"PInfo"_s, u"ID"_s, u"ID<=2"_s), 0);
  EXPECT_EQ(CountGroups(u"PInfo"_s, u"ID"_s), 597);
}

// The downloader writes while the program runs: a lock it holds for a moment is waited out,
// whether the program opens the file then or already has it open.
TEST_F(Connections, ALockHeldByAnotherProgramIsWaitedOut) {
  // Another program holds the file locked for 0.7 s, writing a row, while `f` runs.
  const auto whileLocked = [](const QString& path, const auto& f) {
    std::promise<void> locked;
    std::thread other([&] {
      sqlite3* db = RawOpen(path);
      sqlite3_exec(db, "BEGIN EXCLUSIVE; INSERT INTO Product(Name) VALUES('锁')", nullptr, nullptr,
                   nullptr);
      locked.set_value();
      std::this_thread::sleep_for(std::chrono::milliseconds(700));
      sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
      sqlite3_close(db);
    });
    locked.get_future().wait();
    f();
    other.join();
  };
  // Reading the schema is the first statement of a connection: it waits.
  ReleaseAllDatabases();
  whileLocked(Current(), [] { EXPECT_TRUE(TableExists(u"Product"_s)); });
  // The kept handle is open already: a query waits too, and sees the committed row.
  whileLocked(Current(), [] {
    EXPECT_EQ(LookupValue(u"Product"_s, u"锁"_s, u"Name"_s, u"Name"_s).toString(), u"锁"_s);
  });
  EXPECT_TRUE(prompts.messages.isEmpty());
}

// An old 1 KB-page file opens in its own page size, and a write a crash interrupted is rolled
// back (with larger pages the engine would crash rolling it back).
TEST_F(Connections, AnInterruptedWriteToAn1KFileIsRolledBack) {
  const QString live = folder.file(u"live.mdb"_s), crashed = folder.file(u"crashed.mdb"_s);
  sqlite3* db = RawOpen(live, 1024);
  ASSERT_EQ(sqlite3_exec(db,
                         "CREATE TABLE PInfo(ID INTEGER PRIMARY KEY, Sales LONG);"
                         "WITH RECURSIVE k(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM k "
                         "WHERE i<20000) INSERT INTO PInfo(Sales) SELECT i FROM k;"
                         // A small cache makes the write spill pages into the file early.
                         "PRAGMA cache_size=10; BEGIN; UPDATE PInfo SET Sales=-Sales;",
                         nullptr, nullptr, nullptr),
            SQLITE_OK);
  // The files as a crash at this moment leaves them.
  ASSERT_TRUE(QFile::copy(live, crashed));
  ASSERT_TRUE(QFile::copy(live + u"-journal"_s, crashed + u"-journal"_s));
  sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
  sqlite3_close(db);

  EXPECT_TRUE(TestOpenDatabase(crashed));
  WorkDBFile = QFileInfo(crashed).fileName();
  EXPECT_EQ(CountGroups(u"PInfo"_s, u"ID"_s, u"Sales>0"_s), 20000);
  EXPECT_FALSE(QFile::exists(crashed + u"-journal"_s));
  EXPECT_TRUE(RawReads(crashed, 1024));
}
