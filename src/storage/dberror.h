#pragma once

#include <QString>

// What went wrong with a database file, in the user's words. The engine's own text (English)
// may follow on a line of its own, never alone.
namespace lanxi {

class Connection;

// One line saying why the file at `path` could not be opened, read or written, from the
// engine's result code and what the file system says about the file and its folder: a
// read-only file, a folder that cannot be written, a full disk, a file locked by another
// program, a file that is not a database of this program.
QString DbFailureReason(int code, const QString& path);

// The reason for the connection's last failure, followed on a second line by the engine's text
// when it says more than the reason.
QString DbFailureText(const Connection& conn);

// Why a plain file at `path` (a copy being made, a file being moved aside) could not be
// written: a read-only file, a folder that cannot be written or a full disk; the empty text
// when nothing of that kind is to be seen.
QString FileFailureReason(const QString& path);

}  // namespace lanxi
