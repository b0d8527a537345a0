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

// A tracking database of hand-made rows to run the statistics on, and what they leave behind:
// the working table as stored and the table as shown.
namespace lanxi::test {

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

  void SetUp() override {
    CurDBFile = QStringLiteral("data.mdb");
    WorkDBFile = CurDBFile;
  }
  void TearDown() override { StatisticsDatabase::Current().Drop(); }

  // Runs SQL on the current database through a connection of its own.
  void Exec(const QString& sql, const Params& params = {}) {
    Connection conn;
    ASSERT_TRUE(conn.open(DatabasePath(CurDBFile)));
    ASSERT_TRUE(conn.exec(sql, params)) << conn.lastError().toStdString();
  }

  // A product with its category values C0, C1, … (a null Value leaves the field NULL).
  void AddProduct(int id, const QString& name, const QList<Value>& categories) {
    QString cols = QStringLiteral("ID,Name,CName"), marks = QStringLiteral("?,?,?");
    Params params{id, name, name + QStringLiteral("全称")};
    for (int k = 0; k < categories.size(); ++k) {
      cols += QStringLiteral(",C") + QString::number(k);
      marks += QStringLiteral(",?");
      params << categories[k];
    }
    Exec(QStringLiteral("INSERT INTO Product(") + cols + QStringLiteral(") VALUES(") + marks + u')',
         params);
  }

  void AddFigures(const Value& pid, const Value& dat, const Value& price, const Value& pprice,
                  const Value& sales, const Value& stock) {
    Exec(QStringLiteral("INSERT INTO PInfo(PID,Dat,Price,PPrice,Sales,Stock) VALUES(?,?,?,?,?,?)"),
         {pid, dat, price, pprice, sales, stock});
  }

  // The data rows of the shown table, the visible columns from the labels on, cells joined by
  // "|": what a user reads.
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

  // A working table as stored: its declared columns, then each row in order, each value with
  // its storage class, doubles to the last bit.
  static QStringList Stored(const QString& name) {
    QStringList out;
    Connection conn;
    if (!conn.open(DatabasePath(CurDBFile))) return {QStringLiteral("(no database)")};
    {
      Statement cols(conn, QStringLiteral("PRAGMA table_info(") + name + u')');
      QStringList decl;
      while (cols.next()) decl << cols.value(1).toString() + u' ' + cols.value(2).toString();
      if (decl.isEmpty()) return {QStringLiteral("(no table)")};
      out << decl.join(u',');
    }
    Statement rows(conn,
                   QStringLiteral("SELECT * FROM ") + name + QStringLiteral(" ORDER BY rowid"));
    while (rows.next()) {
      QStringList cells;
      sqlite3_stmt* s = rows.handle();
      for (int i = 0; i < sqlite3_column_count(s); ++i) {
        switch (sqlite3_column_type(s, i)) {
          case SQLITE_NULL:
            cells << QStringLiteral("null");
            break;
          case SQLITE_INTEGER:
            cells << QStringLiteral("i:") + QString::number(sqlite3_column_int64(s, i));
            break;
          case SQLITE_FLOAT:
            cells << QStringLiteral("r:") + QString::number(sqlite3_column_double(s, i), 'g', 17);
            break;
          default:
            cells << QStringLiteral("t:") +
                         QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s, i)),
                                           sqlite3_column_bytes(s, i));
        }
      }
      out << cells.join(u'|');
    }
    return out;
  }
};

}  // namespace lanxi::test
