#pragma once

#include <QHash>
#include <QList>
#include <QPointer>
#include <QStringList>
#include <QTcpServer>

class QTcpSocket;

namespace lanxi::test {

// A small web server on 127.0.0.1 for the browser tests, run by the test's own event loop.
// It serves the fixture pages of a data folder ("{{HOST}}" standing for its own host):
//   /item.htm?…id=N…      item_N.html; a missing page for other ids, and for these made up:
//                          3001 a market item page of more than 10 MB,
//                          3002 an item page that never finishes (its markers sent at once),
//                          3003 a page that never finishes and carries no marker
//   /shop.htm?shop_id=N   shop_N.html
//   /search?q=…           search.html
//   /pic/NAME             a picture (JPEG whatever the name); /pic/missing… is not found
//   /?url=ADDRESS         a redirect to ADDRESS (the click-tracking redirect)
//   /NAME                 the fixture file NAME, if there is one
class FixtureServer final : public QObject {
  Q_OBJECT

 public:
  explicit FixtureServer(const QString& dataFolder);
  ~FixtureServer() override;

  // "127.0.0.1:port"
  QString Host() const;
  // "http://127.0.0.1:port" + path
  QString Url(const QString& path) const;

  // Every request's path and query, in order.
  QStringList requests;
  int Requests(const QString& contains) const { return int(requests.filter(contains).size()); }
  // Texts replaced in every page served: a page that changed since it was last read.
  QHash<QString, QString> replacements;

 private:
  void Answer(QTcpSocket* socket, const QByteArray& target);
  bool Has(const QString& file) const;
  QByteArray Page(const QString& file) const;

  QString folder_;
  QTcpServer server_;
  QList<QPointer<QTcpSocket>> held_;  // connections of pages that never finish
};

}  // namespace lanxi::test
