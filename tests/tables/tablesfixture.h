#pragma once

#include <gtest/gtest.h>
#include <QStringList>

#include "common/progress.h"
#include "programfolder_fixture.h"
#include "progressrecorder.h"
#include "scriptedprompts.h"
#include "storage/dboperate.h"
#include "tables/grid.h"

namespace lanxi::test {

// A program folder whose template data.mdb is the current tracking database.
class TablesTest : public ::testing::Test {
 protected:
  TempProgramFolder folder;
  ScriptedPrompts prompts;
  ProgressRecorder progress;

  void SetUp() override {
    CurDBFile = QStringLiteral("data.mdb");
    WorkDBFile = CurDBFile;
  }

  // Runs SQL on the current database; fails the test when it does not run.
  void Exec(const QString& sql, const Params& params = {}) {
    Connection conn;
    ASSERT_TRUE(conn.open(DatabasePath(CurDBFile)));
    ASSERT_TRUE(conn.exec(sql, params)) << conn.lastError().toStdString();
  }

  qint64 Count(const QString& sql) {
    Recordset rs;
    OpenRecordset(rs, sql);
    return rs.Field(0).toInt();
  }

  // The texts of one column from row `from` down.
  static QStringList Column(const Grid& g, int col, int from = 2) {
    QStringList out;
    for (int r = from; r < g.Rows(); ++r) out << g.TextMatrix(r, col);
    return out;
  }
};

}  // namespace lanxi::test
