#pragma once

#include <QString>

namespace lanxi {

// The folder the program keeps its databases, pictures and helper programs in: the folder of
// the executable, or the folder named by the environment variable LANXI_HOME when it is set.
// Paths use "/" and carry no trailing separator.
QString ProgramFolder();
// Overrides the program folder for this process (tools and tests).
void SetProgramFolder(const QString& folder);

// The path of a file of the program folder. File names are compared without regard to case,
// as the database files have always been named ("PARA.MDB" is "PARA.mdb", "DATA.mdb" is the
// template "data.mdb"): an existing file whose name differs only in case is found; otherwise
// the name is used as given.
QString ProgramFile(const QString& name);

// The same look-up in any folder.
QString FileInFolder(const QString& folder, const QString& name);

}  // namespace lanxi
