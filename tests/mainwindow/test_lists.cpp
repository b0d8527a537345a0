// The product list, the daily figures and their commands as a user drives them in the main
// window on a generated database.
#include <QAbstractItemView>
#include <QAction>
#include <QComboBox>
#include <QDateEdit>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>

#include "categories/categoryedit.h"
#include "guisession.h"
#include "mainwindow/ui/productlisteditor.h"
#include "mainwindow/ui/tabcontrol.h"
#include "storage/dboperate.h"
#include "widgetdriver.h"

using namespace Qt::StringLiterals;
using namespace lanxi;
using namespace lanxi::test;

namespace {

constexpr int kProducts = 8;
constexpr int kC0 = 9;  // the product list's column of 分类1

QString Stored(const QString& field, qint64 id) {
  return LookupValue(u"Product"_s, Value(id), u"ID"_s, field, CurDBFile).toString();
}

qint64 Count(const QString& sql, const Params& params = {}) {
  Recordset rs;
  OpenRecordset(rs, sql, params, CurDBFile);
  return rs.Field(0).toInt();
}

void Exec(const QString& sql, const Params& params = {}) {
  QVERIFY(ExecuteSQL(sql, params, nullptr, CurDBFile));
}

QStringList Items(QComboBox* list) {
  QStringList items;
  for (int i = 0; i < list->count(); ++i) items << list->itemText(i);
  return items;
}

}  // namespace

class TestLists : public QObject {
  Q_OBJECT

  std::optional<GuiSession> s_;
  MF* w_ = nullptr;
  GridView* list_ = nullptr;

  template <typename T = QWidget>
  T* Get(const QString& name) {
    return Find<T>(w_, name);
  }
  void Press(const QString& button) { QTest::mouseClick(Get(button), Qt::LeftButton); }

 private Q_SLOTS:
  void init() {
    s_.emplace();
    QVERIFY((w_ = s_->Open(u"女装"_s, kProducts, 10)));
    list_ = Get<GridView>(u"MSF_0"_s);
  }
  void cleanup() { s_.reset(); }

  // Opening fills the list newest first under the category names, and both product choices.
  void openingFillsTheChoicesAndShowsTheCategoryNames() {
    const Grid& g = *list_->grid();
    QCOMPARE(std::tuple(g.Cols(), g.FixedCols(), g.Rows()), std::tuple(20, 5, 2 + kProducts));
    QCOMPARE(g.TextMatrix(2, 0), QString::number(kProducts));
    QCOMPARE(g.TextMatrix(1, kC0), u"品类"_s);
    QCOMPARE(Items(Get<QComboBox>(u"CBC"_s)).mid(0, 6),
             (QStringList{u"品类"_s, u"季节"_s, u"风格"_s, u"价位"_s, u"面料"_s, u"分类6"_s}));
    for (const QString& name : {u"CPro_0"_s, u"CPro_1"_s}) {
      auto* list = Get<QComboBox>(name);
      QCOMPARE(list->count(), kProducts + 1);
      QCOMPARE(list->currentText(), u"所有产品"_s);
    }
  }

  // The category drop-down: Enter stores exactly and moves down, Escape and leaving unchanged
  // store nothing.
  void categoryCellsAreEditedWithEnterAndEscape() {
    Grid& g = *list_->grid();
    auto* cmb = Get<QComboBox>(u"CMB"_s);
    const qint64 second = kProducts - 1;
    ClickCell(list_, 2, kC0);
    QVERIFY(cmb->isVisible());
    QCOMPARE(cmb->currentText(), g.TextMatrix(2, kC0));
    QCOMPARE(Items(cmb), CategoryValues(u"C0"_s));

    const QString value = u"衬衫's \"%_\""_s;
    cmb->lineEdit()->selectAll();
    Type(cmb->lineEdit(), value);
    QTest::keyClick(cmb->lineEdit(), Qt::Key_Return);
    QCOMPARE(g.TextMatrix(2, kC0), value);
    QCOMPARE(Stored(u"C0"_s, kProducts), value);
    QVERIFY(cmb->isVisible());
    QCOMPARE(std::pair(g.Row(), w_->Editor()->EditRow), std::pair(3, 3));

    const QString before = Stored(u"C0"_s, second);
    Type(cmb->lineEdit(), u"改了"_s);
    QTest::keyClick(cmb->lineEdit(), Qt::Key_Escape);
    QVERIFY(!cmb->isVisible());
    QCOMPARE(g.TextMatrix(3, kC0), before);
    QCOMPARE(Stored(u"C0"_s, second), before);

    // Opened and left without a change: not even the cell's old text is written back.
    ClickCell(list_, 3, kC0);
    Exec(u"UPDATE Product SET C0='别处改的' WHERE ID=?"_s, {Value(second)});
    ClickCell(list_, 4, 5);
    QVERIFY(!cmb->isVisible());
    QCOMPARE(Stored(u"C0"_s, second), u"别处改的"_s);
  }

  // The name cell: typed quotes are swallowed, Escape keeps the name, pasted quotes are kept.
  void aProductIsRenamedInItsNameCell() {
    Grid& g = *list_->grid();
    auto* tt = Get<QLineEdit>(u"TT"_s);
    const auto edit = [&](const QString& typed, Qt::Key key) {
      ClickCell(list_, 2, 5);
      QVERIFY(tt->isVisible());
      QTest::mouseClick(tt, Qt::LeftButton);
      tt->selectAll();
      Type(tt, typed);
      QTest::keyClick(tt, key);
      QVERIFY(!tt->isVisible());
    };
    edit(u"新'款\"上衣"_s, Qt::Key_Return);
    QCOMPARE(g.TextMatrix(2, 5), u"新款上衣"_s);
    QCOMPARE(Stored(u"Name"_s, kProducts), u"新款上衣"_s);
    edit(u"不要"_s, Qt::Key_Escape);
    QCOMPARE(Stored(u"Name"_s, kProducts), u"新款上衣"_s);

    ClickCell(list_, 2, 5);
    tt->setText(u"O'Neil \"100%\""_s);
    QTest::mouseClick(tt, Qt::LeftButton);
    ClickCell(list_, 3, 6);  // leaving the box stores it
    QCOMPARE(Stored(u"Name"_s, kProducts), u"O'Neil \"100%\""_s);
  }

  // Deleting reloads the list and the product choice; 设置 fills the category CBC names.
  void deletingABlockAndCategorisingByName() {
    const Grid& g = *list_->grid();
    ClickCell(list_, 4, 4);
    ClickCell(list_, 3, 4, Qt::ShiftModifier);
    s_->prompts.answers << true;
    Press(u"Com_1"_s);
    QCOMPARE(g.Rows(), kProducts);
    QCOMPARE(g.TextMatrix(3, 0), u"5"_s);
    QCOMPARE(Get<QComboBox>(u"CPro_1"_s)->count(), kProducts - 1);

    Exec(u"UPDATE Product SET CName='纯棉衬衣 男', C0='' WHERE ID=1"_s);
    auto* tc0 = Get<QLineEdit>(u"TC_0"_s);
    auto* tc1 = Get<QLineEdit>(u"TC_1"_s);
    QTest::mouseClick(tc0, Qt::LeftButton);
    Type(tc0, u"衬衣"_s);
    QCOMPARE(tc1->text(), u"衬衣"_s);  // the value follows the name part
    tc1->clear();
    Type(tc1, u"衬衫"_s);
    Get<QComboBox>(u"CBC"_s)->setCurrentIndex(0);  // "品类", the field C0
    Press(u"Com_4"_s);
    QCOMPARE(Stored(u"C0"_s, 1), u"衬衫"_s);
    QCOMPARE(g.TextMatrix(g.Rows() - 1, kC0), u"衬衫"_s);  // the list was loaded again
  }

  // Figures of one product or of all, within the picked days; reversed days give none.
  void dailyFiguresOfOneProductAndOfAllInARange() {
    auto* cpro = Get<QComboBox>(u"CPro_1"_s);
    auto* from = Get<QDateEdit>(u"DTP_0"_s);
    auto* to = Get<QDateEdit>(u"DTP_1"_s);
    const Grid& g = *Get<GridView>(u"MSF_1"_s)->grid();
    const QDate today = QDate::currentDate();
    from->setDate(today.addDays(-4));
    to->setDate(today.addDays(-2));
    const Params range{Value(today.addDays(-4)), Value(today.addDays(-2))};
    cpro->setCurrentIndex(cpro->findText(u"3:"_s, Qt::MatchStartsWith));
    Press(u"Com_11"_s);
    QCOMPARE(g.Rows() - 2,
             Count(u"SELECT COUNT(*) FROM PInfo WHERE PID=3 AND Dat>=? AND Dat<=?"_s, range));
    for (int r = 2; r < g.Rows(); ++r) QCOMPARE(g.TextMatrix(r, 1), u"3"_s);

    cpro->setCurrentIndex(cpro->count() - 1);   // "所有产品"
    Exec(u"DELETE FROM Product WHERE ID=5"_s);  // its figures are no longer listed
    Press(u"Com_11"_s);
    QCOMPARE(g.Rows() - 2,
             Count(u"SELECT COUNT(*) FROM PInfo WHERE PID<>5 AND Dat>=? AND Dat<=?"_s, range));
    from->setDate(today);
    to->setDate(today.addDays(-1));
    Press(u"Com_11"_s);
    QCOMPARE(g.Rows(), 2);
  }

  // "修改分类" is offered on the product list only and stores the trimmed answer over the block.
  void modifyCategoryOverAMixedBlock() {
    Grid& g = *list_->grid();
    ClickCell(list_, 4, 7);
    ClickCell(list_, 3, kC0 + 1, Qt::ShiftModifier);
    const auto menu = [&](bool offered, const std::function<void()>& rightClick) {
      WhenShown(u"mOutput"_s, [offered](QWidget* w) {
        auto* menu = static_cast<QMenu*>(w);
        auto* entry = menu->findChild<QAction*>(u"mModiStr"_s);
        QCOMPARE(entry->text(), u"修改分类"_s);
        QCOMPARE(entry->isVisible(), offered);
        if (offered) menu->setActiveAction(entry);
        QTest::keyClick(menu, offered ? Qt::Key_Return : Qt::Key_Escape);
      });
      rightClick();
    };
    s_->prompts.inputs << u"  秋季 '新'  "_s;
    menu(true, [&] { ClickCell(list_, 3, kC0 + 1, Qt::ShiftModifier, Qt::RightButton); });
    QCOMPARE(s_->prompts.inputPrompts, QStringList{u"请输入分类内容："_s});
    for (int r : {3, 4}) {
      const qint64 id = g.TextMatrix(r, 0).toLongLong();
      QCOMPARE(QStringList({g.TextMatrix(r, kC0), g.TextMatrix(r, kC0 + 1), Stored(u"C1"_s, id)}),
               QStringList(3, u"秋季 '新'"_s));
    }
    Get<TabControl>(u"SST"_s)->setCurrentIndex(2);
    menu(false, [&] {
      QTest::mouseClick(Get<GridView>(u"MSF1_0"_s)->viewport(), Qt::RightButton, {}, QPoint(5, 5));
    });
  }

  // The preview asks once about missing downloads, shows a file below its row, asks about a
  // missing file, and shows nothing with pictures switched off.
  void thePicturePreviewAsksAtMostOnceAndFollowsTheRow() {
    Grid& g = *list_->grid();
    auto* ppic = Get<QLabel>(u"PPic"_s);
    const auto hover = [&](int row) {
      // Two positions: a move to where the mouse already is reports nothing.
      QTest::mouseMove(list_->viewport(), list_->cellRect(row, 5).center() - QPoint(2, 0));
      QTest::mouseMove(list_->viewport(), list_->cellRect(row, 5).center());
      QApplication::processEvents();
    };
    hover(2);
    hover(3);
    QCOMPARE(s_->prompts.questions, QStringList{u"有图片未下载完整，现在就下载补齐产品图片？"_s});
    QVERIFY(!ppic->isVisible());

    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(Qt::red);
    const QString file = s_->folder.file(u"Img00001.png"_s);
    QVERIFY(image.save(file));
    Exec(u"UPDATE Product SET Pic=? WHERE ID=?"_s, {file, Value(kProducts)});
    Exec(u"UPDATE Product SET Pic=? WHERE ID=?"_s,
         {s_->folder.file(u"gone.jpg"_s), Value(kProducts - 1)});
    Exec(u"UPDATE Product SET Url=''"_s);  // the re-reading it starts has no page to load
    w_->Com_Click(2);
    s_->prompts.answers << true;
    hover(3);
    QCOMPARE(s_->prompts.questions.last(), u"有产品图片信息缺失，现在就更新产品信息？"_s);
    QCOMPARE(std::pair(g.Row(), g.RowSel()), std::pair(2, g.Rows() - 1));  // every product
    hover(2);
    QVERIFY(ppic->isVisible());
    QVERIFY(qAbs(ppic->y() - list_->viewport()
                                 ->mapTo(ppic->parentWidget(), list_->cellRect(2, 5).bottomLeft())
                                 .y()) <= 3);

    QTest::mouseMove(Get(u"Com_2"_s));
    QTRY_VERIFY(!ppic->isVisible());
    Get<QAction>(u"mForbidProPic"_s)->trigger();
    hover(2);
    QVERIFY(!ppic->isVisible());
  }
};

QTEST_MAIN(TestLists)
#include "test_lists.moc"
