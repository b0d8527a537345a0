// The chart pages' "分析" buttons and the menu's category comparison, pressed as a user does in
// the main window on a generated database: each fills its page's table and draws its chart.
#include <QAction>
#include <QDateEdit>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabBar>

#include "analysis/ui/chartview.h"
#include "guisession.h"
#include "mainwindow/ui/choosers.h"
#include "mainwindow/ui/tabcontrol.h"
#include "widgetdriver.h"

using namespace Qt::StringLiterals;
using namespace lanxi;
using namespace lanxi::test;

namespace {

// How many pixels of the chart are neither white nor the watermark's light grey.
int DrawnPixels(const QImage& image) {
  int n = 0;
  for (int y = 0; y < image.height(); y += 2)
    for (int x = 0; x < image.width(); x += 2)
      n += image.pixel(x, y) != qRgb(255, 255, 255) && image.pixel(x, y) != qRgb(238, 238, 238);
  return n;
}

void ClickTab(const char* name, QWidget* w, int tab) {
  QTabBar* bar = Find<TabControl>(w, QString::fromLatin1(name))->tabBar();
  QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(tab).center());
}

}  // namespace

class TestCharts : public QObject {
  Q_OBJECT

  std::optional<GuiSession> s_;
  MF* w_ = nullptr;

 private Q_SLOTS:
  void init() {
    s_.emplace();
    QVERIFY((w_ = s_->Open(u"女装"_s, 12, 20)));
  }
  void cleanup() { s_.reset(); }

  // Every 分析 button fills its page's table and draws; reversed dates stay in the pickers.
  void everyAnalyseButtonFillsItsPageAndDrawsItsChart() {
    for (int k = 1; k <= 3; ++k) {
      auto* pro = Find<QLineEdit>(w_, u"Pro_"_s + QString::number(k));
      pro->setProperty(kChoiceIdsProperty, u"1,2,2"_s);
      pro->setText(u"一\r\n二\r\n二"_s);
    }
    Find<QRadioButton>(w_, u"Op1_2"_s)->setChecked(true);
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
    ClickTab("SST", w_, 2);
    for (const Press& p : presses) {
      const QString page = QString::number(p.page), button = u"Com_"_s + QString::number(p.button);
      ClickTab("SST1", w_, p.page);
      QVERIFY(Find(w_, button)->isVisible());
      auto* from = Find<QDateEdit>(w_, u"DT_"_s + QString::number(2 * p.page));
      auto* to = Find<QDateEdit>(w_, u"DT_"_s + QString::number(2 * p.page + 1));
      // Reversed dates are put in order for the statistic only; the pickers keep them.
      const QDate a = from->date(), b = to->date();
      from->setDate(b);
      to->setDate(a);
      QTest::mouseClick(Find(w_, button), Qt::LeftButton);
      QCOMPARE(std::pair(from->date(), to->date()), std::pair(b, a));

      const Grid& g = *Find<GridView>(w_, u"MSF1_"_s + page)->grid();
      QVERIFY2(g.Rows() > g.FixedRows(), qPrintable(button));
      QCOMPARE(g.Cols(), p.columns);
      QCOMPARE(g.Tag().split(u"\r\n"_s).value(0), p.title);
      const QImage image = Find<ChartView>(w_, u"Pic_"_s + page)->picture().Render();
      QVERIFY2(DrawnPixels(image) > 500, qPrintable(button));
      from->setDate(a);
      to->setDate(b);
    }
    QCOMPARE(s_->prompts.messages, QStringList());
  }

  // The menu opens the comparison window once, however often it is chosen.
  void theComparisonWindowOpensOnceFromTheMenu() {
    for (int i = 0; i < 2; ++i) Find<QAction>(w_, u"mProStructrue"_s)->trigger();
    int open = 0;
    for (QWidget* top : QApplication::topLevelWidgets())
      open += top->objectName() == u"Ana_Class"_s && top->isVisible();
    QCOMPARE(open, 1);
    TopLevel(u"Ana_Class"_s)->close();
  }
};

QTEST_MAIN(TestCharts)
#include "test_charts.moc"
