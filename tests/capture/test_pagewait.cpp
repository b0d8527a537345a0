// Waiting for pages: the phases, the marker, "nowait", cancelling through the progress
// window, and the bound on a phase however slowly the page is read.
#include <gtest/gtest.h>
#include <QThread>

#include "capture/pagewait.h"
#include "common/progress.h"
#include "fakebrowser.h"

using namespace Qt::StringLiterals;
using namespace lanxi;

namespace {

// A browser frozen in one state that counts its reads and stops.
class StubBrowser final : public Browser {
 public:
  QString ready = u"complete"_s;
  bool busy = false;
  QString html;
  QString text;
  QString location = u"http://x/item.htm?id=1"_s;
  int readDelayMs = 0;
  int htmlReads = 0, stops = 0;
  QStringList navigations;

  void Navigate(const QString& a) override { navigations << a; }
  void Stop() override { ++stops; }
  QString ReadyState() override { return ready; }
  bool Busy() override { return busy; }
  QString LocationURL() override { return location; }
  QString Title() override { return {}; }
  QString StatusText() override { return {}; }
  std::optional<QString> BodyHtml() override {
    ++htmlReads;
    if (readDelayMs) QThread::msleep(readDelayMs);
    return html;
  }
  QString BodyText() override { return text; }
  QStringList Links() override { return {}; }
  QStringList Images() override { return {}; }
  bool SavePicture(const QString&, const QString&) override { return false; }
  void SetSilent(bool) override {}
};

// Polls of 50 ms, so that a busy machine does not end a phase by time before its polls.
class PageWait : public ::testing::Test {
 protected:
  void SetUp() override {
    SetPollIntervalMs(50);
    ShowProgress(u"正在添加产品..."_s, 1, 0);
  }
  void TearDown() override {
    CloseProgress();
    SetMainBrowser(nullptr);
    SetPollIntervalMs(10);
  }
};

}  // namespace

TEST_F(PageWait, PhasesMarkersAndNoWait) {
  StubBrowser b;
  b.html = u"<P>x</P>"_s;
  // Loading and busy throughout: every phase runs out; running out is no failure.
  b.ready = u"loading"_s;
  b.busy = true;
  EXPECT_TRUE(WaitPageReady(3, &b, true, u"marker"_s));
  EXPECT_GT(b.htmlReads, 3);
  EXPECT_EQ(b.stops, 0);
  // Finished already: no poll at all.
  b.htmlReads = 0;
  b.ready = u"complete"_s;
  b.busy = false;
  b.SetTag(QString::fromUtf16(kTagDownFinished));
  EXPECT_TRUE(WaitPageReady(3, &b, true, u"marker"_s));
  EXPECT_EQ(b.htmlReads, 0);
  b.SetTag(QString());
  b.ready = u"loading"_s;
  // "nowait" ends the wait, false, once the page shows text.
  b.text = u"加载中"_s;
  EXPECT_FALSE(WaitPageReady(5000, &b, true, QString::fromUtf16(kNoWait)));

  // A marker found while loading stops the load at once.
  b.ready = u"interactive"_s;
  b.html = u"<A>宝贝详情</A>"_s;
  EXPECT_TRUE(WaitPageReady(5000, &b, true, u"宝贝详情</"_s));
  EXPECT_EQ(b.stops, 1);
}

TEST_F(PageWait, AClosedProgressWindowCancelsUntilTheNextStep) {
  StubBrowser b;
  b.ready = u"loading"_s;
  b.html = u"宝贝详情</A>"_s;
  ProgressWindowClosed();
  EXPECT_FALSE(WaitPageReady(5000, &b, true, u"宝贝详情</"_s));
  EXPECT_EQ(b.htmlReads, 0);
  EXPECT_TRUE(WaitPageReady(5000, &b, false, u"宝贝详情</"_s));
  StepProgress(1, u"pages"_s);
  EXPECT_TRUE(WaitPageReady(5000, &b, true, u"宝贝详情</"_s));
}

TEST_F(PageWait, APhaseIsBoundedInTimeHoweverSlowlyThePageIsRead) {
  StubBrowser b;
  b.ready = u"loading"_s;
  b.readDelayMs = 100;
  SetPollIntervalMs(10);
  // 20 polls of 10 ms bound a phase to 400 ms, far less than 20 reads of 100 ms.
  EXPECT_TRUE(WaitPageReady(20, &b, false, u"marker"_s));
  EXPECT_LE(b.htmlReads, 2 * 5);
}

TEST_F(PageWait, LoadPageTagsAndFallsBackOnTheMainBrowser) {
  test::FakeWeb web;
  web.Add(u"http://x/a.htm"_s, u"<title>A</title><p>页面A</p>"_s);
  test::FakeBrowser b(&web);
  EXPECT_TRUE(LoadPage(u"http://x/a.htm"_s, &b, 5000, true, QString()));
  EXPECT_EQ(b.Tag(), QString::fromUtf16(kTagDownFinished));
  EXPECT_TRUE(b.silent);
  EXPECT_EQ(PageInnerText(&b), u"页面A"_s);
  EXPECT_TRUE(PageContainsText(u"<P>页面"_s, &b));
  // A blank page is never marked finished.
  EXPECT_TRUE(LoadPage(u"about:blank"_s, &b, 5, true, u"marker"_s));
  EXPECT_EQ(b.Tag(), QString());

  StubBrowser s;
  EXPECT_FALSE(LoadPage(u"http://x/"_s, nullptr, 5, false, QString()));
  SetMainBrowser(&s);
  EXPECT_TRUE(LoadPage(u"http://x/"_s, nullptr, 1, false, QString()));
  EXPECT_EQ(s.navigations, QStringList{u"http://x/"_s});
}
