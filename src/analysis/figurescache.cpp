#include "analysis/figurescache.h"

#include <sqlite3.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <QFile>
#include <QHash>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <unordered_map>

#include "analysis/figuremath.h"
#include "common/progress.h"
#include "storage/dboperate.h"

using namespace Qt::StringLiterals;

namespace lanxi {
namespace {

// PIDs below this are mapped to products through a table, larger ones through a hash.
constexpr qint64 kDirectPids = 1 << 22;
// Day indexes are 16 bits.
constexpr size_t kMaxDays = std::numeric_limits<quint16>::max();

qint64 ReadInteger(Connection& conn, const char* sql) {
  sqlite3_stmt* s = nullptr;
  qint64 v = 0;
  if (sqlite3_prepare_v2(conn.handle(), sql, -1, &s, nullptr) == SQLITE_OK &&
      sqlite3_step(s) == SQLITE_ROW)
    v = sqlite3_column_int64(s, 0);
  sqlite3_finalize(s);
  return v;
}

qint64 DataVersion(Connection& conn) {
  return ReadInteger(conn, "PRAGMA data_version");
}

qint64 TotalChanges(Connection& conn) {
  return conn.isOpen() ? sqlite3_total_changes(conn.handle()) : -1;
}

enum class Load { Held, Declined, Failed };

// The rows as read, in ID order, with products and days numbered as first met.
struct Scan {
  std::vector<qint64> pids;  // by first appearance
  bool unmatched = false;
  quint32 unmatchedProduct = 0;
  std::vector<QByteArray> days;  // by first appearance
  LargeArray<quint32> product;
  LargeArray<quint16> day;
  LargeArray<double> price, pprice;
  LargeArray<qint32> sales, stock;

  std::vector<qint32> direct;  // PID → product + 1, for small PIDs
  std::unordered_map<qint64, quint32> hashed;
  QHash<QByteArray, quint16> dayOf;
  QByteArray lastText;
  quint16 lastDay = 0;

  void Reserve(size_t rows) {
    product.reserve(rows);
    day.reserve(rows);
    price.reserve(rows);
    pprice.reserve(rows);
    sales.reserve(rows);
    stock.reserve(rows);
  }
  quint32 ProductOf(qint64 pid) {
    if (pid >= 0 && pid < kDirectPids) {
      if (size_t(pid) >= direct.size()) direct.resize(std::max<size_t>(size_t(pid) + 1, 1024), 0);
      qint32& slot = direct[size_t(pid)];
      if (slot == 0) {
        pids.push_back(pid);
        slot = qint32(pids.size());
      }
      return quint32(slot - 1);
    }
    const auto [it, added] = hashed.try_emplace(pid, quint32(pids.size()));
    if (added) pids.push_back(pid);
    return it->second;
  }
  quint32 UnmatchedProduct() {
    if (!unmatched) {
      unmatched = true;
      unmatchedProduct = quint32(pids.size());
      pids.push_back(0);
    }
    return unmatchedProduct;
  }
  // False when there are more days than the cache numbers. Rows come day by day, so the day of
  // the row before is the first guess.
  bool DayOf(const char* text, int n, quint16* d) {
    if (days.empty() || n != lastText.size() || std::memcmp(text, lastText.constData(), n) != 0) {
      lastText = QByteArray(text, n);
      const auto it = dayOf.constFind(lastText);
      if (it != dayOf.cend()) {
        lastDay = *it;
      } else {
        if (days.size() >= kMaxDays) return false;
        lastDay = quint16(days.size());
        dayOf.insert(lastText, lastDay);
        days.push_back(lastText);
      }
    }
    *d = lastDay;
    return true;
  }
};

// Reads one figures row; false when a value is of a kind the cache does not hold.
bool ReadRow(sqlite3_stmt* s, Scan& scan) {
  if (sqlite3_column_type(s, 1) != SQLITE_TEXT) return true;  // in no range of dates
  quint16 d = 0;
  if (!scan.DayOf(reinterpret_cast<const char*>(sqlite3_column_text(s, 1)),
                  sqlite3_column_bytes(s, 1), &d))
    return false;

  const quint32 p = sqlite3_column_type(s, 0) == SQLITE_INTEGER
                        ? scan.ProductOf(sqlite3_column_int64(s, 0))
                        : scan.UnmatchedProduct();
  double prices[2];
  for (int i = 0; i < 2; ++i) {
    switch (sqlite3_column_type(s, 2 + i)) {
      case SQLITE_FLOAT:
      case SQLITE_INTEGER:
        prices[i] = sqlite3_column_double(s, 2 + i);
        break;
      case SQLITE_NULL:
        prices[i] = figmath::kNull;
        break;
      default:
        return false;
    }
  }
  qint32 counts[2];
  for (int i = 0; i < 2; ++i) {
    switch (sqlite3_column_type(s, 4 + i)) {
      case SQLITE_INTEGER: {
        const qint64 v = sqlite3_column_int64(s, 4 + i);
        if (v <= figmath::kNullCount || v > std::numeric_limits<qint32>::max()) return false;
        counts[i] = qint32(v);
        break;
      }
      case SQLITE_NULL:
        counts[i] = figmath::kNullCount;
        break;
      default:
        return false;
    }
  }
  scan.product.push_back(p);
  scan.day.push_back(d);
  scan.price.push_back(prices[0]);
  scan.pprice.push_back(prices[1]);
  scan.sales.push_back(counts[0]);
  scan.stock.push_back(counts[1]);
  return true;
}

// Numbers products by PID (the unmatched one first) and days by their texts, and lays the rows
// out by product, day and ID (and by day and ID unless the days came product by product): two
// stable counting sorts of the rows in ID order, by day (needless when the rows came day by
// day), then by product.
void Arrange(Scan& scan, Figures& f) {
  const size_t products = scan.pids.size(), days = scan.days.size(), rows = scan.day.size();

  std::vector<quint32> productOrder(products);
  for (quint32 i = 0; i < products; ++i) productOrder[i] = i;
  std::sort(productOrder.begin(), productOrder.end(), [&](quint32 a, quint32 b) {
    const bool unmatchedA = scan.unmatched && a == scan.unmatchedProduct;
    const bool unmatchedB = scan.unmatched && b == scan.unmatchedProduct;
    if (unmatchedA || unmatchedB) return unmatchedA && !unmatchedB;
    return scan.pids[a] < scan.pids[b];
  });
  std::vector<quint32> productRank(products);
  f.pids.resize(products);
  for (quint32 r = 0; r < products; ++r) {
    productRank[productOrder[r]] = r;
    f.pids[r] = scan.pids[productOrder[r]];
  }
  f.unmatched = scan.unmatched;

  std::vector<quint16> dayOrder(days);
  for (size_t i = 0; i < days; ++i) dayOrder[i] = quint16(i);
  std::sort(dayOrder.begin(), dayOrder.end(),
            [&](quint16 a, quint16 b) { return scan.days[a] < scan.days[b]; });
  std::vector<quint16> dayRank(days);
  f.dayTexts.resize(days);
  for (size_t r = 0; r < days; ++r) {
    dayRank[dayOrder[r]] = quint16(r);
    f.dayTexts[r] = scan.days[dayOrder[r]];
  }
  bool dayByDay = true;
  for (size_t i = 0; i < rows; ++i) {
    scan.day[i] = dayRank[scan.day[i]];
    scan.product[i] = productRank[scan.product[i]];
    dayByDay = dayByDay && (i == 0 || scan.day[i - 1] <= scan.day[i]);
  }

  f.dayStart.assign(days + 1, 0);
  for (quint16 d : scan.day) ++f.dayStart[d + 1];
  for (size_t d = 0; d < days; ++d) f.dayStart[d + 1] += f.dayStart[d];
  std::vector<quint32> next;
  LargeArray<quint32> dayMajor;
  if (!dayByDay) {
    next.assign(f.dayStart.begin(), f.dayStart.end() - 1);
    dayMajor.resize(rows);
    for (quint32 i = 0; i < rows; ++i) dayMajor[next[scan.day[i]]++] = i;
  }

  f.productStart.assign(products + 1, 0);
  for (quint32 p : scan.product) ++f.productStart[p + 1];
  for (size_t p = 0; p < products; ++p) f.productStart[p + 1] += f.productStart[p];
  const auto rowAt = [&](quint32 k) { return dayByDay ? k : dayMajor[k]; };
  for (quint32 k = 1; k < rows && f.daysByProduct; ++k) {
    const quint32 i = rowAt(k), before = rowAt(k - 1);
    f.daysByProduct = scan.day[i] != scan.day[before] || scan.product[before] <= scan.product[i];
  }
  if (f.daysByProduct) {
    f.dayStart.clear();
  } else {
    f.byDay.resize(rows);
    f.byDayProduct.resize(rows);
  }
  next.assign(f.productStart.begin(), f.productStart.end() - 1);
  f.day.resize(rows);
  f.price.resize(rows);
  f.pprice.resize(rows);
  f.sales.resize(rows);
  f.stock.resize(rows);
  for (quint32 k = 0; k < rows; ++k) {
    const quint32 i = rowAt(k);
    const quint32 p = scan.product[i];
    const quint32 at = next[p]++;
    f.day[at] = scan.day[i];
    f.price[at] = scan.price[i];
    f.pprice[at] = scan.pprice[i];
    f.sales[at] = scan.sales[i];
    f.stock[at] = scan.stock[i];
    if (!f.daysByProduct) {
      f.byDay[k] = at;
      f.byDayProduct[k] = p;
    }
  }
}

// Reads PInfo of the connection's file inside one read transaction, so the figures and the
// data version belong together.
Load LoadFigures(Connection& conn, Figures& out, qint64* version) {
  if (!conn.exec(u"BEGIN"_s)) return Load::Failed;
  const qint64 firstId = ReadInteger(conn, "SELECT min(ID) FROM PInfo");
  const qint64 lastId = ReadInteger(conn, "SELECT max(ID) FROM PInfo");
  *version = DataVersion(conn);
  Load result = Load::Held;
  Scan scan;
  if (lastId >= firstId && lastId - firstId < (qint64(1) << 30))
    scan.Reserve(size_t(lastId - firstId + 1));
  {
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v2(conn.handle(), "SELECT PID,Dat,Price,PPrice,Sales,Stock,ID FROM PInfo",
                           -1, &s, nullptr) != SQLITE_OK) {
      conn.exec(u"COMMIT"_s);
      return Load::Failed;
    }
    // The progress follows the IDs read.
    const int steps = 200;
    const qint64 span = std::max<qint64>(1, lastId - firstId + 1);
    ShowProgress(u"正在读取销售数据……"_s, steps);
    int shown = 0;
    int rc;
    for (qint64 n = 1; (rc = sqlite3_step(s)) == SQLITE_ROW; ++n) {
      if (!ReadRow(s, scan)) {
        result = Load::Declined;
        break;
      }
      if ((n & 0x3fff) == 0) {
        const qint64 done = sqlite3_column_int64(s, 6) - firstId + 1;
        const int at = int(std::clamp<qint64>(done * steps / span, 0, steps));
        if (at > shown) {
          StepProgress(at - shown);
          shown = at;
        }
      }
    }
    if (result == Load::Held && rc != SQLITE_DONE) result = Load::Failed;
    sqlite3_finalize(s);
    if (shown < steps) StepProgress(steps - shown);
  }
  conn.exec(u"COMMIT"_s);
  if (result == Load::Held) Arrange(scan, out);
  CloseProgress();
  return result;
}

struct FileId {
  dev_t dev = 0;
  ino_t ino = 0;
  bool operator==(const FileId&) const = default;
};

std::optional<FileId> IdOf(const QString& path) {
  struct stat st;
  if (::stat(QFile::encodeName(path).constData(), &st) != 0) return std::nullopt;
  return FileId{st.st_dev, st.st_ino};
}

}  // namespace

int Figures::ProductOf(qint64 pid) const {
  const auto first = pids.begin() + (unmatched ? 1 : 0);
  const auto it = std::lower_bound(first, pids.end(), pid);
  return it != pids.end() && *it == pid ? int(it - pids.begin()) : -1;
}

std::pair<int, int> Figures::DayRange(QDate from, QDate to) const {
  const QByteArray a = Value::IsoDate(from).toUtf8(), b = Value::IsoDate(to).toUtf8();
  const int first = int(std::lower_bound(dayTexts.begin(), dayTexts.end(), a) - dayTexts.begin());
  const int last = int(std::upper_bound(dayTexts.begin(), dayTexts.end(), b) - dayTexts.begin());
  return {first, std::max(first, last)};
}

std::pair<quint32, quint32> Figures::ProductRows(int p, int firstDay, int lastDay) const {
  const auto begin = day.begin() + productStart[p], end = day.begin() + productStart[p + 1];
  const auto lo = std::lower_bound(begin, end, quint16(firstDay));
  const auto hi = std::lower_bound(lo, end, quint16(lastDay));
  return {quint32(lo - day.begin()), quint32(hi - day.begin())};
}

size_t Figures::Bytes() const {
  size_t texts = 0;
  for (const QByteArray& t : dayTexts) texts += sizeof(QByteArray) + size_t(t.size());
  return pids.size() * sizeof(qint64) + productStart.size() * sizeof(quint32) + texts +
         day.size() * sizeof(quint16) + (price.size() + pprice.size()) * sizeof(double) +
         (sales.size() + stock.size()) * sizeof(qint32) +
         (dayStart.size() + byDay.size() + byDayProduct.size()) * sizeof(quint32);
}

namespace {
constexpr size_t kHugePage = size_t(2) << 20;
constexpr size_t kLargeBlock = size_t(4) << 20;
}  // namespace

template <typename T>
T* LargeArrayAllocator<T>::allocate(size_t n) {
  const size_t bytes = n * sizeof(T);
  if (bytes < kLargeBlock) return std::allocator<T>().allocate(n);
  const size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
  void* p = std::aligned_alloc(kHugePage, rounded);
  if (!p) throw std::bad_alloc();
  ::madvise(p, rounded, MADV_HUGEPAGE);
  return static_cast<T*>(p);
}

template <typename T>
void LargeArrayAllocator<T>::deallocate(T* p, size_t n) {
  if (n * sizeof(T) < kLargeBlock) {
    std::allocator<T>().deallocate(p, n);
  } else {
    std::free(p);
  }
}

template struct LargeArrayAllocator<quint16>;
template struct LargeArrayAllocator<quint32>;
template struct LargeArrayAllocator<qint32>;
template struct LargeArrayAllocator<double>;

struct StatisticsDatabase::State {
  Connection conn;
  QString path;
  sqlite3* handle = nullptr;
  FileId file;
  std::unique_ptr<Figures> figures;
  bool declined = false;  // the figures of this version cannot be held
  qint64 dataVersion = -1;
  qint64 ownChanges = -1;  // total changes of the handle after the last own writes
  bool loading = false;

  void Forget() {
    figures.reset();
    declined = false;
    dataVersion = ownChanges = -1;
  }
};

StatisticsDatabase& StatisticsDatabase::Current() {
  static StatisticsDatabase db;
  return db;
}

StatisticsDatabase::~StatisticsDatabase() = default;

StatisticsDatabase::State& StatisticsDatabase::state() {
  if (!state_) state_ = std::make_unique<State>();
  return *state_;
}

Connection* StatisticsDatabase::Connect() {
  State& s = state();
  if (CurDBFile.isEmpty()) return nullptr;
  const QString path = DatabasePath(CurDBFile);
  const std::optional<FileId> id = IdOf(path);
  if (s.conn.isOpen() && s.path == path && s.handle == s.conn.handle() && id && *id == s.file)
    return &s.conn;
  if (s.loading) return nullptr;  // a statement is reading the old file
  s.Forget();
  s.conn.close();
  s.handle = nullptr;
  if (!id || !s.conn.open(path)) return nullptr;
  s.path = path;
  s.handle = s.conn.handle();
  s.file = *id;
  return &s.conn;
}

bool StatisticsDatabase::Loading() {
  return state().loading;
}

bool StatisticsDatabase::HoldsFigures() {
  State& s = state();
  if (s.loading || !s.figures) return false;
  Connection* conn = Connect();
  return conn && s.figures && DataVersion(*conn) == s.dataVersion &&
         TotalChanges(*conn) == s.ownChanges;
}

const Figures* StatisticsDatabase::CachedFigures() {
  State& s = state();
  if (s.loading) return nullptr;
  Connection* conn = Connect();
  if (!conn) return nullptr;
  if ((s.figures || s.declined) && DataVersion(*conn) == s.dataVersion &&
      TotalChanges(*conn) == s.ownChanges)
    return s.figures.get();

  s.Forget();
  s.loading = true;
  auto figures = std::make_unique<Figures>();
  qint64 version = -1;
  const Load result = LoadFigures(*conn, *figures, &version);
  s.loading = false;
  if (result == Load::Failed || !conn->isOpen()) return nullptr;
  s.dataVersion = version;
  s.ownChanges = TotalChanges(*conn);
  if (result == Load::Held) {
    s.figures = std::move(figures);
  } else {
    s.declined = true;
  }
  return s.figures.get();
}

void StatisticsDatabase::Drop() {
  State& s = state();
  if (s.loading) return;
  s.Forget();
  s.conn.close();
  s.handle = nullptr;
  s.path.clear();
}

StatisticsDatabase::OwnWrites::OwnWrites(StatisticsDatabase& db)
    : db_(db), before_(TotalChanges(db.state().conn)) {}

StatisticsDatabase::OwnWrites::~OwnWrites() {
  State& s = db_.state();
  // Changes made by others through the handle before these writes still count.
  if (s.ownChanges == before_) s.ownChanges = TotalChanges(s.conn);
}

}  // namespace lanxi
