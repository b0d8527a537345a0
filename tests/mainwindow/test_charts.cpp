// The chart pages' "分析" buttons and the menu's category comparison, pressed as a user does in
// the main window on a generated database: each fills its page's table and draws its chart.
#include <QAction>
#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTest>

#include "analysis/ui/chartview.h"
#include "common/progress.h"
#include "demodata.h"
#include "mainwindow/ui/choosers.h"
#include "mainwindow/ui/mf.h"
#include "mainwindow/ui/tabcontrol.h"
#include "programfolder_fixture.h"
#include "scriptedprompts.h"
#include "tables/ui/gridview.h"
#include "widgetdriver.h"

using namespace Qt::StringLiterals;
using namespace lanxi;
using namespace lanxi::test;

namespace {

// How many pixels of the chart are neither white nor the watermark's light grey.
int DrawnPixels(const QImage& image) {
  int n = 0;
  for (int y = 0; y < image.height(); y += 2) {
    for (int x = 0; x < image.width(); x += 2) {
      const QRgb p = image.pixel(x, y);
      if (p != qRgb(255, 255, 255) && p != qRgb(238, 238, 238)) ++n;
    }
  }
  return n;
}

}  // namespace

class TestCharts : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void init() {
    folder_ = std::make_unique<TempProgramFolder>();
    prompts_ = std::make_unique<ScriptedPrompts>();
    demo::Spec spec;
    spec.name = u"女装"_s;
    spec.products = 12;
    spec.days = 20;
    spec.lastDay = QDate::currentDate();
    const QString catalog = folder_->file(u"PARA.mdb"_s);
    QVERIFY(demo::GenerateCataloguedDatabase(catalog, spec, nullptr));
    QVERIFY(demo::SetDefaultDatabase(catalog, spec.name));
    w_ = std::make_unique<MF>();
    w_->show();
    QVERIFY(QTest::qWaitForWindowExposed(w_.get()));
  }
  void cleanup() {
    w_.reset();
    CloseProgress();
    prompts_.reset();
    folder_.reset();
  }

  void everyAnalyseButtonFillsItsPageAndDrawsItsChart() {
    // Page 1 and 3 charts need chosen products: the ids the product chooser leaves in Pro(k).
    for (int k = 1; k <= 3; ++k) {
      auto* pro = Find<QLineEdit>(w_.get(), u"Pro_"_s + QString::number(k));
      pro->setProperty(kChoiceIdsProperty, u"1,2,2"_s);
      pro->setText(u"一\r\n二\r\n二"_s);
    }
    Find<QRadioButton>(w_.get(), u"Op1_2"_s)->setChecked(true);
    struct Press {
      int button, page;
      QString title;  // the first line of the chart's title
      int columns;    // of the page's table
    };
    const Press presses[] = {
        {21, 0, u"淘宝产品类销量/价格走势图"_s, 5},
        {23, 0, u"淘宝产品销量/价格走势图"_s, 5},
        {25, 1, u"淘宝产品类别价格走势图(平均折扣)"_s, 3},
        {27, 1, u"淘宝产品价格走势图(折扣)"_s, 5},
        {29, 2, u"淘宝产品类别销量走势图(销售量)"_s, 3},
        {31, 2, u"淘宝产品销量走势图(销售量)"_s, 5},
        {33, 3, u"淘宝产品类别库存走势图(库存量)"_s, 3},
        {35, 3, u"淘宝产品库存走势图(库存量)"_s, 5},
    };
    auto* sst = Find<TabControl>(w_.get(), u"SST"_s);
    auto* sst1 = Find<TabControl>(w_.get(), u"SST1"_s);
    QTest::mouseClick(sst->tabBar(), Qt::LeftButton, {}, sst->tabBar()->tabRect(2).center());
    for (const Press& p : presses) {
      const QString page = QString::number(p.page);
      QTest::mouseClick(sst1->tabBar(), Qt::LeftButton, {},
                        sst1->tabBar()->tabRect(p.page).center());
      QVERIFY(Find(w_.get(), u"Com_"_s + QString::number(p.button))->isVisible());
      auto* from = Find<QDateEdit>(w_.get(), u"DT_"_s + QString::number(2 * p.page));
      auto* to = Find<QDateEdit>(w_.get(), u"DT_"_s + QString::number(2 * p.page + 1));
      // Reversed dates are put in order for the statistic only; the pickers keep them.
      const QDate a = from->date(), b = to->date();
      from->setDate(b);
      to->setDate(a);
      QTest::mouseClick(Find(w_.get(), u"Com_"_s + QString::number(p.button)), Qt::LeftButton);
      QCOMPARE(from->date(), b);
      QCOMPARE(to->date(), a);
      from->setDate(a);
      to->setDate(b);

      const Grid& g = *Find<GridView>(w_.get(), u"MSF1_"_s + page)->grid();
      QVERIFY2(g.Rows() > g.FixedRows(), qPrintable(QString::number(p.button)));
      QCOMPARE(g.Cols(), p.columns);
      QCOMPARE(g.Tag().split(u"\r\n"_s).value(0), p.title);
      auto* chart = Find<ChartView>(w_.get(), u"Pic_"_s + page);
      const QImage image = chart->picture().Render();
      if (DrawnPixels(image) <= 500) {
        for (int r = 0; r < std::min(g.Rows(), 6); ++r) {
          QStringList cells;
          for (int c = 0; c < g.Cols(); ++c) cells << g.TextMatrix(r, c);
          qWarning() << cells << image.size();
        }
      }
      QVERIFY2(DrawnPixels(image) > 500, qPrintable(QString::number(p.button)));
    }
    QCOMPARE(prompts_->messages, QStringList());
  }

  void theComparisonWindowOpensOnceFromTheMenu() {
    Find<QAction>(w_.get(), u"mProStructrue"_s)->trigger();
    QWidget* window = TopLevel(u"Ana_Class"_s);
    QVERIFY(window);
    QCOMPARE(window->windowTitle(), u"产品类别构成分析"_s);
    Find<QAction>(w_.get(), u"mProStructrue"_s)->trigger();
    int open = 0;
    for (QWidget* top : QApplication::topLevelWidgets())
      open += top->objectName() == u"Ana_Class"_s && top->isVisible();
    QCOMPARE(open, 1);
    QTest::mouseClick(Find(window, u"Com"_s), Qt::LeftButton);
    const Grid& g = *Find<GridView>(window, u"MSF"_s)->grid();
    QVERIFY(g.Rows() > g.FixedRows());
    QCOMPARE(g.TextMatrix(1, 2), u"产品数"_s);
    QVERIFY(g.Tag().contains(u"(女装)"_s));
    window->close();
  }

 private:
  std::unique_ptr<TempProgramFolder> folder_;
  std::unique_ptr<ScriptedPrompts> prompts_;
  std::unique_ptr<MF> w_;
};

QTEST_MAIN(TestCharts)
#include "test_charts.moc"
