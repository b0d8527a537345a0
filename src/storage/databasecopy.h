#pragma once

#include <QString>

#include "storage/connection.h"

namespace lanxi {

// Writes a fresh copy of the database file `source` to `target`: every table with its rows
// (the AUTOINCREMENT counters included), index, view and trigger, and the schema version, keyed
// like every file of the program, with cipher pages of `pageSize` and no free pages. The copy
// is written beside the target and renamed into place, so an existing target is replaced whole
// or not at all, and `target` may be `source` itself. Compaction and the conversion of files
// written with the old 1 KB pages use it.
//
// The source is read on a handle of its own. A caller that replaces a file which may have a
// kept connection releases it first (ReleaseDatabase), so that no handle of the program goes
// on working on the old file.
bool CopyDatabase(const QString& source, const QString& target, QString* error = nullptr,
                  int pageSize = kCipherPageSize);

}  // namespace lanxi
