#include "cataloguecheck.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>

#include "storage/catalogfiles.h"

using namespace Qt::StringLiterals;

namespace lanxi::test {

QStringList CatalogueProblems(const QString& folder) {
  Connection catalog;
  if (!catalog.open(folder + u"/PARA.mdb"_s)) return {u"PARA.mdb does not open"_s};
  std::vector<CatalogueEntry> rows;
  if (!ReadCatalogue(catalog, &rows)) return {u"DBInfo cannot be read"_s};
  QStringList problems;
  QHash<QString, QString> owner;  // file (lower case) -> name of the row naming it
  for (const CatalogueEntry& e : rows) {
    if (e.file.isEmpty()) {
      problems << e.name + u": Dat \""_s + e.dat + u"\" names no file"_s;
      continue;
    }
    if (!QFileInfo(folder + u'/' + e.file).isFile())
      problems << e.name + u": its file "_s + e.file + u" is missing"_s;
    const QString key = e.file.toLower();
    if (owner.contains(key))
      problems << e.name + u" and "_s + owner[key] + u" both name "_s + e.file;
    owner.insert(key, e.name);
  }
  return problems;
}

QStringList CatalogueLeftovers(const QString& folder) {
  static const QRegularExpression leftover(u"\\.(creating|deleting|partial|deleted)$"_s,
                                           QRegularExpression::CaseInsensitiveOption);
  return QDir(folder).entryList(QDir::Files | QDir::Hidden).filter(leftover);
}

}  // namespace lanxi::test
