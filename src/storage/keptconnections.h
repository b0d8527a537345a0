#pragma once

#include <QString>
#include <memory>

#include "storage/connection.h"

// Kept connections: the catalogue PARA.mdb and the current tracking database (CurDBFile) each
// keep one open handle while they are what they are, so the page cache of a file survives from
// one operation to the next and everything the program does to a file goes through one handle
// (an operation run while another one waits for events never waits for a lock of its own).
//
// Ownership: this registry owns the kept handles. A Connection opened on a kept file
// (Connection::Mode::ReadWrite, which every access-layer operation uses) shares the handle;
// statements, cursors and recordsets hold on to it while they are open. Closing them never
// closes the kept handle.
//
// Release: a kept handle closes
//   - when ReleaseDatabase is called for its file: before a file is renamed, replaced or
//     deleted (switching the current database, deleting, importing, compacting);
//   - when its file stops being the catalogue or the current database (CurDBFile names another
//     file, or the program folder changes): noticed at the next open of any connection;
//   - when its file turns out to have been replaced by another file (renamed over it): noticed
//     at the next open of a connection on it;
//   - at ReleaseAllDatabases and at the end of the process.
// A statement, cursor or recordset still open on a released handle is cut off at that moment:
// it reads no further rows (a recordset keeps the rows it has read), changes through it fail
// and its connection reports isOpen() false. The file is closed when the release returns. The
// next operation on a file that is still kept opens a new handle.
//
// A cache of a kept file's rows remembers Connection::dataVersion() of a connection to the file
// when it reads them and drops itself when a later reading differs: that covers writes by
// another program, writes through the program's own handle, and the handle being released and
// the file opened again (replaced by an import or a compaction, for example).
//
// An open statement holds the file's read lock until it has stepped to its end or is closed;
// another program (the downloader) cannot commit meanwhile, and waits up to kBusyTimeoutMs.
// Close cursors promptly.
//
// Only the thread that first opened a kept file keeps handles; other threads always get
// handles of their own.
namespace lanxi {

// Closes the kept handle of a database file: a bare file name in the program folder (e.g.
// CurDBFile) or a full path. Nothing happens when the file has no kept handle.
void ReleaseDatabase(const QString& db);
// Closes every kept handle.
void ReleaseAllDatabases();
// Whether the file (a bare name or a full path) has an open kept handle.
bool HasKeptConnection(const QString& db);

// For Connection::open: the kept handle of the file at `path`, opened when it is not open yet.
// `kept` says whether the file is one that is kept; when it is not, the answer is null and the
// caller opens a handle of its own. A kept file that fails to open answers null with the reason.
std::shared_ptr<detail::Session> KeptSession(const QString& path, bool* kept, int* code,
                                             QString* error);

}  // namespace lanxi
