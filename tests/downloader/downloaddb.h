#pragma once

#include "capture/itemurl.h"
#include "demodata.h"
#include "storage/connection.h"

// Tracking databases for the downloader tests, made as the main program makes them.
namespace lanxi::test {

// Catalogues a new tracking database without products in the program folder `folder`; answers
// its file name, empty when it could not be made.
inline QString AddEmptyDatabase(const QString& folder, const QString& name) {
  demo::Spec spec;
  spec.name = name;
  spec.products = 0;
  demo::Result made;
  return demo::GenerateCataloguedDatabase(folder + QStringLiteral("/PARA.mdb"), spec, &made)
             ? made.fileName
             : QString();
}

// Adds a product to the database file `path`; answers its id, 0 when it could not be added.
inline qint64 AddProductRow(const QString& path, const QString& name, const QString& url,
                            bool mall) {
  Connection conn;
  if (!conn.open(path, Connection::Mode::Private) ||
      !conn.exec(QStringLiteral("INSERT INTO Product(Name,Url,TID,TMall) VALUES(?,?,?,?)"),
                 {name, url, ExtractItemId(url), mall}))
    return 0;
  return conn.lastInsertRowId();
}

}  // namespace lanxi::test
