#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

#include "storage/connection.h"

// The files behind the catalogue's rows, made and removed so that a crash at any moment never
// leaves the catalogue pointing at the wrong file:
//
// - every DBInfo row names exactly one existing file, which no other row names;
// - no file is deleted unless its own row is gone;
// - what an interrupted operation leaves behind is finished or cleaned at the next start.
//
// Both operations run inside one catalogue transaction (BEGIN IMMEDIATE), so no other program
// catalogues meanwhile, and mark the file they work on with an empty file beside it: "….creating"
// while a new file waits for its row, "….deleting" while a file waits to go after its row.
// Whether the row exists decides, at the next start, what a mark means.
namespace lanxi {

// One DBInfo row and the file it names.
struct CatalogueEntry {
  qint64 row = 0;
  QString name;
  QString dat;   // Dat as stored
  QString file;  // CatalogFileName(dat); empty when the Dat names no file
};

// Every catalogue row in the order they were made; false when the catalogue cannot be read.
bool ReadCatalogue(Connection& catalog, std::vector<CatalogueEntry>* rows);
// The row of `name`, compared as the catalogue compares names; nullopt when there is none or
// the catalogue cannot be read.
std::optional<CatalogueEntry> FindCatalogued(Connection& catalog, const QString& name);

// Writes the content of a new tracking database at the given path (a copy of the template, an
// imported file); false when it cannot.
using DatabaseFileMaker = std::function<bool(const QString& path)>;

// A new catalogue row and its file.
struct Registration {
  enum class Failure {
    None,
    Catalogue,     // the catalogue could not be read or written (reason says why)
    NoFreeFile,    // every file name of the next hour is taken (conflict names the first)
    Source,        // `make` failed (reason says why, when the file system does)
    NotADatabase,  // what `make` wrote does not open with the key as a tracking database
    Write,         // the file could not be put in place (reason says why)
  };
  qint64 row = 0;
  QString dat;   // as stored
  QString path;  // the database file in the folder
  Failure failure = Failure::None;
  QString reason;
  QString conflict;
};

// Catalogues a new database `name` whose file `make` writes, in `folder`. The row's Dat is now
// as the engine tells it; when that second's file is taken (by another row, or by a file no
// row names, which is left alone) the next free second is used. The row is saved only once
// its file is complete and opens with the key as a tracking database (holding Product and
// PInfo).
bool RegisterDatabase(Connection& catalog, const QString& folder, const QString& name,
                      const DatabaseFileMaker& make, Registration* out);

// Taking a database out of the catalogue.
struct Removal {
  enum class Outcome {
    Removed,        // the row is gone, and the file unless another row names it
    NotCatalogued,  // no row has the name
    FileStays,      // the file cannot be removed; the row stays (reason says why)
    Catalogue,      // the catalogue could not be changed; nothing changed (reason says why)
  };
  Outcome outcome = Outcome::NotCatalogued;
  QString path;  // the file the row named; empty when its Dat names none
  QString reason;
};

// Removes the row of `name` and then its file, unless another row names that file too.
Removal UnregisterDatabase(Connection& catalog, const QString& folder, const QString& name);

// What the start found and did.
struct Recovery {
  QStringList removed;   // files deleted (leftovers of interrupted operations)
  QStringList restored;  // files put back under their row's name
  int separated = 0;     // rows that shared a file and got a copy of their own
};

// Finishes or undoes what interrupted catalogue operations left in `folder`: a new file whose
// row was never saved goes; a file whose row went is deleted; a mark whose operation
// completed or never began goes; a half-copied "….mdb.partial" goes, and so does the copy of
// a database whose import stopped ("TEMP.MDB"); a file that an older version moved aside as
// "….mdb.deleted" comes back while its row exists and goes otherwise.
// Rows of an older version that share one file get copies of their own (the first row keeps
// the file; the others are dated the first free second after their Dat). Touches nothing
// when the catalogue cannot be read.
bool RecoverCatalogueFiles(Connection& catalog, const QString& folder, Recovery* out = nullptr);

// For a catalogue made anew (the one the folder had is lost), whose rows cannot tell what the
// marks of interrupted operations meant: removes the marks and keeps every database file,
// putting files an older version moved aside back under their names where these are free, so
// that all of them can be imported again.
void KeepFilesOfLostCatalogue(const QString& folder);

}  // namespace lanxi
