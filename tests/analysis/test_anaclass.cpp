// The category comparison window on a generated database: controls, a measure, layout, menus.
#include <QComboBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>

#include "analysis/figurescache.h"
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
using test::Inked;

class AnaClassTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void comparesTheCategoriesOfTheCurrentDatabase() {
    test::TempProgramFolder folder;
    test::ScriptedPrompts prompts;
    demo::Spec spec;
    spec.products = 40;
    spec.days = 60;
    spec.lastDay = QDate::currentDate().addDays(-1);
    const QDate firstDay = spec.lastDay.addDays(-59);
    demo::Result result;
    QString error;
    QVERIFY2(demo::GenerateCataloguedDatabase(folder.file(u"PARA.mdb"_s), spec, &result, &error),
             qPrintable(error));
    CurDBFile = WorkDBFile = result.fileName;
    QPointer<Ana_Class> w = Ana_Class::Open(nullptr, [] { return u"示例数据库"_s; });
    QVERIFY(QTest::qWaitForWindowExposed(w));
    auto* com = w->findChild<QPushButton*>(u"Com"_s);
    QCOMPARE(std::pair(w->findChild<QGroupBox*>(u"Frm"_s)->title(), com->text()),
             std::pair(u"条件设置"_s, u"数据分析"_s));
    const QStringList measures{u"产品数量"_s,   u"销售数量"_s, u"销售金额"_s, u"平均定价"_s,
                               u"平均促销价"_s, u"促销幅度"_s, u"促销频度"_s, u"销量增幅"_s};
    for (int i = 0; i < 8; ++i)
      QCOMPARE(w->findChild<QRadioButton*>(u"Op_"_s + QString::number(i))->text(), measures[i]);
    auto* cmb = w->findChild<QComboBox*>(u"Cmb"_s);
    // The pickers span the database's days.
    auto* from = w->findChild<QDateEdit*>(u"DT_0"_s);
    QCOMPARE(std::pair(from->date(), from->minimumDate()), std::pair(firstDay, firstDay));
    QCOMPARE(w->findChild<QDateEdit*>(u"DT_1"_s)->date(), QDate::currentDate());
    auto* msf = w->findChild<GridView*>(u"MSF"_s);
    auto* pic = w->findChild<ChartView*>(u"Pic"_s);

    // 产品数量: every product once, under the category name the list shows.
    QTest::mouseClick(com, Qt::LeftButton);
    const auto rows = msf->VisibleTexts();
    QCOMPARE(rows[0].join(u'|'), cmb->currentText() + u"|产品数"_s);
    int products = 0;
    for (qsizetype r = 1; r < rows.size(); ++r) products += rows[r].value(1).toInt();
    QCOMPARE(products, 40);
    QVERIFY(msf->grid()->Tag().contains(u"(示例数据库)"_s));
    QTRY_VERIFY(Inked(pic->grab().toImage()).width() > pic->width() / 2);

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
    QTest::mouseClick(pic, Qt::RightButton, {}, QPoint(50, 60));
    QCOMPARE(std::pair(tableMenu.size(), pictureMenu.size()),
             std::pair(qsizetype(1), qsizetype(1)));
    QCOMPARE(tableMenu[0][1].toPoint(), msf->viewport()->mapToGlobal(QPoint(40, 40)));
    QCOMPARE(std::pair(tableMenu[0][0].value<Grid*>(), pictureMenu[0][0].value<ChartView*>()),
             std::pair(msf->grid(), pic));

    w->close();
    QTRY_VERIFY(w.isNull());
    StatisticsDatabase::Current().Drop();
  }
};

QTEST_MAIN(AnaClassTest)
#include "test_anaclass.moc"
