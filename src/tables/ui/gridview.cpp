#include "tables/ui/gridview.h"

#include "tables/gridoperate.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <vector>

namespace lanxi {
namespace {

const QColor kFixedBack(236, 236, 236);
const QColor kFixedLine(160, 160, 160);
const QColor kCellLine(208, 208, 208);
constexpr int kPadding = 3;

// A row or column in view: its index, where it starts and how long it is (pixels).
struct Span {
  int index, start, length;
};

QColor FromBgr(quint32 bgr) {
  return QColor(int(bgr & 0xff), int((bgr >> 8) & 0xff), int((bgr >> 16) & 0xff));
}

Qt::Alignment TextAlignment(int code, QStringView text) {
  if (code == Grid::kAlignGeneral) {
    bool number = false;
    const double value = text.trimmed().toDouble(&number);
    Q_UNUSED(value);
    return (number ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter;
  }
  Qt::Alignment a;
  switch (code / 3) {
    case 0:
      a = Qt::AlignLeft;
      break;
    case 1:
      a = Qt::AlignHCenter;
      break;
    default:
      a = Qt::AlignRight;
      break;
  }
  switch (code % 3) {
    case 0:
      a |= Qt::AlignTop;
      break;
    case 1:
      a |= Qt::AlignVCenter;
      break;
    default:
      a |= Qt::AlignBottom;
      break;
  }
  return a;
}

// The first pixel at or after a position in twips. A cell covers the pixels whose twip
// position falls inside it, so the view and CellAtPoint always agree on the cell under a point.
int PixelAt(int twips) {
  return twips >= 0 ? (twips + Grid::kTwipsPerPixel - 1) / Grid::kTwipsPerPixel
                    : -(-twips / Grid::kTwipsPerPixel);
}

// The rows (or columns) in view along one axis: the fixed ones, then from `first` on until
// `extent` pixels are filled. Those that cover no pixel are left out. `size` is in twips.
template <typename Size>
std::vector<Span> SpansInView(int fixed, int first, int count, int extent, Size size) {
  std::vector<Span> spans;
  int pos = 0;  // twips
  const auto add = [&](int i) {
    const int start = PixelAt(pos), end = PixelAt(pos + size(i));
    if (end > start) spans.push_back({i, start, end - start});
    pos += size(i);
  };
  for (int i = 0; i < std::min(fixed, count) && PixelAt(pos) < extent; ++i) add(i);
  for (int i = std::max(first, fixed); i < count && PixelAt(pos) < extent; ++i) add(i);
  return spans;
}

}  // namespace

GridView::GridView(QWidget* parent) : QAbstractScrollArea(parent) {
  own_ = new Grid(this);
  setGrid(nullptr);
  setFocusPolicy(Qt::StrongFocus);
  viewport()->setMouseTracking(true);
  viewport()->setAutoFillBackground(false);
  horizontalScrollBar()->setSingleStep(1);
  verticalScrollBar()->setSingleStep(1);
}

GridView::~GridView() {
  disconnect(changedConnection_);
  disconnect(destroyedConnection_);
}

void GridView::setGrid(Grid* grid) {
  disconnect(changedConnection_);
  disconnect(destroyedConnection_);
  grid_ = grid ? grid : own_;
  changedConnection_ = connect(grid_.data(), &Grid::changed, this, &GridView::gridChanged);
  // A grid that goes away leaves the view showing its own, empty one.
  if (grid_ != own_) {
    destroyedConnection_ =
        connect(grid_.data(), &QObject::destroyed, this, [this] { setGrid(nullptr); });
  }
  syncSize();
  gridChanged();
}

QList<QStringList> GridView::VisibleTexts() const {
  QList<QStringList> rows;
  const Grid& g = *grid_;
  for (int r = 0; r < g.Rows(); ++r) {
    if (g.RowHeight(r) < 1) continue;
    QStringList texts;
    for (int c = 0; c < g.Cols(); ++c) {
      if (g.ColWidth(c) >= 1) texts << g.TextMatrix(r, c);
    }
    rows << texts;
  }
  return rows;
}

QSize GridView::sizeHint() const {
  return QSize(480, 320);
}

void GridView::gridChanged() {
  syncScrollBars();
  viewport()->update();
}

void GridView::syncSize() {
  if (!grid_) return;
  grid_->SetWidth(width() * Grid::kTwipsPerPixel);
  grid_->SetHeight(height() * Grid::kTwipsPerPixel);
}

int GridView::maxTopRow() const {
  const Grid& g = *grid_;
  const int avail = viewport()->height() * Grid::kTwipsPerPixel - g.FixedHeight();
  int sum = 0, top = g.Rows();
  for (int r = g.Rows() - 1; r >= g.FixedRows(); --r) {
    sum += g.RowHeight(r);
    if (sum > avail) break;
    top = r;
  }
  return std::max(g.FixedRows(), std::min(top, g.Rows() - 1));
}

int GridView::maxLeftCol() const {
  const Grid& g = *grid_;
  const int avail = viewport()->width() * Grid::kTwipsPerPixel - g.FixedWidth();
  int sum = 0, left = g.Cols();
  for (int c = g.Cols() - 1; c >= g.FixedCols(); --c) {
    sum += g.ColWidth(c);
    if (sum > avail) break;
    left = c;
  }
  return std::max(g.FixedCols(), std::min(left, g.Cols() - 1));
}

void GridView::syncScrollBars() {
  if (!grid_ || syncing_) return;
  syncing_ = true;
  const Grid& g = *grid_;
  const int topMax = std::max(maxTopRow(), g.TopRow()) - g.FixedRows();
  verticalScrollBar()->setRange(0, std::max(0, topMax));
  verticalScrollBar()->setPageStep(std::max(1, rowsPerPage()));
  verticalScrollBar()->setValue(g.TopRow() - g.FixedRows());
  const int leftMax = std::max(maxLeftCol(), g.LeftCol()) - g.FixedCols();
  horizontalScrollBar()->setRange(0, std::max(0, leftMax));
  horizontalScrollBar()->setPageStep(std::max(1, (g.Cols() - g.FixedCols()) / 4));
  horizontalScrollBar()->setValue(g.LeftCol() - g.FixedCols());
  syncing_ = false;
}

int GridView::rowsPerPage() const {
  const Grid& g = *grid_;
  const int avail = viewport()->height() * Grid::kTwipsPerPixel - g.FixedHeight();
  int n = 0, sum = 0;
  for (int r = g.TopRow(); r < g.Rows(); ++r) {
    const int h = g.RowHeight(r);
    if (sum + h > avail) break;
    sum += h;
    if (h > 0) ++n;
  }
  return std::max(1, n);
}

void GridView::scrollContentsBy(int, int) {
  if (!grid_ || syncing_) return;
  syncing_ = true;
  grid_->SetTopRow(grid_->FixedRows() + verticalScrollBar()->value());
  grid_->SetLeftCol(grid_->FixedCols() + horizontalScrollBar()->value());
  syncing_ = false;
  viewport()->update();
  emit scrolled();
}

void GridView::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  syncSize();
  syncScrollBars();
}

QPoint GridView::cellAt(const QPoint& pos) const {
  const GridCell cell =
      CellAtPoint(*grid_, pos.x() * Grid::kTwipsPerPixel, pos.y() * Grid::kTwipsPerPixel);
  return QPoint(cell.col, cell.row);
}

QRect GridView::cellRect(int row, int col) const {
  const Grid& g = *grid_;
  const auto cols = SpansInView(g.FixedCols(), g.LeftCol(), g.Cols(), viewport()->width(),
                                [&](int c) { return g.ColWidth(c); });
  const auto rows = SpansInView(g.FixedRows(), g.TopRow(), g.Rows(), viewport()->height(),
                                [&](int r) { return g.RowHeight(r); });
  const auto x =
      std::find_if(cols.begin(), cols.end(), [&](const Span& s) { return s.index == col; });
  const auto y =
      std::find_if(rows.begin(), rows.end(), [&](const Span& s) { return s.index == row; });
  if (x == cols.end() || y == rows.end()) return {};
  return QRect(x->start, y->start, x->length, y->length);
}

void GridView::ensureVisible(int row, int col) {
  Grid& g = *grid_;
  if (row >= g.FixedRows() && row < g.Rows()) {
    if (row < g.TopRow()) {
      g.SetTopRow(row);
    } else {
      const int avail = viewport()->height() * Grid::kTwipsPerPixel - g.FixedHeight();
      int sum = 0, top = row;
      for (int r = row; r >= g.FixedRows(); --r) {
        sum += g.RowHeight(r);
        if (sum > avail) break;
        top = r;
      }
      if (top > g.TopRow()) g.SetTopRow(top);
    }
  }
  if (col >= g.FixedCols() && col < g.Cols()) {
    if (col < g.LeftCol()) {
      g.SetLeftCol(col);
    } else {
      const int avail = viewport()->width() * Grid::kTwipsPerPixel - g.FixedWidth();
      int sum = 0, left = col;
      for (int c = col; c >= g.FixedCols(); --c) {
        sum += g.ColWidth(c);
        if (sum > avail) break;
        left = c;
      }
      if (left > g.LeftCol()) g.SetLeftCol(left);
    }
  }
}

void GridView::paintEvent(QPaintEvent* event) {
  QPainter p(viewport());
  p.fillRect(event->rect(), palette().base());
  if (!grid_ || !grid_->Visible()) return;
  const Grid& g = *grid_;
  const auto cols = SpansInView(g.FixedCols(), g.LeftCol(), g.Cols(), viewport()->width(),
                                [&](int c) { return g.ColWidth(c); });
  const auto rows = SpansInView(g.FixedRows(), g.TopRow(), g.Rows(), viewport()->height(),
                                [&](int r) { return g.RowHeight(r); });
  const int r1 = std::min(g.Row(), g.RowSel()), r2 = std::max(g.Row(), g.RowSel());
  const int c1 = std::min(g.Col(), g.ColSel()), c2 = std::max(g.Col(), g.ColSel());
  const bool block = r1 != r2 || c1 != c2;
  const QColor highlight = palette().color(QPalette::Highlight);
  const QColor highlightText = palette().color(QPalette::HighlightedText);
  const QColor text = palette().color(QPalette::Text);
  p.setFont(g.Font());
  for (const Span& rs : rows) {
    for (const Span& cs : cols) {
      const QRect cell(cs.start, rs.start, cs.length, rs.length);
      if (!cell.intersects(event->rect())) continue;
      const bool fixed = rs.index < g.FixedRows() || cs.index < g.FixedCols();
      const bool current = rs.index == g.Row() && cs.index == g.Col();
      const bool selected = !fixed && block && !current && rs.index >= r1 && rs.index <= r2 &&
                            cs.index >= c1 && cs.index <= c2;
      const quint32 color = g.CellBackColorAt(rs.index, cs.index);
      QColor back = fixed ? kFixedBack : palette().color(QPalette::Base);
      if (color != 0) back = FromBgr(color);
      if (selected) back = highlight;
      p.fillRect(cell, back);
      p.setPen(fixed ? kFixedLine : kCellLine);
      p.drawLine(cell.topRight(), cell.bottomRight());
      p.drawLine(cell.bottomLeft(), cell.bottomRight());
      const QStringView t = g.TextView(rs.index, cs.index);
      if (!t.isEmpty()) {
        p.setPen(selected ? highlightText : text);
        const QRect inner = cell.adjusted(kPadding, 1, -kPadding - 1, -2);
        p.drawText(inner, int(TextAlignment(g.ColAlignment(cs.index), t) | Qt::TextSingleLine),
                   t.toString());
      }
      if (current && !fixed && hasFocus()) {
        QPen pen(text, 1, Qt::DotLine);
        p.setPen(pen);
        p.drawRect(cell.adjusted(1, 1, -2, -2));
      }
    }
  }
}

void GridView::moveCurrent(int row, int col, bool extend) {
  Grid& g = *grid_;
  row = std::clamp(row, g.FixedRows(), g.Rows() - 1);
  col = std::clamp(col, g.FixedCols(), g.Cols() - 1);
  if (row < g.FixedRows() || col < g.FixedCols()) return;
  if (extend) {
    selectTo(row, col);
    ensureVisible(row, col);
    return;
  }
  const bool moved = row != g.Row() || col != g.Col();
  g.SetRow(row);
  g.SetCol(col);
  ensureVisible(row, col);
  if (moved) emit enteredCell();
}

void GridView::selectTo(int row, int col) {
  Grid& g = *grid_;
  g.SetRowSel(std::clamp(row, g.FixedRows(), g.Rows() - 1));
  g.SetColSel(std::clamp(col, g.FixedCols(), g.Cols() - 1));
}

void GridView::mousePressEvent(QMouseEvent* event) {
  const QPoint pos = event->position().toPoint();
  pressedInside_ = true;
  if (event->button() == Qt::LeftButton && grid_) {
    Grid& g = *grid_;
    const QPoint cell = cellAt(pos);
    const int row = cell.y(), col = cell.x();
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    if (row >= g.FixedRows() && col >= g.FixedCols()) {
      moveCurrent(row, col, shift);
      dragging_ = true;
      dragRows_ = false;
    } else if (row >= g.FixedRows() && col >= 0 && g.FixedCols() < g.Cols()) {
      // A fixed column (the serial numbers): whole rows.
      if (shift) {
        g.SetRowSel(row);
      } else {
        const bool moved = row != g.Row() || g.Col() != g.FixedCols();
        g.SetRow(row);
        g.SetCol(g.FixedCols());
        g.SetRowSel(row);
        if (moved) emit enteredCell();
      }
      g.SetColSel(g.Cols() - 1);
      dragging_ = true;
      dragRows_ = true;
    }
  }
  emit mousePressed(event->button(), event->modifiers(), pos.x() * Grid::kTwipsPerPixel,
                    pos.y() * Grid::kTwipsPerPixel);
}

void GridView::mouseMoveEvent(QMouseEvent* event) {
  const QPoint pos = event->position().toPoint();
  if (dragging_ && grid_ && (event->buttons() & Qt::LeftButton)) {
    Grid& g = *grid_;
    const QPoint cell = cellAt(pos);
    int row = cell.y() < 0 ? g.Rows() - 1 : cell.y();
    int col = cell.x() < 0 ? g.Cols() - 1 : cell.x();
    // Past an edge of the scrolling part: one more row or column that way, scrolled in.
    if (pos.y() >= viewport()->height()) row = g.RowSel() + 1;
    if (pos.y() < px(g.FixedHeight())) row = g.RowSel() - 1;
    if (pos.x() >= viewport()->width()) col = g.ColSel() + 1;
    if (pos.x() < px(g.FixedWidth())) col = g.ColSel() - 1;
    if (dragRows_) {
      g.SetRowSel(std::clamp(row, g.FixedRows(), g.Rows() - 1));
    } else {
      selectTo(row, col);
    }
    ensureVisible(g.RowSel(), dragRows_ ? -1 : g.ColSel());
  }
  emit mouseMoved(event->buttons(), event->modifiers(), pos.x() * Grid::kTwipsPerPixel,
                  pos.y() * Grid::kTwipsPerPixel);
}

void GridView::mouseReleaseEvent(QMouseEvent* event) {
  const QPoint pos = event->position().toPoint();
  dragging_ = false;
  const bool click = pressedInside_ && event->button() == Qt::LeftButton;
  pressedInside_ = false;
  emit mouseReleased(event->button(), event->modifiers(), pos.x() * Grid::kTwipsPerPixel,
                     pos.y() * Grid::kTwipsPerPixel);
  if (click) emit clicked();
}

void GridView::mouseDoubleClickEvent(QMouseEvent* event) {
  // The second press of a double click is no new press: no mousePressed, and its release
  // is no click.
  pressedInside_ = false;
  if (event->button() == Qt::LeftButton) emit doubleClicked();
}

void GridView::keyPressEvent(QKeyEvent* event) {
  emit keyPressed(event->key(), event->modifiers(), event->text());
  if (!grid_) return;
  Grid& g = *grid_;
  if (g.Rows() <= g.FixedRows() || g.Cols() <= g.FixedCols()) {
    QAbstractScrollArea::keyPressEvent(event);
    return;
  }
  const bool extend = event->modifiers() & Qt::ShiftModifier;
  const bool ctrl = event->modifiers() & Qt::ControlModifier;
  const int row = extend ? g.RowSel() : g.Row();
  const int col = extend ? g.ColSel() : g.Col();
  // The next row or column in a direction that takes room; stays put at the end.
  const auto step = [](int from, int dir, int lo, int hi, auto size) {
    for (int i = from + dir; i >= lo && i <= hi; i += dir) {
      if (size(i) > 0) return i;
    }
    return from;
  };
  const auto rowSize = [&](int r) { return g.RowHeight(r); };
  const auto colSize = [&](int c) { return g.ColWidth(c); };
  const int lastRow = g.Rows() - 1, lastCol = g.Cols() - 1;
  switch (event->key()) {
    case Qt::Key_Up:
      moveCurrent(step(row, -1, g.FixedRows(), lastRow, rowSize), col, extend);
      break;
    case Qt::Key_Down:
      moveCurrent(step(row, 1, g.FixedRows(), lastRow, rowSize), col, extend);
      break;
    case Qt::Key_Left:
      moveCurrent(row, step(col, -1, g.FixedCols(), lastCol, colSize), extend);
      break;
    case Qt::Key_Right:
      moveCurrent(row, step(col, 1, g.FixedCols(), lastCol, colSize), extend);
      break;
    case Qt::Key_PageUp:
      moveCurrent(row - rowsPerPage(), col, extend);
      break;
    case Qt::Key_PageDown:
      moveCurrent(row + rowsPerPage(), col, extend);
      break;
    case Qt::Key_Home:
      if (ctrl) {
        moveCurrent(step(g.FixedRows() - 1, 1, g.FixedRows(), lastRow, rowSize), col, extend);
      } else {
        moveCurrent(row, step(g.FixedCols() - 1, 1, g.FixedCols(), lastCol, colSize), extend);
      }
      break;
    case Qt::Key_End:
      if (ctrl) {
        moveCurrent(step(lastRow + 1, -1, g.FixedRows(), lastRow, rowSize), col, extend);
      } else {
        moveCurrent(row, step(lastCol + 1, -1, g.FixedCols(), lastCol, colSize), extend);
      }
      break;
    default:
      QAbstractScrollArea::keyPressEvent(event);
      return;
  }
  event->accept();
}

void GridView::focusInEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusInEvent(event);
  viewport()->update();
  emit focusEntered();
}

void GridView::focusOutEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusOutEvent(event);
  viewport()->update();
  emit focusLeft();
}

}  // namespace lanxi
