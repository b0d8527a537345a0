#include "storage/catalogfiles.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <cstdio>

#include "common/programfolder.h"
#include "storage/databasecopy.h"
#include "storage/dberror.h"
#include "storage/schema.h"

using namespace Qt::StringLiterals;

namespace lanxi {
namespace {

// How many seconds after now a new row may be dated when the seconds before are taken (by rows
// made in quick succession, or by files no row names).
constexpr int kSecondsAhead = 3600;

const QString kCreating = u".creating"_s;
const QString kDeleting = u".deleting"_s;
const QString kPartial = u".partial"_s;
const QString kMovedAside = u".deleted"_s;  // how an older version set a file aside

QString Key(const QString& file) {
  return file.toLower();
}

// The files named by the rows, compared without regard to case as file names are.
QSet<QString> NamedFiles(const std::vector<CatalogueEntry>& rows) {
  QSet<QString> named;
  for (const CatalogueEntry& e : rows) {
    if (!e.file.isEmpty()) named.insert(Key(e.file));
  }
  return named;
}

bool Exists(const QString& folder, const QString& name) {
  return QFileInfo::exists(FileInFolder(folder, name));
}

// Makes the empty mark file; false when it cannot be made (a folder that cannot be written).
bool PutMark(const QString& path) {
  if (QFileInfo(path).isFile()) return true;
  QFile mark(path);
  return mark.open(QIODevice::WriteOnly | QIODevice::NewOnly);
}

// Whether the file at `path` opens with the key and holds the tables of a tracking database.
bool IsTrackingDatabase(const QString& path) {
  Connection conn;
  if (!conn.open(path)) return false;
  Statement s(conn,
              u"SELECT COUNT(*) FROM sqlite_master WHERE type='table' AND name IN "
              "('Product','PInfo')"_s);
  return s.next() && s.value(0).toInt() == 2;
}

// The Dat text `seconds` after `dat`, counted on the calendar as written: no time zone, so no
// hour is skipped or doubled.
QString SecondsLater(const QString& dat, int seconds) {
  const QDate d = QDate::fromString(dat.left(10), u"yyyy-MM-dd"_s);
  const QTime t = dat.size() >= 19 ? QTime::fromString(dat.mid(11, 8), u"HH:mm:ss"_s) : QTime(0, 0);
  if (!d.isValid() || !t.isValid()) return {};
  return QDateTime(d, t, Qt::UTC).addSecs(seconds).toString(u"yyyy-MM-dd HH:mm:ss"_s);
}

QString EngineNow(Connection& catalog) {
  Statement now(catalog, u"SELECT datetime('now','localtime')"_s);
  return now.next() ? now.value(0, Value::Type::Text).toString() : QString();
}

// A mark of a catalogue operation or a file an older version moved aside: the database
// file's name, then the suffix.
const QRegularExpression& MarkedFile() {
  static const QRegularExpression marked(
      u"^(DB\\d{12}\\.mdb)(\\.creating|\\.deleting|\\.deleted)$"_s,
      QRegularExpression::CaseInsensitiveOption);
  return marked;
}

bool RemoveIfThere(const QString& path, QStringList* removed) {
  if (!QFileInfo::exists(path) && !QFileInfo(path).isSymLink()) return true;
  if (!QFile::remove(path)) return false;
  if (removed) *removed << QFileInfo(path).fileName();
  return true;
}

CatalogueEntry EntryOf(const Statement& s) {
  CatalogueEntry e;
  e.row = s.value(0).toInt();
  e.name = s.value(1, Value::Type::Text).toString();
  e.dat = s.value(2, Value::Type::Text).toString();
  e.file = CatalogFileName(e.dat);
  return e;
}

// The first Dat from `from` on, up to an hour later, whose file no row names and nothing in
// the folder occupies (also no mark or copy of an operation on that name); empty when there
// is none.
QString FreeDat(const QString& from, const QSet<QString>& named, const QString& folder) {
  QSet<QString> present;
  for (const QString& entry :
       QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System))
    present.insert(Key(entry));
  for (int s = 0; s <= kSecondsAhead; ++s) {
    const QString dat = s == 0 ? from : SecondsLater(from, s);
    const QString file = CatalogFileName(dat);
    if (file.isEmpty()) return {};
    if (named.contains(Key(file))) continue;
    bool occupied = false;
    for (const QString& suffix : {QString(), kCreating, kDeleting, kPartial, kMovedAside})
      occupied = occupied || present.contains(Key(file + suffix));
    if (!occupied) return dat;
  }
  return {};
}

// A new database file at `path`, made by `make` beside it and checked before it is put in
// place. The file is marked as being created: the caller saves its row, then removes the
// mark; without the row, the next start deletes the file.
struct NewFile {
  explicit NewFile(QString p) : path(std::move(p)) {}
  QString path;
  bool placed = false;
  Registration::Failure failure = Registration::Failure::None;
  QString reason;

  QString Mark() const { return path + kCreating; }
  QString Partial() const { return path + kPartial; }

  bool Make(const DatabaseFileMaker& make) {
    using Failure = Registration::Failure;
    if (!PutMark(Mark())) return Fail(Failure::Write, FileFailureReason(Mark()));
    if (!make(Partial())) return Fail(Failure::Source, FileFailureReason(Partial()));
    if (!IsTrackingDatabase(Partial())) return Fail(Failure::NotADatabase, {});
    SyncToDisk(Partial());
    if (std::rename(QFile::encodeName(Partial()).constData(),
                    QFile::encodeName(path).constData()) != 0)
      return Fail(Failure::Write, FileFailureReason(path));
    placed = true;
    SyncToDisk(QFileInfo(path).absolutePath());
    return true;
  }
  // Takes back what Make did.
  void Undo() {
    QFile::remove(Partial());
    if (placed) QFile::remove(path);
    QFile::remove(Mark());
  }
  bool Fail(Registration::Failure why, const QString& text) {
    failure = why;
    reason = text;
    Undo();
    return false;
  }
};

// Rows that share a file (two rows of one second, made by an older version) get files of their
// own: a copy under the first free second after their Dat. The first row keeps the file.
bool SeparateSharedFiles(Connection& catalog, const QString& folder,
                         const std::vector<CatalogueEntry>& rows, QSet<QString>& named,
                         QStringList* marks) {
  QSet<QString> kept;
  bool ok = true;
  for (const CatalogueEntry& e : rows) {
    if (e.file.isEmpty() || !kept.contains(Key(e.file))) {
      kept.insert(Key(e.file));
      continue;
    }
    const QString source = FileInFolder(folder, e.file);
    const QString dat = FreeDat(SecondsLater(e.dat, 1), named, folder);
    if (dat.isEmpty() || !QFileInfo(source).isFile()) continue;
    NewFile copy{folder + u'/' + CatalogFileName(dat)};
    if (!copy.Make([&](const QString& to) { return QFile::copy(source, to); }) ||
        !catalog.exec(u"UPDATE DBInfo SET Dat=? WHERE rowid=?"_s, {dat, Value(e.row)})) {
      copy.Undo();
      ok = false;
      continue;
    }
    named.insert(Key(CatalogFileName(dat)));
    *marks << copy.Mark();
  }
  return ok;
}

}  // namespace

bool ReadCatalogue(Connection& catalog, std::vector<CatalogueEntry>* rows) {
  rows->clear();
  Statement s(catalog, u"SELECT rowid, Name, Dat FROM DBInfo ORDER BY rowid"_s);
  if (!s.isValid()) return false;
  while (s.next()) rows->push_back(EntryOf(s));
  return !s.failed();
}

std::optional<CatalogueEntry> FindCatalogued(Connection& catalog, const QString& name) {
  Statement s(catalog, u"SELECT rowid, Name, Dat FROM DBInfo WHERE Name=? ORDER BY rowid"_s);
  if (!s.bind({name}) || !s.next()) return std::nullopt;
  return EntryOf(s);
}

bool RegisterDatabase(Connection& catalog, const QString& folder, const QString& name,
                      const DatabaseFileMaker& make, Registration* out) {
  using Failure = Registration::Failure;
  *out = Registration();
  const auto fail = [&](Failure why, const QString& reason) {
    out->failure = why;
    out->reason = reason;
    return false;
  };
  Transaction tx(catalog);
  std::vector<CatalogueEntry> rows;
  if (!tx.isActive() || !ReadCatalogue(catalog, &rows))
    return fail(Failure::Catalogue, DbFailureText(catalog));
  const QString now = EngineNow(catalog);
  if (now.isEmpty()) return fail(Failure::Catalogue, DbFailureText(catalog));
  const QString dat = FreeDat(now, NamedFiles(rows), folder);
  if (dat.isEmpty()) {
    out->conflict = folder + u'/' + CatalogFileName(now);
    return fail(Failure::NoFreeFile, {});
  }

  NewFile file{folder + u'/' + CatalogFileName(dat)};
  if (!file.Make(make)) return fail(file.failure, file.reason);
  if (!catalog.exec(u"INSERT INTO DBInfo(Name,Dat) VALUES(?,?)"_s, {name, dat})) {
    file.Undo();
    return fail(Failure::Catalogue, DbFailureText(catalog));
  }
  const qint64 row = catalog.lastInsertRowId();
  if (!tx.commit()) {
    file.Undo();
    return fail(Failure::Catalogue, DbFailureText(catalog));
  }
  QFile::remove(file.Mark());
  out->row = row;
  out->dat = dat;
  out->path = file.path;
  return true;
}

Removal UnregisterDatabase(Connection& catalog, const QString& folder, const QString& name) {
  Removal out;
  Transaction tx(catalog);
  std::vector<CatalogueEntry> rows;
  if (!tx.isActive() || !ReadCatalogue(catalog, &rows)) {
    out.outcome = Removal::Outcome::Catalogue;
    out.reason = DbFailureText(catalog);
    return out;
  }
  const std::optional<CatalogueEntry> entry = FindCatalogued(catalog, name);
  if (!entry) return out;

  // A file another row names too (two rows of one second, made by an older version) stays
  // with that row.
  bool shared = false;
  for (const CatalogueEntry& e : rows) {
    shared =
        shared || (e.row != entry->row && !e.file.isEmpty() && Key(e.file) == Key(entry->file));
  }
  if (!entry->file.isEmpty()) out.path = FileInFolder(folder, entry->file);
  const bool removeFile = !out.path.isEmpty() && !shared && QFileInfo::exists(out.path);
  const QString mark = out.path + kDeleting;
  if (removeFile && !PutMark(mark)) {
    out.outcome = Removal::Outcome::FileStays;
    out.reason = FileFailureReason(mark);
    return out;
  }
  if (!catalog.exec(u"DELETE FROM DBInfo WHERE rowid=?"_s, {Value(entry->row)}) || !tx.commit()) {
    out.outcome = Removal::Outcome::Catalogue;
    out.reason = DbFailureText(catalog);
    if (removeFile) QFile::remove(mark);
    return out;
  }
  out.outcome = Removal::Outcome::Removed;
  // Should the file resist, the mark stays and the next start deletes it.
  if (removeFile && QFile::remove(out.path)) QFile::remove(mark);
  return out;
}

void KeepFilesOfLostCatalogue(const QString& folder) {
  const QDir dir(folder);
  for (const QString& entry : dir.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
    const auto m = MarkedFile().match(entry);
    if (!m.hasMatch()) continue;
    if (m.captured(2).compare(kMovedAside, Qt::CaseInsensitive) != 0) {
      QFile::remove(dir.filePath(entry));
    } else if (!Exists(folder, m.captured(1))) {
      QFile::rename(dir.filePath(entry), dir.filePath(m.captured(1)));
    }
  }
}

bool RecoverCatalogueFiles(Connection& catalog, const QString& folder, Recovery* out) {
  Recovery local;
  Recovery& r = out ? *out : local;
  // Holding the catalogue keeps a running NewDB or DeleteDB of another instance out.
  Transaction tx(catalog);
  std::vector<CatalogueEntry> rows;
  if (!tx.isActive() || !ReadCatalogue(catalog, &rows)) return false;
  QSet<QString> named = NamedFiles(rows);

  static const QRegularExpression partial(u"^.+\\.mdb\\.partial$"_s,
                                          QRegularExpression::CaseInsensitiveOption);
  const QDir dir(folder);
  const auto entries = [&] { return dir.entryList(QDir::Files | QDir::Hidden | QDir::System); };
  bool ok = true;

  // Marks first: they decide about the database files they name.
  for (const QString& entry : entries()) {
    const auto m = MarkedFile().match(entry);
    if (!m.hasMatch() || m.captured(2).compare(kMovedAside, Qt::CaseInsensitive) == 0) continue;
    const QString file = m.captured(1);
    const bool creating = m.captured(2).compare(kCreating, Qt::CaseInsensitive) == 0;
    // Without its row the file is a new one never catalogued, or one whose row is gone.
    bool done = named.contains(Key(file)) || RemoveIfThere(FileInFolder(folder, file), &r.removed);
    if (creating) done = RemoveIfThere(dir.filePath(file + kPartial), &r.removed) && done;
    // The mark goes last: while it stays, the next start tries again.
    if (done) QFile::remove(dir.filePath(entry));
    ok = ok && done;
  }
  for (const QString& entry : entries()) {
    if (partial.match(entry).hasMatch()) ok = RemoveIfThere(dir.filePath(entry), &r.removed) && ok;
    const auto m = MarkedFile().match(entry);
    if (!m.hasMatch() || m.captured(2).compare(kMovedAside, Qt::CaseInsensitive) != 0) continue;
    const QString file = m.captured(1);
    if (!named.contains(Key(file))) {
      ok = RemoveIfThere(dir.filePath(entry), &r.removed) && ok;
    } else if (!Exists(folder, file)) {
      if (QFile::rename(dir.filePath(entry), dir.filePath(file))) {
        r.restored << file;
      } else {
        ok = false;
      }
    }
  }

  // The copy of an import that stopped before its row was saved; the file it came from is
  // where the user chose it.
  ok = RemoveIfThere(FileInFolder(folder, QString::fromUtf16(kImportCopyFile)), &r.removed) && ok;

  QStringList marks;
  ok = SeparateSharedFiles(catalog, folder, rows, named, &marks) && ok;
  if (!marks.isEmpty()) {
    if (tx.commit()) {
      r.separated = marks.size();
    } else {
      for (const QString& mark : std::as_const(marks))
        QFile::remove(mark.chopped(kCreating.size()));
      ok = false;
    }
    for (const QString& mark : std::as_const(marks)) QFile::remove(mark);
  }
  return ok;
}

}  // namespace lanxi
