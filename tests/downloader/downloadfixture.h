#pragma once

#include <gtest/gtest.h>
#include <QDate>

#include "downloaddb.h"
#include "fakefigurebrowser.h"
#include "programfolder_fixture.h"
#include "storage/settings.h"

namespace lanxi::test {

// A program folder with the catalogued database "女装" (no products yet), the marketplace's
// hosts all "shop.test" (so each product's mall flag decides its page kind), the fixture pages
// on the fake web, no pause between pages and a wait of one second.
class DownloadTest : public ::testing::Test {
 protected:
  static inline const QString kOrigin = QStringLiteral("http://shop.test");

  TempProgramFolder folder;
  FakeWeb web;
  FakeFigureBrowser browser{&web};
  RecordingObserver recorder;
  QString dbFile;
  QDate day = QDate::currentDate();

  void SetUp() override {
    SetPollIntervalMs(1);
    dbFile = AddDatabase(QStringLiteral("女装"));
    for (const char16_t* key :
         {ParamKey::MallItemHost, ParamKey::MarketItemHost, ParamKey::MallDetailHost})
      SetParam(QString::fromUtf16(key), QStringLiteral("shop.test"));
    SetParam(QString::fromUtf16(ParamKey::DownloadDelay), QStringLiteral("0"));
    SetParam(QString::fromUtf16(ParamKey::DownloadWait), QStringLiteral("1"));
    for (const char16_t* id : {u"5001", u"5002", u"6001", u"6002"}) {
      const QString name = QStringLiteral("item_%1.html").arg(QStringView(id));
      web.Add(Item(id), FixtureHtml(name, QStringLiteral("shop.test")));
    }
    web.Add(Item(QStringLiteral("3003")), QStringLiteral("<html><body>"), false);
  }
  void TearDown() override { SetPollIntervalMs(10); }

  static QString Item(QStringView id) {
    return kOrigin + QStringLiteral("/item.htm?id=") + id.toString();
  }

  QString AddDatabase(const QString& name) {
    const QString file = AddEmptyDatabase(folder.path(), name);
    EXPECT_FALSE(file.isEmpty());
    return file;
  }
  qint64 AddProduct(const QString& name, const QString& url, bool mall = false,
                    const QString& file = {}) {
    const qint64 id = AddProductRow(folder.file(file.isEmpty() ? dbFile : file), name, url, mall);
    EXPECT_GT(id, 0);
    return id;
  }
  void Exec(const QString& sql, const Params& params = {}) {
    Connection conn;
    ASSERT_TRUE(conn.open(folder.file(dbFile), Connection::Mode::Private));
    ASSERT_TRUE(conn.exec(sql, params)) << conn.lastError().toStdString();
  }
  std::vector<FigureRow> Rows() const { return FigureRows(folder.file(dbFile)); }
  FigureRow Row(qint64 pid, const std::optional<double>& price, const std::optional<double>& promo,
                const std::optional<qint64>& sales, const std::optional<qint64>& stock) const {
    const auto v = [](const auto& o) { return o ? Value(*o) : Value(); };
    return {pid, Value::IsoDate(day), v(price), v(promo), v(sales), v(stock)};
  }

  RunSummary Run(const DownloadRequest& request = {}) {
    recorder.results.clear();
    recorder.lines.clear();
    DailyRun run(browser, LoadDownloadSettings());
    run.today = [this] { return day; };
    run.settleMs = 0;
    run.AddObserver(&recorder);
    stop = [&run] { run.RequestStop(); };
    return run.Run(request);
  }
  // Asks the run in progress to stop.
  std::function<void()> stop;
};

}  // namespace lanxi::test
