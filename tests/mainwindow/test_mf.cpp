// The main window as a user meets it: start-up with and without a default database, tabs,
// layout, menus, the picture switch, database dialogs, the progress window and the downloader.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTabBar>
#include <QTest>
#include <QTimer>

#include "common/programfolder.h"
#include "common/progress.h"
#include "common/routines.h"
#include "common/twips.h"
#include "demodata.h"
#include "mainwindow/downloader.h"
#include "mainwindow/ui/mf.h"
#include "mainwindow/ui/tabcontrol.h"
#include "programfolder_fixture.h"
#include "scriptedprompts.h"
#include "storage/dboperate.h"
#include "storage/settings.h"
#include "tables/ui/gridview.h"
#include "widgetdriver.h"

using namespace Qt::StringLiterals;
using namespace lanxi;
using lanxi::test::Find;
using lanxi::test::TopLevel;

namespace {

// Registers a demo database whose figures end today and makes it the default.
QString MakeDefaultDatabase(const QString& folder, const QString& name, int days) {
  demo::Spec spec;
  spec.name = name;
  spec.products = 5;
  spec.days = days;
  spec.lastDay = QDate::currentDate();
  demo::Result r;
  if (!demo::GenerateCataloguedDatabase(folder + u"/PARA.mdb"_s, spec, &r) ||
      !demo::SetDefaultDatabase(folder + u"/PARA.mdb"_s, name))
    return {};
  return r.fileName;
}

// Answers the database selection dialog once it shows.
void AnswerSelectDB(const QString& name, bool ok) {
  QTimer::singleShot(0, [=] {
    QElapsedTimer t;
    t.start();
    QWidget* dialog = nullptr;
    while (!(dialog = TopLevel(u"SelectDB"_s)) && t.elapsed() < 5000) QTest::qWait(10);
    QVERIFY(dialog);
    auto* cb = dialog->findChild<QComboBox*>(u"CB"_s);
    cb->setCurrentIndex(cb->findText(name));
    QTest::mouseClick(dialog->findChild<QPushButton*>(ok ? u"Com_0"_s : u"Com_1"_s),
                      Qt::LeftButton);
  });
}

}  // namespace

class TestMF : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void init() {
    folder_ = std::make_unique<test::TempProgramFolder>();
    prompts_ = std::make_unique<test::ScriptedPrompts>();
  }
  void cleanup() {
    CloseProgress();
    prompts_.reset();
    folder_.reset();
  }

  void startsOnTheTemplateWithoutADefault() {
    MF w;
    QCOMPARE(w.windowTitle(), u"澜析产品销量跟踪软件2.03"_s);
    QCOMPARE(Find<QLabel>(&w, u"CurDBName"_s)->text(), u"  "_s);
    QCOMPARE(Find<QLabel>(&w, u"Label2"_s)->text(), u"当前数据库："_s);
    QCOMPARE(CurDBFile, u"DATA.mdb"_s);
    w.show();
    for (int i = 0; i < 4; ++i)
      QCOMPARE(Find(&w, u"Frm_"_s + QString::number(i))->isVisible(), i == 0);
    w.findChild<TabControl*>(u"SST"_s)->setCurrentIndex(2);
    for (int k = 0; k < 4; ++k)
      QCOMPARE(Find(&w, u"Frm1_"_s + QString::number(k))->isVisible(), k == 0);
    QVERIFY(!Find(&w, u"PPic"_s)->isVisible());
    QVERIFY(!Find<QAction>(&w, u"mForbidProPic"_s)->isChecked());
    QVERIFY(Find<QPlainTextEdit>(&w, u"THelp"_s)->toPlainText().contains(u"新建数据库"_s));
    QVERIFY(prompts_->messages.isEmpty());
  }

  void opensTheDefaultAndBoundsTheDatePickers() {
    const QString file = MakeDefaultDatabase(folder_->path(), u"女装"_s, 30);
    QVERIFY(!file.isEmpty());
    MF w;
    QCOMPARE(Find<QLabel>(&w, u"CurDBName"_s)->text(), u"女装"_s);
    QCOMPARE(CurDBFile, file);
    const QDate today = QDate::currentDate(), first = today.addDays(-29);
    for (const char* name : {"DTP_0", "DTP_1"}) {
      auto* d = Find<QDateEdit>(&w, QString::fromLatin1(name));
      QCOMPARE(d->date(), today);
      QCOMPARE(d->minimumDate(), first);
      QCOMPARE(d->maximumDate(), today);
    }
    for (int i = 0; i < 8; ++i)
      QCOMPARE(Find<QDateEdit>(&w, u"DT_"_s + QString::number(i))->date(), i % 2 ? today : first);
    // Both lists were loaded: five products newest first, and today's figures.
    Grid* products = Find<GridView>(&w, u"MSF_0"_s)->grid();
    QCOMPARE(products->Rows(), 2 + 5);
    QCOMPARE(products->TextMatrix(1, 5), u"产品名称"_s);
    QCOMPARE(products->TextMatrix(2, 0), u"5"_s);
    QCOMPARE(products->TextMatrix(2, 4), u"1"_s);
    Grid* figures = Find<GridView>(&w, u"MSF_1"_s)->grid();
    QVERIFY(figures->Rows() > 2);
    for (int r = 2; r < figures->Rows(); ++r)
      QCOMPARE(figures->TextMatrix(r, 6), today.toString(u"yyyy.MM.dd"_s));
  }

  void controlsAndMenusCarryTheirNamesAndCaptions() {
    MF w;
    const QList<std::pair<const char*, QString>> buttons = {
        {"Com_0", u"添加产品"_s},     {"Com_1", u"删除产品"_s},      {"Com_2", u"刷新列表"_s},
        {"Com_3", u"更新产品信息"_s}, {"Com_4", u"设置"_s},          {"Com_10", u"删除数据"_s},
        {"Com_11", u"刷新列表"_s},    {"Com_20", u"产品类别选择"_s}, {"Com_21", u"分析"_s},
        {"Com_23", u"分析"_s},        {"Com_26", u"产品选择"_s},     {"Com_35", u"分析"_s}};
    for (const auto& [name, caption] : buttons)
      QCOMPARE(Find<QPushButton>(&w, QString::fromLatin1(name))->text(), caption);
    const QList<std::pair<const char*, QString>> actions = {
        {"mNewDB", u"新建数据库"_s},
        {"mSelectDB", u"选择数据库"_s},
        {"mDeleteDB", u"删除数据库"_s},
        {"mCompactDB", u"压缩数据库"_s},
        {"mRenameDB", u"数据库改名"_s},
        {"mOutpuDB", u"导出数据库"_s},
        {"mInputDB", u"导入数据库"_s},
        {"mExit", u"退出"_s},
        {"mDownTodayCur", u"下载今天数据(当前数据库)"_s},
        {"mDownToday", u"下载今天数据(所有数据库)"_s},
        {"mDownPic", u"补齐缺失图片"_s},
        {"mProStructrue", u"类别构成分析"_s},
        {"mForbidProPic", u"禁止显示产品图片"_s},
        {"mClassSet", u"分类名称设置"_s},
        {"mUseHelp", u"使用说明"_s},
        {"mAbout", u"关于澜析"_s},
        {"mQQHelp1", u"QQ帮助1"_s},
        {"mQQHelp2", u"QQ帮助2"_s}};
    for (const auto& [name, caption] : actions)
      QCOMPARE(Find<QAction>(&w, QString::fromLatin1(name))->text(), caption);
    QStringList menus;
    for (QAction* a : w.menuBar()->actions()) menus << a->text();
    QCOMPARE(menus, (QStringList{u"文件"_s, u"下载"_s, u"更多分析"_s, u"设置"_s, u"帮助"_s}));
    auto* cbc = Find<QComboBox>(&w, u"CBC"_s);
    QCOMPARE(cbc->count(), 10);
    QCOMPARE(cbc->itemText(9), u"分类10"_s);
    QCOMPARE(Find<QWidget>(&w, u"CB_3"_s)->toolTip(),
             u"通过QQ与客服人员在线交谈（需确保安装并运行了QQ）。"_s);
    // Typing the name part fills the value with the same text.
    QTest::keyClicks(Find(&w, u"TC_0"_s), u"polo"_s);
    QCOMPARE(Find<QLineEdit>(&w, u"TC_1"_s)->text(), u"polo"_s);
  }

  void layoutFollowsTheWindowInTwips() {
    MF w;
    w.show();
    QWidget* area = w.centralWidget();
    auto near = [](int actualTwips, int expectedTwips) {
      return std::abs(actualTwips - expectedTwips) <= kTwipsPerPixel;
    };
    for (QSize size : {QSize(1200, 800), QSize(800, 500)}) {
      area->resize(size);
      const int W = Tw(size.width()), H = Tw(size.height());
      QWidget* sst = Find(&w, u"SST"_s);
      QCOMPARE(sst->geometry().topLeft(), QPoint(0, Px(1200)));
      QVERIFY(near(Tw(sst->width()), W - 105));
      QVERIFY(near(Tw(sst->height()), H - 2010));
      QWidget* frm = Find(&w, u"Frm_0"_s);
      QVERIFY(near(Tw(frm->width()), Tw(sst->width()) - 120));
      QWidget* msf = Find(&w, u"MSF_0"_s);
      QCOMPARE(msf->y(), Px(360));
      QVERIFY(near(Tw(msf->height()), Tw(frm->height()) - 360));
      QWidget* table = Find(&w, u"MSF1_2"_s);
      QWidget* pic = Find(&w, u"Pic_2"_s);
      QCOMPARE(table->width(), Px(3500));
      QVERIFY(near(Tw(pic->x()), Tw(table->width()) - 15));
      QCOMPARE(pic->height(), table->height());
      QWidget* help = Find(&w, u"THelp"_s);
      QCOMPARE(Find(&w, u"FRM7"_s)->x(), help->width());
      QCOMPARE(Find(&w, u"FRM7"_s)->y(), Px(-90));
    }
    // Too low for the tab control: its height stays, the other assignments still happen.
    QWidget* sst = Find(&w, u"SST"_s);
    const int before = sst->height();
    area->resize(900, Px(2010) - 20);
    QCOMPARE(sst->height(), before);
    QVERIFY(near(Tw(sst->width()), Tw(900) - 105));
  }

  void pictureSwitchIsStoredAndReadBack() {
    {
      MF w;
      auto* item = Find<QAction>(&w, u"mForbidProPic"_s);
      item->trigger();
      QVERIFY(item->isChecked());
      QCOMPARE(GetParam(QString::fromUtf16(ParamKey::ForbidProPic)), u"√"_s);
    }
    {
      MF w;
      auto* item = Find<QAction>(&w, u"mForbidProPic"_s);
      QVERIFY(item->isChecked());
      item->trigger();
      QCOMPARE(GetParam(QString::fromUtf16(ParamKey::ForbidProPic)), QString());
    }
    SetParam(QString::fromUtf16(ParamKey::ForbidProPic), u"yes"_s);  // any text ticks it
    MF w;
    QVERIFY(Find<QAction>(&w, u"mForbidProPic"_s)->isChecked());
  }

  void databasesAreMadeChosenRenamedAndDeletedFromTheMenu() {
    MakeDefaultDatabase(folder_->path(), u"示例"_s, 10);
    MF w;
    w.show();
    auto* label = Find<QLabel>(&w, u"CurDBName"_s);
    QCOMPARE(label->text(), u"示例"_s);

    prompts_->inputs << std::optional<QString>(u"春'装"_s);
    prompts_->answers << true;
    Find<QAction>(&w, u"mNewDB"_s)->trigger();
    QCOMPARE(prompts_->questions.last(), u"数据库“春装”创建成功，是否现在就调用？"_s);
    QCOMPARE(label->text(), u"春装"_s);

    AnswerSelectDB(u"示例"_s, true);
    Find<QAction>(&w, u"mSelectDB"_s)->trigger();
    QCOMPARE(label->text(), u"示例"_s);
    QCOMPARE(WorkDBFile == u"PARA.mdb"_s || WorkDBFile == CurDBFile, true);

    AnswerSelectDB(u"春装"_s, false);  // cancelled: nothing happens
    Find<QAction>(&w, u"mDeleteDB"_s)->trigger();
    QVERIFY(!prompts_->messages.contains(u"数据库“春装”删除成功！"_s));

    prompts_->inputs << std::optional<QString>(u"样品"_s);
    Find<QAction>(&w, u"mRenameDB"_s)->trigger();
    QCOMPARE(prompts_->messages.last(), u"数据库更名完成！"_s);
    QCOMPARE(label->text(), u"样品"_s);

    AnswerSelectDB(u"春装"_s, true);
    Find<QAction>(&w, u"mDeleteDB"_s)->trigger();
    QCOMPARE(prompts_->messages.last(), u"数据库“春装”删除成功！"_s);

    // Closing records the current database as the default.
    w.close();
    WorkDBFile = u"PARA.mdb"_s;
    QCOMPARE(LookupWhere(u"Def"_s, u"Var=?"_s, u"Con"_s, {u"默认数据库"_s}).toString(), u"样品"_s);
  }

  void closingWhileADialogIsAwaitedEndsCleanly() {
    MakeDefaultDatabase(folder_->path(), u"示例"_s, 3);
    MF w;
    w.show();
    // The user closes the main window while the selection dialog is waited for.
    QTimer::singleShot(0, [&] {
      QTRY_VERIFY(TopLevel(u"SelectDB"_s));
      w.close();
    });
    Find<QAction>(&w, u"mSelectDB"_s)->trigger();  // returns once everything closed
    QVERIFY(!TopLevel(u"SelectDB"_s));
    QVERIFY(!w.isVisible());
    QCOMPARE(Find<QLabel>(&w, u"CurDBName"_s)->text(), u"示例"_s);
    WorkDBFile = u"PARA.mdb"_s;
    QCOMPARE(LookupWhere(u"Def"_s, u"Var=?"_s, u"Con"_s, {u"默认数据库"_s}).toString(), u"示例"_s);
  }

  void progressWindowShowsTheCutPercentages() {
    MF w;
    ShowProgress(u"正在删除数据..."_s, 3, 0);
    QWidget* indicator = TopLevel(u"Indicator"_s);
    QVERIFY(indicator);
    QCOMPARE(indicator->windowTitle(), u"进度指示器"_s);
    QCOMPARE(Find<QLabel>(indicator, u"LBL"_s)->text(), u"正在删除数据..."_s);
    StepProgress(1, u"pages"_s);
    QCOMPARE(Find<QLabel>(indicator, u"Percent"_s)->text(), u"33.3%"_s);
    QCOMPARE(Find<QLabel>(indicator, u"L1"_s)->text(), u"(1/3)"_s);
    StepProgress(1, u"pages"_s);
    QCOMPARE(Find<QLabel>(indicator, u"Percent"_s)->text(), u"66.6%"_s);
    // The user closes it: the wait that reads the flag sees it closed.
    indicator->close();
    QVERIFY(!ProgressOpen());
    StepProgress(1, u"pages"_s);
    QVERIFY(ProgressOpen());
    QVERIFY(!indicator->isVisible());
    CloseProgress();
    QVERIFY(!ProgressOpen());
  }

  // Work that runs on and only lets events through now and then (a compaction, a long fill)
  // still gets the window painted: what the screen shows is the window, not what lay below.
  void progressWindowIsPaintedWhileWorkRuns() {
    MF w;
    ShowProgress(u"正在压缩和整理数据库..."_s, 2);
    QWidget* indicator = TopLevel(u"Indicator"_s);
    QVERIFY(indicator);
    QVERIFY(QTest::qWaitForWindowExposed(indicator));
    TimedPump pump;
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 300) pump.Pump();  // busy, as a statement with a progress handler
    QWidget* bar = Find<QWidget>(indicator, u"Pic"_s);
    const QImage shot = indicator->screen()->grabWindow(indicator->winId()).toImage();
    QCOMPARE(shot.pixelColor(bar->geometry().center() + QPoint(-bar->width() / 4, 0)),
             QColor(Qt::white));
    StepProgress();
    t.restart();
    while (t.elapsed() < 300) pump.Pump();
    const QImage half = indicator->screen()->grabWindow(indicator->winId()).toImage();
    QCOMPARE(half.pixelColor(bar->geometry().center() + QPoint(-bar->width() / 4, 0)),
             QColor(0, 0, 255));
    CloseProgress();
  }

  void downloaderGetsTheCurrentDatabase() {
    const QString file = MakeDefaultDatabase(folder_->path(), u"女装"_s, 3);
    QFile script(DownloaderPath());
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write(
        "#!/bin/sh\nprintf '%s' \"$1\" > \"$(dirname \"$0\")/arg.tmp\" && "
        "mv \"$(dirname \"$0\")/arg.tmp\" \"$(dirname \"$0\")/arg.txt\"\n");
    script.close();
    script.setPermissions(script.permissions() | QFileDevice::ExeOwner);
    MF w;
    Find<QAction>(&w, u"mDownTodayCur"_s)->trigger();
    QFile out(folder_->file(u"arg.txt"_s));
    QTRY_VERIFY_WITH_TIMEOUT(out.exists(), 10000);
    QVERIFY(out.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(out.readAll()), u"女装|"_s + file);
  }

 private:
  std::unique_ptr<test::TempProgramFolder> folder_;
  std::unique_ptr<test::ScriptedPrompts> prompts_;
};

QTEST_MAIN(TestMF)
#include "test_mf.moc"
