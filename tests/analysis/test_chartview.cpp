// The chart pages of the main window: each picture box is a chart view that draws its table
// again at its new size, and its right-click menu saves the chart as a JPEG picture.
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
using test::InkedPixels;

namespace {

// The pixel of the first legend swatch of a one-series chart in a picture of that size: slots
// of 600 twips centred, the swatch 200 twips below its slot's caption line.
QPoint SwatchPixel(QSize size) {
  const int w = size.width() * 15, h = size.height() * 15;
  const int slotTop = (h - 3 * 600) / 2;
  return QPoint((w - 1500 + 200 + 500) / 15, (slotTop + 400 + 100) / 15);
}

}  // namespace

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
    for (int k = 0; k < 4; ++k) QVERIFY(w.findChild<ChartView*>(u"Pic_"_s + QString::number(k)));
    auto* view = w.findChild<ChartView*>(u"Pic_0"_s);
    QTRY_COMPARE(view->Image().size(), view->size());

    // A statistic fills the page's table, titles it and draws it on the picture.
    Grid& table = *w.findChild<GridView*>(u"MSF1_0"_s)->grid();
    test::MakeChartTable(table, {u"总销量"_s}, test::DailyRows(20, 1),
                         u"淘宝产品类销量/价格走势图\r\n(项目：测试)"_s);
    DrawChart(view->picture(), table);
    QTRY_VERIFY(InkedPixels(view->grab().toImage()) > 1000);
    QCOMPARE(view->Image().pixel(SwatchPixel(view->size())), qRgb(0, 255, 0));

    // The window grows: the chart is drawn again at the picture's new size.
    const QSize before = view->size();
    w.resize(w.width() + 160, w.height() + 90);
    QTRY_VERIFY(view->size() != before);
    QCOMPARE(view->Image().size(), view->size());
    QCOMPARE(view->Image().pixel(SwatchPixel(view->size())), qRgb(0, 255, 0));

    // Right button: the picture menu; its entry saves the chart as the user names it.
    auto* pop = w.findChild<PopMenu*>(u"PopMenu"_s);
    QVERIFY(pop);
    QCOMPARE(pop->mPic1->objectName(), u"mPic1"_s);
    QCOMPARE(pop->mPic1->title(), u"图片保存"_s);
    QCOMPARE(pop->mSavePic1->objectName(), u"mSavePic1"_s);
    QCOMPARE(pop->mSavePic1->text(), u"保存图片"_s);
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
    QVERIFY(chose);
    QCOMPARE(pop->PicCtl.data(), view);
    QVERIFY(prompts.messages.isEmpty());

    const QImage saved(folder.file(u"走势图.jpg"_s));
    QCOMPARE(saved.size(), view->size());
    // The picture as it shows, upright: the swatch green, the corner white.
    const QRgb swatch = saved.pixel(SwatchPixel(view->size()));
    QVERIFY(qGreen(swatch) > 220 && qRed(swatch) < 40 && qBlue(swatch) < 40);
    const QRgb corner = saved.pixel(saved.width() - 2, saved.height() - 2);
    QVERIFY(qRed(corner) > 240 && qGreen(corner) > 240 && qBlue(corner) > 240);
    // A left click opens nothing.
    QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(40, 40));
    QVERIFY(!pop->mPic1->isVisible());
  }
};

QTEST_MAIN(ChartViewTest)
#include "test_chartview.moc"
