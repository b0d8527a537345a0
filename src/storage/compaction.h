#pragma once

#include <QString>

#include "storage/databasecopy.h"

// Compaction of the catalogued tracking databases and of the catalogue PARA.mdb. A compacted
// file is a fresh copy of the old one (no free pages, the current page size, so files written
// with the old 1 KB pages are converted), written beside it, checked and renamed over it in
// one step: whatever fails, and wherever the program stops, the database is either the old
// file or the complete new one.
namespace lanxi {

// The system's temporary folder with a trailing "/", or the empty text when it has none.
QString GetTempDir();
// Where compaction keeps a byte copy of the file it compacts, each compaction replacing the
// copy of the one before: GetTempDir() + "backup.mdb". Empty without a temporary folder.
QString CompactionBackupPath();

// Compacts the database file at `path`, keeping a copy of it as it was at
// CompactionBackupPath() when `backup` is set. The file's kept connection is closed first (the
// next operation on it opens the new file) and no other handle or program can write to the
// file until it has been replaced. Tells the user when there is no file
// ("没有找到要压缩的数据库文件！") or when the compaction failed ("数据库压缩失败（" + the
// engine's error number + why + "）！", and that the file stays as it was). `tick` is called
// every few milliseconds while the work runs.
bool CompactDatabaseFile(const QString& path, bool backup, const CopyTick& tick = {});
// Compacts a database file of the program folder, with the backup copy.
bool CompactDB(const QString& file, const CopyTick& tick = {});
// The menu command: drops the working tables ("T_…") of every catalogued database and compacts
// it, one file after another with the progress window, then compacts the catalogue. Closing
// the progress window stops the work before the next database; a database that fails is
// reported and the work goes on. The fallback database "DATA.mdb" is not catalogued and not
// compacted. A call while the command runs (from an event handled meanwhile) does nothing.
void CompactAll();

}  // namespace lanxi
