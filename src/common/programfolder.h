#pragma once

#include <QString>

namespace lanxi {

// The folder the program keeps its databases and pictures in, the first of: the folder set by
// SetProgramFolder; the folder named by the environment variable LANXI_HOME; for an installed
// program, the user's own folder UserProgramFolder(); otherwise the folder of the executable
// (a program built from source and run where it was built). Paths use "/" and carry no
// trailing separator.
QString ProgramFolder();
// Overrides the program folder for this process (tools and tests).
void SetProgramFolder(const QString& folder);

// Whether the running executable belongs to an installed program: its folder is the
// installation's program folder ("…/lib/lanxi", /usr/lib/lanxi for the Debian package). That
// folder is shared by every user of the machine and the program never writes into it.
bool IsInstalledProgram();
// The same test for an executable in `executableFolder`.
bool IsInstalledProgramFolder(const QString& executableFolder);

// Where an installed program keeps a user's data: $XDG_DATA_HOME/lanxi, or
// ~/.local/share/lanxi when XDG_DATA_HOME is unset, empty or not an absolute path.
QString UserProgramFolder();

// The free space a start wants in the program folder: the templates, the demo database of a
// first start and the journals of the first writes, with room to spare.
inline constexpr qint64 kProgramFolderSpace = 4 * 1024 * 1024;

// Readies `folder` to be the program folder: creates it and its missing parents (readable by
// their owner only), checks that at least `bytesNeeded` bytes are free on its disk and that a
// file can be written into it (the test file is removed again). Answers the empty text when the
// folder can serve; otherwise a Chinese message for the user that names the folder and says
// why, and the folders created by the call are removed again, so nothing is left behind.
QString PrepareProgramFolder(const QString& folder, qint64 bytesNeeded = kProgramFolderSpace);

// The path of a file of the program folder. File names are compared without regard to case,
// as the database files have always been named ("PARA.MDB" is "PARA.mdb", "DATA.mdb" is the
// template "data.mdb"): an existing file whose name differs only in case is found; otherwise
// the name is used as given.
QString ProgramFile(const QString& name);

// The same look-up in any folder.
QString FileInFolder(const QString& folder, const QString& name);

}  // namespace lanxi
