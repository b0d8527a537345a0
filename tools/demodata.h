#pragma once

#include <QDate>
#include <QString>

#include "storage/connection.h"

// Tracking databases full of plausible, made-up figures, the same for the same seed: the demo
// database of the run command, and the data of benchmarks and tests.
namespace lanxi::demo {

struct Spec {
  QString name = QStringLiteral("示例数据库");  // catalogue name
  int products = 60;
  int days = 180;
  quint64 seed = 1;
  QDate lastDay;  // the day of the newest figures; today when not valid
  // Share of product-days without figures (days the downloader missed), in thousandths.
  int missingPerMille = 20;
};

struct Result {
  QString fileName;  // "DB" + stamp + ".mdb", beside the catalogue
  QString dat;       // the catalogue row's Dat, as stored
  qint64 products = 0;
  qint64 figureRows = 0;
};

// Fills an open tracking database: products, their category values, category display names
// and the daily figures. Runs in one transaction.
bool FillTrackingDatabase(Connection& conn, const Spec& spec, Result* result,
                          QString* error = nullptr);

// Catalogues a new tracking database the way the program creates one (a DBInfo row with the
// name, the file named from the row's Dat, a copy of the template data.mdb beside the
// catalogue), filled before its row is saved. The name must not be catalogued yet.
bool GenerateCataloguedDatabase(const QString& catalogPath, const Spec& spec, Result* result,
                                QString* error = nullptr);

// Records `name` as the default database in the catalogue's Def table.
bool SetDefaultDatabase(const QString& catalogPath, const QString& name);

// The number of catalogued databases; -1 when the catalogue cannot be read.
int CatalogueSize(const QString& catalogPath);

}  // namespace lanxi::demo
