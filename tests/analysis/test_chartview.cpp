// The chart views of the main window: drawn again at a new size, saved from the right-click menu.
#include <QAction>
#include <QMenu>
#include <QTest>
#include <QTimer>

#include "analysis/drawchart.h"
#include "analysis/ui/chartview.h"
#include "charttables.h"
#include "mainwindow/ui/mf.h"
#include "mainwindow/ui/popmenu.h"
#include "mainwindow/ui/tabcontrol.h"
#include "programfolder_fixture.h"
#include "scriptedprompts.h"
#include "tables/ui/gridview.h"

using namespace Qt::StringLiterals;
using namespace lanxi;

// The first legend swatch of a one-series chart in a picture of that size.
static QPoint SwatchPixel(QSize size) {
  return QPoint((size.width() * 15 - 800) / 15, ((size.height() * 15 - 1800) / 2 + 500) / 15);
}

class ChartViewTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void chartPagesRedrawAtTheirSizeAndSaveOnRightClick() {
    test::TempProgramFolder folder;
    test::ScriptedPrompts prompts;
    MF w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.findChild<TabControl*>(u"SST"_s)->setCurrentIndex(2);
    auto* view = w.findChild<ChartView*>(u"Pic_0"_s);
    QTRY_COMPARE(view->Image().size(), view->size());

    Grid& table = *w.findChild<GridView*>(u"MSF1_0"_s)->grid();
    test::MakeChartTable(table, u"900 1000 950 1100 1020"_s, u"走势图\r\n(项目：测试)"_s);
    DrawChart(view->picture(), table);
    QTRY_COMPARE(view->grab().toImage().pixel(SwatchPixel(view->size())), qRgb(0, 255, 0));

    // The window grows: the chart is drawn again at the picture's new size.
    const QSize before = view->size();
    w.resize(w.width() + 160, w.height() + 90);
    QTRY_VERIFY(view->size() != before);
    QCOMPARE(view->Image().pixel(SwatchPixel(view->size())), qRgb(0, 255, 0));

    // Right button: the picture menu; its entry saves the chart as the user names it.
    auto* pop = w.findChild<PopMenu*>(u"PopMenu"_s);
    QVERIFY(pop);
    QCOMPARE(std::pair(pop->mPic1->title(), pop->mSavePic1->text()),
             std::pair(u"图片保存"_s, u"保存图片"_s));
    prompts.files << folder.file(u"走势图"_s);
    bool chose = false;
    QTimer chooser;
    connect(&chooser, &QTimer::timeout, pop, [&] {
      if (!pop->mPic1->isVisible() || chose) return;
      chose = true;
      QTest::mouseClick(pop->mPic1, Qt::LeftButton, {},
                        pop->mPic1->actionGeometry(pop->mSavePic1).center());
    });
    chooser.start(20);
    QTest::mouseClick(view, Qt::RightButton, {}, QPoint(40, 40));
    chooser.stop();
    QVERIFY(chose && prompts.messages.isEmpty());

    const QImage saved(folder.file(u"走势图.jpg"_s));
    QCOMPARE(saved.size(), view->size());
    const QRgb swatch = saved.pixel(SwatchPixel(view->size()));  // upright
    QVERIFY(qGreen(swatch) > 220 && qRed(swatch) < 40 && qBlue(swatch) < 40);
    // A left click opens nothing.
    QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(40, 40));
    QVERIFY(!pop->mPic1->isVisible());
  }
};

QTEST_MAIN(ChartViewTest)
#include "test_chartview.moc"
