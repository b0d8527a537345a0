#include "tables/gridoperate.h"

#include <QFontMetrics>
#include <QFontMetricsF>
#include <QHash>
#include <QSet>
#include <cmath>
#include <limits>
#include <vector>

#include "common/progress.h"
#include "common/progresssteps.h"
#include "common/routines.h"
#include "common/userprompts.h"
#include "storage/dboperate.h"

using namespace Qt::StringLiterals;

namespace lanxi {
namespace {

constexpr int kCellBudget = 350000;
constexpr int kProgressAboveRecords = 100;
constexpr int kFitProgressAboveRows = 200;
constexpr int kDeleteProgressAboveRows = 100;
constexpr quint32 kNearBlack = 65793;  // red, green and blue 1: black that is not "default"

const QString kSerialTitle = u"序号"_s;
const QString kMarkUp = u"△"_s;
const QString kMarkDown = u"▽"_s;

// Text widths in a font, in twips. Only the widest text of a column matters, so most texts are
// only estimated from the advances of their characters, and the widest candidates are measured
// exactly; a column of 30,000 cells then costs a few dozen real measurements.
class TextMeasure {
 public:
  explicit TextMeasure(const QFont& font) : exact_(font), chars_(font), advance_(0x10000, -1) {
    // With digits of one width (tabular figures, as in the fonts for Chinese), "12.50" and
    // "98.00" measure the same, so exact measures are shared by texts that differ in digits.
    tabularDigits_ = true;
    for (char16_t d = u'1'; d <= u'9'; ++d)
      tabularDigits_ = tabularDigits_ &&
                       chars_.horizontalAdvance(QChar(d)) == chars_.horizontalAdvance(QChar(u'0'));
  }

  // The exact width of the widest text among `texts`, in twips.
  template <typename Texts>
  int Widest(const Texts& texts) {
    candidates_.clear();
    int widest = 0;   // exact widths measured so far
    double best = 0;  // the least the widest text can measure
    for (QStringView t : texts) {
      if (t.isEmpty()) continue;
      const double estimate = Estimate(t);
      if (estimate < 0) {
        widest = std::max(widest, Exact(t));
        best = std::max(best, double(widest));
        continue;
      }
      if (estimate + Slack(estimate) < best) continue;
      best = std::max(best, estimate - Slack(estimate));
      candidates_.push_back({t, estimate});
    }
    for (const auto& [t, estimate] : candidates_) {
      if (estimate + Slack(estimate) >= best) widest = std::max(widest, Exact(t));
    }
    return widest * Grid::kTwipsPerPixel;
  }

  int Width(QStringView t) { return t.isEmpty() ? 0 : Exact(t) * Grid::kTwipsPerPixel; }

 private:
  // Room for kerning and rounding between the sum of advances and the shaped text.
  static double Slack(double estimate) { return 3.0 + estimate * 0.05; }

  int Exact(QStringView t) {
    QString key = t.toString();
    if (tabularDigits_) {
      for (QChar& ch : key) {
        if (ch >= u'1' && ch <= u'9') ch = u'0';
      }
    }
    auto it = exactCache_.constFind(key);
    if (it == exactCache_.cend()) it = exactCache_.insert(key, exact_.horizontalAdvance(key));
    return *it;
  }

  // The sum of the characters' advances in pixels, or -1 for texts that need real shaping
  // (control characters, combining marks, surrogate pairs, scripts that join letters).
  double Estimate(QStringView t) {
    double sum = 0;
    for (QChar ch : t) {
      const char16_t u = ch.unicode();
      const bool simple = (u >= 0x20 && u < 0x0300) || (u >= 0x2000 && u < 0x206f && u > 0x200f) ||
                          (u >= 0x2100 && u < 0x2bff) || (u >= 0x2e80 && u < 0xa000) ||
                          (u >= 0xac00 && u < 0xd7a4) || (u >= 0xf900 && u < 0xfb00) ||
                          (u >= 0xff00 && u < 0xfff0);
      if (!simple) return -1;
      float& a = advance_[u];
      if (a < 0) a = float(chars_.horizontalAdvance(ch));
      sum += a;
    }
    return sum;
  }

  struct Candidate {
    QStringView text;
    double estimate;
  };
  QFontMetrics exact_;
  QFontMetricsF chars_;
  std::vector<float> advance_;
  std::vector<Candidate> candidates_;
  QHash<QString, int> exactCache_;
  bool tabularDigits_ = false;
};

// The texts of rows [first, last) of one column, as views.
struct ColumnTexts {
  const Grid& grid;
  int col, first, last;
  struct Iter {
    const Grid* grid;
    int col, row;
    QStringView operator*() const { return grid->TextView(row, col); }
    Iter& operator++() {
      ++row;
      return *this;
    }
    bool operator!=(const Iter& o) const { return row != o.row; }
  };
  Iter begin() const { return {&grid, col, first}; }
  Iter end() const { return {&grid, col, std::max(first, last)}; }
};

// What FillGrid writes into a column.
struct ColumnPlan {
  enum Kind { Nothing, Field, Lookup, Serial } kind = Nothing;
  int field = -1;  // index in the recordset
  QString table, keyField, resultField;
};

QString IntegerText(qint64 v, bool twoDigits) {
  if (!twoDigits) return QString::number(v);
  const QString digits = QString::number(v < 0 ? -v : v).rightJustified(2, u'0');
  return v < 0 ? u'-' + digits : digits;
}

void FinishFill(Grid& grid) {
  grid.SetVisible(true);
  CloseProgress();
}

// Removes the rows first … first + count - 1, or, when the grid was rearranged while events
// ran, the rows holding the deleted keys `ids` wherever they are now.
void RemoveDeletedRows(Grid& grid, int first, int count, int idCol, const QStringList& ids) {
  bool unchanged = idCol < 0 || first + count <= grid.Rows();
  for (int i = 0; i < count && unchanged && idCol >= 0; ++i)
    unchanged = grid.TextView(first + i, idCol) == ids[i];
  if (unchanged) {
    grid.RemoveRows(first, count);
    return;
  }
  const QSet<QString> gone(ids.begin(), ids.end());
  const Grid::UpdateBlock block(grid);
  for (int r = grid.Rows() - 1; r >= grid.FixedRows(); --r) {
    if (gone.contains(grid.TextMatrix(r, idCol))) grid.RemoveRows(r, 1);
  }
}

}  // namespace

qint64 RoundHalfEven(double v) {
  const double f = std::floor(v);
  const double diff = v - f;
  if (diff > 0.5) return qint64(f) + 1;
  if (diff < 0.5) return qint64(f);
  return std::fmod(f, 2.0) == 0 ? qint64(f) : qint64(f) + 1;
}

void SetupGridColumns(Grid& grid, const QStringList& fields, const QStringList& titles) {
  if (fields.size() != titles.size() || fields.size() > Grid::kMaxCols) return;
  grid.SetVisible(false);
  // Keeps Rows above FixedRows at every step, whatever the grid held before.
  grid.SetFixedCols(0);
  grid.SetCols(int(fields.size()));
  grid.SetFixedCols(std::min(2, grid.Cols()));
  grid.SetRows(3);
  grid.SetFixedRows(2);
  grid.SetRows(2);
  for (int r = 0; r <= grid.FixedRows() - 2; ++r) grid.SetRowHeight(r, 0);
  for (int c = 0; c < grid.Cols(); ++c) {
    grid.SetTextMatrix(0, c, fields[c]);
    grid.SetTextMatrix(1, c, titles[c]);
    grid.SetColAlignment(c, Grid::kAlignLeftTop);
  }
  grid.SetColAlignment(1, Grid::kAlignLeftBottom);
  grid.SetVisible(true);
}

int GridRowLimit(int cols) {
  if (cols <= 0) return 0;
  return int(RoundHalfEven(double(kCellBudget) / cols - 0.5)) - 2;
}

QString FillGrid(Grid& grid, const QString& condition, const QString& order, bool dateOnly,
                 const QString& statement, const Params& params) {
  grid.SetVisible(false);
  grid.SetRows(2);
  const int cols = grid.Cols();
  if (cols == 0) {
    FinishFill(grid);
    return {};
  }
  const int limit = std::max(0, GridRowLimit(cols));
  QString sql = statement;
  if (sql.isEmpty()) {
    sql = u"SELECT * FROM "_s + QuoteIdentifier(grid.Tag());
    if (!condition.isEmpty()) sql += u" WHERE "_s + condition;
    if (!order.isEmpty()) sql += u" ORDER BY "_s + order;
  }
  if (grid.Tag().isEmpty() || !TableExists(grid.Tag())) {
    FinishFill(grid);
    return {};
  }
  // Only the rows the grid shows are stepped; the total is a count of the same statement,
  // taken in the same read snapshot as the rows.
  Cursor rs;
  if (!OpenCursor(rs, sql, params)) {
    FinishFill(grid);
    return {};
  }
  const qint64 counted = CountRecords(rs);
  if (counted < 0) {
    FinishFill(grid);
    return {};
  }
  const int total = int(std::min<qint64>(counted, std::numeric_limits<int>::max()));
  int shown = total;
  if (total > limit) {
    ShowMessage(u"数据库里共有"_s + QString::number(counted) + u"条记录，表格只能显示"_s +
                QString::number(limit) + u"条记录，因此无法全部显示，请修改筛选条件。"_s);
    shown = limit;
  }
  const QString result = QString::number(shown) + u'/' + QString::number(counted);
  const bool progress = shown > kProgressAboveRecords;
  if (progress) ShowProgress(u"正在读取记录……"_s, shown);

  std::vector<ColumnPlan> plan(cols);
  for (int c = 0; c < cols; ++c) {
    const QString field = grid.TextMatrix(0, c);
    ColumnPlan& p = plan[c];
    if (field.isEmpty()) {
      if (grid.TextView(1, c) == kSerialTitle) p.kind = ColumnPlan::Serial;
      continue;
    }
    const QStringList parts = field.split(u':');
    if (parts.size() == 4) {
      p.kind = ColumnPlan::Lookup;
      p.field = rs.FieldIndex(parts[0]);
      p.table = parts[1];
      p.keyField = parts[2];
      p.resultField = parts[3];
      if (p.field < 0) p.kind = ColumnPlan::Nothing;
    } else {
      p.field = rs.FieldIndex(field);
      if (p.field >= 0) p.kind = ColumnPlan::Field;
      if (p.field >= 0) grid.SetColKind(c, rs.FieldType(p.field));
    }
  }

  // Look-ups repeat their keys (a product's name on each of its days): ask once per key.
  QHash<QString, QString> lookups;
  ProgressSteps steps(shown);
  grid.Reserve(2 + shown);
  for (int i = 0; i < shown && !rs.IsEOF(); ++i) {
    grid.SetRows(grid.Rows() + 1);
    const int r = grid.Rows() - 1;
    for (int c = 0; c < cols; ++c) {
      const ColumnPlan& p = plan[c];
      switch (p.kind) {
        case ColumnPlan::Field:
          SetGridCell(grid, r, c, rs.Field(p.field), dateOnly);
          break;
        case ColumnPlan::Lookup: {
          const Value key = rs.Field(p.field);
          const QString cacheKey = QString::number(c) + u'\x1f' + key.toString();
          auto it = lookups.find(cacheKey);
          if (it == lookups.end()) {
            it = lookups.insert(cacheKey,
                                LookupValue(p.table, key, p.keyField, p.resultField).toString());
          }
          grid.SetTextMatrix(r, c, *it);
          break;
        }
        case ColumnPlan::Serial:
          grid.SetTextMatrix(r, c, QString::number(grid.Rows() - 2));
          break;
        case ColumnPlan::Nothing:
          break;
      }
    }
    rs.MoveNext();
    if (progress) steps.Step();
  }
  rs.Close();  // no read lock is held while the columns are fitted
  if (progress) steps.Flush();
  AutoFitColumns(grid, 1);
  FinishFill(grid);
  return result;
}

void SetGridCell(Grid& grid, int row, int col, const Value& value, bool dateOnly) {
  if (row < 0 || row >= grid.Rows() || col < 0 || col >= grid.Cols()) return;
  const QStringView field = grid.TextView(0, col);
  if (field == u"Cor") {
    if (value.isNull()) return;
    grid.SetRow(row);
    grid.SetCol(col);
    const qint64 v = value.toInt();
    grid.SetCellBackColor(v == 0 ? kNearBlack : quint32(v));
    return;
  }
  if (grid.ColKind(col) == Value::Type::Null) grid.SetColKind(col, value.type());
  switch (value.type()) {
    case Value::Type::Null:
      return;
    case Value::Type::Integer:
    case Value::Type::Double: {
      const bool twoDigits = field.size() == 2 && field.startsWith(u'C');
      grid.SetTextMatrix(row, col,
                         value.type() == Value::Type::Integer
                             ? IntegerText(value.toInt(), twoDigits)
                             : FormatValue(value, dateOnly));
      if (row == grid.FixedRows()) grid.SetColAlignment(col, Grid::kAlignRightBottom);
      return;
    }
    case Value::Type::Text:
      grid.SetTextMatrix(row, col, value.toString());
      return;
    default:
      grid.SetTextMatrix(row, col, FormatValue(value, dateOnly));
      return;
  }
}

void AutoFitColumns(Grid& grid, int firstRow) {
  const bool progress = grid.Rows() > kFitProgressAboveRows;
  if (progress) ShowProgress(u"正在做交易数据表格进行格式设置……"_s, grid.Cols());
  TextMeasure measure(grid.Font());
  int start = std::max(0, firstRow);
  if (grid.Rows() <= grid.FixedRows()) start = 0;
  const int measured = std::max(0, grid.FixedCols() - 1);
  for (int c = 0; c < grid.Cols(); ++c) {
    double w = 0;
    if (c >= measured) {
      w = measure.Widest(ColumnTexts{grid, c, start, grid.Rows()});
      if (grid.FixedRows() >= 1 && w != 0) {
        w = std::max(w, double(measure.Width(grid.TextView(grid.FixedRows() - 1, c))));
      }
      w = w != 0 ? w + 100 : 50;
      if (grid.Width() / 2.0 < w) w = grid.Width() / 2.0;
      w += 20;
    }
    grid.SetColWidth(c, int(RoundHalfEven(w)));
    if (progress) StepProgress();
  }
  if (progress) CloseProgress();
}

void SortOnHeaderClick(Grid& grid, int x, int y) {
  if (y > grid.FixedHeight()) return;
  int sum = grid.FixedWidth();
  if (x <= sum) {
    AutoFitColumns(grid, grid.FixedRows() - 1);
    return;
  }
  for (int c = grid.LeftCol(); c < grid.Cols(); ++c) {
    sum += grid.ColWidth(c);
    if (sum > x) {
      SortByColumn(grid, c);
      return;
    }
  }
}

void SortByColumn(Grid& grid, int col) {
  if (col < 0 || col >= grid.Cols()) return;
  const Grid::UpdateBlock block(grid);
  const bool numeric = grid.ColAlignment(col) >= Grid::kAlignCenterCenter;
  const int titleRow = grid.FixedRows() - 1;
  const QString title = grid.TextMatrix(titleRow, col);
  const bool up = title.endsWith(kMarkUp);
  const int kind = numeric ? (up ? Grid::kSortNumericDescending : Grid::kSortNumericAscending)
                           : (up ? Grid::kSortStringAscending : Grid::kSortStringDescending);
  if (titleRow >= 0) {
    for (int c = 0; c < grid.Cols(); ++c) {
      QString t = grid.TextMatrix(titleRow, c);
      if (t.contains(kMarkUp) || t.contains(kMarkDown)) {
        t.remove(kMarkUp);
        t.remove(kMarkDown);
        grid.SetTextMatrix(titleRow, c, t);
      }
    }
  }
  grid.SetCol(col);
  grid.Sort(kind);
  if (titleRow >= 0) {
    const bool down = kind == Grid::kSortStringAscending || kind == Grid::kSortNumericDescending;
    grid.SetTextMatrix(titleRow, col,
                       grid.TextMatrix(titleRow, col) + (down ? kMarkDown : kMarkUp));
  }
  RenumberRows(grid);
}

void RenumberRows(Grid& grid) {
  const int titleRow = grid.FixedRows() - 1;
  if (titleRow < 0) return;
  for (int c = 0; c <= grid.FixedCols() && c < grid.Cols(); ++c) {
    if (grid.TextView(titleRow, c) != kSerialTitle) continue;
    const Grid::UpdateBlock block(grid);
    for (int r = grid.FixedRows(); r < grid.Rows(); ++r) {
      grid.SetTextMatrix(r, c, QString::number(r - grid.FixedRows() + 1));
    }
    return;
  }
}

bool DeleteGridRows(Grid& grid, int first, int last, bool ask) {
  const int fixed = grid.FixedRows();
  if (grid.Rows() <= fixed) return false;
  OrderPair(first, last);
  first = std::max(first, fixed);
  last = std::min(last, grid.Rows() - 1);
  if (first > last) return false;
  const int count = last - first + 1;
  if (ask && !Prompts().Ask(u"您确定要删除第"_s + QString::number(first - fixed + 1) + u'-' +
                            QString::number(last - fixed + 1) + u"行数据？"_s))
    return false;

  int idCol = -1;
  for (int c = 0; c < grid.Cols() && idCol < 0; ++c) {
    if (grid.TextView(0, c) == u"ID") idCol = c;
  }
  // The keys are taken before the progress window lets events run: a sort started meanwhile
  // must not change which records go.
  QStringList ids;
  if (idCol >= 0) {
    for (int r = first; r <= last; ++r) ids << grid.TextMatrix(r, idCol);
  }
  const bool progress = count > kDeleteProgressAboveRows;
  if (progress) ShowProgress(u"正在删除记录……"_s, count * 2);

  const QString table = grid.Tag();
  if (idCol >= 0 && !table.isEmpty() && !CurDBFile.isEmpty() && TableExists(table, CurDBFile)) {
    Connection conn;
    if (!OpenConnection(conn, CurDBFile)) {
      if (progress) CloseProgress();
      return false;
    }
    // All rows go, or none: the grid keeps showing what the table still holds.
    bool ok = false;
    {
      Transaction tx(conn);
      Statement del(conn, u"DELETE FROM "_s + QuoteIdentifier(table) + u" WHERE ID=?"_s);
      ok = tx.isActive() && del.isValid();
      ProgressSteps steps(count * 2);
      for (int i = 0; i < count && ok; ++i) {
        const QString id = ids[i].trimmed();
        bool numeric = false;
        const qint64 n = id.toLongLong(&numeric);
        del.reset();
        ok = del.bind(1, numeric ? Value(n) : Value(id)) && del.run();
        if (progress) steps.Step();
      }
      if (progress) steps.Flush();
      del = Statement();
      if (ok) ok = tx.commit();
    }
    if (!ok) {
      if (progress) CloseProgress();
      ShowMessage(u"删除记录时出错，数据库和表格中的记录都没有删除！"_s, MessageKind::Warning);
      return false;
    }
  }
  RemoveDeletedRows(grid, first, count, idCol, ids);
  if (progress) {
    StepProgress(count);
    CloseProgress();
  }
  return true;
}

QPoint CellOffset(const Grid& grid, int row, int col) {
  const auto offset = [](int index, int fixed, int first, auto size) {
    int v = 0;
    for (int i = 0; i < std::min(index, fixed); ++i) v += size(i);
    if (index < fixed) return v;
    if (index >= first) {
      for (int i = first; i < index; ++i) v += size(i);
    } else {
      for (int i = index; i < first; ++i) v -= size(i);
    }
    return v;
  };
  return QPoint(
      offset(col, grid.FixedCols(), grid.LeftCol(), [&](int c) { return grid.ColWidth(c); }),
      offset(row, grid.FixedRows(), grid.TopRow(), [&](int r) { return grid.RowHeight(r); }));
}

GridCell CellAtPoint(const Grid& grid, int x, int y) {
  const auto find = [](int pos, int fixed, int first, int count, auto size) {
    if (pos < 0) return -1;
    int sum = 0;
    for (int i = 0; i < std::min(fixed, count); ++i) {
      sum += size(i);
      if (sum > pos) return i;
    }
    for (int i = std::max(first, fixed); i < count; ++i) {
      sum += size(i);
      if (sum > pos) return i;
    }
    return -1;
  };
  GridCell cell;
  cell.col = find(x, grid.FixedCols(), grid.LeftCol(), grid.Cols(),
                  [&](int c) { return grid.ColWidth(c); });
  cell.row = find(y, grid.FixedRows(), grid.TopRow(), grid.Rows(),
                  [&](int r) { return grid.RowHeight(r); });
  return cell;
}

void ToggleCheckColumn(Grid& grid, int checkCol, int x, int y) {
  if (grid.Rows() <= grid.FixedRows() || checkCol < 0 || checkCol >= grid.Cols()) return;
  const int left = CellOffset(grid, grid.FixedRows(), checkCol).x();
  const bool inside = left < x && x < left + grid.ColWidth(checkCol);
  int r1, r2;
  if (y <= grid.FixedHeight()) {
    if (!inside) {
      SortOnHeaderClick(grid, x, y);
      return;
    }
    r1 = grid.FixedRows();
    r2 = grid.Rows() - 1;
  } else {
    r1 = grid.Row();
    r2 = grid.RowSel();
    OrderPair(r1, r2);
    if (r1 == r2 && !inside) return;
    r1 = std::max(r1, grid.FixedRows());
    if (r1 > r2) return;
  }
  const QString mark = grid.TextView(r1, checkCol).isEmpty() ? BoolMark(true) : QString();
  const Grid::UpdateBlock block(grid);
  for (int r = r1; r <= r2; ++r) grid.SetTextMatrix(r, checkCol, mark);
}

}  // namespace lanxi
