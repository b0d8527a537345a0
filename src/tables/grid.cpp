#include "tables/grid.h"

#include <QFontMetrics>
#include <algorithm>
#include <cmath>
#include <numeric>

using namespace Qt::StringLiterals;

namespace lanxi {
namespace {

// The row height a font needs: its line height and a little air, in twips.
int RowHeightForFont(const QFont& font) {
  return (QFontMetrics(font).height() + 4) * Grid::kTwipsPerPixel;
}

}  // namespace

Grid::Grid(QObject* parent) : QObject(parent), font_(u"Noto Sans CJK SC"_s, 9) {
  defaultRowHeight_ = RowHeightForFont(font_);
  cols_.resize(2);
  rows_.push_back(NewRow());
  rows_.push_back(NewRow());
}

Grid::~Grid() = default;

Grid::RowData Grid::NewRow() const {
  RowData r;
  r.ends.assign(cols_.size(), 0);
  return r;
}

QStringView Grid::CellOf(const RowData& row, int col) {
  const quint32 start = col == 0 ? 0 : row.ends[col - 1];
  return QStringView(row.text).mid(start, row.ends[col] - start);
}

void Grid::SetCellOf(RowData& row, int col, QStringView text) {
  const quint32 start = col == 0 ? 0 : row.ends[col - 1];
  const quint32 length = row.ends[col] - start;
  const qsizetype delta = text.size() - qsizetype(length);
  if (delta == 0 && length == 0) return;
  if (start == quint32(row.text.size())) {
    row.text.append(text);  // the usual case while a row is filled from left to right
  } else {
    row.text.replace(start, length, text.data(), text.size());
  }
  if (delta != 0) {
    for (size_t c = col; c < row.ends.size(); ++c) row.ends[c] = quint32(row.ends[c] + delta);
  }
}

void Grid::SetRows(int n) {
  if (n < fixedRows_) return;
  if (n == fixedRows_) {
    for (ColData& c : cols_) c.kind = Value::Type::Null;
  }
  if (n == Rows()) return;
  if (n < Rows()) {
    rows_.resize(n);
  } else {
    rows_.reserve(n);
    while (Rows() < n) rows_.push_back(NewRow());
  }
  ClampPositions();
  Touch();
}

void Grid::SetCols(int n) {
  if (n < fixedCols_ || n > kMaxCols || n == Cols()) return;
  const int old = Cols();
  cols_.resize(n);
  for (RowData& r : rows_) {
    if (n < old) {
      r.text.truncate(n == 0 ? 0 : r.ends[n - 1]);
      r.ends.resize(n);
    } else {
      r.ends.resize(n, old == 0 ? 0 : r.ends[old - 1]);
    }
    if (!r.colors.empty()) r.colors.resize(n, 0);
  }
  ClampPositions();
  Touch();
}

void Grid::SetFixedRows(int n) {
  if (n < 0 || n > Rows()) return;
  fixedRows_ = n;
  ClampPositions();
  Touch();
}

void Grid::SetFixedCols(int n) {
  if (n < 0 || n > Cols()) return;
  fixedCols_ = n;
  ClampPositions();
  Touch();
}

void Grid::Reserve(int rows) {
  if (rows > 0) rows_.reserve(rows);
}

QStringView Grid::TextView(int row, int col) const {
  if (row < 0 || row >= Rows() || col < 0 || col >= Cols()) return {};
  return CellOf(rows_[row], col);
}

void Grid::SetTextMatrix(int row, int col, QStringView text) {
  if (row < 0 || row >= Rows() || col < 0 || col >= Cols()) return;
  RowData& r = rows_[row];
  const QChar* base = r.text.constData();
  if (!text.isEmpty() && text.data() >= base && text.data() < base + r.text.size()) {
    SetCellOf(r, col, text.toString());  // a text of this very row: copy it first
  } else {
    SetCellOf(r, col, text);
  }
  Touch();
}

int Grid::RowHeight(int row) const {
  if (row < 0 || row >= Rows()) return 0;
  const int h = rows_[row].height;
  return h < 0 ? defaultRowHeight_ : h;
}

void Grid::SetRowHeight(int row, int twips) {
  if (row < 0 || row >= Rows()) return;
  rows_[row].height = twips < 0 ? -1 : twips;
  Touch();
}

int Grid::ColWidth(int col) const {
  if (col < 0 || col >= Cols()) return 0;
  const int w = cols_[col].width;
  return w < 0 ? kDefaultColWidth : w;
}

void Grid::SetColWidth(int col, int twips) {
  if (col < 0 || col >= Cols()) return;
  cols_[col].width = twips < 0 ? -1 : twips;
  Touch();
}

int Grid::ColAlignment(int col) const {
  if (col < 0 || col >= Cols()) return kAlignLeftTop;
  return cols_[col].alignment;
}

void Grid::SetColAlignment(int col, int code) {
  if (col < 0 || col >= Cols() || code < 0 || code > kAlignGeneral) return;
  cols_[col].alignment = code;
  Touch();
}

Value::Type Grid::ColKind(int col) const {
  if (col < 0 || col >= Cols()) return Value::Type::Null;
  return cols_[col].kind;
}

void Grid::SetColKind(int col, Value::Type kind) {
  if (col < 0 || col >= Cols()) return;
  cols_[col].kind = kind;
}

void Grid::SetRow(int row) {
  if (row < 0 || row >= Rows()) return;
  row_ = rowSel_ = row;
  Touch();
}

void Grid::SetCol(int col) {
  if (col < 0 || col >= Cols()) return;
  col_ = colSel_ = col;
  Touch();
}

void Grid::SetRowSel(int row) {
  if (row < 0 || row >= Rows()) return;
  rowSel_ = row;
  Touch();
}

void Grid::SetColSel(int col) {
  if (col < 0 || col >= Cols()) return;
  colSel_ = col;
  Touch();
}

void Grid::SetTopRow(int row) {
  if (row < 0 || row >= Rows()) return;
  topRow_ = std::max(row, fixedRows_);
  ClampPositions();
  Touch();
}

void Grid::SetLeftCol(int col) {
  if (col < 0 || col >= Cols()) return;
  leftCol_ = std::max(col, fixedCols_);
  ClampPositions();
  Touch();
}

quint32 Grid::CellBackColorAt(int row, int col) const {
  if (row < 0 || row >= Rows() || col < 0 || col >= Cols()) return 0;
  const RowData& r = rows_[row];
  return r.colors.empty() ? 0 : r.colors[col];
}

void Grid::SetCellBackColorAt(int row, int col, quint32 bgr) {
  if (row < 0 || row >= Rows() || col < 0 || col >= Cols()) return;
  RowData& r = rows_[row];
  if (r.colors.empty()) {
    if (bgr == 0) return;
    r.colors.assign(cols_.size(), 0);
  }
  r.colors[col] = bgr;
  Touch();
}

void Grid::SetFontSize(double points) {
  if (!(points > 0) || points > 400) return;
  font_.setPointSizeF(points);
  defaultRowHeight_ = RowHeightForFont(font_);
  Touch();
}

void Grid::SetVisible(bool visible) {
  if (visible_ == visible) return;
  visible_ = visible;
  Touch();
}

void Grid::Sort(int kind) {
  const bool numeric = kind == kSortNumericAscending || kind == kSortNumericDescending;
  const bool text = kind == kSortStringAscending || kind == kSortStringDescending;
  if (!numeric && !text) return;
  const int first = fixedRows_;
  const int n = Rows() - first;
  if (n < 2 || Cols() == 0) return;
  const int c1 = std::min(col_, colSel_), c2 = std::max(col_, colSel_);
  const int keys = c2 - c1 + 1;
  const bool descending = kind == kSortNumericDescending || kind == kSortStringDescending;

  std::vector<int> order(n);
  std::iota(order.begin(), order.end(), 0);
  if (numeric) {
    // NaN marks a text that is not a number.
    std::vector<double> values(size_t(n) * keys);
    for (int i = 0; i < n; ++i) {
      for (int k = 0; k < keys; ++k) {
        bool ok = false;
        const double v = CellOf(rows_[first + i], c1 + k).trimmed().toDouble(&ok);
        values[size_t(i) * keys + k] = ok ? v : std::nan("");
      }
    }
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
      for (int k = 0; k < keys; ++k) {
        const double x = values[size_t(a) * keys + k], y = values[size_t(b) * keys + k];
        const bool nx = std::isnan(x), ny = std::isnan(y);
        if (nx || ny) {
          if (nx != ny) return ny;  // numbers first
          continue;
        }
        if (x != y) return descending ? x > y : x < y;
      }
      return false;
    });
  } else {
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
      for (int k = 0; k < keys; ++k) {
        const int r = CellOf(rows_[first + a], c1 + k)
                          .compare(CellOf(rows_[first + b], c1 + k), Qt::CaseSensitive);
        if (r != 0) return descending ? r > 0 : r < 0;
      }
      return false;
    });
  }
  std::vector<RowData> sorted;
  sorted.reserve(n);
  for (int i : order) sorted.push_back(std::move(rows_[first + i]));
  std::move(sorted.begin(), sorted.end(), rows_.begin() + first);
  Touch();
}

void Grid::RemoveRows(int first, int count) {
  first = std::max(first, fixedRows_);
  count = std::min(count, Rows() - first);
  if (count <= 0) return;
  rows_.erase(rows_.begin() + first, rows_.begin() + first + count);
  ClampPositions();
  Touch();
}

int Grid::FixedHeight() const {
  int h = 0;
  for (int r = 0; r < fixedRows_; ++r) h += RowHeight(r);
  return h;
}

int Grid::FixedWidth() const {
  int w = 0;
  for (int c = 0; c < fixedCols_; ++c) w += ColWidth(c);
  return w;
}

void Grid::Touch() {
  if (updating_ > 0) {
    touched_ = true;
  } else if (visible_) {
    emit changed();
  }
}

void Grid::EndUpdate() {
  if (updating_ == 0 || --updating_ > 0) return;
  if (touched_) {
    touched_ = false;
    if (visible_) emit changed();
  }
}

void Grid::ClampPositions() {
  const auto clamp = [](int v, int lo, int hi) { return std::max(lo, std::min(v, hi)); };
  const int lastRow = std::max(0, Rows() - 1), lastCol = std::max(0, Cols() - 1);
  row_ = clamp(row_, 0, lastRow);
  rowSel_ = clamp(rowSel_, 0, lastRow);
  col_ = clamp(col_, 0, lastCol);
  colSel_ = clamp(colSel_, 0, lastCol);
  topRow_ = clamp(topRow_, fixedRows_, std::max(fixedRows_, lastRow));
  leftCol_ = clamp(leftCol_, fixedCols_, std::max(fixedCols_, lastCol));
}

}  // namespace lanxi
