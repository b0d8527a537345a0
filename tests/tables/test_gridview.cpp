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

 private:
  // 200 records of 12 columns: hidden ID, serial number, ten text columns.
  static void Fill(Grid& g) {
    QStringList fields{u"ID"_s, QString()}, titles{u"ID"_s, u"序号"_s};
    for (int c = 0; c < 10; ++c) {
      fields << u"F"_s + QString::number(c);
      titles << u"列"_s + QString::number(c);
    }
    SetupGridColumns(g, fields, titles);
    g.SetVisible(false);
    g.SetRows(202);
    for (int r = 2; r < g.Rows(); ++r) {
      g.SetTextMatrix(r, 0, QString::number(r * 10));
      g.SetTextMatrix(r, 1, QString::number(r - 1));
      for (int c = 2; c < g.Cols(); ++c) g.SetTextMatrix(r, c, u"格%1-%2"_s.arg(r).arg(c));
    }
    g.SetVisible(true);
    for (int c = 0; c < g.Cols(); ++c) g.SetColWidth(c, c == 0 ? 0 : 1200);  // 80 px
    for (int r = 1; r < g.Rows(); ++r) g.SetRowHeight(r, 300);               // 20 px
  }

  // The view's client point of a cell's centre.
  static QPoint Centre(const GridView& v, int row, int col) {
    return v.cellRect(row, col).center();
  }

 private slots:
  void scrollingKeepsTheFixedPartsAndHidesEmptyOnes() {
    GridView view;
    view.resize(500, 300);
    Grid& g = *view.grid();
    Fill(g);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));

    const QRect title = view.cellRect(1, 3);
    const QRect serial = view.cellRect(2, 1);
    QCOMPARE(view.cellRect(0, 3), QRect());   // row 0 has no height
    QCOMPARE(view.cellRect(2, 0), QRect());   // neither has column 0 its width
    QCOMPARE(serial.left(), 0);               // so column 1 starts at the left edge
    QCOMPARE(view.cellRect(2, 2).top(), 20);  // the first record right below the titles

    QSignalSpy scrolled(&view, &GridView::scrolled);
    view.verticalScrollBar()->setValue(10);
    view.horizontalScrollBar()->setValue(3);
    QCOMPARE(g.TopRow(), 12);
    QCOMPARE(g.LeftCol(), 5);
    QVERIFY(scrolled.count() >= 1);
    QCOMPARE(view.cellRect(1, 5).left(), serial.right() + 1);  // next to the fixed column
    QCOMPARE(view.cellRect(12, 1).top(), 20);
    QCOMPARE(view.cellRect(2, 2), QRect());  // scrolled out
    QCOMPARE(view.cellRect(1, 1).topLeft(), QPoint(0, 0));
    QCOMPARE(view.cellRect(1, 5).size(), title.size());

    g.SetTopRow(50);  // the program scrolls: the bar follows
    QCOMPARE(view.verticalScrollBar()->value(), 48);
    g.SetRowHeight(51, 0);
    QCOMPARE(view.cellRect(51, 5), QRect());
    QCOMPARE(view.cellRect(52, 5).top(), view.cellRect(50, 5).bottom() + 1);

    // The bars end where the last row and column are in view.
    view.verticalScrollBar()->setValue(view.verticalScrollBar()->maximum());
    view.horizontalScrollBar()->setValue(view.horizontalScrollBar()->maximum());
    QVERIFY(!view.cellRect(g.Rows() - 1, g.Cols() - 1).isEmpty());
    QVERIFY(view.cellRect(g.Rows() - 1, g.Cols() - 1).bottom() < view.viewport()->height());

    // A grid shown for a while and then destroyed leaves the view with its own.
    auto* other = new Grid;
    Fill(*other);
    view.setGrid(other);
    QCOMPARE(view.grid(), other);
    delete other;
    QCOMPARE(view.grid(), &g);
    view.viewport()->repaint();
  }

  void paintedCellsAreWhereTheTableRoutinesFindThem() {
    GridView view;
    view.resize(600, 300);
    Grid& g = *view.grid();
    Fill(g);
    for (int c = 1; c < g.Cols(); ++c) g.SetColWidth(c, 1000 + 7 * c);  // not whole pixels
    g.SetRowHeight(3, 293);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    g.SetLeftCol(4);
    for (int x = 0; x < view.viewport()->width(); ++x) {
      for (int y : {5, 30, 45, 59}) {
        const GridCell cell = CellAtPoint(g, x * Grid::kTwipsPerPixel, y * Grid::kTwipsPerPixel);
        if (cell.col < 0) continue;
        QVERIFY2(view.cellRect(cell.row, cell.col).contains(x, y),
                 qPrintable(u"%1,%2"_s.arg(x).arg(y)));
      }
    }
  }

  void mouseAndKeyboardSelectBlocks() {
    GridView view;
    view.resize(500, 300);
    Grid& g = *view.grid();
    Fill(g);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QSignalSpy entered(&view, &GridView::enteredCell);
    QSignalSpy pressed(&view, &GridView::mousePressed);
    QSignalSpy clicked(&view, &GridView::clicked);

    const QPoint from = Centre(view, 3, 2), to = Centre(view, 6, 4);
    QTest::mousePress(view.viewport(), Qt::LeftButton, {}, from);
    QMouseEvent move(QEvent::MouseMove, to, view.viewport()->mapToGlobal(to), Qt::NoButton,
                     Qt::LeftButton, {});
    QApplication::sendEvent(view.viewport(), &move);
    QTest::mouseRelease(view.viewport(), Qt::LeftButton, {}, to);
    QCOMPARE(g.Row(), 3);
    QCOMPARE(g.Col(), 2);
    QCOMPARE(g.RowSel(), 6);
    QCOMPARE(g.ColSel(), 4);
    QCOMPARE(entered.count(), 1);
    QCOMPARE(clicked.count(), 1);
    QCOMPARE(pressed.count(), 1);
    QCOMPARE(pressed[0][0].value<Qt::MouseButton>(), Qt::LeftButton);
    QCOMPARE(pressed[0][2].toInt(), from.x() * 15);  // twips
    QCOMPARE(pressed[0][3].toInt(), from.y() * 15);
    // The position maps back to the cell with the table routines.
    const GridCell cell = CellAtPoint(g, pressed[0][2].toInt(), pressed[0][3].toInt());
    QCOMPARE(cell.row, 3);
    QCOMPARE(cell.col, 2);

    // A press on the serial numbers selects whole rows; a right press changes nothing.
    QTest::mousePress(view.viewport(), Qt::LeftButton, {}, Centre(view, 8, 1));
    QTest::mouseRelease(view.viewport(), Qt::LeftButton, {}, Centre(view, 8, 1));
    QCOMPARE(g.Row(), 8);
    QCOMPARE(g.RowSel(), 8);
    QCOMPARE(g.Col(), 2);
    QCOMPARE(g.ColSel(), g.Cols() - 1);
    QTest::mouseClick(view.viewport(), Qt::RightButton, {}, Centre(view, 4, 4));
    QCOMPARE(g.Row(), 8);

    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, Centre(view, 4, 3));
    view.setFocus();
    QTest::keyClick(&view, Qt::Key_Down);
    QCOMPARE(g.Row(), 5);
    QTest::keyClick(&view, Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(&view, Qt::Key_Right, Qt::ShiftModifier);
    QCOMPARE(g.Row(), 5);
    QCOMPARE(g.RowSel(), 6);
    QCOMPARE(g.ColSel(), 4);
    QTest::keyClick(&view, Qt::Key_End, Qt::ControlModifier);
    QCOMPARE(g.Row(), g.Rows() - 1);
    QCOMPARE(g.RowSel(), g.Rows() - 1);
    QVERIFY(g.TopRow() > 100);  // scrolled to it
    QVERIFY(!view.cellRect(g.Rows() - 1, 3).isEmpty());
    QTest::keyClick(&view, Qt::Key_Home, Qt::ControlModifier);
    QCOMPARE(g.Row(), 2);
    QCOMPARE(g.TopRow(), 2);
  }

  void coloursShowOnScreen() {
    GridView view;
    view.resize(500, 300);
    Grid& g = *view.grid();
    Fill(g);
    g.SetCellBackColorAt(4, 6, 0x0000ff);  // 0xBBGGRR: red
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    const QImage shot = view.viewport()->grab().toImage();
    const auto colourAt = [&](int row, int col) {
      const QRect r = view.cellRect(row, col);
      return shot.pixelColor(r.left() + 1, r.bottom() - 2);  // below the text, inside the lines
    };
    QCOMPARE(colourAt(4, 6), QColor(255, 0, 0));
    QCOMPARE(colourAt(1, 4), QColor(236, 236, 236));  // titles look like headers
    QCOMPARE(colourAt(5, 1), QColor(236, 236, 236));
    QCOMPARE(colourAt(5, 5), view.palette().color(QPalette::Base));
    g.SetRow(3);
    g.SetCol(3);
    g.SetRowSel(5);
    g.SetColSel(5);
    const QImage selected = view.viewport()->grab().toImage();
    const QRect r = view.cellRect(5, 5);
    QCOMPARE(selected.pixelColor(r.left() + 1, r.bottom() - 2),
             view.palette().color(QPalette::Highlight));
  }

  void tableMenuExportsTheGridItWasOpenedFor() {
    test::TempProgramFolder folder;
    test::ScriptedPrompts prompts;
    GridView view;
    view.setObjectName(u"MSF1_0"_s);
    view.resize(500, 300);
    Grid& g = *view.grid();
    SetupGridColumns(g, {u"ID"_s, QString(), u"Name"_s}, {u"ID"_s, u"序号"_s, u"产品名称"_s});
    g.SetRows(4);
    g.SetTextMatrix(2, 0, u"7"_s);
    g.SetTextMatrix(2, 1, u"1"_s);
    g.SetTextMatrix(2, 2, u"毛衣,红色"_s);
    g.SetTextMatrix(3, 1, u"2"_s);
    g.SetTextMatrix(3, 2, u"围巾"_s);
    AutoFitColumns(g, 1);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));

    PopMenu pop;
    QCOMPARE(pop.objectName(), u"PopMenu"_s);
    QCOMPARE(pop.mOutputTable->text(), u"导出数据"_s);
    QCOMPARE(pop.mOutputTable->objectName(), u"mOutputTable"_s);
    // What the window does with a press of another button than the left on its grid.
    connect(&view, &GridView::mousePressed, &pop,
            [&](Qt::MouseButton button, Qt::KeyboardModifiers, int x, int y) {
              if (button == Qt::LeftButton) return;
              const QPoint at(x / Grid::kTwipsPerPixel, y / Grid::kTwipsPerPixel);
              pop.PopupTableMenu(view.grid(), 0, view.viewport()->mapToGlobal(at));
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
    QTest::mouseClick(view.viewport(), Qt::RightButton, {}, Centre(view, 3, 2));
    chooser.stop();
    QVERIFY(chose);
    QCOMPARE(pop.MSFCtl.data(), &g);
    // What a driver of the program reads from the grid by name.
    QCOMPARE(view.property("Rows").toInt(), 4);
    QCOMPARE(view.property("FixedCols").toInt(), 2);
    QString text;
    QVERIFY(QMetaObject::invokeMethod(&view, "TextMatrix", Q_RETURN_ARG(QString, text),
                                      Q_ARG(int, 2), Q_ARG(int, 2)));
    QCOMPARE(text, u"毛衣,红色"_s);
    QCOMPARE(view.VisibleTexts(),
             (QList<QStringList>{
                 {u"序号"_s, u"产品名称"_s}, {u"1"_s, u"毛衣,红色"_s}, {u"2"_s, u"围巾"_s}}));
    QCOMPARE(prompts.fileDialogs.size(), 1);
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(),
             "\xEF\xBB\xBF" + u"序号,产品名称\r\n1,\"毛衣,红色\"\r\n2,围巾\r\n"_s.toUtf8());
    QVERIFY(prompts.messages.isEmpty());
  }
};

QTEST_MAIN(GridViewTest)
#include "test_gridview.moc"
