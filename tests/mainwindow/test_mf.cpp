// The main window as a user meets it: start-up with and without a default database, tabs,
// menus, the picture switch, database dialogs, the progress window and the downloader.
#include <QAction>
#include <QComboBox>
#include <QDateEdit>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>

#include "common/routines.h"
#include "guisession.h"
#include "mainwindow/downloader.h"
#include "mainwindow/ui/tabcontrol.h"
#include "storage/dboperate.h"
#include "storage/settings.h"
#include "widgetdriver.h"

using namespace Qt::StringLiterals;
using namespace lanxi;
using namespace lanxi::test;

namespace {

// Answers the database selection dialog once it shows.
void AnswerSelectDB(const QString& name, bool ok) {
  WhenShown(u"SelectDB"_s, [=](QWidget* dialog) {
    auto* cb = dialog->findChild<QComboBox*>(u"CB"_s);
    cb->setCurrentIndex(cb->findText(name));
    QTest::mouseClick(dialog->findChild<QPushButton*>(ok ? u"Com_0"_s : u"Com_1"_s),
                      Qt::LeftButton);
  });
}

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

  void startsOnTheTemplateWithoutADefault() {
    MF w;
    QCOMPARE(w.windowTitle(), u"澜析产品销量跟踪软件2.03"_s);
    QCOMPARE(Text(&w, "CurDBName"), u"  "_s);
    QCOMPARE(Text(&w, "Label2"), u"当前数据库："_s);
    QCOMPARE(CurDBFile, u"DATA.mdb"_s);
    w.show();
    for (int i = 0; i < 4; ++i)
      QCOMPARE(Find(&w, u"Frm_"_s + QString::number(i))->isVisible(), i == 0);
    w.findChild<TabControl*>(u"SST"_s)->setCurrentIndex(2);
    for (int k = 0; k < 4; ++k)
      QCOMPARE(Find(&w, u"Frm1_"_s + QString::number(k))->isVisible(), k == 0);
    QVERIFY(!Find(&w, u"PPic"_s)->isVisible());
    QVERIFY(Find<QPlainTextEdit>(&w, u"THelp"_s)->toPlainText().contains(u"新建数据库"_s));
    QVERIFY(s_->prompts.messages.isEmpty());
  }

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
    // Both lists were loaded: five products newest first, and today's figures.
    Grid* products = Find<GridView>(&w, u"MSF_0"_s)->grid();
    QCOMPARE(products->Rows(), 2 + 5);
    QCOMPARE(products->TextMatrix(1, 5), u"产品名称"_s);
    QCOMPARE(std::pair(products->TextMatrix(2, 0), products->TextMatrix(2, 4)),
             std::pair(u"5"_s, u"1"_s));
    Grid* figures = Find<GridView>(&w, u"MSF_1"_s)->grid();
    QVERIFY(figures->Rows() > 2);
    for (int r = 2; r < figures->Rows(); ++r)
      QCOMPARE(figures->TextMatrix(r, 6), today.toString(u"yyyy.MM.dd"_s));
  }

  void controlsAndMenusCarryTheirNamesAndCaptions() {
    MF w;
    // Buttons and menu entries, as "objectName=caption".
    const QStringList captions =
        QString::fromUtf8(
            "Com_0=添加产品 Com_1=删除产品 Com_2=刷新列表 Com_3=更新产品信息 Com_4=设置 "
            "Com_10=删除数据 Com_11=刷新列表 Com_20=产品类别选择 Com_21=分析 Com_23=分析 "
            "Com_26=产品选择 Com_35=分析 mNewDB=新建数据库 mSelectDB=选择数据库 "
            "mDeleteDB=删除数据库 mCompactDB=压缩数据库 mRenameDB=数据库改名 mOutpuDB=导出数据库 "
            "mInputDB=导入数据库 mExit=退出 mDownToday=下载今天数据(所有数据库) "
            "mDownTodayCur=下载今天数据(当前数据库) mDownPic=补齐缺失图片 "
            "mProStructrue=类别构成分析 mForbidProPic=禁止显示产品图片 mClassSet=分类名称设置 "
            "mUseHelp=使用说明 mAbout=关于澜析 mQQHelp1=QQ帮助1 mQQHelp2=QQ帮助2")
            .split(u' ');
    QCOMPARE(captions.size(), 30);
    for (const QString& entry : captions) {
      QObject* o = w.findChild<QObject*>(entry.section(u'=', 0, 0));
      QVERIFY2(o && (qobject_cast<QPushButton*>(o) || qobject_cast<QAction*>(o)),
               qPrintable(entry));
      QCOMPARE(o->property("text").toString(), entry.section(u'=', 1));
    }
    QStringList menus;
    for (QAction* a : w.menuBar()->actions()) menus << a->text();
    QCOMPARE(menus, (QStringList{u"文件"_s, u"下载"_s, u"更多分析"_s, u"设置"_s, u"帮助"_s}));
    auto* cbc = Find<QComboBox>(&w, u"CBC"_s);
    QCOMPARE(std::pair(cbc->count(), cbc->itemText(9)), std::pair(10, u"分类10"_s));
    QCOMPARE(Find<QWidget>(&w, u"CB_3"_s)->toolTip(),
             u"通过QQ与客服人员在线交谈（需确保安装并运行了QQ）。"_s);
  }

  void pictureSwitchIsStoredAndReadBack() {
    const QString key = QString::fromUtf16(ParamKey::ForbidProPic);
    // Off at first; each window reads what the one before stored; any text ticks it.
    for (const QString& stored : {u"√"_s, QString()}) {
      MF w;
      auto* item = Find<QAction>(&w, u"mForbidProPic"_s);
      QCOMPARE(item->isChecked(), stored.isEmpty());
      item->trigger();
      QCOMPARE(GetParam(key), stored);
    }
    SetParam(key, u"yes"_s);
    MF w;
    QVERIFY(Find<QAction>(&w, u"mForbidProPic"_s)->isChecked());
  }

  void databasesAreMadeChosenRenamedAndDeletedFromTheMenu() {
    s_->MakeDefault(u"示例"_s, 5, 10);
    MF w;
    w.show();
    auto* label = Find<QLabel>(&w, u"CurDBName"_s);
    QCOMPARE(label->text(), u"示例"_s);
    const auto menu = [&](const char* name) {
      Find<QAction>(&w, QString::fromLatin1(name))->trigger();
    };

    s_->prompts.inputs << u"春'装"_s;
    s_->prompts.answers << true;
    menu("mNewDB");
    QCOMPARE(s_->prompts.questions.last(), u"数据库“春装”创建成功，是否现在就调用？"_s);
    QCOMPARE(label->text(), u"春装"_s);

    AnswerSelectDB(u"示例"_s, true);
    menu("mSelectDB");
    QCOMPARE(label->text(), u"示例"_s);

    AnswerSelectDB(u"春装"_s, false);  // cancelled: nothing happens
    menu("mDeleteDB");
    QVERIFY(s_->prompts.messages.isEmpty());

    s_->prompts.inputs << u"样品"_s;
    menu("mRenameDB");
    QCOMPARE(s_->prompts.messages.last(), u"数据库更名完成！"_s);
    QCOMPARE(label->text(), u"样品"_s);

    AnswerSelectDB(u"春装"_s, true);
    menu("mDeleteDB");
    QCOMPARE(s_->prompts.messages.last(), u"数据库“春装”删除成功！"_s);

    w.close();  // closing records the current database as the default
    QCOMPARE(DefaultDatabase(), u"样品"_s);
  }

  void closingWhileADialogIsAwaitedEndsCleanly() {
    s_->MakeDefault(u"示例"_s, 5, 3);
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
    QCOMPARE(Text(&w, "CurDBName"), u"示例"_s);
    QCOMPARE(DefaultDatabase(), u"示例"_s);
  }

  void progressWindowShowsTheCutPercentages() {
    MF w;
    ShowProgress(u"正在删除数据..."_s, 3, 0);
    QWidget* indicator = TopLevel(u"Indicator"_s);
    QVERIFY(indicator);
    QCOMPARE(indicator->windowTitle(), u"进度指示器"_s);
    QCOMPARE(Text(indicator, "LBL"), u"正在删除数据..."_s);
    QCOMPARE(Text(indicator, "Percent"), u"0%"_s);
    QStringList shown;
    for (int i = 0; i < 3; ++i) {
      StepProgress(1, u"pages"_s);
      shown << Text(indicator, "Percent") + Text(indicator, "L1");
    }
    QCOMPARE(shown, (QStringList{u"33.3%(1/3)"_s, u"66.6%(2/3)"_s, u"100%(3/3)"_s}));
    QVERIFY2(QRegularExpression(u"^\\d+:\\d+/\\d+:\\d+/\\d+:\\d+$"_s)
                 .match(Progress().timeText)
                 .hasMatch(),
             qPrintable(Progress().timeText));
    // The user closes it: the wait that reads the flag sees it closed, and a further step
    // loads a fresh window without showing it.
    indicator->close();
    QVERIFY(!ProgressOpen());
    StepProgress();
    QVERIFY(ProgressOpen());
    QVERIFY(!Progress().visible);
    QCOMPARE(Progress().labelText, u"进度条指示器"_s);
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

  void downloaderGetsTheCurrentDatabase() {
    const QString file = s_->MakeDefault(u"女装"_s, 5, 3);
    QFile script(DownloaderPath());
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write(
        "#!/bin/sh\nprintf '%s' \"$1\" > \"$(dirname \"$0\")/arg.tmp\" && "
        "mv \"$(dirname \"$0\")/arg.tmp\" \"$(dirname \"$0\")/arg.txt\"\n");
    script.close();
    script.setPermissions(script.permissions() | QFileDevice::ExeOwner);
    MF w;
    Find<QAction>(&w, u"mDownTodayCur"_s)->trigger();
    QFile out(s_->folder.file(u"arg.txt"_s));
    QTRY_VERIFY_WITH_TIMEOUT(out.exists(), 10000);
    QVERIFY(out.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(out.readAll()), u"女装|"_s + file);
  }
};

QTEST_MAIN(TestMF)
#include "test_mf.moc"
