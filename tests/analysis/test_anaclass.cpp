// The statistics as the windows show them, on a generated database: the category comparison
// window Ana_Class (its controls, pickers, category list, the table and chart of each measure,
// the layout on resize, the menus asked for on a right click) and the routine of every chart
// button, each filling a table view and drawing a chart view.
#include <QComboBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <functional>

#include "analysis/figurescache.h"
#include "analysis/trends.h"
#include "analysis/ui/anaclass.h"
#include "analysis/ui/chartview.h"
#include "charttables.h"
#include "demodata.h"
#include "programfolder_fixture.h"
#include "scriptedprompts.h"
#include "storage/dboperate.h"
#include "tables/ui/gridview.h"

using namespace Qt::StringLiterals;
using namespace lanxi;
using test::InkedPixels;

namespace {

constexpr int kProducts = 40;
constexpr int kDays = 60;

// The visible texts of a table view, a row per line, cells joined by "|".
QStringList Rows(const GridView* view) {
  QStringList rows;
  for (const QStringList& r : view->VisibleTexts()) rows << r.join(u'|');
  return rows;
}

}  // namespace

class AnaClassTest : public QObject {
  Q_OBJECT

 private:
  test::TempProgramFolder* folder_ = nullptr;
  QDate firstDay_;

 private Q_SLOTS:
  void init() {
    folder_ = new test::TempProgramFolder;
    demo::Spec spec;
    spec.products = kProducts;
    spec.days = kDays;
    spec.lastDay = QDate::currentDate().addDays(-1);
    firstDay_ = spec.lastDay.addDays(-(kDays - 1));
    demo::Result result;
    QString error;
    QVERIFY2(demo::GenerateCataloguedDatabase(folder_->file(u"PARA.mdb"_s), spec, &result, &error),
             qPrintable(error));
    CurDBFile = WorkDBFile = result.fileName;
  }
  void cleanup() {
    StatisticsDatabase::Current().Drop();
    delete folder_;
  }

  void comparesTheCategoriesOfTheCurrentDatabase() {
    test::ScriptedPrompts prompts;
    bool created = false;
    QPointer<Ana_Class> w = Ana_Class::Open(
        nullptr, [] { return u"示例数据库"_s; }, &created);
    QVERIFY(created);
    QVERIFY(QTest::qWaitForWindowExposed(w));
    QCOMPARE(w->objectName(), u"Ana_Class"_s);
    QCOMPARE(w->windowTitle(), u"产品类别构成分析"_s);
    QCOMPARE(w->findChild<QGroupBox*>(u"Frm"_s)->title(), u"条件设置"_s);
    auto* com = w->findChild<QPushButton*>(u"Com"_s);
    QCOMPARE(com->text(), u"数据分析"_s);
    const QStringList measures{u"产品数量"_s,   u"销售数量"_s, u"销售金额"_s, u"平均定价"_s,
                               u"平均促销价"_s, u"促销幅度"_s, u"促销频度"_s, u"销量增幅"_s};
    for (int i = 0; i < 8; ++i)
      QCOMPARE(w->findChild<QRadioButton*>(u"Op_"_s + QString::number(i))->text(), measures[i]);
    auto* cmb = w->findChild<QComboBox*>(u"Cmb"_s);
    QCOMPARE(cmb->count(), 10);
    auto* from = w->findChild<QDateEdit*>(u"DT_0"_s);
    auto* to = w->findChild<QDateEdit*>(u"DT_1"_s);
    QCOMPARE(from->date(), firstDay_);
    QCOMPARE(from->minimumDate(), firstDay_);
    QCOMPARE(to->date(), QDate::currentDate());
    auto* msf = w->findChild<GridView*>(u"MSF"_s);
    auto* pic = w->findChild<ChartView*>(u"Pic"_s);
    QVERIFY(msf && pic);

    // 产品数量: every product once, under the category name the list shows.
    QTest::mouseClick(com, Qt::LeftButton);
    QStringList rows = Rows(msf);
    QVERIFY(rows.size() >= 3);
    QCOMPARE(rows[0], cmb->currentText() + u"|产品数"_s);
    int products = 0;
    for (qsizetype r = 1; r < rows.size(); ++r) products += rows[r].section(u'|', 1).toInt();
    QCOMPARE(products, kProducts);
    QCOMPARE(msf->grid()->Tag(),
             u"淘宝产品类别构成分析（产品数）\r\n(示例数据库)\r\n"
             u"[数据来源：淘宝；数据分析：澜析销量跟踪软件]"_s);
    QTRY_VERIFY(InkedPixels(pic->grab().toImage()) > 2000);

    // 促销幅度: two series, the average discount ascending.
    w->findChild<QRadioButton*>(u"Op_5"_s)->setChecked(true);
    QCOMPARE(w->ChosenOption(), 5);
    QTest::mouseClick(com, Qt::LeftButton);
    rows = Rows(msf);
    QCOMPARE(rows[0], cmb->currentText() + u"|最大折扣|平均折扣"_s);
    QVERIFY(rows.size() >= 3);
    double before = 0;
    for (qsizetype r = 1; r < rows.size(); ++r) {
      const double smallest = rows[r].section(u'|', 1, 1).toDouble();
      const double average = rows[r].section(u'|', 2, 2).toDouble();
      QVERIFY(smallest > 0 && smallest <= average && average <= 1);
      QVERIFY(average >= before);
      before = average;
    }
    QTRY_VERIFY(InkedPixels(pic->grab().toImage()) > 2000);

    // The layout rule: the table 4215 twips wide from (120, 1320), the chart beside it.
    w->resize(900, 600);
    QTRY_COMPARE(msf->geometry(), QRect(8, 88, 281, 600 - 88 - 40));
    QCOMPARE(pic->geometry(), QRect(289, 88, 900 - 289 - 14, 600 - 88 - 40));
    QCOMPARE(w->findChild<QGroupBox*>(u"Frm"_s)->geometry().width(), 900 - 16 - 6);
    QTRY_COMPARE(pic->Image().size(), pic->size());

    // A right click asks the main window for its menus.
    QSignalSpy tableMenu(w.data(), &Ana_Class::TableMenuRequested);
    QSignalSpy pictureMenu(w.data(), &Ana_Class::PictureMenuRequested);
    QTest::mouseClick(msf->viewport(), Qt::RightButton, {}, QPoint(40, 40));
    QCOMPARE(tableMenu.size(), 1);
    QCOMPARE(tableMenu[0][0].value<Grid*>(), msf->grid());
    QCOMPARE(tableMenu[0][1].toPoint(), msf->viewport()->mapToGlobal(QPoint(40, 40)));
    QTest::mouseClick(pic, Qt::RightButton, {}, QPoint(50, 60));
    QCOMPARE(pictureMenu.size(), 1);
    QCOMPARE(pictureMenu[0][0].value<ChartView*>(), pic);

    // One window: opening it again shows the same one.
    QCOMPARE(Ana_Class::Open(nullptr, {}, &created), w.data());
    QVERIFY(!created);
    w->close();
    QTRY_VERIFY(w.isNull());
  }

  void everyChartButtonFillsItsTableAndDrawsItsChart() {
    test::ScriptedPrompts prompts;
    QWidget page;
    page.resize(1100, 600);
    auto* view = new GridView(&page);
    view->setGeometry(0, 0, 300, 600);
    auto* chart = new ChartView(&page);
    chart->setGeometry(300, 0, 800, 600);
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    Grid& table = *view->grid();
    ChartPicture& pic = chart->picture();

    const QString ids = u"1,2,3"_s;
    QStringList names;
    for (int id = 1; id <= 3; ++id)
      names << LookupValue(u"Product"_s, id, u"ID"_s, u"Name"_s, CurDBFile).toString();
    const QString chosen = names.join(u"\r\n"_s), three = u"日期|"_s + names.join(u'|');
    using Statistic = std::function<void(QDate&, QDate&)>;
    const std::pair<QString, Statistic> buttons[] = {
        {u"日期|总销量|平均定价|平均促销价"_s,
         [&](QDate& a, QDate& b) { CategorySalesPriceTrend(table, pic, a, b, {}, u"库"_s); }},
        {u"日期|定价"_s,
         [&](QDate& a, QDate& b) { CategoryPriceTrend(table, pic, a, b, {}, 2, u"库"_s); }},
        {u"日期|销售额"_s,
         [&](QDate& a, QDate& b) { CategorySalesTrend(table, pic, a, b, {}, 1, u"库"_s); }},
        {u"日期|库存量"_s,
         [&](QDate& a, QDate& b) { CategoryStockTrend(table, pic, a, b, {}, 0, u"库"_s); }},
        {u"日期|销量|定价|促销价"_s,
         [&](QDate& a, QDate& b) { ProductSalesPriceTrend(table, pic, a, b, u"所有产品"_s); }},
        {three, [&](QDate& a, QDate& b) { ProductPriceTrend(table, pic, a, b, ids, chosen, 1); }},
        {three, [&](QDate& a, QDate& b) { ProductSalesTrend(table, pic, a, b, ids, chosen, 0); }},
        {three, [&](QDate& a, QDate& b) { ProductStockTrend(table, pic, a, b, ids, chosen, 1); }},
    };
    for (const auto& [header, statistic] : buttons) {
      pic.Cls();
      QDate from = firstDay_, to = QDate::currentDate();
      statistic(from, to);
      const QStringList shown = Rows(view);
      QCOMPARE(shown.size(), 1 + kDays);
      QCOMPARE(shown[0], header);
      QTRY_VERIFY2(InkedPixels(chart->grab().toImage()) > 5000, qPrintable(header));
    }
    QVERIFY(StatisticsDatabase::Current().HoldsFigures());
  }
};

QTEST_MAIN(AnaClassTest)
#include "test_anaclass.moc"
