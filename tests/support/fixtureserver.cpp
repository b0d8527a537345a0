#include "fixtureserver.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QTcpSocket>
#include <QUrl>

#include "capture/itemurl.h"
#include "fixturepages.h"

using namespace Qt::StringLiterals;

namespace lanxi::test {
namespace {

QByteArray Response(const QByteArray& status, const QByteArray& type, const QByteArray& body,
                    const QByteArray& extra = {}) {
  return "HTTP/1.1 " + status + "\r\nContent-Type: " + type +
         "\r\nContent-Length: " + QByteArray::number(body.size()) +
         "\r\nCache-Control: no-store\r\nConnection: close\r\n" + extra + "\r\n" + body;
}

QByteArray Picture(const QString& name) {
  QImage image(60, 40, QImage::Format_RGB32);
  image.fill(QColor::fromHsv(int(qHash(name) % 360), 200, 220));
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "JPEG");
  return bytes;
}

const QByteArray kHtml = "text/html; charset=utf-8";

}  // namespace

FixtureServer::FixtureServer(const QString& dataFolder) : folder_(dataFolder) {
  server_.listen(QHostAddress::LocalHost, 0);
  connect(&server_, &QTcpServer::newConnection, this, [this] {
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
      connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
      auto* request = new QByteArray;
      connect(socket, &QObject::destroyed, [request] { delete request; });
      connect(socket, &QTcpSocket::readyRead, this, [this, socket, request] {
        *request += socket->readAll();
        if (!request->contains("\r\n\r\n")) return;
        const QByteArray target = request->split(' ').value(1);
        request->clear();
        Answer(socket, target);
      });
    }
  });
}

FixtureServer::~FixtureServer() {
  for (const QPointer<QTcpSocket>& s : held_)
    if (s) s->abort();
}

QString FixtureServer::Host() const {
  return u"127.0.0.1:"_s + QString::number(server_.serverPort());
}

QString FixtureServer::Url(const QString& path) const {
  return u"http://"_s + Host() + path;
}

bool FixtureServer::Has(const QString& file) const {
  return QFile::exists(folder_ + u'/' + file);
}

QByteArray FixtureServer::Page(const QString& file) const {
  QString html = FixtureFileHtml(folder_, file, Host());
  for (auto it = replacements.constBegin(); it != replacements.constEnd(); ++it)
    html.replace(it.key(), it.value());
  return html.toUtf8();
}

void FixtureServer::Answer(QTcpSocket* socket, const QByteArray& target) {
  const QString path = QUrl::fromPercentEncoding(target);
  requests << path;
  const auto send = [socket](const QByteArray& response) {
    socket->write(response);
    socket->disconnectFromHost();
  };
  const QByteArray notFound =
      Response("404 Not Found", kHtml,
               "<html><head><title>404 Not Found</title></head><body><h1>Not Found</h1></body>"
               "</html>");

  if (path.startsWith(u"/item.htm"_s)) {
    const QString id = ExtractItemId(path);
    if (id == u"3001"_s) {
      QByteArray html = Page(u"item_1001.html"_s);
      const QByteArray filler =
          QByteArray("<div class=\"filler\"><p>填充文字，用来把网页撑大。</p></div>\n")
              .repeated(190000);
      html.replace("<div id=\"footer\">", filler + "<div id=\"footer\">");
      return send(Response("200 OK", kHtml, html));
    }
    if (id == u"3002"_s || id == u"3003"_s) {
      QByteArray part = id == u"3002"_s ? Page(u"item_1001.html"_s) : QByteArray("<html><body>");
      part.truncate(part.indexOf("</body>") < 0 ? part.size() : part.indexOf("</body>"));
      socket->write("HTTP/1.1 200 OK\r\nContent-Type: " + kHtml +
                    "\r\nContent-Length: 100000000\r\n\r\n" + part);
      held_ << socket;
      return;
    }
    if (Has(u"item_"_s + id + u".html"_s))
      return send(Response("200 OK", kHtml, Page(u"item_"_s + id + u".html"_s)));
    return send(notFound);
  }
  if (path.startsWith(u"/shop.htm"_s)) {
    const QString id = QUrl(path).query().section(u"shop_id="_s, 1).section(u'&', 0, 0);
    if (Has(u"shop_"_s + id + u".html"_s))
      return send(Response("200 OK", kHtml, Page(u"shop_"_s + id + u".html"_s)));
    return send(notFound);
  }
  if (path.startsWith(u"/search"_s)) return send(Response("200 OK", kHtml, Page(u"search.html"_s)));
  if (path.startsWith(u"/pic/missing"_s)) return send(notFound);
  if (path.startsWith(u"/pic/"_s)) return send(Response("200 OK", "image/jpeg", Picture(path)));
  if (path.startsWith(u"/?url="_s))
    return send(Response("302 Found", kHtml, {}, "Location: " + target.mid(6) + "\r\n"));
  const QString file = path.mid(1).section(u'?', 0, 0);
  if (!file.isEmpty() && !file.contains(u'/') && Has(file))
    return send(Response("200 OK", kHtml, Page(file)));
  send(notFound);
}

}  // namespace lanxi::test
