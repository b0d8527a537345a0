#pragma once

#include <QString>
#include <QStringList>

// Starting the separate daily-figures downloader 采数器 of the program folder.
namespace lanxi {

// The downloader's path: the program folder + "/采数器"; when there is none, the 采数器 beside the
// running executable (the program folder of `./build.sh run` or of an installed program is the
// user's data folder, LANXI_HOME, while the programs stay where they were built or installed).
// When neither exists, the program folder's path.
QString DownloaderPath();
// The one argument naming a database for the downloader: catalogue name + "|" + file name.
QString DownloaderArgument(const QString& catalogueName, const QString& fileName);
// Starts the downloader as a separate process with `arguments` (none: every catalogued
// database) and returns at once. A missing or non-executable downloader, or one that cannot be
// started, is reported in a message; answers whether it started.
bool StartDownloader(const QStringList& arguments);

}  // namespace lanxi
