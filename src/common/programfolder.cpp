#include "common/programfolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace lanxi {
namespace {

QString g_override;

QString Clean(const QString& folder) {
  QString f = QDir::cleanPath(QDir::fromNativeSeparators(folder));
  while (f.size() > 1 && f.endsWith(u'/')) f.chop(1);
  return f;
}

}  // namespace

QString ProgramFolder() {
  if (!g_override.isEmpty()) return g_override;
  const QString home = qEnvironmentVariable("LANXI_HOME");
  if (!home.isEmpty()) return Clean(QDir(home).absolutePath());
  if (QCoreApplication::instance()) return Clean(QCoreApplication::applicationDirPath());
  return Clean(QDir::currentPath());
}

void SetProgramFolder(const QString& folder) {
  g_override = folder.isEmpty() ? QString() : Clean(QDir(folder).absolutePath());
}

QString FileInFolder(const QString& folder, const QString& name) {
  const QString exact = folder + u'/' + name;
  if (name.isEmpty() || QFileInfo::exists(exact)) return exact;
  const QStringList entries = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
  for (const QString& entry : entries) {
    if (entry.compare(name, Qt::CaseInsensitive) == 0) return folder + u'/' + entry;
  }
  return exact;
}

QString ProgramFile(const QString& name) {
  return FileInFolder(ProgramFolder(), name);
}

}  // namespace lanxi
