// The main window as a user meets it: start-up, menus, database dialogs, the progress window
// and the downloader.
#include <QAction>
#include <QComboBox>
#include <QDateEdit>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>

#include "common/routines.h"
#include "guisession.h"
#include "mainwindow/downloader.h"
#include "storage/dboperate.h"
#include "storage/settings.h"
#include "widgetdriver.h"

using namespace Qt::StringLiterals;
using namespace lanxi;
using namespace lanxi::test;

namespace {

QString DefaultDatabase() {
  WorkDBFile = u"PARA.mdb"_s;
  return LookupWhere(u"Def"_s, u"Var=?"_s, u"Con"_s, {u"默认数据库"_s}).toString();
}

QString Text(QWidget* root, const char* name) {
  return Find<QLabel>(root, QString::fromLatin1(name))->text();
}

}  // namespace

class TestMF : public QObject {
  Q_OBJECT

  std::optional<GuiSession> s_;

 private Q_SLOTS:
  void init() { s_.emplace(); }
  void cleanup() { s_.reset(); }

  // Without a default the template is current and only the first page of each tab shows.
  void startsOnTheTemplateWithoutADefault() {
    MF w;
    QCOMPARE(w.windowTitle(), u"澜析产品销量跟踪软件2.03"_s);
    QCOMPARE(Text(&w, "CurDBName"), u"  "_s);
    QCOMPARE(Text(&w, "Label2"), u"当前数据库："_s);
    QCOMPARE(CurDBFile, u"DATA.mdb"_s);
    w.show();
    for (int i = 0; i < 4; ++i)
      QCOMPARE(Find(&w, u"Frm_"_s + QString::number(i))->isVisible(), i == 0);
    QVERIFY(!Find(&w, u"PPic"_s)->isVisible());
    QVERIFY(s_->prompts.messages.isEmpty());
  }

  // The default database opens with both lists loaded and the date pickers bounded by its days.
  void opensTheDefaultAndBoundsTheDatePickers() {
    const QString file = s_->MakeDefault(u"女装"_s, 5, 30);
    MF w;
    QCOMPARE(Text(&w, "CurDBName"), u"女装"_s);
    QCOMPARE(CurDBFile, file);
    const QDate today = QDate::currentDate(), first = today.addDays(-29);
    for (const QString& name : {u"DTP_0"_s, u"DTP_1"_s}) {
      auto* d = Find<QDateEdit>(&w, name);
      QCOMPARE(std::tuple(d->date(), d->minimumDate(), d->maximumDate()),
               std::tuple(today, first, today));
    }
    for (int i = 0; i < 8; ++i)
      QCOMPARE(Find<QDateEdit>(&w, u"DT_"_s + QString::number(i))->date(), i % 2 ? today : first);
    QCOMPARE(Find<GridView>(&w, u"MSF_0"_s)->grid()->Rows(), 2 + 5);
    Grid* figures = Find<GridView>(&w, u"MSF_1"_s)->grid();
    QVERIFY(figures->Rows() > 2);
    QCOMPARE(figures->TextMatrix(2, 6), today.toString(u"yyyy.MM.dd"_s));
  }

  // Buttons, menu entries and menus carry their names and Chinese captions.
  void controlsAndMenusCarryTheirNamesAndCaptions() {
    MF w;
    const QStringList captions =
        QString::fromUtf8(
            "Com_0=添加产品 Com_1=删除产品 Com_2=刷新列表 Com_3=更新产品信息 Com_4=设置 "
            "Com_10=删除数据 Com_11=刷新列表 Com_20=产品类别选择 Com_21=分析 Com_26=产品选择 "
            "mNewDB=新建数据库 mSelectDB=选择数据库 mDeleteDB=删除数据库 mCompactDB=压缩数据库 "
            "mRenameDB=数据库改名 mOutpuDB=导出数据库 mInputDB=导入数据库 mExit=退出 "
            "mDownToday=下载今天数据(所有数据库) mDownTodayCur=下载今天数据(当前数据库) "
            "mDownPic=补齐缺失图片 mProStructrue=类别构成分析 mForbidProPic=禁止显示产品图片 "
            "mClassSet=分类名称设置 mUseHelp=使用说明 mAbout=关于澜析 mQQHelp1=QQ帮助1 "
            "mQQHelp2=QQ帮助2")
            .split(u' ');
    for (const QString& entry : captions) {
      QObject* o = w.findChild<QObject*>(entry.section(u'=', 0, 0));
      QVERIFY2(o, qPrintable(entry));
      QCOMPARE(o->property("text").toString(), entry.section(u'=', 1));
    }
    QStringList menus;
    for (QAction* a : w.menuBar()->actions()) menus << a->text();
    QCOMPARE(menus, (QStringList{u"文件"_s, u"下载"_s, u"更多分析"_s, u"设置"_s, u"帮助"_s}));
    QCOMPARE(Find<QWidget>(&w, u"CB_3"_s)->toolTip(),
             u"通过QQ与客服人员在线交谈（需确保安装并运行了QQ）。"_s);
  }

  // The picture switch is stored on each change and read back by the next window.
  void pictureSwitchIsStoredAndReadBack() {
    const QString key = QString::fromUtf16(ParamKey::ForbidProPic);
    for (const QString& stored : {u"√"_s, QString()}) {
      MF w;
      auto* item = Find<QAction>(&w, u"mForbidProPic"_s);
      QCOMPARE(item->isChecked(), stored.isEmpty());
      item->trigger();
      QCOMPARE(GetParam(key), stored);
    }
  }

  // Closing the main window while the selection dialog is awaited ends both cleanly.
  void closingWhileADialogIsAwaitedEndsCleanly() {
    s_->MakeDefault(u"示例"_s, 5, 3);
    MF w;
    w.show();
    QTimer::singleShot(0, [&] {
      QTRY_VERIFY(TopLevel(u"SelectDB"_s));
      w.close();
    });
    Find<QAction>(&w, u"mSelectDB"_s)->trigger();  // returns once everything closed
    QVERIFY(!TopLevel(u"SelectDB"_s));
    QVERIFY(!w.isVisible());
    QCOMPARE(DefaultDatabase(), u"示例"_s);
  }

  // The progress window shows the texts; once closed by the user a step reloads it unseen.
  void progressWindowShowsTheCutPercentages() {
    MF w;
    ShowProgress(u"正在删除数据..."_s, 3, 0);
    QWidget* indicator = TopLevel(u"Indicator"_s);
    QVERIFY(indicator);
    QCOMPARE(Text(indicator, "LBL"), u"正在删除数据..."_s);
    StepProgress(1, u"pages"_s);
    QCOMPARE(Text(indicator, "Percent") + Text(indicator, "L1"), u"33.3%(1/3)"_s);
    indicator->close();
    QVERIFY(!ProgressOpen());
    StepProgress();
    QVERIFY(ProgressOpen());
    QVERIFY(!Progress().visible);
    QCOMPARE(Progress().labelText, u"进度条指示器"_s);
    CloseProgress();
  }

  // Work that runs on and only lets events through now and then (a compaction, a long fill)
  // still gets the window painted: what the screen shows is the window, not what lay below.
  void progressWindowIsPaintedWhileWorkRuns() {
    MF w;
    ShowProgress(u"正在压缩和整理数据库..."_s, 2);
    QWidget* indicator = TopLevel(u"Indicator"_s);
    QVERIFY(indicator);
    QVERIFY(QTest::qWaitForWindowExposed(indicator));
    QWidget* bar = Find<QWidget>(indicator, u"Pic"_s);
    TimedPump pump;
    for (const QColor& left : {QColor(Qt::white), QColor(0, 0, 255)}) {
      if (left != Qt::white) StepProgress();
      QElapsedTimer t;
      t.start();
      while (t.elapsed() < 300) pump.Pump();  // busy, as a statement with a progress handler
      const QImage shot = indicator->screen()->grabWindow(indicator->winId()).toImage();
      QCOMPARE(shot.pixelColor(bar->geometry().center() + QPoint(-bar->width() / 4, 0)), left);
    }
    CloseProgress();
  }

  // "下载今天数据(当前数据库)" hands the downloader the current database.
  void downloaderGetsTheCurrentDatabase() {
    const QString file = s_->MakeDefault(u"女装"_s, 5, 3);
    QFile script(DownloaderPath());
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\nprintf '%s' \"$1\" > \"$0.tmp\" && mv \"$0.tmp\" \"$0.txt\"\n");
    script.close();
    script.setPermissions(script.permissions() | QFileDevice::ExeOwner);
    MF w;
    Find<QAction>(&w, u"mDownTodayCur"_s)->trigger();
    QFile out(DownloaderPath() + u".txt"_s);
    QTRY_VERIFY_WITH_TIMEOUT(out.exists(), 10000);
    QVERIFY(out.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(out.readAll()), u"女装|"_s + file);
  }
};

QTEST_MAIN(TestMF)
#include "test_mf.moc"
