#pragma once

#include <QString>
#include <QStringView>

#include "storage/connection.h"

// The tables of the catalogue database PARA.mdb and of a tracking database, as SQL.
namespace lanxi {

// Recorded in PRAGMA user_version of every file the program writes.
inline constexpr int kSchemaVersion = 1;

inline constexpr char16_t kCatalogFile[] = u"PARA.mdb";
inline constexpr char16_t kTemplateFile[] = u"data.mdb";
// The tracking database used when no default is recorded: the template itself.
inline constexpr char16_t kFallbackDBFile[] = u"DATA.mdb";
// The copy of a database being imported, in the program folder until it is catalogued.
inline constexpr char16_t kImportCopyFile[] = u"TEMP.MDB";

// The file of a catalogued tracking database, derived from the text of its DBInfo row's Dat:
// "DB" + Dat formatted YYMMDDHHMMSS + ".mdb" ("2012-03-05 14:30:15" gives DB120305143015.mdb).
// The digits are taken from the stored text as they stand, never through a local date-time,
// so a time that a change to summer time skips still names its own file. A Dat that is not a
// date-time ("YYYY-MM-DD HH:MM:SS", or a bare date meaning midnight) names no file: the
// answer is empty.
QString CatalogFileName(QStringView dat);

// The statement that adds the per-database parameters table when a database lacks it.
QString ParaTableSql();

// Creates the tables of the catalogue (DBInfo, Def, 参数) in an empty database.
bool CreateCatalogSchema(Connection& conn);
// Creates the tables of a tracking database (Product, PInfo, Para) with their indexes.
bool CreateTrackingSchema(Connection& conn);

enum class DatabaseKind { Catalog, Tracking };

// Writes a new, keyed database file of the given kind at `path`. The file is written beside
// the target and renamed into place, so an existing file is replaced whole or not at all.
bool WriteDatabaseFile(const QString& path, DatabaseKind kind, QString* error = nullptr);

// Writes the templates PARA.mdb and data.mdb into `folder`.
bool WriteTemplates(const QString& folder, QString* error = nullptr);

}  // namespace lanxi
