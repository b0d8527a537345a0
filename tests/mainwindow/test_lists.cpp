// The product list, the daily figures and their commands as a user drives them on a generated
// database: in-place editing, deleting, automatic categorising, the category names, the
// table menu's "修改分类", the chart pages' selection dialogs and the picture preview.
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

  void openingFillsTheChoicesAndShowsTheCategoryNames() {
    const Grid& g = *list_->grid();
    QCOMPARE(std::tuple(g.Cols(), g.FixedCols(), g.Rows()), std::tuple(20, 5, 2 + kProducts));
    QCOMPARE(g.TextMatrix(2, 0), QString::number(kProducts));  // newest first
    QCOMPARE(g.ColAlignment(8), 4);
    QCOMPARE(g.TextMatrix(1, kC0), u"品类"_s);
    QCOMPARE(g.TextMatrix(1, kC0 + 5), u"分类6"_s);
    auto* cbc = Get<QComboBox>(u"CBC"_s);
    QCOMPARE(Items(cbc).mid(0, 6),
             (QStringList{u"品类"_s, u"季节"_s, u"风格"_s, u"价位"_s, u"面料"_s, u"分类6"_s}));
    for (const QString& name : {u"CPro_0"_s, u"CPro_1"_s}) {
      auto* list = Get<QComboBox>(name);
      QCOMPARE(list->count(), kProducts + 1);
      QCOMPARE(list->currentText(), u"所有产品"_s);
      QVERIFY(list->itemText(0).startsWith(
          QString::number(Count(u"SELECT ID FROM Product ORDER BY Name LIMIT 1"_s)) + u':'));
    }

    // A database without products and names: its titles replace the other's at once; without
    // the table Para the lists stay empty with their titles, and nothing is said.
    demo::Spec empty;
    empty.name = u"空库"_s;
    empty.products = 0;
    demo::Result made;
    QVERIFY(demo::GenerateCataloguedDatabase(s_->folder.file(u"PARA.mdb"_s), empty, &made));
    QVERIFY(ExecuteSQL(u"DELETE FROM Para"_s, {}, nullptr, made.fileName));
    QVERIFY(OpenCatalogued(*w_, empty.name));
    QCOMPARE(cbc->itemText(0), u"分类1"_s);
    QCOMPARE(cbc->currentText(), u"分类1"_s);
    Exec(u"DROP TABLE Para"_s);
    w_->Com_Click(2);
    w_->Com_Click(11);
    QCOMPARE(g.Rows(), 2);
    QCOMPARE(g.TextMatrix(1, kC0), u"分类1"_s);
    const Grid& figures = *Get<GridView>(u"MSF_1"_s)->grid();
    QCOMPARE(figures.Rows(), 2);
    QCOMPARE(figures.TextMatrix(1, 5), u"产品名称"_s);
    QCOMPARE(Items(Get<QComboBox>(u"CPro_1"_s)), QStringList{u"所有产品"_s});
    QCOMPARE(s_->prompts.messages, QStringList());
  }

  void categoryCellsAreEditedWithEnterAndEscape() {
    Grid& g = *list_->grid();
    auto* cmb = Get<QComboBox>(u"CMB"_s);
    const qint64 second = kProducts - 1;
    ClickCell(list_, 2, kC0);
    QVERIFY(cmb->isVisible());
    QCOMPARE(cmb->currentText(), g.TextMatrix(2, kC0));
    QCOMPARE(Items(cmb), CategoryValues(u"C0"_s));
    QCOMPARE(cmb->pos(),
             list_->viewport()->mapTo(cmb->parentWidget(), list_->cellRect(2, kC0).topLeft()));

    // A typed value with Enter: stored exactly, and the drop-down moves one row down.
    const QString value = u"衬衫's \"%_\""_s;
    cmb->lineEdit()->selectAll();
    Type(cmb->lineEdit(), value);
    QTest::keyClick(cmb->lineEdit(), Qt::Key_Return);
    QCOMPARE(g.TextMatrix(2, kC0), value);
    QCOMPARE(Stored(u"C0"_s, kProducts), value);
    QVERIFY(cmb->isVisible());
    QCOMPARE(g.Row(), 3);
    QCOMPARE(w_->Editor()->EditRow, 3);
    QVERIFY(Items(cmb).contains(value));

    // Escape after typing: cell and database stay, the cell is current again.
    const QString before = Stored(u"C0"_s, second);
    Type(cmb->lineEdit(), u"改了"_s);
    QTest::keyClick(cmb->lineEdit(), Qt::Key_Escape);
    QVERIFY(!cmb->isVisible());
    QCOMPARE(g.TextMatrix(3, kC0), before);
    QCOMPARE(Stored(u"C0"_s, second), before);
    QCOMPARE(std::pair(g.Row(), g.Col()), std::pair(3, kC0));

    // Opened and left without a change: nothing is stored, not even the cell's old text.
    ClickCell(list_, 3, kC0);
    Exec(u"UPDATE Product SET C0='别处改的' WHERE ID=?"_s, {Value(second)});
    ClickCell(list_, 4, 5);
    QVERIFY(!cmb->isVisible());
    QCOMPARE(Stored(u"C0"_s, second), u"别处改的"_s);

    // Choosing a listed value, on the last row: stored, and the current cell stays.
    const int last = g.Rows() - 1;
    ClickCell(list_, last, kC0 + 1);
    const QString chosen = g.TextMatrix(2, kC0 + 1);
    cmb->showPopup();
    QAbstractItemView* items = cmb->view();
    const QModelIndex item = items->model()->index(cmb->findText(chosen), 0);
    items->scrollTo(item);
    QTest::mouseClick(items->viewport(), Qt::LeftButton, {}, items->visualRect(item).center());
    QTRY_VERIFY(!items->isVisible());
    QCOMPARE(cmb->currentText(), chosen);
    QTest::keyClick(cmb->lineEdit(), Qt::Key_Enter);
    QVERIFY(!cmb->isVisible());
    QCOMPARE(g.Row(), last);
    QCOMPARE(Stored(u"C1"_s, 1), chosen);
  }

  void aProductIsRenamedInItsNameCell() {
    Grid& g = *list_->grid();
    auto* tt = Get<QLineEdit>(u"TT"_s);
    const auto edit = [&](const QString& typed, Qt::Key key) {
      ClickCell(list_, 2, 5);
      QVERIFY(tt->isVisible());
      QVERIFY(!tt->hasFocus());
      QCOMPARE(tt->text(), g.TextMatrix(2, 5));
      QTest::mouseClick(tt, Qt::LeftButton);
      tt->selectAll();
      Type(tt, typed);
      QTest::keyClick(tt, key);
      QVERIFY(!tt->isVisible());
    };
    edit(u"新'款\"上衣"_s, Qt::Key_Return);  // typed quotes are swallowed
    QCOMPARE(g.TextMatrix(2, 5), u"新款上衣"_s);
    QCOMPARE(Stored(u"Name"_s, kProducts), u"新款上衣"_s);
    edit(u"不要"_s, Qt::Key_Escape);
    QCOMPARE(Stored(u"Name"_s, kProducts), u"新款上衣"_s);

    // Pasted quotes are kept exactly; leaving the box stores it.
    ClickCell(list_, 2, 5);
    tt->setText(u"O'Neil \"100%\""_s);
    QTest::mouseClick(tt, Qt::LeftButton);
    ClickCell(list_, 3, 6);
    QCOMPARE(Stored(u"Name"_s, kProducts), u"O'Neil \"100%\""_s);
    QCOMPARE(g.TextMatrix(2, 5), u"O'Neil \"100%\""_s);
  }

  void deletingABlockAndCategorisingByName() {
    const Grid& g = *list_->grid();
    // Rows 3 and 4 (products 7 and 6), chosen on the serial numbers from the bottom up.
    ClickCell(list_, 4, 4);
    ClickCell(list_, 3, 4, Qt::ShiftModifier);
    s_->prompts.answers << false << true;
    Press(u"Com_1"_s);
    QCOMPARE(s_->prompts.questions.last(), u"您确定要删除第2-3行数据？"_s);
    QCOMPARE(g.Rows(), 2 + kProducts);
    Press(u"Com_1"_s);
    QCOMPARE(g.Rows(), kProducts);
    QCOMPARE(g.TextMatrix(3, 0), u"5"_s);
    QCOMPARE(Get<QComboBox>(u"CPro_1"_s)->count(), kProducts - 1);

    // 设置 fills the chosen category of the products whose name part matches, if empty.
    Exec(u"UPDATE Product SET CName='纯棉衬衣 男', C0='' WHERE ID IN (1,2)"_s);
    Exec(u"UPDATE Product SET CName='真丝衬衣', C0='已有' WHERE ID=3"_s);
    auto* tc0 = Get<QLineEdit>(u"TC_0"_s);
    auto* tc1 = Get<QLineEdit>(u"TC_1"_s);
    QTest::mouseClick(tc0, Qt::LeftButton);
    Type(tc0, u"衬衣"_s);
    QCOMPARE(tc1->text(), u"衬衣"_s);  // the value follows the name part
    tc1->clear();
    Type(tc1, u"衬衫"_s);
    Get<QComboBox>(u"CBC"_s)->setCurrentIndex(0);  // "品类", the field C0
    Press(u"Com_4"_s);
    QCOMPARE((QStringList{Stored(u"C0"_s, 1), Stored(u"C0"_s, 2), Stored(u"C0"_s, 3)}),
             (QStringList{u"衬衫"_s, u"衬衫"_s, u"已有"_s}));
    QCOMPARE(Count(u"SELECT COUNT(*) FROM Product WHERE C1='衬衫'"_s), 0);
    QCOMPARE(g.TextMatrix(g.Rows() - 1, kC0), u"衬衫"_s);  // the list was loaded again
  }

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
    QVERIFY(g.Rows() > 2);
    QCOMPARE(g.Rows() - 2,
             Count(u"SELECT COUNT(*) FROM PInfo WHERE PID=3 AND Dat>=? AND Dat<=?"_s, range));
    for (int r = 2; r < g.Rows(); ++r) {
      QCOMPARE(g.TextMatrix(r, 1), u"3"_s);
      const QDate day = QDate::fromString(g.TextMatrix(r, 6), u"yyyy.MM.dd"_s);
      QVERIFY(day >= from->date() && day <= to->date());
    }

    cpro->setCurrentIndex(cpro->count() - 1);   // "所有产品"
    Exec(u"DELETE FROM Product WHERE ID=5"_s);  // its figures are no longer listed
    Press(u"Com_11"_s);
    QCOMPARE(g.Rows() - 2,
             Count(u"SELECT COUNT(*) FROM PInfo WHERE PID<>5 AND Dat>=? AND Dat<=?"_s, range));
    from->setDate(today);
    to->setDate(today.addDays(-1));  // from after to: nothing
    Press(u"Com_11"_s);
    QCOMPARE(g.Rows(), 2);
  }

  void modifyCategoryOverAMixedBlock() {
    Grid& g = *list_->grid();
    const QString region = g.TextMatrix(3, 7);
    // From 所在地区 of row 4 to 分类2 of row 3, then the table menu's entry.
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
    const auto onBlock = [&] { ClickCell(list_, 3, kC0 + 1, Qt::ShiftModifier, Qt::RightButton); };
    s_->prompts.inputs << std::nullopt << u"  秋季 '新'  "_s;  // cancelled first: nothing happens
    menu(true, onBlock);
    QCOMPARE(s_->prompts.inputPrompts, QStringList{u"请输入分类内容："_s});
    QCOMPARE(g.TextMatrix(3, kC0), Stored(u"C0"_s, kProducts - 1));
    menu(true, onBlock);
    for (int r : {3, 4}) {
      const qint64 id = g.TextMatrix(r, 0).toLongLong();
      QCOMPARE(QStringList({g.TextMatrix(r, kC0), g.TextMatrix(r, kC0 + 1), Stored(u"C0"_s, id),
                            Stored(u"C1"_s, id)}),
               QStringList(4, u"秋季 '新'"_s));
    }
    QCOMPARE(g.TextMatrix(3, 7), region);
    QVERIFY(Stored(u"C0"_s, kProducts) != u"秋季 '新'"_s);

    // The chart pages' tables do not offer it.
    Get<TabControl>(u"SST"_s)->setCurrentIndex(2);
    menu(false, [&] {
      QTest::mouseClick(Get<GridView>(u"MSF1_0"_s)->viewport(), Qt::RightButton, {}, QPoint(5, 5));
    });
  }

  void chartPagesChooseCategoriesAndProductsThroughTheDialogs() {
    auto* clas = Get<QLineEdit>(u"Clas_1"_s);
    clas->setText(u",夏季,,,,,,,,,"_s);
    WhenShown(u"SelClass"_s, [](QWidget* d) {
      QCOMPARE(Find<QComboBox>(d, u"CB_1"_s)->currentText(), u"夏季"_s);
      QCOMPARE(Find<QComboBox>(d, u"CB_2"_s)->currentText(), QString());
      Find<QComboBox>(d, u"CB_0"_s)->setCurrentText(u"T恤"_s);
      QTest::mouseClick(Find(d, u"Com_0"_s), Qt::LeftButton);
    });
    w_->Com_Click(24);
    QCOMPARE(clas->text(), u"T恤,夏季,,,,,,,,,"_s);
    WhenShown(u"SelClass"_s, [](QWidget* d) {
      Find<QComboBox>(d, u"CB_1"_s)->setCurrentText(u"所有"_s);
      QTest::mouseClick(Find(d, u"Com_1"_s), Qt::LeftButton);  // cancelled
    });
    w_->Com_Click(24);
    QCOMPARE(clas->text(), u"T恤,夏季,,,,,,,,,"_s);

    // The product choice of the sales page, as the user reaches it: ticked, shown again,
    // every tick taken off (the choice stays), cancelled (it stays).
    Get<TabControl>(u"SST"_s)->setCurrentIndex(2);
    Get<TabControl>(u"SST1"_s)->setCurrentIndex(2);
    auto* pro = Get<QLineEdit>(u"Pro_2"_s);
    QVERIFY(pro->isVisible());
    const QString names = Stored(u"Name"_s, 2) + u"\r\n"_s + Stored(u"Name"_s, 4);
    const auto choose = [&](QList<int> rows, const QString& button, QStringList shown) {
      WhenShown(u"SelProduct"_s, [=](QWidget* d) {
        QVERIFY(QTest::qWaitForWindowExposed(d));
        auto* msf = Find<GridView>(d, u"MSF"_s);
        for (int r = 0; r < shown.size(); ++r)
          QCOMPARE(msf->grid()->TextMatrix(r + 3, 2), shown[r]);
        for (int r : rows) ClickCell(msf, r, 2);
        QTest::mouseClick(Find(d, button), Qt::LeftButton);
      });
      Press(u"Com_30"_s);
      QCOMPARE(pro->text(), names);
      QCOMPARE(pro->property("Tag").toString(), u"2,4"_s);
    };
    choose({3, 5}, u"Com_0"_s, {});
    choose({3, 5}, u"Com_0"_s, {u"√"_s, QString(), u"√"_s});
    choose({2}, u"Com_1"_s, {});
  }

  void categoryNamesAreRenamedAndBackInTheMainWindow() {
    const Grid& g = *list_->grid();
    auto* cbc = Get<QComboBox>(u"CBC"_s);
    cbc->setCurrentIndex(0);
    const auto rename = [&](const QString& name, const QString& button, const QString& shown) {
      WhenShown(u"ClassSet"_s, [=](QWidget* d) {
        ClickCell(Find<GridView>(d, u"MSF"_s), 2, 2);
        auto* t = Find<QLineEdit>(d, u"T"_s);
        t->selectAll();
        Type(t, name);
        QTest::mouseClick(Find(d, button), Qt::LeftButton);
      });
      Get<QAction>(u"mClassSet"_s)->trigger();
      QTRY_VERIFY(!TopLevel(u"ClassSet"_s));
      QCOMPARE(g.TextMatrix(1, kC0), shown);
      QCOMPARE(cbc->itemText(0), shown);
      QCOMPARE(cbc->currentText(), shown);
    };
    rename(u"款式"_s, u"Com_0"_s, u"款式"_s);
    rename(u"不要"_s, u"Com_1"_s, u"款式"_s);
    rename(u"分类1"_s, u"Com_0"_s, u"分类1"_s);
    QCOMPARE(Count(u"SELECT COUNT(*) FROM Para WHERE Name='分类1'"_s), 0);
  }

  void thePicturePreviewAsksAtMostOnceAndFollowsTheRow() {
    Grid& g = *list_->grid();
    auto* ppic = Get<QLabel>(u"PPic"_s);
    const auto hover = [&](int row) {
      // Two positions: a move to where the mouse already is reports nothing.
      QTest::mouseMove(list_->viewport(), list_->cellRect(row, 5).center() - QPoint(2, 0));
      QTest::mouseMove(list_->viewport(), list_->cellRect(row, 5).center());
      QApplication::processEvents();
    };
    const auto cellIn = [&](int row, bool bottom) {
      const QRect cell = list_->cellRect(row, 5);
      return list_->viewport()->mapTo(ppic->parentWidget(),
                                      bottom ? cell.bottomLeft() : cell.topLeft());
    };
    // Pictures not downloaded yet: one question, then quiet for two hours.
    hover(2);
    hover(3);
    QCOMPARE(s_->prompts.questions, QStringList{u"有图片未下载完整，现在就下载补齐产品图片？"_s});
    QVERIFY(!ppic->isVisible());

    // A picture file shows below its row; a missing one asks about the product information.
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
    QVERIFY(!ppic->pixmap().isNull());
    QVERIFY(qAbs(ppic->y() - cellIn(2, true).y()) <= 3);
    QCOMPARE(s_->prompts.questions.size(), 2);

    // Near the window's bottom the picture goes above the row.
    w_->resize(w_->width(), 420);
    QApplication::processEvents();
    const int lastInView = g.TopRow() + 3;
    Exec(u"UPDATE Product SET Pic=? WHERE ID=?"_s,
         {file, Value(g.TextMatrix(lastInView, 0).toLongLong())});
    g.SetTextMatrix(lastInView, 3, file);
    hover(lastInView);
    QVERIFY(ppic->isVisible());
    QVERIFY(ppic->geometry().bottom() <= cellIn(lastInView, false).y() + 2);

    // Leaving the list hides it; with pictures switched off nothing shows.
    QTest::mouseMove(Get(u"Com_2"_s));
    QTRY_VERIFY(!ppic->isVisible());
    Get<QAction>(u"mForbidProPic"_s)->trigger();
    hover(2);
    QVERIFY(!ppic->isVisible());
  }
};

QTEST_MAIN(TestLists)
#include "test_lists.moc"
