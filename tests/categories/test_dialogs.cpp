// The category naming window and the two selection dialogs, driven by their widgets' names.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>

#include "categories/categorynames.h"
#include "categories/selection.h"
#include "categories/ui/classset.h"
#include "categories/ui/selclass.h"
#include "categories/ui/selproduct.h"
#include "guisession.h"
#include "storage/dboperate.h"
#include "widgetdriver.h"

using namespace Qt::StringLiterals;
using namespace lanxi;
using namespace lanxi::test;

namespace {

void Click(QWidget* w, const QString& name) {
  QTest::mouseClick(Find(w, name), Qt::LeftButton);
}

template <typename W>
W* Shown() {
  auto* w = new W;
  w->show();
  if (!QTest::qWaitForWindowExposed(w)) qWarning() << "not shown";
  return w;
}

}  // namespace

class TestDialogs : public QObject {
  Q_OBJECT

  std::optional<GuiSession> s_;

 private Q_SLOTS:
  void init() {
    s_.emplace();
    CurDBFile = u"data.mdb"_s;
    WorkDBFile = CurDBFile;
    Connection conn;
    QVERIFY(conn.open(DatabasePath(CurDBFile)));
    QVERIFY(conn.exec(
        u"INSERT INTO Product(Name,Shop,C0,C1) VALUES('甲','店1','衬衫','春季'),"
        "('乙','店2','T恤','夏季'),('丙','店3','衬衫',''),('丁''s','店4','风衣','冬季')"_s));
    SelectionText.clear();
    SelectedProductNames.clear();
  }
  void cleanup() { s_.reset(); }

  // The naming window edits only the shown names; OK saves, Escape and Cancel store nothing.
  void classSetRenamesACategoryAndBack() {
    auto* w = Shown<ClassSet>();
    QCOMPARE(w->windowTitle(), u"分类名称设置"_s);
    QCOMPARE(Find<QPushButton>(w, u"Com_0"_s)->text(), u"确  定"_s);
    QCOMPARE(Find<QPushButton>(w, u"Com_1"_s)->text(), u"取  消"_s);
    auto* msf = Find<GridView>(w, u"MSF"_s);
    Grid& g = *msf->grid();
    QCOMPARE(std::tuple(g.Rows(), g.TextMatrix(11, 0), g.TextMatrix(11, 1), g.TextMatrix(1, 2)),
             std::tuple(12, u"10"_s, u"分类10"_s, u"实际显示类别名称"_s));
    ClickCell(msf, 4, 1);  // the internal caption cannot be edited
    QVERIFY(!Find(w, u"T"_s)->isVisible());
    ClickCell(msf, 4, 2);
    auto* t = Find<QLineEdit>(w, u"T"_s);
    t->selectAll();
    Type(t, u"颜色'\"%"_s);
    ClickCell(msf, 2, 2);
    Type(t, u"款式"_s);
    QTest::keyClick(t, Qt::Key_Escape);
    QCOMPARE(std::pair(g.TextMatrix(4, 2), g.TextMatrix(2, 2)),
             std::pair(u"颜色'\"%"_s, u"分类1"_s));
    QSignalSpy saved(w, &ClassSet::NamesSaved);
    Click(w, u"Com_0"_s);
    QCOMPARE(saved.count(), 1);
    QVERIFY(!w->isVisible());
    QCOMPARE(DisplayCategoryNames().mid(0, 3),
             (QStringList{u"分类1"_s, u"分类2"_s, u"颜色'\"%"_s}));

    w = Shown<ClassSet>();
    ClickCell(Find<GridView>(w, u"MSF"_s), 3, 2);
    Type(Find(w, u"T"_s), u"季节"_s);
    Click(w, u"Com_1"_s);
    QCOMPARE(DisplayCategoryNames()[1], u"分类2"_s);
  }

  // The category dialog opens on the previous choice (or "所有") and returns ten fields.
  void selClassOpensPresetAndReturnsTheTenFields() {
    SelectionText = u",夏季,,,,,,,,,"_s;
    auto* w = Shown<SelClass>();
    QCOMPARE(w->windowTitle(), u"类别选择"_s);
    QCOMPARE(Find<QLabel>(w, u"Label4_9"_s)->text(), u"类别10"_s);
    QCOMPARE(Find<QComboBox>(w, u"CB_1"_s)->currentText(), u"夏季"_s);
    auto* cb0 = Find<QComboBox>(w, u"CB_0"_s);
    QStringList items;
    for (int i = 0; i < cb0->count(); ++i) items << cb0->itemText(i);
    QCOMPARE(items, (QStringList{u"T恤"_s, u"衬衫"_s, u"风衣"_s, u"所有"_s}));
    cb0->setCurrentIndex(1);
    Click(w, u"Com_0"_s);
    QCOMPARE(SelectionText, u"衬衫,夏季,,,,,,,,,"_s);

    SelectionText.clear();
    w = Shown<SelClass>();
    QCOMPARE(Find<QComboBox>(w, u"CB_9"_s)->currentText(), u"所有"_s);
    Click(w, u"Com_1"_s);
    QCOMPARE(SelectionText, QString());
  }

  // The product dialog ticks the previous choice; clicks toggle; OK returns ids and names.
  void selProductTicksThePreviousChoiceAndReturnsIdsAndNames() {
    SelectionText = u"3,99"_s;
    auto* w = Shown<SelProduct>();
    QCOMPARE(w->windowTitle(), u"产品选择"_s);
    QCOMPARE(Find<QPushButton>(w, u"Com_0"_s)->text(), u"确   定"_s);
    auto* msf = Find<GridView>(w, u"MSF"_s);
    Grid& g = *msf->grid();
    QCOMPARE(QStringList({g.TextMatrix(1, 2), g.TextMatrix(4, 2), g.TextMatrix(2, 2)}),
             QStringList({u"选择"_s, u"√"_s, QString()}));
    for (int row : {5, 2, 4, 4}) ClickCell(msf, row, 2);
    Click(w, u"Com_0"_s);
    QCOMPARE(SelectionText, u"1,3,4"_s);
    QCOMPARE(SelectedProductNames, u"甲\r\n丙\r\n丁's"_s);
  }
};

QTEST_MAIN(TestDialogs)
#include "test_dialogs.moc"
