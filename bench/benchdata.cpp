#include "benchdata.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <cstdio>
#include <ctime>

#include "demodata.h"
#include "storage/databasecopy.h"
#include "storage/schema.h"

using namespace Qt::StringLiterals;

namespace lanxi::bench {
namespace {

constexpr char16_t kName[] = u"测试";

// The file of the default database recorded in a catalogue, and the range of its figures.
bool Describe(BigDatabase* db, QString* error) {
  Connection catalog;
  if (!catalog.open(db->folder + u"/PARA.mdb"_s, Connection::Mode::Private)) {
    *error = catalog.lastError();
    return false;
  }
  Statement s(catalog,
              u"SELECT DBInfo.Dat FROM Def JOIN DBInfo ON DBInfo.Name=Def.Con WHERE Def.Var=?"_s);
  s.bind({QStringLiteral("默认数据库")});
  if (!s.next()) {
    *error = db->folder + u": no default database"_s;
    return false;
  }
  db->file = CatalogFileName(s.value(0, Value::Type::Text).toString());
  Connection conn;
  if (!conn.open(db->path(), Connection::Mode::Private)) {
    *error = db->path() + u": "_s + conn.lastError();
    return false;
  }
  Statement range(conn, u"SELECT MIN(Dat), MAX(Dat) FROM PInfo"_s);
  if (!range.next()) {
    *error = conn.lastError();
    return false;
  }
  db->firstDay = range.value(0).toDate();
  db->lastDay = range.value(1).toDate();
  return db->firstDay.isValid();
}

}  // namespace

bool FindBigDatabase(BigDatabase* out, QString* error) {
  BigDatabase db;
  const QString given = qEnvironmentVariable("LANXI_BENCH_DATA");
  if (!given.isEmpty()) {
    db.folder = QDir(given).absolutePath();
    if (!Describe(&db, error)) return false;
    *out = db;
    return true;
  }
  const QString build = QDir::cleanPath(QCoreApplication::applicationDirPath() + u"/.."_s);
  const QDate today = QDate::currentDate();
  const QString name = u"big-"_s + today.toString(Qt::ISODate);
  QDir data(build + u"/bench-data"_s);
  db.folder = data.filePath(name);
  if (QFileInfo::exists(db.folder + u"/ready"_s) && Describe(&db, error)) {
    *out = db;
    return true;
  }
  // Figures must end today: the program starts on today's figures. Older folders go.
  for (const QString& old : data.entryList({u"big-*"_s}, QDir::Dirs))
    QDir(data.filePath(old)).removeRecursively();
  QDir().mkpath(db.folder);
  for (const char16_t* f : {kCatalogFile, kTemplateFile}) {
    const QString n = QString::fromUtf16(f);
    if (!QFile::copy(build + u'/' + n, db.folder + u'/' + n)) {
      *error = u"the templates are not built in "_s + build;
      return false;
    }
  }
  std::fprintf(stderr, "making the benchmark database (2000 products x 730 days) in %s\n",
               qPrintable(db.folder));
  demo::Spec spec;
  spec.name = QString::fromUtf16(kName);
  spec.products = 2000;
  spec.days = 730;
  spec.seed = 7;
  spec.lastDay = today;
  const QString catalog = db.folder + u"/PARA.mdb"_s;
  if (!demo::GenerateCataloguedDatabase(catalog, spec, nullptr, error) ||
      !demo::SetDefaultDatabase(catalog, spec.name) || !Describe(&db, error))
    return false;
  QFile ready(db.folder + u"/ready"_s);
  ready.open(QIODevice::WriteOnly);
  *out = db;
  return true;
}

QString LegacyCopy(const BigDatabase& db, QString* error) {
  const QString legacy = db.folder + u"/legacy-1k.mdb"_s;
  if (QFileInfo::exists(legacy)) return legacy;
  return CopyDatabase(db.path(), legacy, error, kLegacyCipherPageSize) ? legacy : QString();
}

double PeakMemoryMB() {
  // VmHWM belongs to this program image; ru_maxrss would carry the parent's peak over fork.
  QFile status(u"/proc/self/status"_s);
  if (!status.open(QIODevice::ReadOnly)) return -1;
  for (const QByteArray& line : status.readAll().split('\n')) {
    if (line.startsWith("VmHWM:"))
      return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
  }
  return -1;
}

std::optional<BigDatabase> BigDatabaseOrSay() {
  BigDatabase db;
  QString error;
  if (FindBigDatabase(&db, &error)) return db;
  std::fprintf(stderr, "%s\n", qPrintable(error));
  return std::nullopt;
}

QString LegacyCopyOrSay(const BigDatabase& db) {
  QString error;
  const QString legacy = LegacyCopy(db, &error);
  if (legacy.isEmpty()) std::fprintf(stderr, "%s\n", qPrintable(error));
  return legacy;
}

double CpuMs() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

Times BestTimes(int runs, const std::function<void()>& f) {
  Times best;
  for (int i = 0; i < runs; ++i) {
    QElapsedTimer t;
    t.start();
    const double cpu = CpuMs();
    f();
    best.cpu = std::min(best.cpu, CpuMs() - cpu);
    best.wall = std::min(best.wall, t.nsecsElapsed() / 1e6);
  }
  return best;
}

}  // namespace lanxi::bench
