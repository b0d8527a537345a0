// The downloader with the real browser engine on fixture pages served from 127.0.0.1: the
// built 采数器 without a window over five products (two good pages, a missing one, one that
// never finishes, one with a promotion range) while the main program is open on the database,
// which shows the new figures after "刷新列表"; a run in the window 采数器 stopped by its
// button; rules changed, tried and kept in the window 采数设置; and a redirect to the log-in page.
#include <QComboBox>
#include <QDeadlineTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include "capture/ui/webbrowser.h"
#include "downloaddb.h"
#include "downloader/dailyrun.h"
#include "downloader/ui/cjq.h"
#include "downloader/ui/cjsz.h"
#include "downloader/ui/enginefigurebrowser.h"
#include "fakefigurebrowser.h"
#include "fixtureserver.h"
#include "mainwindow/ui/mf.h"
#include "programfolder_fixture.h"
#include "scriptedprompts.h"
#include "storage/settings.h"
#include "tables/ui/gridview.h"
#include "widgetdriver.h"

using namespace Qt::StringLiterals;
using namespace lanxi;
using namespace lanxi::test;

namespace {

// The daily list's columns.
constexpr int kPid = 1, kName = 5, kPrice = 7, kPromo = 8, kSales = 9, kStock = 10;

struct Run {
  int exitCode = -1;
  QStringList lines;
  QString errors;  // the standard error output
};

}  // namespace

class TestDownloaderBrowser : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    server_ = std::make_unique<FixtureServer>(QStringLiteral(LANXI_TEST_DATA));
    folder_ = std::make_unique<TempProgramFolder>();
    prompts_ = std::make_unique<ScriptedPrompts>();
    file_ = AddEmptyDatabase(folder_->path(), u"女装"_s);
    QVERIFY(!file_.isEmpty());
    QVERIFY(demo::SetDefaultDatabase(folder_->file(u"PARA.mdb"_s), u"女装"_s));
    // Every item host is the fixture server's: the products' mall flags tell the page kinds.
    for (const char16_t* key :
         {ParamKey::MallItemHost, ParamKey::MarketItemHost, ParamKey::MallDetailHost})
      SetParam(QString::fromUtf16(key), server_->Host());
    SetParam(QString::fromUtf16(ParamKey::DownloadDelay), u"0.2"_s);
    SetParam(QString::fromUtf16(ParamKey::DownloadWait), u"4"_s);
  }
  void cleanup() {
    prompts_.reset();
    folder_.reset();
    server_.reset();
  }

  void headlessRunWritesTheDayAndTheOpenMainProgramShowsItAfterRefreshing() {
    const qint64 market = AddProduct(u"T恤"_s, u"5001"_s, false);
    const qint64 mall = AddProduct(u"连衣裙"_s, u"6001"_s, true);
    AddProduct(u"已下架"_s, u"5999"_s, false);
    AddProduct(u"打不开"_s, u"3003"_s, false);
    const qint64 range = AddProduct(u"围巾"_s, u"6002"_s, true);

    MF w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    const Grid& daily = *Find<GridView>(&w, u"MSF_1"_s)->grid();
    QTest::mouseClick(Find(&w, u"Com_11"_s), Qt::LeftButton);
    QCOMPARE(daily.Rows(), 2);

    Run run = Download({u"--headless"_s, u"女装|"_s + file_});
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(run.lines.first(), u"共 1 个数据库，5 个商品。"_s);
    QVERIFY(run.lines.contains(
        u"[4/5] 女装 · 打不开：未能读取，网页在 4 秒内没有载入完成（已重试一次）。"_s));
    // The missing page is loaded once, the one that never finishes twice.
    QCOMPARE(server_->Requests(u"id=5999"_s), 1);
    QCOMPARE(server_->Requests(u"id=3003"_s), 2);
    // A timer mails whatever lands on the standard error: the engine's start-up remarks do not.
    QVERIFY2(!run.errors.contains(u"Sandboxing disabled"_s), qPrintable(run.errors));
    QVERIFY2(!run.errors.contains(u"graphics backend"_s), qPrintable(run.errors));

    QTest::mouseClick(Find(&w, u"Com_11"_s), Qt::LeftButton);
    QCOMPARE(Rows(daily), (QStringList{Row(market, u"T恤|129.00|99.00|1234|5678"_s),
                                       Row(mall, u"连衣裙|258.00|258.00|23000|12345"_s),
                                       Row(range, u"围巾|129.00|99.00|856|42"_s)}));
    QCOMPARE(prompts_->messages, QStringList());
  }

  void theWindowShowsTheRunAndItsStopButtonEndsItAfterTheCurrentProduct() {
    for (const QString& id : {u"5001"_s, u"5002"_s, u"6001"_s, u"6002"_s})
      AddProduct(u"商品"_s + id, id, id.startsWith(u'6'));
    EngineFigureBrowser browser;
    DailyRun run(browser, LoadDownloadSettings());
    CJQ window(run, browser, folder_->file(u"log/x.log"_s));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto* stop = Find<QPushButton>(&window, u"Com_0"_s);
    auto* bar = Find<QProgressBar>(&window, u"PB"_s);
    auto* count = Find<QLabel>(&window, u"L1"_s);
    auto* product = Find<QLabel>(&window, u"LblPro"_s);

    // While the second page loads, the window says so and the stop button is pressed.
    QStringList seen;
    QTimer watch;
    connect(&watch, &QTimer::timeout, this, [&] {
      if (product->text() != u"正在读取：商品5002"_s || !seen.isEmpty()) return;
      seen << Find<QLabel>(&window, u"LblDB"_s)->text() << count->text()
           << QString::number(bar->value()) + u'/' + QString::number(bar->maximum());
      QTest::mouseClick(stop, Qt::LeftButton);
    });
    watch.start(5);
    DownloadRequest request;
    request.all = false;
    request.name = u"女装"_s;
    request.file = file_;
    const RunSummary s = window.Start(request);
    watch.stop();

    QCOMPARE(seen, (QStringList{u"数据库：女装（1/1）"_s, u"(1/4)"_s, u"1/4"_s}));
    QCOMPARE(s.read, 2);
    QCOMPARE(s.notReached, 2);
    QVERIFY(s.stopped);
    QCOMPARE(bar->value(), 2);
    QCOMPARE(product->text(),
             u"采数已停止：共 4 个商品，读取成功 2 个，未能读取 0 个，未读 2 个。"_s);
    QVERIFY(!stop->isEnabled());
    QVERIFY(!Find<QPlainTextEdit>(&window, u"TxtLog"_s)->toPlainText().contains(u"[3/4]"_s));
    QCOMPARE(FigureRows(folder_->file(file_)).size(), size_t(2));
  }

  void theSettingsWindowTriesAndKeepsRulesAndALogInRedirectFailsAtOnce() {
    EngineFigureBrowser browser;
    CJSZ dialog(browser);
    dialog.show();
    auto* rules = Find<QTableWidget>(&dialog, u"MSF"_s);
    const auto click = [&](int i) {
      QTest::mouseClick(Find(&dialog, u"Com_"_s + QString::number(i)), Qt::LeftButton);
    };
    const QString item = server_->Url(u"/item.htm?id=5001"_s);

    prompts_->inputs << item;
    click(5);  // 试读网页
    QCOMPARE(prompts_->messages.value(0),
             u"按淘宝商品页的规则读到：原价 129.00，促销价 99.00，销量 1234，库存 5678。"_s);

    Find<QLineEdit>(&dialog, u"TxtDelay"_s)->setText(u"三秒"_s);
    click(6);  // 保存
    QCOMPARE(prompts_->messages.value(1), u"两个网页之间的间隔应是 0 到 3600 之间的秒数。"_s);
    Find<QLineEdit>(&dialog, u"TxtDelay"_s)->setText(u"5"_s);

    // The sales count's marker rule with a pattern of its own: first one that is no regular
    // expression, then one that takes the digits before the thousands separator only.
    Find<QComboBox>(&dialog, u"CMB_1"_s)->setCurrentIndex(int(Figure::Sales));
    QCOMPARE(rules->rowCount(), 2);
    QCOMPARE(rules->item(1, 1)->text(), u"id=\"J_SellCounter\""_s);
    rules->item(1, 3)->setText(u"("_s);
    click(6);
    QVERIFY(prompts_->messages.value(2).startsWith(u"淘宝商品页“销量”的第 2 条规则："_s));
    rules->item(1, 3)->setText(u"(\\d+)"_s);
    prompts_->inputs << item;
    click(5);
    QCOMPARE(prompts_->messages.value(3),
             u"按淘宝商品页的规则读到：原价 129.00，促销价 99.00，销量 1，库存 5678。"_s);

    click(6);
    QCOMPARE(prompts_->messages.value(4), u"采数设置已保存，下次下载时使用。"_s);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    const DownloadSettings kept = LoadDownloadSettings();
    QCOMPARE(kept.rules.of(PageKind::Market, Figure::Sales)[1].pattern, u"(\\d+)"_s);

    // A redirect to the log-in page fails at once, without a retry.
    PageFigures figures;
    const QString login = server_->Url(u"/login.htm"_s);
    const PageLoad load = ReadFigurePage(browser, server_->Url(u"/?url="_s + login), false,
                                         LoadDownloadSettings(), 0, &figures);
    QCOMPARE(int(load.outcome), int(PageLoad::Outcome::LogIn));
    QVERIFY(load.reason.startsWith(u"网页转到了登录页面（"_s + login));
    QVERIFY(!load.worthRetrying());
  }

 private:
  qint64 AddProduct(const QString& name, const QString& id, bool mall) {
    return AddProductRow(folder_->file(file_), name, server_->Url(u"/item.htm?id="_s + id), mall);
  }

  // Runs the built 采数器 on the program folder; the fixture server answers meanwhile.
  Run Download(const QStringList& arguments) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"LANXI_HOME"_s, folder_->path());
    env.insert(u"HOME"_s, folder_->path());  // the engine's profile stays in the test's folder
    env.remove(u"QT_QPA_PLATFORM"_s);        // --headless chooses it
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(DOWNLOADER_EXE), arguments);
    Run run;
    if (!p.waitForStarted(10000)) return run;
    QDeadlineTimer limit(120000);
    while (p.state() != QProcess::NotRunning && !limit.hasExpired()) QTest::qWait(20);
    if (p.state() != QProcess::NotRunning) p.kill();
    run.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    run.lines = QString::fromUtf8(p.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    run.errors = QString::fromUtf8(p.readAllStandardError());
    if (run.exitCode == 2 && run.lines.isEmpty())
      run.lines = run.errors.split(u'\n', Qt::SkipEmptyParts);
    return run;
  }

  static QString Row(qint64 pid, const QString& figures) {
    return QString::number(pid) + u'|' + figures;
  }
  static QStringList Rows(const Grid& g) {
    QStringList rows;
    for (int r = 2; r < g.Rows(); ++r) {
      QStringList row;
      for (int c : {kPid, kName, kPrice, kPromo, kSales, kStock}) row << g.TextMatrix(r, c);
      rows << row.join(u'|');
    }
    rows.sort();
    return rows;
  }

  std::unique_ptr<FixtureServer> server_;
  std::unique_ptr<TempProgramFolder> folder_;
  std::unique_ptr<ScriptedPrompts> prompts_;
  QString file_;
};

int main(int argc, char** argv) {
  QStandardPaths::setTestModeEnabled(true);
  PrepareWebEngine();
  QApplication app(argc, argv);
  TestDownloaderBrowser test;
  return QTest::qExec(&test, argc, argv);
}

#include "test_browser.moc"
