// The run over databases and products on a fake web: rows written, failures reported with
// their reasons, one row per product and day, deleted products, missing and locked databases,
// the command line and the log.
#include <gtest/gtest.h>
#include <QDir>
#include <QFile>

#include "common/programfolder.h"
#include "downloader/runlog.h"
#include "downloadfixture.h"
#include "storage/dboperate.h"

using namespace Qt::StringLiterals;
using namespace lanxi;
using namespace lanxi::test;

using Status = ProductResult::Status;

TEST_F(DownloadTest, FiveProductsTwoFailuresAndOneRowPerProductAndDay) {
  const qint64 market = AddProduct(u"T恤"_s, Item(u"5001"), false);
  const qint64 mall = AddProduct(u"连衣裙"_s, Item(u"6001"), true);
  AddProduct(u"已下架"_s, Item(u"5999"));
  AddProduct(u"打不开"_s, Item(u"3003"));
  const qint64 range = AddProduct(u"围巾"_s, Item(u"6002"), true);

  RunSummary s = Run();
  EXPECT_EQ(s.total, 5);
  EXPECT_EQ(s.read, 3);
  EXPECT_EQ(s.failed, 2);
  EXPECT_EQ(s.ExitStatus(), 1);
  // The page that never finishes is tried twice, the missing page once.
  EXPECT_EQ(s.pages, 6);
  EXPECT_EQ(s.failures,
            (QStringList{u"女装 · 已下架：网页不存在（HTTP 404）。"_s,
                         u"女装 · 打不开：网页在 1 秒内没有载入完成（已重试一次）。"_s}));
  EXPECT_EQ(recorder.lines[0],
            u"[1/5] 女装 · T恤：原价 129.00，促销价 99.00，销量 1234，库存 5678"_s);
  EXPECT_EQ(Rows(), (std::vector<FigureRow>{Row(market, 129, 99, 1234, 5678),
                                            Row(mall, 258, 258, 23000, 12345),
                                            Row(range, 129, 99, 856, 42)}));
  const QStringList lines = s.Lines();
  EXPECT_EQ(lines[0], u"采数结束：共 5 个商品，读取成功 3 个，未能读取 2 个。"_s);
  const QStringList failureLines{u"未能读取的商品和数据库："_s, u"  "_s + s.failures[0],
                                 u"  "_s + s.failures[1]};
  EXPECT_EQ(lines.mid(2), failureLines);

  // The same day again, with a new promotion on one page: the day's rows are updated.
  QString page = web.Find(Item(u"5001"))->html;
  web.Add(Item(u"5001"), page.replace(u">99.00<"_s, u">89.00<"_s));
  s = Run();
  EXPECT_TRUE(recorder.results[0].updated);
  EXPECT_TRUE(recorder.lines[0].endsWith(u"（更新了当天的数据）"_s));
  EXPECT_EQ(Rows(), (std::vector<FigureRow>{Row(market, 129, 89, 1234, 5678),
                                            Row(mall, 258, 258, 23000, 12345),
                                            Row(range, 129, 99, 856, 42)}));
}

TEST_F(DownloadTest, FiguresNotReadAgainKeepWhatTheDayHadAndNeverBecomeZero) {
  const qint64 id = AddProduct(u"T恤"_s, Item(u"5001"));
  // Older data with two rows for the day: one stays.
  Exec(u"INSERT INTO PInfo(PID,Dat,Price,PPrice,Sales,Stock) VALUES(?,?,1,1,1,1),(?,?,2,2,2,2)"_s,
       {id, Value(day), id, Value(day)});
  ASSERT_EQ(Run().read, 1);
  ASSERT_EQ(Rows(), std::vector<FigureRow>{Row(id, 129, 99, 1234, 5678)});

  // The page loses its stock: the day keeps the stock read earlier; the next day has none.
  QString page = web.Find(Item(u"5001"))->html;
  web.Add(Item(u"5001"), page.remove(u"库存 5678 件"_s).replace(u"1,234"_s, u"1,240"_s));
  ASSERT_EQ(Run().read, 1);
  EXPECT_EQ(Rows(), std::vector<FigureRow>{Row(id, 129, 99, 1240, 5678)});
  day = day.addDays(1);
  ASSERT_EQ(Run().read, 1);
  EXPECT_EQ(Rows().back(), Row(id, 129, 99, 1240, std::nullopt));
  EXPECT_EQ(recorder.lines[0], u"[1/1] 女装 · T恤：原价 129.00，促销价 99.00，销量 1240，库存 —"_s);

  // A page without any figure writes nothing.
  web.Add(Item(u"5001"), FixtureHtml(u"item_5003.html"_s, u"shop.test"_s));
  day = day.addDays(1);
  const RunSummary s = Run();
  EXPECT_EQ(s.failures,
            QStringList{u"女装 · T恤：网页上没有找到价格、销量或库存（已重试一次）。"_s});
  EXPECT_EQ(s.ExitStatus(), 2);  // nothing was read
  EXPECT_EQ(Rows().size(), 2u);
}

TEST_F(DownloadTest, DeletedProductsBadAddressesAndMissingDatabases) {
  const qint64 first = AddProduct(u"T恤"_s, Item(u"5001"));
  AddProduct(u"旧网址"_s, u"ftp://shop.test/item.htm?id=5001"_s);
  const qint64 goneBefore = AddProduct(u"先删"_s, Item(u"6001"), true);
  const qint64 goneDuring = AddProduct(u"读时删"_s, Item(u"6002"), true);
  AddProduct(u"无网址"_s, QString());
  // A catalogue row whose file is missing.
  const QString missing = AddDatabase(u"丢失"_s);
  ASSERT_TRUE(QFile::remove(folder.file(missing)));

  recorder.onProductStarted = [&](const ProductJob& p) {
    if (p.id == first || p.id == goneDuring)
      Exec(u"DELETE FROM Product WHERE ID=?"_s, {p.id == first ? goneBefore : goneDuring});
  };
  const RunSummary s = Run();
  EXPECT_EQ(s.total, 4);  // the product without an address is not one to read
  EXPECT_EQ(s.read, 1);
  EXPECT_EQ(s.failed, 1);
  EXPECT_EQ(s.skipped, 2);
  EXPECT_EQ(s.databaseFailures, 1);
  EXPECT_EQ(
      recorder.lines.mid(1),
      (QStringList{
          u"[2/4] 女装 · 旧网址：未能读取，商品网址“ftp://shop.test/item.htm?id=5001”不是 http(s) 网址。"_s,
          u"[3/4] 女装 · 先删：跳过，商品已被删除。"_s,
          u"[4/4] 女装 · 读时删：跳过，商品已被删除。"_s}));
  EXPECT_EQ(s.failures.last(), u"丢失：数据文件“"_s + missing + u"”不存在。"_s);
  // The bad address was never loaded; the deleted product's page was, but left no row.
  EXPECT_EQ(browser.browser.navigations, (QStringList{Item(u"5001"), Item(u"6002")}));
  EXPECT_EQ(Rows(), std::vector<FigureRow>{Row(first, 129, 99, 1234, 5678)});
}

TEST_F(DownloadTest, OneDatabaseAsTheMainProgramAsksAndALockedOneFailsItsProducts) {
  AddProduct(u"T恤"_s, Item(u"5001"));
  const QString other = AddDatabase(u"男装"_s);
  AddProduct(u"围巾"_s, Item(u"6002"), true, other);

  RunSummary s = Run(ParseDownloaderArguments({u"男装|"_s + other}));
  EXPECT_EQ(recorder.lines,
            QStringList{u"[1/1] 男装 · 围巾：原价 129.00，促销价 99.00，销量 856，库存 42"_s});
  EXPECT_TRUE(Rows().empty());

  // Another program holds the write lock for a whole run over all databases: the run goes on.
  Connection holder;
  ASSERT_TRUE(holder.open(folder.file(dbFile), Connection::Mode::Private));
  ASSERT_TRUE(holder.exec(u"BEGIN IMMEDIATE"_s));
  s = Run();
  ASSERT_TRUE(holder.exec(u"ROLLBACK"_s));
  EXPECT_EQ(s.read, 1);
  EXPECT_EQ(s.failures, QStringList{u"女装 · T恤：数据未能写入：数据库文件“"_s + dbFile +
                                    u"”正被其他程序使用（已锁定），请稍后再试。"_s});
  EXPECT_TRUE(Rows().empty());
  EXPECT_EQ(FigureRows(folder.file(other)).size(), 1u);

  // A name no catalogue row has, or a file that is not there, is nothing to do.
  s = Run(ParseDownloaderArguments({u"童装"_s}));
  EXPECT_FALSE(s.started);
  EXPECT_EQ(s.ExitStatus(), 2);
  EXPECT_EQ(s.Lines(), QStringList{u"数据库目录中没有名为“童装”的数据库。"_s});
  s = Run(ParseDownloaderArguments({u"童装|DB990101000000.mdb"_s}));
  EXPECT_EQ(s.fatal, u"数据库“童装”无法读取：数据文件“DB990101000000.mdb”不存在。"_s);
  // The main program's fallback database, the template itself, has no catalogue row; its label
  // then holds two spaces.
  AddProduct(u"样品"_s, Item(u"6001"), true, u"data.mdb"_s);
  s = Run(ParseDownloaderArguments({u"  |DATA.mdb"_s}));
  EXPECT_EQ(s.read, 1);
  EXPECT_EQ(FigureRows(folder.file(u"data.mdb"_s)).size(), 1u);
}

TEST(DownloaderArguments, AsTheMainProgramAndAShellPassThem) {
  DownloadRequest r = ParseDownloaderArguments({});
  EXPECT_TRUE(r.all);
  r = ParseDownloaderArguments({u"--headless"_s, u"春 夏'装 \"新\"|DB120305143015.mdb"_s});
  EXPECT_TRUE(r.headless);
  EXPECT_EQ(r.name, u"春 夏'装 \"新\""_s);
  EXPECT_EQ(r.file, u"DB120305143015.mdb"_s);
  // Split at spaces by a shell: one text again.
  r = ParseDownloaderArguments({u"春"_s, u"夏装|DB120305143015.mdb"_s});
  EXPECT_EQ(r.name, u"春 夏装"_s);
  // Only a file of the program folder.
  for (const QString& bad : {u"x|../PARA.mdb"_s, u"x|/etc/passwd"_s, u"x|sub\\DB1.mdb"_s})
    EXPECT_EQ(ParseDownloaderArguments({bad}).error,
              u"“"_s + bad.mid(2) + u"”不是程序文件夹中的数据库文件名。"_s);
  EXPECT_EQ(ParseDownloaderArguments({u"--quiet"_s}).error, u"未知的选项“--quiet”。"_s);
}

TEST_F(DownloadTest, TheLogKeepsEveryRunOfADayAndThirtyDays) {
  AddProduct(u"T恤"_s, Item(u"5001"));
  const QDate today = QDate::currentDate();
  QDir().mkpath(folder.file(u"log"_s));
  for (int age : {30, 31, 400}) {
    QFile old(RunLogPath(folder.path(), today.addDays(-age)));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
  }
  for (int run = 0; run < 2; ++run) {
    RunLog log(ProgramFolder());
    ASSERT_TRUE(log.isOpen());
    RunReport report([&log](const QString& line) { log.Write(line); });
    DailyRun dailyRun(browser, LoadDownloadSettings());
    dailyRun.AddObserver(&report);
    dailyRun.Run(DownloadRequest{});
  }
  EXPECT_EQ(QDir(folder.file(u"log"_s)).entryList(QDir::Files),
            (QStringList{RunLogPath({}, today.addDays(-30)).section(u'/', -1),
                         RunLogPath({}, today).section(u'/', -1)}));
  QFile f(RunLogPath(folder.path(), today));
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QStringList lines = QString::fromUtf8(f.readAll()).split(u'\n');
  EXPECT_EQ(lines.filter(u"==== 采数器开始运行 "_s).size(), 2);
  EXPECT_EQ(lines.filter(u"采数结束：共 1 个商品，读取成功 1 个，未能读取 0 个。"_s).size(), 2);
  for (const QString& line : lines)
    EXPECT_TRUE(line.isEmpty() || QTime::fromString(line.left(8), u"HH:mm:ss"_s).isValid())
        << line.toStdString();
}
