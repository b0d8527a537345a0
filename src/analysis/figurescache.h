#pragma once

#include <QDate>
#include <QString>
#include <memory>
#include <utility>
#include <vector>

#include "storage/connection.h"

// The statistics' side of the current tracking database: one connection kept open on it, which
// the statistics write their working tables through, and the figures cache, the table PInfo of
// that file held in memory so that every statistic after the first reads no figures from disk.
namespace lanxi {

// Which way a statistic computes its working table: from the figures cache (when the cache
// holds the file, otherwise by SQL), or always by the SQL statements, which are the reference
// the cache is tested against.
enum class StatisticsPath { Cached, Reference };

// PInfo in memory: compact column arrays, one entry per figures row, sorted by product, day and
// ID, with a second order by day and ID. A product is a distinct PID of PInfo (also one that
// Product no longer holds); a day a distinct Dat. Rows without a Dat are left out, since every
// statistic restricts Dat to a range. NULL prices are NaN, NULL counts figmath::kNullCount
// (figuremath.h).
struct Figures {
  // Products by PID ascending; a NULL PID, which matches no product, is the first one when
  // there is one (nullPid true).
  std::vector<qint64> pids;
  bool nullPid = false;
  // Rows of product p: productStart[p] … productStart[p + 1] - 1.
  std::vector<quint32> productStart;
  // Days ascending as yyyymmdd numbers (Dat texts are "YYYY-MM-DD").
  std::vector<quint32> dayKeys;

  // Per row, product-major.
  std::vector<quint16> day;
  std::vector<double> price;
  std::vector<double> pprice;
  std::vector<qint32> sales;
  std::vector<qint32> stock;

  // Day-major: the rows of day d are byDay[dayStart[d]] … byDay[dayStart[d + 1] - 1] in ID
  // order (indexes of the arrays above), byDayProduct their products.
  std::vector<quint32> dayStart;
  std::vector<quint32> byDay;
  std::vector<quint32> byDayProduct;

  int Products() const { return int(pids.size()); }
  int Rows() const { return int(day.size()); }
  // The product of a PID; -1 when PInfo holds no row of it.
  int ProductOf(qint64 pid) const;
  // The days from … to as the index range [first, second).
  std::pair<int, int> DayRange(QDate from, QDate to) const;
  // The rows of product p on the days [firstDay, lastDay).
  std::pair<quint32, quint32> ProductRows(int p, int firstDay, int lastDay) const;
  // The Dat text of a day.
  QString DayText(int d) const;
  // Memory held by the arrays, in bytes.
  size_t Bytes() const;
};

// The yyyymmdd number of a date.
quint32 DayKey(QDate date);

// The kept connection and the cache, for the current database (CurDBFile).
//
// The cache is loaded on first use, with the progress window, and dropped when the current
// database is another file, when its file was replaced (compaction, import) and whenever rows
// of the file may have changed since the load: another connection or process committed to it
// (PRAGMA data_version of the kept connection) or someone else changed rows through that
// connection. The statistics' own writes through it (the working tables) are bracketed with
// OwnWrites and do not count.
//
// Files whose figures the cache cannot hold exactly (a Dat that is not "YYYY-MM-DD" text, a
// count that is not a 32-bit integer, a price or PID of another kind) are left to the SQL
// statements; so is a statistic that starts while the cache is loading.
class StatisticsDatabase {
 public:
  static StatisticsDatabase& Current();
  ~StatisticsDatabase();

  // The connection to the current database, opened when needed; null when it cannot be opened.
  Connection* Connect();
  // The figures of the current database, loaded when missing or out of date; null when the
  // cache cannot hold them.
  const Figures* CachedFigures();
  // Whether the cache holds the current figures (without loading them).
  bool HoldsFigures();
  // Whether the figures are being loaded: a statistic started meanwhile (from an event handled
  // while the progress window is shown) does not run.
  bool Loading();
  // Closes the connection and forgets the figures.
  void Drop();

  // Marks writes of the statistics through the connection, from construction to destruction.
  class OwnWrites {
   public:
    explicit OwnWrites(StatisticsDatabase& db);
    ~OwnWrites();
    OwnWrites(const OwnWrites&) = delete;
    OwnWrites& operator=(const OwnWrites&) = delete;

   private:
    StatisticsDatabase& db_;
    qint64 before_;
  };

 private:
  StatisticsDatabase() = default;
  struct State;
  State& state();
  std::unique_ptr<State> state_;
};

}  // namespace lanxi
