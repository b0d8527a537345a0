#pragma once

#include <QString>
#include <functional>

#include "storage/connection.h"

// Whole database files copied without ever leaving a half-written file where a good one was:
// every copy is written beside its target ("….partial"), checked, flushed to the disk and
// renamed into place in one step, so an existing target is replaced whole or not at all.
namespace lanxi {

// Why a copy failed: the engine's result code (SQLITE_…; the file system's failures count as
// SQLITE_IOERR, or SQLITE_FULL for a full disk; a copy that does not check out as
// SQLITE_CORRUPT), one sentence in the user's words and the engine's or system's own text.
struct CopyFault {
  int code = 0;
  QString reason;
  QString detail;
  // The reason, and the detail on a line of its own when there is one.
  QString Text() const;
};

// Called every few milliseconds while a long copy runs, so the window can be kept alive.
using CopyTick = std::function<void()>;

// Writes a fresh copy of the database file `source` to `target`: every table with its rows
// (the AUTOINCREMENT counters included), index, view and trigger, and the schema version, keyed
// like every file of the program, with cipher pages of `pageSize` and no free pages. Compaction,
// import and the conversion of files written with the old 1 KB pages use it; `target` may be
// `source` itself.
//
// The source is read on a handle of its own in one read transaction, so the copy is one state
// of it even while another program writes. The copy replaces the target only after it opened
// with the key and the page size, passed PRAGMA integrity_check and showed the same tables
// with the same numbers of rows and the same schema version as the source.
//
// A caller that replaces a file which may have a kept connection releases it first
// (ReleaseDatabase), so that no handle of the program goes on working on the old file; one
// that must not lose a commit made meanwhile holds the file (DatabaseHold, Mode::Write) until
// the copy is in place.
bool CopyDatabase(const QString& source, const QString& target, int pageSize, CopyFault* fault,
                  const CopyTick& tick = {});
// The same, with the failure as one text.
bool CopyDatabase(const QString& source, const QString& target, QString* error = nullptr,
                  int pageSize = kCipherPageSize);

// A database file held in one state: while the hold lasts nothing commits to the file. Its
// bytes can then be copied as they stand, which gives the state of the last commit even while
// another program (the downloader) writes to it.
class DatabaseHold {
 public:
  enum class Mode {
    // A read transaction: another program may begin a write, but commits only after the hold.
    Read,
    // A write transaction that writes nothing: no other handle or program can even begin a
    // write, so the file can be replaced (renamed over) before the hold ends and no commit
    // is lost; a program holding the old file open is told, at its next write, that the file
    // moved. Needs a file that may be written.
    Write,
  };

  DatabaseHold() = default;
  ~DatabaseHold();
  DatabaseHold(const DatabaseHold&) = delete;
  DatabaseHold& operator=(const DatabaseHold&) = delete;

  // Takes the hold on the file at `path`, on a handle of its own; waits up to kBusyTimeoutMs
  // for a write in progress to finish.
  bool Take(const QString& path, Mode mode, CopyFault* fault);
  // Copies the held file byte for byte to `target` (beside it, then renamed into place) and
  // checks that the copy opens with the key. The copy keeps the page size of the file.
  bool CopyFile(const QString& target, CopyFault* fault, const CopyTick& tick = {});
  // Ends the hold (also on destruction).
  void Release();

 private:
  Connection conn_;
  bool held_ = false;
};

// Flushes a file or folder to the disk, so that what is done after it never reaches the disk
// first (a rename before the data it names, for example).
void SyncToDisk(const QString& path);

}  // namespace lanxi
