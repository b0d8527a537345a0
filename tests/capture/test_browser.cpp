// The real browser engine on fixture pages served from 127.0.0.1: reading documents, waits,
// the add-product window with every way of adding, and cancelling through the progress window.
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <memory>

#include "capture/addproducts.h"
#include "capture/pagepicture.h"
#include "capture/pagewait.h"
#include "capture/productrecord.h"
#include "capture/ui/addproduct.h"
#include "capture/ui/webbrowser.h"
#include "captureproducts.h"
#include "common/progress.h"
#include "fixtureserver.h"
#include "mainwindow/ui/indicator.h"
#include "programfolder_fixture.h"
#include "scriptedprompts.h"
#include "storage/settings.h"

using namespace Qt::StringLiterals;
using namespace lanxi;
using lanxi::test::IsPicture;
using lanxi::test::ProductCount;

namespace {

constexpr int kPageTimeoutMs = 30000;

// The main window as the add-product window sees it.
class Host final : public AddProductHost {
 public:
  void HideMainWindow() override { calls << u"hide"_s; }
  void ShowMainWindow() override { calls << u"show"_s; }
  void RefreshProductList() override { calls << u"refresh"_s; }
  QStringList calls;
};

// Clicks an element of the page the way a script would.
void Click(WebBrowser* browser, const QString& id) {
  browser->page()->runJavaScript(u"document.getElementById('"_s + id + u"').click()"_s,
                                 QWebEngineScript::ApplicationWorld);
}

}  // namespace

class TestBrowser : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<test::FixtureServer> server;
  std::unique_ptr<test::TempProgramFolder> folder;
  std::unique_ptr<test::ScriptedPrompts> prompts;
  std::unique_ptr<WebBrowser> mainWB;

  QString Item(const QString& id, const QString& query = {}) const {
    return server->Url(u"/item.htm?"_s + query + u"id="_s + id);
  }
  static QString Text(const QString& tid, const QString& field) {
    return test::ProductField(tid, field).toString();
  }
  // Waits until the page has been loaded and read into the window's address box.
  static bool WaitForAddress(AddProduct& w, const QString& contains) {
    auto* url = w.findChild<QLineEdit*>(u"Url"_s);
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < kPageTimeoutMs) {
      if (url->text().contains(contains) && !w.WB()->Busy()) return true;
      QTest::qWait(20);
    }
    return false;
  }

 private slots:
  void initTestCase() {
    server = std::make_unique<test::FixtureServer>(QStringLiteral(LANXI_TEST_DATA));
    mainWB = std::make_unique<WebBrowser>();
    mainWB->setObjectName(u"WB"_s);
    mainWB->SetBackground(true);
  }
  void cleanupTestCase() {
    mainWB.reset();
    server.reset();
  }
  void init() {
    folder = std::make_unique<test::TempProgramFolder>();
    prompts = std::make_unique<test::ScriptedPrompts>();
    CurDBFile = u"data.mdb"_s;
    SetMainBrowser(mainWB.get());
    for (const char16_t* key : {ParamKey::MallItemHost, ParamKey::MarketItemHost,
                                ParamKey::MallDetailHost, ParamKey::ClickRedirectHost})
      SetParam(QString::fromUtf16(key), server->Host());
    SetParam(QString::fromUtf16(ParamKey::SearchHost), server->Url({}));
    server->requests.clear();
    server->replacements.clear();
  }
  void cleanup() {
    SetMainBrowser(nullptr);
    CloseProgress();
    prompts.reset();
    folder.reset();
  }

  void readsTheDocumentAsTheMarkersExpect() {
    WebBrowser b;
    QVERIFY(LoadPage(Item(u"1001"_s), &b, 3000, false, QString()));
    QCOMPARE(b.Tag(), u"DownFinished"_s);
    QCOMPARE(b.Title(), u"韩版修身连衣裙 夏季新款-女装-淘宝网"_s);
    const QString html = PageHtml(&b);
    QVERIFY(html.contains(u"class=shop-info-simple><A target=_blank href=\""_s +
                          server->Url(u"/shop.htm?shop_id=501&amp;from=item\">"_s)));
    QVERIFY(html.contains(u"<EM>所在地区：浙江 杭州</EM>"_s));
    // What the page's script wrote is part of the document; the script itself is not.
    QVERIFY(html.contains(u"<P class=hidden>脚本写入</P>"_s));
    QVERIFY(!html.contains(u"document.write"_s));
    QVERIFY(b.Links().contains(server->Url(u"/search?q=%E5%A5%B3%E8%A3%85"_s)));
    const QString pic = server->Url(u"/pic/1001.jpg_310x310.jpg"_s);
    QCOMPARE(b.Images(), QStringList{pic});

    // The picture comes from the page's own session, and only a shown one.
    QTemporaryDir dir;
    QString address = pic;
    QVERIFY(SavePagePicture(&b, address, dir.filePath(u"a.jpg"_s)));
    QVERIFY(IsPicture(dir.filePath(u"a.jpg"_s)));
    address = server->Url(u"/pic/other.jpg"_s);
    QVERIFY(!SavePagePicture(&b, address, dir.filePath(u"b.jpg"_s)));
    QVERIFY(!QFileInfo::exists(dir.filePath(u"b.jpg"_s)));
  }

  void waitsAreBoundedMarkersEndThemEarlyAndHugePagesAreRead() {
    WebBrowser b;
    // A page that never finishes and never shows the marker: each phase ends after its polls.
    QVERIFY(LoadPage(Item(u"3003"_s), &b, 50, false, u"宝贝详情</"_s));
    QVERIFY(b.Busy());
    QVERIFY(!AddProductFromPage(&b, false));

    // A huge page is read all the same.
    QVERIFY(LoadPage(Item(u"3001"_s), &b, 5000, false, QString()));
    QVERIFY(PageHtml(&b).toUtf8().size() > 10'000'000);
    QVERIFY(AddProductFromPage(&b, false));
    QCOMPARE(Text(u"3001"_s, u"Shop"_s), u"雅芳女装店"_s);
  }

  void windowOpensOnTheDefaultSearchPageAndAddsTheShownProduct() {
    Host host;
    {
      AddProduct w(&host);
      w.show();
      QCOMPARE(host.calls, QStringList{u"hide"_s});
      QVERIFY(WaitForAddress(w, u"/search?q="_s));
      QCOMPARE(server->Requests(u"/search?q=女装"_s), 1);
      QTRY_COMPARE_WITH_TIMEOUT(w.windowTitle(), u"添加跟踪产品-女装-淘宝搜索"_s, kPageTimeoutMs);
      auto* add = w.findChild<QPushButton*>(u"Com_2"_s);
      QVERIFY(!add->isEnabled());

      auto* url = w.findChild<QLineEdit*>(u"Url"_s);
      url->setText(Item(u"1001"_s, u"spm=1&"_s));
      QTest::keyClick(url, Qt::Key_Return);
      QVERIFY(WaitForAddress(w, u"id=1001"_s));
      QTRY_VERIFY_WITH_TIMEOUT(w.windowTitle().endsWith(u"-淘宝网"_s), kPageTimeoutMs);
      QCOMPARE(w.windowTitle(), u"添加跟踪产品-韩版修身连衣裙 夏季新款-女装-淘宝网"_s);
      QVERIFY(add->isEnabled());
      QTest::mouseClick(add, Qt::LeftButton);
      QCOMPARE(Text(u"1001"_s, u"Url"_s), Item(u"1001"_s, u"spm=1&"_s));
      const QString pic = Text(u"1001"_s, u"Pic"_s);
      QVERIFY(IsPicture(pic));

      // This page becomes the start page.
      QTest::mouseClick(w.findChild<QPushButton*>(u"Com_3"_s), Qt::LeftButton);
      QCOMPARE(GetParam(QString::fromUtf16(ParamKey::DefaultSearchUrl)),
               Item(u"1001"_s, u"spm=1&"_s));
      w.StartUrl = u"kept until closing"_s;
      w.close();
      QCOMPARE(w.StartUrl, QString());
    }
    QCOMPARE(host.calls, (QStringList{u"hide"_s, u"refresh"_s, u"show"_s}));

    // The stored start page; closing without an add of its own refreshes nothing.
    host.calls.clear();
    AddProduct again(&host);
    again.show();
    QVERIFY(WaitForAddress(again, u"spm=1&id=1001"_s));
    again.close();
    QCOMPARE(host.calls, (QStringList{u"hide"_s, u"show"_s}));
  }

  void addsClickedAndLinkedProductsInTheBackground() {
    Host host;
    AddProduct w(&host);
    w.show();
    QVERIFY(WaitForAddress(w, u"/search?q="_s));

    Click(w.WB(), u"mall"_s);
    QTRY_COMPARE_WITH_TIMEOUT(prompts->messages.size(), 1, kPageTimeoutMs);
    QCOMPARE(prompts->messages[0], u"添加产品“优衣库 女装 圆领T恤 新品”成功！"_s);
    QCOMPARE(w.WB()->LocationURL(), server->Url(u"/search?q=女装"_s));
    QTRY_COMPARE_WITH_TIMEOUT(w.WB1()->LocationURL(), u"about:blank"_s, kPageTimeoutMs);

    Click(w.WB(), u"mall"_s);
    QTRY_COMPARE_WITH_TIMEOUT(prompts->messages.size(), 2, kPageTimeoutMs);
    QCOMPARE(prompts->messages[1], u"产品“优衣库 女装 圆领T恤 新品”已经存在！"_s);

    // Through the click-tracking redirect: the item is added, and its shop name comes from
    // the shop page, read in the main window's browser.
    Click(w.WB(), u"tracked"_s);
    QTRY_COMPARE_WITH_TIMEOUT(prompts->messages.size(), 3, kPageTimeoutMs);
    QCOMPARE(prompts->messages[2], u"添加产品“雪纺碎花半身裙-女装”成功！"_s);
    QCOMPARE(Text(u"1002"_s, u"Shop"_s), u"花花的衣橱"_s);
    QCOMPARE(server->Requests(u"/?url="_s), 0);

    // Every linked product (1001 through two links, 2001 again); skipping tracked ones reads
    // nothing again.
    server->requests.clear();
    QTest::mouseClick(w.findChild<QPushButton*>(u"Com_4"_s), Qt::LeftButton);
    QCOMPARE(server->Requests(u"/item.htm"_s), 3);
    w.findChild<QCheckBox*>(u"Rep"_s)->setChecked(true);
    QTest::mouseClick(w.findChild<QPushButton*>(u"Com_4"_s), Qt::LeftButton);
    QCOMPARE(server->Requests(u"/item.htm"_s), 3);
    QCOMPARE(ProductCount(), 3);

    // Automatic adding switched off: the link opens in the window itself, through the redirect.
    w.findChild<QCheckBox*>(u"Chk"_s)->setChecked(true);
    Click(w.WB(), u"tracked"_s);
    QVERIFY(WaitForAddress(w, u"id=1002"_s));
    QCOMPARE(server->Requests(u"/?url="_s), 1);
    QCOMPARE(prompts->messages.size(), 3);
    w.close();
    // Adding in the background does not count as an add of the shown product.
    QVERIFY(!host.calls.contains(u"refresh"_s));
  }

  void closingTheProgressWindowCutsTheWaitShort() {
    // Closed in the middle of adding a page's links: the next link is added in full.
    Indicator indicator;
    WebBrowser b;
    WebBrowser page;
    page.setHtml(u"<a href=\""_s + Item(u"3003"_s) + u"\">a</a><a href=\""_s + Item(u"1001"_s) +
                     u"\">b</a>"_s,
                 server->Url(u"/list.htm"_s));
    QTRY_VERIFY_WITH_TIMEOUT(page.Links().size() == 2, kPageTimeoutMs);
    QTimer closer;
    connect(&closer, &QTimer::timeout, &indicator, [&] {
      if (server->Requests(u"id=3003"_s) >= 2 && indicator.isVisible()) indicator.close();
    });
    closer.start(50);
    AddProOfPage(&page, &b, false);
    QCOMPARE(ProductCount(), 1);
    QCOMPARE(Text(u"1001"_s, u"Shop"_s), u"雅芳女装店"_s);
    QVERIFY(!ProgressOpen());
  }
};

int main(int argc, char** argv) {
  QStandardPaths::setTestModeEnabled(true);
  PrepareWebEngine();
  QApplication app(argc, argv);
  TestBrowser test;
  return QTest::qExec(&test, argc, argv);
}

#include "test_browser.moc"
