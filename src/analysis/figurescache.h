#pragma once

#include <QByteArray>
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

// The allocator of the cache's large arrays: blocks of several megabytes are aligned to and
// backed by huge pages where the system offers them, which spares most page faults while they
// are filled and most address-translation misses while they are read.
template <typename T>
struct LargeArrayAllocator {
  using value_type = T;
  LargeArrayAllocator() = default;
  template <typename U>
  LargeArrayAllocator(const LargeArrayAllocator<U>&) {}
  T* allocate(size_t n);
  void deallocate(T* p, size_t n);
  bool operator==(const LargeArrayAllocator&) const { return true; }
};
template <typename T>
using LargeArray = std::vector<T, LargeArrayAllocator<T>>;

// PInfo in memory: compact column arrays, one entry per figures row, sorted by product, day and
// ID, and where needed a second order by day and ID. A product is a distinct PID of PInfo (also one
// that Product no longer holds); a day a distinct Dat text. Rows whose Dat is not a text are left
// out: a statistic compares Dat with dates given as text, which no NULL, number or blob passes.
// NULL prices are NaN, NULL counts figmath::kNullCount (figuremath.h).
struct Figures {
  // Products by PID ascending. A PID that is not an integer (NULL, mostly) matches no product;
  // such rows belong to one product before the others (unmatched true).
  std::vector<qint64> pids;
  bool unmatched = false;
  // Rows of product p: productStart[p] … productStart[p + 1] - 1.
  std::vector<quint32> productStart;
  // Days in the order the database compares their texts (byte by byte), as stored.
  std::vector<QByteArray> dayTexts;

  // Per row, product-major.
  LargeArray<quint16> day;
  LargeArray<double> price;
  LargeArray<double> pprice;
  LargeArray<qint32> sales;
  LargeArray<qint32> stock;

  // Whether the rows of every day, in ID order, come product by product (as the downloader
  // writes them): then the rows of a day in ID order are its rows in product order.
  bool daysByProduct = true;
  // Otherwise, day-major: the rows of day d are byDay[dayStart[d]] … byDay[dayStart[d + 1] - 1]
  // in ID order (indexes of the arrays above), byDayProduct their products.
  std::vector<quint32> dayStart;
  LargeArray<quint32> byDay;
  LargeArray<quint32> byDayProduct;

  int Products() const { return int(pids.size()); }
  int Rows() const { return int(day.size()); }
  // The product of a PID; -1 when PInfo holds no row of it.
  int ProductOf(qint64 pid) const;
  // The days from … to ("YYYY-MM-DD" texts compared as the database compares Dat with them)
  // as the index range [first, second).
  std::pair<int, int> DayRange(QDate from, QDate to) const;
  // The rows of product p on the days [firstDay, lastDay).
  std::pair<quint32, quint32> ProductRows(int p, int firstDay, int lastDay) const;
  // Memory held by the arrays, in bytes.
  size_t Bytes() const;
};

// The kept connection and the cache, for the current database (CurDBFile).
//
// The cache is loaded on first use, with the progress window, and dropped when the current
// database is another file, when its file was replaced (compaction, import) and whenever rows
// of the file may have changed since the load: another connection or process committed to it
// (PRAGMA data_version of the kept connection) or someone else changed rows through that
// connection. The statistics' own writes through it (the working tables) are bracketed with
// OwnWrites and do not count.
//
// Files whose figures the cache cannot hold exactly (a count that is not a 32-bit integer, a
// price that is no number, more than 65,535 days) are left to the SQL statements.
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
