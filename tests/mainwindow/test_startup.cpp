// The program as started: a fresh program folder receives the shipped templates, keyed, and
// the main window comes up.
#include <gtest/gtest.h>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "storage/connection.h"

using namespace Qt::StringLiterals;

TEST(StartUp, FreshProgramFolderReceivesTheTemplates) {
  QTemporaryDir home;
  QProcess lanxi;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(u"LANXI_HOME"_s, home.path());
  env.insert(u"LANXI_STARTUP_PROBE"_s, u"1"_s);
  env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
  lanxi.setProcessEnvironment(env);
  lanxi.start(QString::fromUtf8(LANXI_EXE), {});
  ASSERT_TRUE(lanxi.waitForFinished(60000));
  EXPECT_EQ(lanxi.exitCode(), 0) << lanxi.readAllStandardError().toStdString();
  EXPECT_TRUE(lanxi.readAllStandardOutput().contains("first-paint"));
  for (const QString& name : {u"PARA.mdb"_s, u"data.mdb"_s}) {
    lanxi::Connection conn;
    EXPECT_TRUE(conn.open(home.filePath(name))) << name.toStdString();
  }
  // The run recorded the current database (the template, no catalogue name) as the default.
  lanxi::Connection catalog;
  ASSERT_TRUE(catalog.open(home.filePath(u"PARA.mdb"_s)));
  lanxi::Statement s(catalog, u"SELECT Con FROM Def WHERE Var='默认数据库'"_s);
  ASSERT_TRUE(s.next());
  EXPECT_EQ(s.value(0).toString(), u"  "_s);
}
