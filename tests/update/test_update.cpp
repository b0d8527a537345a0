// The update check against a version page served from 127.0.0.1: the page rules, time-outs,
// retries, the backup of the template and the start of the updater.
#include <gtest/gtest.h>
#include <QDeadlineTimer>
#include <QDir>
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

// A tiny HTTP server: answers each path (with its query, less "Time=") with a canned body, or
// never; it records every request it read.
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
    QString key = path;
    for (const QByteArray& p : query.split('&'))
      if (!p.startsWith("Time=")) key += u'?' + QString::fromLatin1(p);
    if (!pages.contains(key)) return;
    const QByteArray body = pages.value(key);
    s->write("HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\nContent-Length: " +
             QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
    s->disconnectFromHost();
  }

  QTcpServer server_;
};

QByteArray Bytes(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray VersionPage(const QByteArray& version) {
  return "<html><head><title>澜析产品销量跟踪软件(" + version +
         ")</title></head><body>最新版本<BR>下载地址<+>说明<BR>尾部</body></html>";
}

// Settings point the version page at the local server; a stand-in updater writes down its
// arguments.
class CheckUpdate : public ::testing::Test {
 protected:
  CheckUpdate() {
    ResetUpdateCheck();
    SetParam(QString::fromUtf16(ParamKey::UpdateHost), server.base());
  }
  ~CheckUpdate() override { ResetUpdateCheck(); }

  void InstallUpdater() {
    QFile f(folder.file(u"update"_s));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
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
    return QString::fromUtf8(Bytes(path)).split(u'\n', Qt::SkipEmptyParts);
  }

  test::TempProgramFolder folder;
  test::ScriptedPrompts prompts;
  PageServer server;
};

const QString kPagePath = u"/soft/downpage/Pro.asp?ID=50"_s;

}  // namespace

TEST(WebGetText, ThePageUpToItsLastBreakOrANetworkErrorAfterFiveTries) {
  test::TempProgramFolder folder;
  EXPECT_EQ(VersionPageAddress(50), u"https://lanxi-soft.cn/soft/downpage/Pro.asp?ID=50"_s);
  PageServer server;
  server.pages = {{u"/v.asp"_s, "<title>x</title>第一行<+>第二行<BR>第三行<BR>尾部"},
                  {u"/v.asp?ID=7"_s, "</title>只有一行"},
                  {u"/plain"_s, "<html>没有标题</html>"}};
  // What the caller is told, then the page text it gets.
  const auto get = [](const QString& url, int seconds = 10) {
    QString page = u"unchanged"_s;
    return WebGetText(url, page, u"</title>"_s, seconds) + u'|' + page;
  };
  const QString error = QString::fromUtf16(kNetworkError) + u"|unchanged"_s;
  // Up to the last break, "<+>" as a line end; caches are broken with a Time parameter.
  EXPECT_EQ(get(server.base() + u"/v.asp"_s), u"|<title>x</title>第一行\r\n第二行<BR>第三行"_s);
  EXPECT_EQ(get(server.base() + u"/v.asp?ID=7"_s), u"|</title>只有一行"_s);
  ASSERT_EQ(server.requests.size(), 2);
  EXPECT_TRUE(server.requests[0].startsWith("GET /v.asp?Time=")) << server.requests[0].data();
  EXPECT_TRUE(server.requests[1].startsWith("GET /v.asp?ID=7&Time="));

  // A page without the marker, a page that never comes.
  EXPECT_EQ(get(server.base() + u"/plain"_s), error);
  EXPECT_EQ(get(server.base() + u"/never"_s, 1), error);

  for (const auto& [path, tries] : {std::pair{u"/plain"_s, 5}, std::pair{u"/v.asp"_s, 1}}) {
    server.requests.clear();
    QString page;
    EXPECT_EQ(WebGetRetry(server.base() + path, page, u"</title>"_s, 5),
              tries == 5 ? QString::fromUtf16(kNetworkError) : QString());
    EXPECT_EQ(server.requests.size(), tries);
  }
}

TEST_F(CheckUpdate, AnotherVersionBacksUpTheTemplateAndStartsTheUpdaterWithOneArgument) {
  InstallUpdater();
  for (const QString& taken : {u"BAK_data000.DAT"_s, u"BAK_data001.DAT"_s})
    ASSERT_TRUE(QFile(folder.file(taken)).open(QIODevice::WriteOnly));
  server.pages[kPagePath] = VersionPage("1.90");  // lower counts too: it is another version

  EXPECT_EQ(::lanxi::CheckUpdate(50, 10), UpdateOutcome::UpdaterStarted);
  EXPECT_EQ(prompts.messages, QStringList{u"本软件已升级，启动自动升级..."_s});
  EXPECT_EQ(Bytes(folder.file(u"BAK_data002.DAT"_s)), Bytes(folder.file(u"data.mdb"_s)));
  const QStringList args = UpdaterArgs();
  EXPECT_EQ(args, (QStringList{u"1"_s, u"LX03.rar,LX03_1.rar|update_tests.exe,采数器.exe"_s}));

  // Once per run: a second call asks nothing.
  const qsizetype asked = server.requests.size();
  EXPECT_EQ(::lanxi::CheckUpdate(50, 10), UpdateOutcome::AlreadyChecked);
  EXPECT_EQ(server.requests.size(), asked);
}

TEST_F(CheckUpdate, TheSameVersionOrNoAnswerChangesNothingAndAMissingUpdaterIsReported) {
  InstallUpdater();
  const auto check = [](int seconds = 10) {
    ResetUpdateCheck();
    return ::lanxi::CheckUpdate(50, seconds);
  };
  server.pages[kPagePath] = VersionPage("2.03");
  EXPECT_EQ(check(), UpdateOutcome::UpToDate);
  server.pages[kPagePath] = "<title>没有版本号</title>";
  EXPECT_EQ(check(), UpdateOutcome::NoAnswer);
  EXPECT_TRUE(prompts.messages.isEmpty());
  EXPECT_FALSE(QFile::exists(folder.file(u"BAK_data000.DAT"_s)));

  // An updater that cannot run is reported, and the program goes on.
  server.pages[kPagePath] = VersionPage("2.10");
  ASSERT_TRUE(QFile::remove(folder.file(u"update"_s)));
  ASSERT_TRUE(QFile(folder.file(u"update"_s)).open(QIODevice::WriteOnly));
  EXPECT_EQ(check(), UpdateOutcome::UpdaterFailed);
  ASSERT_EQ(prompts.messages.size(), 2);
  EXPECT_TRUE(prompts.messages[1].startsWith(u"无法启动升级程序“"_s + UpdaterPath()))
      << prompts.messages[1].toStdString();
}
