#include "downloader/dailyfigures.h"

#include <sqlite3.h>

#include "storage/connection.h"
#include "storage/dberror.h"

using namespace Qt::StringLiterals;

namespace lanxi {
namespace {

Value FigureValue(const PageFigures& f, Figure fig) {
  if (!f.Has(fig)) return Value();
  if (fig == Figure::Sales || fig == Figure::Stock) return Value(qint64(*f[fig]));
  return Value(*f[fig]);
}

bool Busy(int code) {
  return (code & 0xff) == SQLITE_BUSY || (code & 0xff) == SQLITE_LOCKED;
}

FigureWrite Failure(const Connection& conn, const QString& path) {
  return {FigureWrite::Result::Failed, DbFailureReason(conn.lastErrorCode(), path)};
}

FigureWrite TryWrite(Connection& conn, const QString& path, qint64 pid, QDate day,
                     const PageFigures& f) {
  Transaction tx(conn);
  if (!tx.isActive()) return Failure(conn, path);
  {
    Statement product(conn, u"SELECT 1 FROM Product WHERE ID=?"_s);
    product.bind({pid});
    const bool exists = product.next();
    if (product.failed()) return Failure(conn, path);
    if (!exists) return {FigureWrite::Result::ProductGone, {}};
  }
  qint64 row = 0;
  {
    Statement existing(conn, u"SELECT ID FROM PInfo WHERE PID=? AND Dat=? ORDER BY ID LIMIT 1"_s);
    existing.bind({pid, Value(day)});
    if (existing.next()) row = existing.value(0).toInt();
    if (existing.failed()) return Failure(conn, path);
  }
  const Params figures{FigureValue(f, Figure::Price), FigureValue(f, Figure::PPrice),
                       FigureValue(f, Figure::Sales), FigureValue(f, Figure::Stock)};
  bool ok;
  if (row) {
    ok = conn.exec(
             u"UPDATE PInfo SET Price=coalesce(?,Price),PPrice=coalesce(?,PPrice),"
             "Sales=coalesce(?,Sales),Stock=coalesce(?,Stock) WHERE ID=?"_s,
             figures + Params{row}) &&
         conn.exec(u"DELETE FROM PInfo WHERE PID=? AND Dat=? AND ID<>?"_s, {pid, Value(day), row});
  } else {
    ok = conn.exec(u"INSERT INTO PInfo(PID,Dat,Price,PPrice,Sales,Stock) VALUES(?,?,?,?,?,?)"_s,
                   Params{pid, Value(day)} + figures);
  }
  if (!ok || !tx.commit()) return Failure(conn, path);
  return {row ? FigureWrite::Result::Updated : FigureWrite::Result::Inserted, {}};
}

}  // namespace

FigureWrite WriteDailyFigures(const QString& path, qint64 pid, QDate day,
                              const PageFigures& figures) {
  FigureWrite last;
  for (int attempt = 0; attempt < kWriteAttempts; ++attempt) {
    Connection conn;
    if (!conn.open(path, Connection::Mode::Private)) {
      last = Failure(conn, path);
    } else {
      last = TryWrite(conn, path, pid, day, figures);
    }
    if (last.result != FigureWrite::Result::Failed || !Busy(conn.lastErrorCode())) return last;
  }
  return last;
}

}  // namespace lanxi
