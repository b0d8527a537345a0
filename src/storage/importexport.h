#pragma once

#include "storage/catalogue.h"

// Whole tracking databases taken out of the catalogue as files, and files brought into it.
namespace lanxi {

// The filter of the file dialogs of both commands.
inline constexpr char16_t kDatabaseFileFilter[] = u"MDB (数据库文件)(*.mdb)";

// The menu command: asks for a catalogued database (the selection dialog) and for a file to
// save it as (a name without an extension gets ".mdb"), and writes there the database as it
// stood at its last commit, byte for byte, even while another program writes to it: the file
// keeps its key and is a complete tracking database that ImportDB accepts. An existing file is
// replaced only when the user agrees, and only by a complete copy; the program's own database
// files (the catalogue, the template, catalogued databases) are never overwritten.
void ExportDB(CatalogueHost& host);

// The menu command: asks for a database file, copies it into the program folder ("TEMP.MDB",
// checked as CopyDatabase checks, with the current page size), makes sure it is a tracking
// database of the program, asks for a catalogue name not in use and catalogues the copy under
// a file name of its own (RegisterDatabase: an existing file is never replaced), then offers
// to open it. Stopping at any step leaves neither the copy nor a catalogue row behind; what a
// crash leaves is cleaned at the next start.
void ImportDB(CatalogueHost& host);

}  // namespace lanxi
