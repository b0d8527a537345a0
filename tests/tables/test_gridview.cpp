// The grid widget: scrolling keeps the fixed parts in place, hidden rows and columns take no
// room, selection by mouse and keyboard, colours on screen, and the table menu's export.
#include <QAction>
#include <QApplication>
#include <QFile>
#include <QMenu>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "mainwindow/ui/popmenu.h"
#include "programfolder_fixture.h"
#include "scriptedprompts.h"
#include "tables/gridoperate.h"
#include "tables/ui/gridview.h"

using namespace Qt::StringLiterals;
using namespace lanxi;

class GridViewTest : public QObject {
  Q_OBJECT

  std::unique_ptr<GridView> view;

  // 200 records of 12 columns: hidden ID, serial number, ten text columns; cells 80 × 20 px.
  static void Fill(Grid& g) {
    QStringList fields{u"ID"_s, QString()}, titles{u"ID"_s, u"序号"_s};
    for (int c = 0; c < 10; ++c) fields << u"F%1"_s.arg(c), titles << u"列%1"_s.arg(c);
    SetupGridColumns(g, fields, titles);
    g.SetVisible(false);
    g.SetRows(202);
    for (int r = 2; r < g.Rows(); ++r) {
      g.SetTextMatrix(r, 0, QString::number(r * 10));
      g.SetTextMatrix(r, 1, QString::number(r - 1));
      for (int c = 2; c < g.Cols(); ++c) g.SetTextMatrix(r, c, u"格%1-%2"_s.arg(r).arg(c));
    }
    g.SetVisible(true);
    for (int c = 0; c < g.Cols(); ++c) g.SetColWidth(c, c == 0 ? 0 : 1200);
    for (int r = 1; r < g.Rows(); ++r) g.SetRowHeight(r, 300);
  }

  // The view's client point of a cell's centre.
  QPoint Centre(int row, int col) const { return view->cellRect(row, col).center(); }

 private slots:
  void init() {
    view = std::make_unique<GridView>();
    view->resize(500, 300);
    Fill(*view->grid());
    view->show();
    QVERIFY(QTest::qWaitForWindowExposed(view.get()));
  }
  void cleanup() { view.reset(); }

  void scrollingKeepsTheFixedPartsAndHidesEmptyOnes() {
    Grid& g = *view->grid();
    const QRect title = view->cellRect(1, 3), serial = view->cellRect(2, 1);
    QCOMPARE(view->cellRect(0, 3), QRect());   // row 0 has no height
    QCOMPARE(view->cellRect(2, 0), QRect());   // neither has column 0 its width
    QCOMPARE(serial.left(), 0);                // so column 1 starts at the left edge
    QCOMPARE(view->cellRect(2, 2).top(), 20);  // the first record right below the titles

    QSignalSpy scrolled(view.get(), &GridView::scrolled);
    view->verticalScrollBar()->setValue(10);
    view->horizontalScrollBar()->setValue(3);
    QCOMPARE(QPoint(g.LeftCol(), g.TopRow()), QPoint(5, 12));
    QVERIFY(scrolled.count() >= 1);
    QCOMPARE(view->cellRect(1, 5).left(), serial.right() + 1);  // next to the fixed column
    QCOMPARE(view->cellRect(12, 1).top(), 20);
    QCOMPARE(view->cellRect(2, 2), QRect());  // scrolled out
    QCOMPARE(view->cellRect(1, 5).size(), title.size());

    g.SetTopRow(50);  // the program scrolls: the bar follows
    QCOMPARE(view->verticalScrollBar()->value(), 48);
    g.SetRowHeight(51, 0);
    QCOMPARE(view->cellRect(51, 5), QRect());
    QCOMPARE(view->cellRect(52, 5).top(), view->cellRect(50, 5).bottom() + 1);

    // The bars end where the last row and column are in view.
    view->verticalScrollBar()->setValue(view->verticalScrollBar()->maximum());
    view->horizontalScrollBar()->setValue(view->horizontalScrollBar()->maximum());
    const QRect last = view->cellRect(g.Rows() - 1, g.Cols() - 1);
    QVERIFY(!last.isEmpty() && last.bottom() < view->viewport()->height());

    // A grid shown for a while and then destroyed leaves the view with its own.
    auto* other = new Grid;
    Fill(*other);
    view->setGrid(other);
    QCOMPARE(view->grid(), other);
    delete other;
    QCOMPARE(view->grid(), &g);
    view->viewport()->repaint();
  }

  void paintedCellsAreWhereTheTableRoutinesFindThem() {
    Grid& g = *view->grid();
    for (int c = 1; c < g.Cols(); ++c) g.SetColWidth(c, 1000 + 7 * c);  // not whole pixels
    g.SetRowHeight(3, 293);
    g.SetLeftCol(4);
    for (int x = 0; x < view->viewport()->width(); ++x) {
      for (int y : {5, 30, 45, 59}) {
        const GridCell cell = CellAtPoint(g, x * Grid::kTwipsPerPixel, y * Grid::kTwipsPerPixel);
        QVERIFY2(cell.col < 0 || view->cellRect(cell.row, cell.col).contains(x, y),
                 qPrintable(u"%1,%2"_s.arg(x).arg(y)));
      }
    }
  }

  void mouseAndKeyboardSelectBlocks() {
    Grid& g = *view->grid();
    const auto selection = [&] { return QList<int>{g.Row(), g.Col(), g.RowSel(), g.ColSel()}; };
    QSignalSpy entered(view.get(), &GridView::enteredCell),
        pressed(view.get(), &GridView::mousePressed), clicked(view.get(), &GridView::clicked);
    QWidget* port = view->viewport();

    const QPoint from = Centre(3, 2), to = Centre(6, 4);
    QTest::mousePress(port, Qt::LeftButton, {}, from);
    QMouseEvent move(QEvent::MouseMove, to, port->mapToGlobal(to), Qt::NoButton, Qt::LeftButton,
                     {});
    QApplication::sendEvent(port, &move);
    QTest::mouseRelease(port, Qt::LeftButton, {}, to);
    QCOMPARE(selection(), QList<int>({3, 2, 6, 4}));
    QCOMPARE(QList<int>({int(entered.count()), int(clicked.count()), int(pressed.count())}),
             QList<int>({1, 1, 1}));
    QCOMPARE(pressed[0][0].value<Qt::MouseButton>(), Qt::LeftButton);
    // The position, in twips, maps back to the cell with the table routines.
    QCOMPARE(QPoint(pressed[0][2].toInt(), pressed[0][3].toInt()), from * 15);
    const GridCell cell = CellAtPoint(g, pressed[0][2].toInt(), pressed[0][3].toInt());
    QCOMPARE(QPoint(cell.col, cell.row), QPoint(2, 3));

    // A press on the serial numbers selects whole rows; a right press changes nothing.
    QTest::mouseClick(port, Qt::LeftButton, {}, Centre(8, 1));
    QCOMPARE(selection(), QList<int>({8, 2, 8, g.Cols() - 1}));
    QTest::mouseClick(port, Qt::RightButton, {}, Centre(4, 4));
    QCOMPARE(g.Row(), 8);

    QTest::mouseClick(port, Qt::LeftButton, {}, Centre(4, 3));
    view->setFocus();
    QTest::keyClick(view.get(), Qt::Key_Down);
    QTest::keyClick(view.get(), Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(view.get(), Qt::Key_Right, Qt::ShiftModifier);
    QCOMPARE(selection(), QList<int>({5, 3, 6, 4}));
    QTest::keyClick(view.get(), Qt::Key_End, Qt::ControlModifier);
    QCOMPARE(QList<int>({g.Row(), g.RowSel()}), QList<int>({g.Rows() - 1, g.Rows() - 1}));
    QVERIFY(g.TopRow() > 100);  // scrolled to it
    QVERIFY(!view->cellRect(g.Rows() - 1, 3).isEmpty());
    QTest::keyClick(view.get(), Qt::Key_Home, Qt::ControlModifier);
    QCOMPARE(QList<int>({g.Row(), g.TopRow()}), QList<int>({2, 2}));
  }

  void coloursShowOnScreen() {
    Grid& g = *view->grid();
    g.SetCellBackColorAt(4, 6, 0x0000ff);  // 0xBBGGRR: red
    const auto colourAt = [&](int row, int col) {
      const QRect r = view->cellRect(row, col);  // below the text, inside the lines
      return view->viewport()->grab().toImage().pixelColor(r.left() + 1, r.bottom() - 2);
    };
    QCOMPARE(colourAt(4, 6), QColor(255, 0, 0));
    QCOMPARE(colourAt(1, 4), QColor(236, 236, 236));  // titles look like headers
    QCOMPARE(colourAt(5, 1), QColor(236, 236, 236));
    QCOMPARE(colourAt(5, 5), view->palette().color(QPalette::Base));
    g.SetRow(3);
    g.SetCol(3);
    g.SetRowSel(5);
    g.SetColSel(5);
    QCOMPARE(colourAt(5, 5), view->palette().color(QPalette::Highlight));
  }

  void tableMenuExportsTheGridItWasOpenedFor() {
    test::TempProgramFolder folder;
    test::ScriptedPrompts prompts;
    view->setObjectName(u"MSF1_0"_s);
    Grid& g = *view->grid();
    SetupGridColumns(g, {u"ID"_s, QString(), u"Name"_s}, {u"ID"_s, u"序号"_s, u"产品名称"_s});
    g.SetRows(4);
    const QStringList cells{u"7"_s, u"1"_s, u"毛衣,红色"_s, QString(), u"2"_s, u"围巾"_s};
    for (int i = 0; i < cells.size(); ++i) g.SetTextMatrix(2 + i / 3, i % 3, cells[i]);
    AutoFitColumns(g, 1);

    PopMenu pop;
    QCOMPARE(
        QStringList({pop.objectName(), pop.mOutputTable->objectName(), pop.mOutputTable->text()}),
        (QStringList{u"PopMenu"_s, u"mOutputTable"_s, u"导出数据"_s}));
    // What the window does with a press of another button than the left on its grid.
    connect(view.get(), &GridView::mousePressed, &pop,
            [&](Qt::MouseButton button, Qt::KeyboardModifiers, int x, int y) {
              if (button == Qt::LeftButton) return;
              const QPoint at(x / Grid::kTwipsPerPixel, y / Grid::kTwipsPerPixel);
              pop.PopupTableMenu(view->grid(), 0, view->viewport()->mapToGlobal(at));
            });
    const QString path = folder.file(u"表格.csv"_s);
    prompts.files << path;
    bool chose = false;
    QTimer chooser;
    connect(&chooser, &QTimer::timeout, &pop, [&] {
      QMenu* menu = pop.mOutput;
      if (!menu->isVisible() || chose) return;
      chose = true;
      QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(pop.mOutputTable).center());
    });
    chooser.start(20);
    QTest::mouseClick(view->viewport(), Qt::RightButton, {}, Centre(3, 2));
    chooser.stop();
    QVERIFY(chose);
    QCOMPARE(pop.MSFCtl.data(), &g);
    // What a driver of the program reads from the grid by name.
    QCOMPARE(QPoint(view->property("Rows").toInt(), view->property("FixedCols").toInt()),
             QPoint(4, 2));
    QString text;
    QVERIFY(QMetaObject::invokeMethod(view.get(), "TextMatrix", Q_RETURN_ARG(QString, text),
                                      Q_ARG(int, 2), Q_ARG(int, 2)));
    QCOMPARE(text, u"毛衣,红色"_s);
    QCOMPARE(view->VisibleTexts(),
             (QList<QStringList>{
                 {u"序号"_s, u"产品名称"_s}, {u"1"_s, u"毛衣,红色"_s}, {u"2"_s, u"围巾"_s}}));
    QCOMPARE(prompts.fileDialogs.size(), 1);
    QFile f(path);
    QCOMPARE(f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray(),
             "\xEF\xBB\xBF" + u"序号,产品名称\r\n1,\"毛衣,红色\"\r\n2,围巾\r\n"_s.toUtf8());
    QVERIFY(prompts.messages.isEmpty());
  }
};

QTEST_MAIN(GridViewTest)
#include "test_gridview.moc"
