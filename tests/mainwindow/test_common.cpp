// Progress arithmetic, small common routines, value formatting and the downloader launch.
#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include "common/programfolder.h"
#include "common/progress.h"
#include "common/routines.h"
#include "common/value.h"
#include "mainwindow/downloader.h"
#include "scriptedprompts.h"

using namespace Qt::StringLiterals;
using namespace lanxi;

namespace {

struct ProgressReset {
  ~ProgressReset() { CloseProgress(); }
};

}  // namespace

// The count waits for one thousandth and counts only "pages"; a negative start continues the
// last bar; a zero total counts as one.
TEST(Progress, TimeLineWaitsForOneThousandthAndOtherUnitsCountNothing) {
  ProgressReset reset;
  ShowProgress(u"正在读取记录……"_s, 2000, 0);
  StepProgress(1, u"pages"_s);
  EXPECT_EQ(Progress().percentText, u"0%"_s);
  EXPECT_TRUE(Progress().countText.isEmpty());
  StepProgress(1, u"PAGES"_s);
  EXPECT_EQ(Progress().percentText, u"0.1%"_s);
  EXPECT_EQ(Progress().countText, u"(2/2000)"_s);
  StepProgress(998, u"rows"_s);
  EXPECT_EQ(Progress().countText, u"(2/2000)"_s);
  CloseProgress();
  EXPECT_EQ(ShowProgress(u"乙"_s, 2000, -1), 1000);
  EXPECT_EQ(Progress().percentText, u"0%"_s);
  CloseProgress();
  ShowProgress(u"丙"_s, 0, 0);
  StepProgress();
  EXPECT_EQ(Progress().percentText, u"100%"_s);
}

// Counts the event passes: each one delivers the event it posted during the one before.
class EventPasses : public QObject {
 public:
  EventPasses() { QCoreApplication::postEvent(this, new QEvent(QEvent::User)); }
  bool event(QEvent* e) override {
    if (e->type() != QEvent::User) return QObject::event(e);
    ++passes;
    QCoreApplication::postEvent(this, new QEvent(QEvent::User));
    return true;
  }
  int passes = 0;
};

// Many short steps let events run by elapsed time, not once each; the last step always does.
TEST(Progress, EventsRunByElapsedTimeAndOnTheLastStep) {
  ProgressReset reset;
  const int total = 20000;
  ShowProgress(u"正在读取记录……"_s, total, 0);
  EventPasses counter;
  QElapsedTimer timer;
  timer.start();
  for (int i = 0; i < total - 1; ++i) StepProgress();
  const qint64 ms = timer.elapsed();
  EXPECT_LE(counter.passes, ms / TimedPump::kDefaultIntervalMs + 2) << ms << " ms";
  EXPECT_EQ(Progress().percentText, u"99.9%"_s);  // the texts follow every step
  const int before = counter.passes;
  StepProgress();
  EXPECT_EQ(counter.passes, before + 1);
}

// Durations, cut percentages and cell values are written as the tables show them.
TEST(Common, DurationsPercentagesAndValuesAreWrittenAsShown) {
  const std::pair<int, QString> durations[] = {
      {-5, u"0:0"_s}, {307, u"5:7"_s}, {3907, u"1:5:7"_s}, {90061, u"1:1:1:1"_s}};
  for (const auto& [seconds, text] : durations) EXPECT_EQ(FormatDuration(seconds), text) << seconds;
  EXPECT_EQ(PercentText(2, 3), u"66.6%"_s);
  EXPECT_EQ(PercentText(11, 10), u"110%"_s);
  const QDateTime noon1900(QDate(1900, 1, 1), QTime(12, 0));
  const std::tuple<Value, bool, QString> values[] = {
      {Value(12.5), false, u"12.50"_s},
      {Value(QDate(1900, 1, 1)), true, QString()},
      {Value(noon1900), true, u"1900.01.01"_s},
      {Value(QDateTime(QDate(2024, 3, 5), QTime(9, 7, 30))), false, u"2024.03.05 09:07"_s},
      {Value(true), false, u"√"_s},
      {Value(false), false, QString()},
      {Value(), false, QString()}};
  for (const auto& [value, dateOnly, text] : values) EXPECT_EQ(FormatValue(value, dateOnly), text);
}

// PumpEvents(0) runs one pass, a negative count none; OrderPair sorts.
TEST(Common, PumpEventsCountsPassesAndOrderPairSorts) {
  int delivered = 0;
  QObject target;
  QMetaObject::invokeMethod(
      &target, [&] { ++delivered; }, Qt::QueuedConnection);
  PumpEvents(-1);
  EXPECT_EQ(delivered, 0);
  PumpEvents(0);
  EXPECT_EQ(delivered, 1);
  QDate d1(2024, 5, 1), d2(2024, 1, 1);
  OrderPair(d1, d2);
  OrderPair(d1, d2);
  EXPECT_EQ(std::pair(d1, d2), std::pair(QDate(2024, 1, 1), QDate(2024, 5, 1)));
}

class Downloader : public ::testing::Test {
 protected:
  QTemporaryDir dir;
  test::ScriptedPrompts prompts;
  void SetUp() override { SetProgramFolder(dir.path()); }
  void TearDown() override { SetProgramFolder({}); }

  void InstallScript(bool executable) {
    QFile script(DownloaderPath());
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write(
        "#!/bin/sh\nout=\"$(dirname \"$0\")/args.txt\"\n"
        "printf '%s\\n' \"$#\" \"$@\" > \"$out.tmp\" && mv \"$out.tmp\" \"$out\"\n");
    script.close();
    if (executable) script.setPermissions(script.permissions() | QFileDevice::ExeOwner);
  }

  QStringList WaitForArguments() {
    const QString out = dir.filePath(u"args.txt"_s);
    QElapsedTimer t;
    t.start();
    while (!QFile::exists(out) && t.elapsed() < 10000) QThread::msleep(20);
    QFile f(out);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(f.readAll()).split(u'\n', Qt::SkipEmptyParts);
  }
};

// The named database arrives as one argument, whatever its characters; none means all.
TEST_F(Downloader, NamedDatabaseArrivesAsOneArgumentAndNoneMeansAll) {
  InstallScript(true);
  ASSERT_TRUE(StartDownloader({DownloaderArgument(u"春 夏'装 \"新\""_s, u"DB120305143015.mdb"_s)}));
  EXPECT_EQ(WaitForArguments(), (QStringList{u"1"_s, u"春 夏'装 \"新\"|DB120305143015.mdb"_s}));
  QFile::remove(dir.filePath(u"args.txt"_s));
  ASSERT_TRUE(StartDownloader({}));
  EXPECT_EQ(WaitForArguments(), QStringList{u"0"_s});
}

// A missing or not executable downloader is reported in Chinese.
TEST_F(Downloader, MissingOrNotExecutableIsReported) {
  EXPECT_FALSE(StartDownloader({}));
  ASSERT_EQ(prompts.messages.size(), 1);
  EXPECT_EQ(prompts.messages[0],
            u"没有找到下载程序“"_s + DownloaderPath() + u"”，无法下载数据！"_s);
  InstallScript(false);
  EXPECT_FALSE(StartDownloader({}));
  EXPECT_EQ(prompts.messages.last(),
            u"下载程序“"_s + DownloaderPath() + u"”不是可执行的程序，无法下载数据！"_s);
}
