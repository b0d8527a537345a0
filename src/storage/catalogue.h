#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

#include "storage/catalogfiles.h"

// The catalogue of tracking databases in PARA.mdb: creating, opening, renaming and deleting
// catalogued databases, and the default database remembered between runs.
namespace lanxi {

// The name chosen in the database selection dialog; empty when it was cancelled.
inline QString SelDBName;

// What the catalogue needs from the main window.
class CatalogueHost {
 public:
  virtual ~CatalogueHost() = default;
  // The text of the label CurDBName: the catalogue name of the current database.
  virtual QString CurDBName() const = 0;
  virtual void SetCurDBName(const QString& name) = 0;
  // Shows the database selection dialog and waits until it is closed; answers SelDBName.
  virtual QString ChooseDatabase() = 0;
  // A database was opened: reload the product choices, date ranges, lists and category names.
  virtual void RefreshAfterOpen() = 0;
};

// The key of the default database in the table Def.
inline constexpr char16_t kDefaultDBKey[] = u"默认数据库";

// Opens the recorded default database; without one (or when it cannot be opened) the current
// database is the template file "DATA.mdb". First finishes or cleans up what catalogue
// operations interrupted by a crash left in the program folder.
void LoadDefaultDB(CatalogueHost& host);
// Records `name` (empty: the current CurDBName text) as the default database.
bool SaveDefaultDB(CatalogueHost& host, const QString& name = {});
// Makes a catalogued database current. An empty name asks with the selection dialog. Answers
// whether the database was opened.
bool OpenDB(CatalogueHost& host, const QString& name = {});
// Opens the catalogued database `name` without asking.
bool OpenCatalogued(CatalogueHost& host, const QString& name);
// Asks for a name, catalogues a new database copied from the template and offers to open it.
void NewDB(CatalogueHost& host);
// Asks for a new name for the current database.
void RenameDB(CatalogueHost& host);
// Deletes a catalogued database (not the current one). An empty name asks with the dialog.
void DeleteDB(CatalogueHost& host, const QString& name = {});

// Adds the table Para to the current database when it lacks it.
void EnsureParaTable();
// The earliest day with figures in the current database, if any.
std::optional<QDate> EarliestFigureDate();

// Tracking database files of the program folder ("DB" + stamp + ".mdb") that no catalogue row
// names, in name order.
QStringList UncataloguedDatabaseFiles();
// At a start that had to make PARA.mdb anew: keeps every database file that operations of the
// lost catalogue were working on (KeepFilesOfLostCatalogue) and, when tracking databases lie
// in the program folder, tells the user that the earlier list was not found and how to bring
// them back.
void NoticeLostCatalogue();

// A typed database name without apostrophes and double quotes, trimmed.
QString CleanDatabaseName(const QString& typed);
// Asks for a database name with an input box until the cleaned answer passes `acceptable`
// (which tells the user why it does not); empty when the user cancels or gives no name.
QString AskDatabaseName(const QString& prompt,
                        const std::function<bool(const QString&)>& acceptable);
// Whether a database of this name is catalogued, compared as the catalogue compares names.
bool IsCatalogued(const QString& name);
// The full path of a catalogued database's file, derived from its DBInfo row; empty when the
// name is not catalogued or its row names no file.
QString CataloguedFilePath(const QString& name);

}  // namespace lanxi
