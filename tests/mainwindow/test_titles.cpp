// Every window's title as the desktop shows it (_NET_WM_NAME read with xprop under xvfb-run).
#include <QAbstractButton>
#include <QMessageBox>
#include <QProcess>

#include "common/progress.h"
#include "mainwindow/ui/application.h"
#include "mainwindow/ui/dialogprompts.h"
#include "mainwindow/ui/mf.h"
#include "mainwindow/ui/selectdb.h"
#include "programfolder_fixture.h"
#include "scriptedprompts.h"
#include "widgetdriver.h"

using namespace Qt::StringLiterals;
using namespace lanxi;

namespace {

QString Run(const QString& program, const QStringList& args) {
  QProcess p;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(u"LC_ALL"_s, u"C.UTF-8"_s);  // xprop writes UTF-8 text as it is
  p.setProcessEnvironment(env);
  p.start(program, args);
  if (!p.waitForFinished(10000)) return {};
  return QString::fromUtf8(p.readAllStandardOutput());
}

// The window's _NET_WM_NAME as xprop prints it, unquoted; null when it has none.
QString NetWmName(const QWidget* w) {
  const QString out = Run(u"xprop"_s, {u"-id"_s, u"0x"_s + QString::number(w->winId(), 16),
                                       u"-notype"_s, u"_NET_WM_NAME"_s});
  const qsizetype eq = out.indexOf(u" = \""_s);
  if (eq < 0) return {};
  QString value = out.mid(eq + 4).trimmed();
  value.chop(1);  // the closing quote
  value.replace(u"\\\""_s, u"\""_s).replace(u"\\\\"_s, u"\\"_s);
  return value;
}

// Shows the window and lets the X server know everything about it.
bool Shown(QWidget* w) {
  w->show();
  if (!QTest::qWaitForWindowExposed(w)) return false;
  QTest::qWait(50);
  return true;
}

// Once the modal dialog about to open is on the screen, hands it to `look` and closes it.
template <typename Look>
void WhenModal(Look look) {
  auto* poll = new QTimer;
  poll->setInterval(20);
  QObject::connect(poll, &QTimer::timeout, poll, [poll, look] {
    QWidget* box = QApplication::activeModalWidget();
    if (!box) return;
    poll->stop();  // waiting for the box to show runs events, this timer's among them
    if (!Shown(box)) {
      poll->start();
      return;
    }
    poll->deleteLater();
    look(box);
    box->close();
  });
  poll->start();
}

}  // namespace

class WindowTitles : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    SetUpApplication();
    if (qEnvironmentVariableIsEmpty("DISPLAY")) QFAIL("needs an X server: run under xvfb-run");
    QVERIFY2(!Run(u"xprop"_s, {u"-version"_s}).isEmpty(), "xprop (x11-utils) is missing");
  }

  // Each window's _NET_WM_NAME is its caption exactly; prompts carry the program's name.
  void EveryWindowShowsItsCaptionExactly() {
    test::TempProgramFolder folder;
    test::ScriptedPrompts quiet;
    MF mf;
    QVERIFY(Shown(&mf));
    QCOMPARE(NetWmName(&mf), u"澜析产品销量跟踪软件2.03"_s);

    auto* select = new SelectDB(mf.CurDBName(), &mf);
    QVERIFY(Shown(select));
    QCOMPARE(NetWmName(select), u"请选择数据库名称"_s);
    select->close();

    ShowProgress(u"正在读取记录……"_s, 10);
    QWidget* indicator = test::TopLevel(u"Indicator"_s);
    QVERIFY(indicator && Shown(indicator));
    QCOMPARE(NetWmName(indicator), u"进度指示器"_s);
    CloseProgress();

    DialogPrompts dialogs;
    QStringList seen, buttons;
    WhenModal([&](QWidget* box) { seen << NetWmName(box); });
    dialogs.Message(u"测试"_s, MessageKind::Information);
    WhenModal([&](QWidget* box) {
      seen << NetWmName(box);
      for (QAbstractButton* b : qobject_cast<QMessageBox*>(box)->buttons()) buttons << b->text();
    });
    dialogs.Ask(u"测试？"_s);
    WhenModal([&](QWidget* box) { seen << NetWmName(box); });
    dialogs.Input(u"请输入："_s, {});
    QCOMPARE(seen, QStringList(3, u"澜析产品销量跟踪软件"_s));
    buttons.sort();
    QCOMPARE(buttons, (QStringList{u"否(&N)"_s, u"是(&Y)"_s}));

    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (w->isVisible()) QCOMPARE(NetWmName(w), w->windowTitle());
    }
  }
};

QTEST_MAIN(WindowTitles)
#include "test_titles.moc"
