#include "storage/templates.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "common/programfolder.h"
#include "storage/schema.h"

using namespace Qt::StringLiterals;

namespace lanxi {

QStringList ShippedTemplateFolders() {
  QStringList folders;
  if (QCoreApplication::instance()) {
    const QString exe = QCoreApplication::applicationDirPath();
    folders << exe << QDir::cleanPath(exe + u"/../share/lanxi"_s);
  }
  return folders;
}

bool EnsureTemplates(QStringList* missing, QStringList* supplied) {
  return EnsureTemplatesFrom(ShippedTemplateFolders(), missing, supplied);
}

bool EnsureTemplatesFrom(const QStringList& sources, QStringList* missing, QStringList* supplied) {
  const QString folder = ProgramFolder();
  QDir().mkpath(folder);
  bool ok = true;
  for (const char16_t* raw : {kCatalogFile, kTemplateFile}) {
    const QString name = QString::fromUtf16(raw);
    if (QFileInfo::exists(ProgramFile(name))) continue;
    bool copied = false;
    for (const QString& source : sources) {
      const QString from = FileInFolder(source, name);
      if (!QFileInfo::exists(from)) continue;
      const QString to = folder + u'/' + name;
      const QString partial = to + u".partial"_s;
      QFile::remove(partial);
      copied = QFile::copy(from, partial) && QFile::rename(partial, to);
      QFile::remove(partial);
      if (copied) {
        QFile(to).setPermissions(QFile(to).permissions() | QFileDevice::WriteOwner);
        if (supplied) *supplied << name;
        break;
      }
    }
    if (!copied) {
      ok = false;
      if (missing) *missing << name;
    }
  }
  return ok;
}

}  // namespace lanxi
