// Failures of database files told in Chinese: what happened first, the engine's own words (if
// any) only on a line of their own after it.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <unistd.h>
#include <QFile>
#include <QTemporaryDir>

#include "storage/dberror.h"
#include "storage/schema.h"

using namespace Qt::StringLiterals;
using namespace lanxi;

namespace {

class DbError : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(WriteDatabaseFile(path, DatabaseKind::Tracking));
    ASSERT_TRUE(conn.open(path));
  }
  bool Write() { return conn.exec(u"INSERT INTO Product(Name) VALUES('甲')"_s); }

  QTemporaryDir dir;
  QString path = dir.filePath(u"DB120305143015.mdb"_s);
  Connection conn;
};

}  // namespace

TEST_F(DbError, EachFailureIsToldInChineseWithTheEngineTextAfterIt) {
  // Read only.
  ASSERT_TRUE(conn.exec(u"PRAGMA query_only=1"_s));
  ASSERT_FALSE(Write());
  EXPECT_EQ(DbFailureText(conn),
            u"数据库文件“DB120305143015.mdb”只能读取，无法写入。\n"
            "attempt to write a readonly database"_s);
  ASSERT_TRUE(conn.exec(u"PRAGMA query_only=0"_s));

  // Disk full: the file may not grow.
  ASSERT_TRUE(conn.exec(u"PRAGMA max_page_count=1"_s));
  ASSERT_FALSE(conn.exec(u"CREATE TABLE Big(x); INSERT INTO Big VALUES(randomblob(100000))"_s));
  EXPECT_EQ(DbFailureText(conn), u"磁盘空间已满，无法写入。\ndatabase or disk is full"_s);

  // Locked by another program for longer than the wait.
  Connection other;
  ASSERT_TRUE(other.open(path));
  ASSERT_TRUE(other.exec(u"BEGIN IMMEDIATE"_s));
  sqlite3_busy_timeout(conn.handle(), 0);
  ASSERT_FALSE(conn.exec(u"BEGIN IMMEDIATE"_s));
  EXPECT_EQ(DbFailureText(conn),
            u"数据库文件“DB120305143015.mdb”正被其他程序使用（已锁定），请稍后再试。\n"
            "database is locked"_s);

  // Not a database of this program.
  const QString text = dir.filePath(u"notes.mdb"_s);
  QFile f(text);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(QByteArray(4096, 'x'));
  f.close();
  Connection foreign;
  ASSERT_FALSE(foreign.open(text));
  EXPECT_TRUE(DbFailureText(foreign).startsWith(u"文件“notes.mdb”不是本软件的数据库文件。"_s))
      << DbFailureText(foreign).toStdString();
}

TEST_F(DbError, ReadOnlyFilesAndFoldersAreNamed) {
  conn.close();
  QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadUser);
  EXPECT_EQ(DbFailureReason(SQLITE_READONLY, path),
            u"文件“DB120305143015.mdb”是只读文件，无法写入。"_s);
  EXPECT_EQ(FileFailureReason(path), u"文件“DB120305143015.mdb”是只读文件，无法写入。"_s);
  QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
  EXPECT_EQ(DbFailureReason(SQLITE_CANTOPEN, dir.filePath(u"missing.mdb"_s)),
            u"数据库文件“missing.mdb”不存在。"_s);
  // The superuser may write anywhere: a folder is read-only only for others.
  if (geteuid() != 0) {
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
    EXPECT_EQ(DbFailureReason(SQLITE_CANTOPEN, path),
              u"文件夹“"_s + dir.path() + u"”不允许写入。"_s);
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  }
}
