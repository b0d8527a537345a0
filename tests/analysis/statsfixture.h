#pragma once

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <QStringList>

#include "analysis/figurescache.h"
#include "analysis/recordingsurface.h"
#include "common/progress.h"
#include "programfolder_fixture.h"
#include "scriptedprompts.h"
#include "storage/dboperate.h"
#include "tables/grid.h"

// A tracking database to run the statistics on; the working table as stored and as shown.
namespace lanxi::test {
using namespace Qt::StringLiterals;

// Records the captions the progress window was opened with.
class ProgressLog final : public ProgressDisplay {
 public:
  ProgressLog() { SetProgressDisplay(this); }
  ~ProgressLog() override { SetProgressDisplay(nullptr); }
  void Refresh(const ProgressState&) override {}
  void Show() override { shown << Progress().caption; }
  void Unload() override {}
  QStringList shown;
};

class StatsTest : public ::testing::Test {
 protected:
  TempProgramFolder folder;
  ScriptedPrompts prompts;
  ProgressLog progress;
  Grid table;
  RecordingSurface pic{12000, 7500};

  void SetUp() override { WorkDBFile = CurDBFile = u"data.mdb"_s; }
  void TearDown() override { StatisticsDatabase::Current().Drop(); }

  // Runs SQL on the current database through a connection of its own.
  void Exec(const QString& sql, const Params& params = {}) {
    Connection conn;
    ASSERT_TRUE(conn.open(DatabasePath(CurDBFile)));
    ASSERT_TRUE(conn.exec(sql, params)) << conn.lastError().toStdString();
  }
  // A product with its category values C0, C1, C2.
  void AddProduct(int id, const QString& name, const QStringList& c) {
    Exec(u"INSERT INTO Product(ID,Name,CName,C0,C1,C2) VALUES(?,?,?,?,?,?)"_s,
         {id, name, name + u"全称"_s, c.value(0), c.value(1), c.value(2)});
  }
  void AddFigures(const Value& pid, const Value& dat, const Value& price, const Value& pprice,
                  const Value& sales, const Value& stock) {
    Exec(u"INSERT INTO PInfo(PID,Dat,Price,PPrice,Sales,Stock) VALUES(?,?,?,?,?,?)"_s,
         {pid, dat, price, pprice, sales, stock});
  }

  // The shown table from the captions and labels on, cells joined by "|": what a user reads.
  QStringList Shown() const { return ShownRows(table); }
  static QStringList ShownRows(const Grid& g) {
    QStringList rows;
    for (int r = g.FixedRows() - 1; r < g.Rows(); ++r) {
      QStringList cells;
      for (int c = g.FixedCols() - 1; c < g.Cols(); ++c) cells << g.TextMatrix(r, c);
      rows << cells.join(u'|');
    }
    return rows;
  }

  // A working table as stored: its declared columns, then each value with its storage class.
  static QStringList Stored(const QString& name) {
    Connection conn;
    if (!conn.open(DatabasePath(CurDBFile))) return {u"(no database)"_s};
    QStringList decl, out;
    for (Statement cols(conn, u"PRAGMA table_info("_s + name + u')'); cols.next();)
      decl << cols.value(1).toString() + u' ' + cols.value(2).toString();
    if (decl.isEmpty()) return {u"(no table)"_s};
    out << decl.join(u',');
    for (Statement rows(conn, u"SELECT * FROM "_s + name + u" ORDER BY rowid"_s); rows.next();) {
      QStringList cells;
      sqlite3_stmt* s = rows.handle();
      for (int i = 0; i < sqlite3_column_count(s); ++i) {
        const int type = sqlite3_column_type(s, i);
        cells << (type == SQLITE_NULL      ? u"null"_s
                  : type == SQLITE_INTEGER ? u"i:"_s + QString::number(sqlite3_column_int64(s, i))
                  : type == SQLITE_FLOAT
                      ? u"r:"_s + QString::number(sqlite3_column_double(s, i), 'g', 17)
                      : u"t:"_s + QString::fromUtf8(
                                      reinterpret_cast<const char*>(sqlite3_column_text(s, i)),
                                      sqlite3_column_bytes(s, i)));
      }
      out << cells.join(u'|');
    }
    return out;
  }
};

}  // namespace lanxi::test
