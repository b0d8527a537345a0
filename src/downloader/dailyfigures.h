#pragma once

#include <QDate>
#include <QString>

#include "downloader/figurereader.h"

// Writing one product's figures of one day into PInfo of a tracking database.
namespace lanxi {

struct FigureWrite {
  enum class Result {
    Inserted,     // the day's row was added
    Updated,      // the day had a row already; it holds the new figures now
    ProductGone,  // the product was deleted meanwhile: nothing written
    Failed,       // the file could not be opened or written (reason says why)
  };
  Result result = Result::Failed;
  QString reason;
  bool written() const { return result == Result::Inserted || result == Result::Updated; }
};

// How often a write is tried when another program holds the file's lock for longer than the
// busy wait (kBusyTimeoutMs each time).
inline constexpr int kWriteAttempts = 3;

// Stores the figures of product `pid` for `day` in the database file at `path`, on a
// connection of its own and in one short transaction, so a crash leaves either the whole row or
// none: the day's row when the product has one (figures not read this time keep what an
// earlier run of the same day read; further rows of that day, which older data may hold, go),
// a new row otherwise. A figure not read is stored as NULL, never as 0.
FigureWrite WriteDailyFigures(const QString& path, qint64 pid, QDate day,
                              const PageFigures& figures);

}  // namespace lanxi
