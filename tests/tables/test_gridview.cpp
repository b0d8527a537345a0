// The grid widget: scrolling, selection by mouse and keyboard, colours and the table menu.
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
    for (int r = 2; r < g.Rows(); ++r)
      for (int c = 1; c < g.Cols(); ++c) g.SetTextMatrix(r, c, u"格%1-%2"_s.arg(r).arg(c));
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
    const QRect serial = view->cellRect(2, 1);
    QCOMPARE(view->cellRect(0, 3), QRect());  // row 0 has no height
    QCOMPARE(view->cellRect(2, 0), QRect());  // neither has column 0 its width
    QCOMPARE(serial.left(), 0);               // so column 1 starts at the left edge

    QSignalSpy scrolled(view.get(), &GridView::scrolled);
    view->verticalScrollBar()->setValue(10);
    view->horizontalScrollBar()->setValue(3);
    QCOMPARE(QPoint(g.LeftCol(), g.TopRow()), QPoint(5, 12));
    QVERIFY(scrolled.count() >= 1);
    QCOMPARE(view->cellRect(1, 5).left(), serial.right() + 1);  // next to the fixed column
    QCOMPARE(view->cellRect(12, 1).top(), 20);
    QCOMPARE(view->cellRect(2, 2), QRect());  // scrolled out

    g.SetTopRow(50);  // the program scrolls: the bar follows
    QCOMPARE(view->verticalScrollBar()->value(), 48);
    // A grid shown for a while and then destroyed leaves the view with its own.
    auto* other = new Grid;
    Fill(*other);
    view->setGrid(other);
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
    QSignalSpy pressed(view.get(), &GridView::mousePressed),
        clicked(view.get(), &GridView::clicked);
    QWidget* port = view->viewport();

    const QPoint from = Centre(3, 2), to = Centre(6, 4);
    QTest::mousePress(port, Qt::LeftButton, {}, from);
    QMouseEvent move(QEvent::MouseMove, to, port->mapToGlobal(to), Qt::NoButton, Qt::LeftButton,
                     {});
    QApplication::sendEvent(port, &move);
    QTest::mouseRelease(port, Qt::LeftButton, {}, to);
    QCOMPARE(selection(), QList<int>({3, 2, 6, 4}));
    QCOMPARE(QList<int>({int(clicked.count()), int(pressed.count())}), QList<int>({1, 1}));
    QCOMPARE(QPoint(pressed[0][2].toInt(), pressed[0][3].toInt()), from * 15);  // in twips
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
    QVERIFY(!view->cellRect(g.Rows() - 1, 3).isEmpty());  // scrolled to it
  }

  void coloursShowOnScreen() {
    Grid& g = *view->grid();
    g.SetCellBackColorAt(4, 6, 0x0000ff);  // 0xBBGGRR: red
    const auto colourAt = [&](int row, int col) {
      const QRect r = view->cellRect(row, col);  // below the text, inside the lines
      return view->viewport()->grab().toImage().pixelColor(r.left() + 1, r.bottom() - 2);
    };
    QCOMPARE(colourAt(4, 6), QColor(255, 0, 0));
    QCOMPARE(colourAt(5, 1), QColor(236, 236, 236));  // fixed parts look like headers
    QCOMPARE(colourAt(5, 5), view->palette().color(QPalette::Base));
    g.SetRow(3), g.SetCol(3), g.SetRowSel(5), g.SetColSel(5);
    QCOMPARE(colourAt(5, 5), view->palette().color(QPalette::Highlight));
  }

  // The table menu's export writes the cells of the grid it was opened for.
  void tableMenuExportsTheGridItWasOpenedFor() {
    test::TempProgramFolder folder;
    test::ScriptedPrompts prompts;
    Grid& g = *view->grid();
    SetupGridColumns(g, {u"ID"_s, QString(), u"Name"_s}, {u"ID"_s, u"序号"_s, u"产品名称"_s});
    g.SetRows(3);
    g.SetTextMatrix(2, 2, u"围巾"_s);
    // What a driver of the program reads from the grid by name.
    QCOMPARE(view->property("FixedCols").toInt(), 2);
    QString text;
    QVERIFY(QMetaObject::invokeMethod(view.get(), "TextMatrix", Q_RETURN_ARG(QString, text),
                                      Q_ARG(int, 2), Q_ARG(int, 2)));
    QCOMPARE(text, u"围巾"_s);

    PopMenu pop;
    QCOMPARE(pop.mOutputTable->text(), u"导出数据"_s);
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
    pop.PopupTableMenu(&g, 0, view->mapToGlobal(QPoint(20, 20)));
    chooser.stop();
    QVERIFY(chose);
    QCOMPARE(pop.MSFCtl.data(), &g);
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QVERIFY(f.readAll().endsWith(u",围巾\r\n"_s.toUtf8()));
  }
};

QTEST_MAIN(GridViewTest)
#include "test_gridview.moc"
