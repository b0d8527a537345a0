// lanxi_dbtool: writes the database templates, generates catalogued demo databases and
// rewrites database files in the current cipher page size.
//
//   lanxi_dbtool templates FOLDER
//   lanxi_dbtool generate --catalog PARA.mdb [--name NAME] [--products N] [--days D]
//                         [--seed S] [--last-day YYYY-MM-DD] [--default] [--if-empty]
//   lanxi_dbtool convert [--page-size 4096|1024] FILE...

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <cstdio>

#include "demodata.h"
#include "storage/databasecopy.h"
#include "storage/schema.h"

using namespace Qt::StringLiterals;
using namespace lanxi;

namespace {

int Fail(const QString& text) {
  std::fprintf(stderr, "lanxi_dbtool: %s\n", text.toLocal8Bit().constData());
  return 1;
}

void Say(const QString& text) {
  std::printf("%s\n", text.toLocal8Bit().constData());
}

int Generate(const QCommandLineParser& args) {
  const QString catalog = args.value(u"catalog"_s);
  if (catalog.isEmpty()) return Fail(u"--catalog is required"_s);
  if (args.isSet(u"if-empty"_s)) {
    const int size = demo::CatalogueSize(catalog);
    if (size < 0) return Fail(u"cannot read the catalogue "_s + catalog);
    if (size > 0) {
      Say(u"The catalogue already lists %1 database(s); nothing generated."_s.arg(size));
      return 0;
    }
  }
  demo::Spec spec;
  if (args.isSet(u"name"_s)) spec.name = args.value(u"name"_s);
  spec.products = args.value(u"products"_s).toInt();
  spec.days = args.value(u"days"_s).toInt();
  spec.seed = args.value(u"seed"_s).toULongLong();
  if (args.isSet(u"last-day"_s)) {
    spec.lastDay = QDate::fromString(args.value(u"last-day"_s), Qt::ISODate);
    if (!spec.lastDay.isValid()) return Fail(u"--last-day wants YYYY-MM-DD"_s);
  }
  if (spec.products < 1 || spec.days < 1) return Fail(u"--products and --days must be positive"_s);

  QElapsedTimer timer;
  timer.start();
  demo::Result result;
  QString error;
  if (!demo::GenerateCataloguedDatabase(catalog, spec, &result, &error)) return Fail(error);
  const double seconds = std::max(timer.nsecsElapsed() / 1e9, 1e-9);
  if (args.isSet(u"default"_s) && !demo::SetDefaultDatabase(catalog, spec.name))
    return Fail(u"cannot record the default database"_s);
  Say(u"%1: %2 products, %3 daily rows in %4 s (%5 rows/s)"_s.arg(result.fileName)
          .arg(result.products)
          .arg(result.figureRows)
          .arg(seconds, 0, 'f', 2)
          .arg(qint64(result.figureRows / seconds)));
  return 0;
}

// Rewrites each file in place with the given cipher page size (files written before the
// program used 4 KB pages have 1 KB pages). The program must not be running meanwhile.
int Convert(const QCommandLineParser& args, const QStringList& files) {
  const int pageSize = args.value(u"page-size"_s).toInt();
  if (pageSize != kCipherPageSize && pageSize != kLegacyCipherPageSize)
    return Fail(u"--page-size must be %1 or %2"_s.arg(kCipherPageSize).arg(kLegacyCipherPageSize));
  if (files.isEmpty()) return Fail(u"convert wants the files to rewrite"_s);
  int failed = 0;
  for (const QString& file : files) {
    Connection conn;
    if (!conn.open(file, Connection::Mode::Private)) {
      Say(file + u": "_s + conn.lastError());
      ++failed;
      continue;
    }
    const int before = conn.pageSize();
    conn.close();
    if (before == pageSize) {
      Say(u"%1: already %2-byte pages"_s.arg(file).arg(pageSize));
      continue;
    }
    QString error;
    if (!CopyDatabase(file, file, &error, pageSize)) {
      Say(file + u": "_s + error);
      ++failed;
      continue;
    }
    Say(u"%1: %2-byte pages rewritten as %3-byte pages"_s.arg(file).arg(before).arg(pageSize));
  }
  return failed ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QCommandLineParser args;
  args.setApplicationDescription(
      u"Database templates and demo databases of 澜析产品销量跟踪软件"_s);
  args.addHelpOption();
  args.addPositionalArgument(u"command"_s, u"templates FOLDER | generate | convert FILE..."_s);
  args.addOption({u"catalog"_s, u"the catalogue PARA.mdb to register in"_s, u"path"_s});
  args.addOption({u"name"_s, u"catalogue name of the new database"_s, u"name"_s});
  args.addOption({u"products"_s, u"number of products"_s, u"n"_s, u"60"_s});
  args.addOption({u"days"_s, u"number of days of figures"_s, u"n"_s, u"180"_s});
  args.addOption({u"seed"_s, u"random seed"_s, u"n"_s, u"1"_s});
  args.addOption({u"last-day"_s, u"day of the newest figures (default today)"_s, u"date"_s});
  args.addOption({u"default"_s, u"record the new database as the default"_s});
  args.addOption({u"if-empty"_s, u"only when the catalogue lists no database"_s});
  args.addOption({u"page-size"_s, u"cipher page size convert writes"_s, u"bytes"_s,
                  QString::number(kCipherPageSize)});
  args.process(app);

  const QStringList pos = args.positionalArguments();
  if (pos.value(0) == u"templates"_s && pos.size() == 2) {
    QString error;
    return WriteTemplates(pos[1], &error) ? 0 : Fail(pos[1] + u": "_s + error);
  }
  if (pos.value(0) == u"generate"_s) return Generate(args);
  if (pos.value(0) == u"convert"_s) return Convert(args, pos.mid(1));
  args.showHelp(2);
}
