// The update check against a version page served from 127.0.0.1: the page rules, time-outs,
// retries, the backup of the template and the start of the updater.
#include <gtest/gtest.h>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

#include "common/programfolder.h"
#include "common/routines.h"
#include "programfolder_fixture.h"
#include "scriptedprompts.h"
#include "storage/settings.h"
#include "update/update.h"

using namespace Qt::StringLiterals;
using namespace lanxi;

namespace {

// A tiny HTTP server: answers each path with a canned body, or never answers ("slow"). It
// records every request it read.
class PageServer : public QObject {
 public:
  PageServer() {
    server_.listen(QHostAddress::LocalHost);
    QObject::connect(&server_, &QTcpServer::newConnection, this, [this] {
      while (QTcpSocket* s = server_.nextPendingConnection()) {
        QObject::connect(s, &QTcpSocket::readyRead, this, [this, s] { Serve(s); });
        QObject::connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
      }
    });
  }
  QString base() const { return u"http://127.0.0.1:"_s + QString::number(server_.serverPort()); }

  QHash<QString, QByteArray> pages;  // path → body; a missing path is never answered
  QList<QByteArray> requests;        // request heads as read

 private:
  void Serve(QTcpSocket* s) {
    const QByteArray head = s->readAll();
    requests << head;
    const QByteArray target = head.split(' ').value(1);
    const QString path = QString::fromLatin1(target.left(target.indexOf('?')));
    const QByteArray query = target.mid(target.indexOf('?') + 1);
    // The page is looked up by path plus any query before the cache breaker.
    QString key = path;
    const QList<QByteArray> parts = query.split('&');
    for (const QByteArray& p : parts) {
      if (!p.startsWith("Time=")) key += u'?' + QString::fromLatin1(p);
    }
    if (!pages.contains(key)) return;
    const QByteArray body = pages.value(key);
    s->write("HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\nContent-Length: " +
             QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
    s->disconnectFromHost();
  }

  QTcpServer server_;
};

QByteArray VersionPage(const QByteArray& version) {
  return "<html><head><title>澜析产品销量跟踪软件(" + version +
         ")</title></head><body>最新版本<BR>下载地址<+>说明<BR>尾部</body></html>";
}

// A program folder whose settings point the version page at the local server and that holds a
// stand-in updater which writes down the arguments it was given.
struct UpdateFolder {
  UpdateFolder() {
    ResetUpdateCheck();
    SetParam(QString::fromUtf16(ParamKey::UpdateHost), server.base());
  }
  ~UpdateFolder() { ResetUpdateCheck(); }

  void InstallUpdater() {
    const QString script = folder.file(u"update"_s);
    QFile f(script);
    f.open(QIODevice::WriteOnly);
    f.write(
        "#!/bin/sh\nprintf '%s\\n' \"$#\" \"$@\" > \"$(dirname \"$0\")/args.tmp\"\n"
        "mv \"$(dirname \"$0\")/args.tmp\" \"$(dirname \"$0\")/args.txt\"\n");
    f.close();
    f.setPermissions(f.permissions() | QFile::ExeOwner);
  }
  // The updater's arguments, one per line after their count; empty when it did not run.
  QStringList UpdaterArgs() {
    const QString path = folder.file(u"args.txt"_s);
    QDeadlineTimer deadline(10000);
    while (!QFile::exists(path) && !deadline.hasExpired()) QThread::msleep(20);
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(f.readAll()).split(u'\n', Qt::SkipEmptyParts);
  }

  test::TempProgramFolder folder;
  test::ScriptedPrompts prompts;
  PageServer server;
};

const QString kPagePath = u"/soft/downpage/Pro.asp?ID=50"_s;

}  // namespace

TEST(WebGetText, KeepsTheBodyUpToItsLastBreakWithLineMarksTurnedIntoLineEnds) {
  PageServer server;
  server.pages[u"/v.asp"_s] = "<title>x</title>第一行<+>第二行<BR>第三行<BR>尾部";
  QString page = u"unchanged"_s;
  EXPECT_EQ(WebGetText(server.base() + u"/v.asp"_s, page, u"</title>"_s, 10), QString());
  EXPECT_EQ(page, u"<title>x</title>第一行\r\n第二行<BR>第三行"_s);

  // The request breaks caches with a Time parameter and says it wants XML.
  ASSERT_EQ(server.requests.size(), 1);
  const QByteArray head = server.requests[0];
  EXPECT_TRUE(head.startsWith("GET /v.asp?Time=")) << head.constData();
  EXPECT_TRUE(head.toLower().contains("content-type: text/xml")) << head.constData();

  // An address with a query of its own gets "&Time=".
  server.pages[u"/v.asp?ID=7"_s] = "</title>只有一行";
  EXPECT_EQ(WebGetText(server.base() + u"/v.asp?ID=7"_s, page, u"</title>"_s, 10), QString());
  EXPECT_EQ(page, u"</title>只有一行"_s);
  EXPECT_TRUE(server.requests.last().startsWith("GET /v.asp?ID=7&Time="));
}

TEST(WebGetText, APageWithoutTheMarkerASlowPageAndNoServerAreNetworkErrors) {
  PageServer server;
  server.pages[u"/plain"_s] = "<html>没有标题</html>";
  QString page = u"unchanged"_s;
  const QString error = QString::fromUtf16(kNetworkError);
  EXPECT_EQ(WebGetText(server.base() + u"/plain"_s, page, u"</title>"_s, 10), error);
  EXPECT_EQ(page, u"unchanged"_s);

  QElapsedTimer clock;
  clock.start();
  EXPECT_EQ(WebGetText(server.base() + u"/never"_s, page, u"</title>"_s, 1), error);
  EXPECT_GE(clock.elapsed(), 900);
  EXPECT_EQ(page, u"unchanged"_s);

  QTcpServer closed;
  closed.listen(QHostAddress::LocalHost);
  const quint16 port = closed.serverPort();
  closed.close();
  EXPECT_EQ(
      WebGetText(u"http://127.0.0.1:"_s + QString::number(port) + u"/x"_s, page, u"</title>"_s, 5),
      error);
}

TEST(WebGetText, RetriesFiveTimesAndStopsAtTheFirstSuccess) {
  PageServer server;
  server.pages[u"/plain"_s] = "no marker";
  QString page;
  EXPECT_EQ(WebGetRetry(server.base() + u"/plain"_s, page, u"</title>"_s, 5),
            QString::fromUtf16(kNetworkError));
  EXPECT_EQ(server.requests.size(), 5);

  server.requests.clear();
  server.pages[u"/ok"_s] = "</title>";
  EXPECT_EQ(WebGetRetry(server.base() + u"/ok"_s, page, u"</title>"_s, 5), QString());
  EXPECT_EQ(server.requests.size(), 1);
}

TEST(UpdateRules, VersionNumbersAndBackupNames) {
  EXPECT_DOUBLE_EQ(RemoteVersion(u"<html><title>澜析(2.05)</title>"_s), 2.05);
  EXPECT_DOUBLE_EQ(RemoteVersion(u"<title>澜析( 3.1beta)</title>"_s), 3.1);
  EXPECT_DOUBLE_EQ(RemoteVersion(u"(9.9)<title>澜析 2.05</title>"_s), 0);
  EXPECT_DOUBLE_EQ(RemoteVersion(u"澜析(2.05)"_s), 0);
  EXPECT_DOUBLE_EQ(VersionNumber(u"V2.03"_s), 2.03);
  EXPECT_DOUBLE_EQ(VersionNumber(u"测试版"_s), 0);
  EXPECT_DOUBLE_EQ(LeadingDouble(u"  -1.5.3x"), -1.5);
  EXPECT_DOUBLE_EQ(LeadingDouble(u"."), 0);

  test::TempProgramFolder folder;
  EXPECT_EQ(NextBackupPath(folder.path()), folder.file(u"BAK_data000.DAT"_s));
  for (const char16_t* taken : {u"BAK_data000.DAT", u"BAK_data001.DAT"}) {
    QFile f(folder.file(QString::fromUtf16(taken)));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  }
  EXPECT_EQ(NextBackupPath(folder.path()), folder.file(u"BAK_data002.DAT"_s));
  EXPECT_EQ(VersionPageAddress(50), u"https://lanxi-soft.cn/soft/downpage/Pro.asp?ID=50"_s);
}

TEST(CheckUpdate, AnotherVersionBacksUpTheTemplateAndStartsTheUpdaterWithOneArgument) {
  UpdateFolder f;
  f.InstallUpdater();
  for (const char16_t* taken : {u"BAK_data000.DAT", u"BAK_data001.DAT"}) {
    QFile b(f.folder.file(QString::fromUtf16(taken)));
    ASSERT_TRUE(b.open(QIODevice::WriteOnly));
  }
  f.server.pages[kPagePath] = VersionPage("1.90");  // lower counts too: it is another version

  EXPECT_EQ(CheckUpdate(50, 10), UpdateOutcome::UpdaterStarted);
  EXPECT_EQ(f.prompts.messages, QStringList{u"本软件已升级，启动自动升级..."_s});
  QFile backup(f.folder.file(u"BAK_data002.DAT"_s));
  QFile templ(f.folder.file(u"data.mdb"_s));
  ASSERT_TRUE(backup.open(QIODevice::ReadOnly));
  ASSERT_TRUE(templ.open(QIODevice::ReadOnly));
  EXPECT_EQ(backup.readAll(), templ.readAll());

  const QStringList args = f.UpdaterArgs();
  ASSERT_EQ(args.size(), 2);
  EXPECT_EQ(args[0], u"1"_s);
  EXPECT_EQ(args[1], u"LX03.rar,LX03_1.rar|update_tests.exe,采数器.exe"_s);
  EXPECT_EQ(args[1], UpdaterArgument());

  // Once per run: a second call asks nothing.
  const qsizetype asked = f.server.requests.size();
  EXPECT_EQ(CheckUpdate(50, 10), UpdateOutcome::AlreadyChecked);
  EXPECT_EQ(f.server.requests.size(), asked);
}

TEST(CheckUpdate, TheSameVersionOrNoAnswerChangesNothing) {
  UpdateFolder f;
  f.InstallUpdater();
  f.server.pages[kPagePath] = VersionPage("2.03");
  EXPECT_EQ(CheckUpdate(50, 10), UpdateOutcome::UpToDate);
  EXPECT_EQ(CheckUpdate(50, 10), UpdateOutcome::AlreadyChecked);

  ResetUpdateCheck();
  f.server.pages[kPagePath] = "<title>没有版本号</title>";
  EXPECT_EQ(CheckUpdate(50, 10), UpdateOutcome::NoAnswer);

  ResetUpdateCheck();
  f.server.pages.clear();  // the page never comes: five short time-outs
  EXPECT_EQ(CheckUpdate(50, 1), UpdateOutcome::NoAnswer);

  EXPECT_TRUE(f.prompts.messages.isEmpty());
  EXPECT_FALSE(QFile::exists(f.folder.file(u"BAK_data000.DAT"_s)));
  EXPECT_FALSE(QFile::exists(f.folder.file(u"args.txt"_s)));
}

TEST(CheckUpdate, AMissingUpdaterIsReportedAndTheProgramGoesOn) {
  UpdateFolder f;
  f.server.pages[kPagePath] = VersionPage("2.10");
  EXPECT_EQ(CheckUpdate(50, 10), UpdateOutcome::UpdaterFailed);
  ASSERT_EQ(f.prompts.messages.size(), 2);
  EXPECT_EQ(f.prompts.messages[0], u"本软件已升级，启动自动升级..."_s);
  EXPECT_TRUE(f.prompts.messages[1].startsWith(u"无法启动升级程序“"_s + UpdaterPath()))
      << f.prompts.messages[1].toStdString();

  // An updater that is there but cannot run is no better.
  ResetUpdateCheck();
  f.prompts.messages.clear();
  QFile plain(f.folder.file(u"update"_s));
  ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
  plain.close();
  EXPECT_EQ(CheckUpdate(50, 10), UpdateOutcome::UpdaterFailed);
  EXPECT_EQ(f.prompts.messages.size(), 2);
}
