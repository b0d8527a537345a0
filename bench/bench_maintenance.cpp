// Compaction of the benchmark database (1.43 million daily rows) beside a plain file copy of the
// same file, the baseline: what the copy through the engine, the checks and the backup cost.
// Works on copies in a folder of its own beside the benchmark database. Prints times and
// ratios measured in this run; asserts nothing.
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>

#include "benchdata.h"
#include "common/programfolder.h"
#include "storage/compaction.h"
#include "storage/databasecopy.h"
#include "storage/dboperate.h"

using namespace Qt::StringLiterals;
using namespace lanxi;
using bench::Ms;

namespace {

void ReadThrough(const QString& path) {
  QFile f(path);  // into the system's file cache, so that every measurement starts alike
  f.open(QIODevice::ReadOnly);
  while (!f.read(1 << 20).isEmpty()) {
  }
}

// A plain copy of `from` at `to`, the file there replaced.
double PlainCopy(const QString& from, const QString& to) {
  QFile::remove(to);
  return Ms([&] { QFile::copy(from, to); });
}

void Row(const char* what, double ms, double baseline) {
  std::printf("  %-50s %9.0f ms  ratio %6.2f\n", what, ms, ms / baseline);
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const std::optional<bench::BigDatabase> found = bench::BigDatabaseOrSay();
  if (!found) return 1;
  const bench::BigDatabase& db = *found;
  const QString legacy = bench::LegacyCopyOrSay(db);
  if (legacy.isEmpty()) return 1;
  QTemporaryDir work(db.folder + u"/maintenance-XXXXXX"_s);
  if (!work.isValid()) return 1;
  SetProgramFolder(work.path());
  qputenv("TMPDIR", QFile::encodeName(work.path()));  // the compaction's backup goes there too
  DatabaseKey();  // derived once per process, not part of any operation
  const QString file = work.filePath(db.file);

  ReadThrough(db.path());
  const double copy = PlainCopy(db.path(), file);
  const double sizeMB = QFileInfo(file).size() / 1048576.0;
  std::printf("benchmark database %s: %.1f MB, figures %s … %s\n", qPrintable(db.file), sizeMB,
              qPrintable(db.firstDay.toString(Qt::ISODate)),
              qPrintable(db.lastDay.toString(Qt::ISODate)));

  // The parts of a compaction, then the whole of it as the menu runs it.
  CopyFault fault;
  DatabaseHold hold;
  hold.Take(file, DatabaseHold::Mode::Write, &fault);
  const double backup = Ms([&] { hold.CopyFile(CompactionBackupPath(), &fault); });
  hold.Release();
  const double fresh = Ms([&] { CopyDatabase(file, file, kCipherPageSize, &fault); });
  const double check = Ms([&] {
    Connection conn;
    conn.open(file, Connection::Mode::Private);
    Statement s(conn, u"PRAGMA integrity_check"_s);
    s.next();
  });
  const double compaction = Ms([&] { CompactDatabaseFile(file, true); });
  const double after = QFileInfo(file).size() / 1048576.0;

  // The same database with the old 1 KB pages, converted.
  const QString old = work.filePath(u"legacy.mdb"_s);
  ReadThrough(legacy);
  const double legacyCopy = PlainCopy(legacy, old);
  const double conversion = Ms([&] { CompactDatabaseFile(old, true); });

  std::printf("compaction of %.1f MB (%.1f MB afterwards), one run each\n", sizeMB, after);
  Row("plain file copy (baseline)", copy, copy);
  Row("byte copy under the engine's lock (the backup)", backup, copy);
  Row("fresh copy through the engine, checked", fresh, copy);
  Row("  of which PRAGMA integrity_check of the copy", check, copy);
  Row("CompactDatabaseFile with backup (the menu's)", compaction, copy);
  std::printf("old 1 KB pages (%.1f MB) converted to 4 KB pages\n",
              QFileInfo(legacy).size() / 1048576.0);
  Row("plain file copy (baseline)", legacyCopy, legacyCopy);
  Row("CompactDatabaseFile with backup", conversion, legacyCopy);
  std::printf("peak memory %.0f MB\n", bench::PeakMemoryMB());
  if (!fault.reason.isEmpty()) std::fprintf(stderr, "failed: %s\n", qPrintable(fault.Text()));
  return 0;
}
