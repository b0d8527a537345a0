#include "analysis/drawchart.h"

#include <QFileInfo>
#include <QStringList>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>
#include <vector>

#include "common/programfolder.h"
#include "common/routines.h"
#include "storage/dboperate.h"
#include "storage/schema.h"
#include "storage/settings.h"
#include "tables/gridoperate.h"

using namespace Qt::StringLiterals;

namespace lanxi {
namespace {

// The smallest value of a block before any cell was read.
constexpr double kNoMinimum = 99999999999.0;

constexpr quint32 kBlack = Rgb(0, 0, 0);
constexpr quint32 kRed = Rgb(255, 0, 0);
constexpr quint32 kBlue = Rgb(0, 0, 255);
constexpr quint32 kWatermarkGrey = Rgb(238, 238, 238);
constexpr quint32 kColumnLineGrey = Rgb(208, 208, 208);
constexpr quint32 kRowLineGrey = Rgb(160, 160, 160);

// Font cell heights of the raw text output, in pixels.
constexpr int kAxisLabelPx = 12;
constexpr int kValueLabelPx = 11;
constexpr int kLegendPx = 13;

// A position handed to ChartTextOut: rounded to whole twips, halves to even. Positions that do
// not fit in 32 bits (far outside any picture) are not drawn.
std::optional<int> WholeTwips(double v) {
  if (!(std::abs(v) < 2147483647.0)) return std::nullopt;
  return int(RoundHalfEven(v));
}

void TextAt(ChartSurface& pic, double x, double y, const QString& text, int angle, bool anchored,
            int height) {
  const std::optional<int> tx = WholeTwips(x), ty = WholeTwips(y);
  if (tx && ty) ChartTextOut(pic, *tx, *ty, text, angle, anchored, height, 0);
}

// The plot rectangle of a picture and the horizontal step between data rows.
struct Plot {
  Plot(const ChartSurface& pic, int left, int top, int rightMargin, int bottomMargin, int firstRow,
       int lastRow)
      : L(left), T(top), R(pic.ScaleWidth() - rightMargin), B(pic.ScaleHeight() - bottomMargin) {
    W = R - L;
    H = B - T;
    const int n = lastRow - firstRow;
    dx = n >= 1 ? double(W) / n : double(W);
  }
  int L, T, R, B, W, H;
  double dx;
};

}  // namespace

double CellNumber(QStringView text) {
  const qsizetype n = text.size();
  qsizetype i = 0;
  while (i < n && (text[i] == u' ' || text[i] == u'\t')) ++i;
  const bool minus = i < n && text[i] == u'-';
  if (i < n && (text[i] == u'-' || text[i] == u'+')) ++i;
  const auto digit = [&](qsizetype k) { return k < n && text[k] >= u'0' && text[k] <= u'9'; };
  std::string number = minus ? "-" : "";
  qsizetype digits = 0;
  for (; digit(i); ++i, ++digits) number += char(text[i].unicode());
  if (i < n && text[i] == u'.') {
    number += '.';
    for (++i; digit(i); ++i, ++digits) number += char(text[i].unicode());
  }
  if (digits == 0) return 0;
  if (i < n && (text[i] == u'e' || text[i] == u'E')) {
    qsizetype k = i + 1;
    std::string exponent = "e";
    if (k < n && (text[k] == u'-' || text[k] == u'+')) exponent += char(text[k++].unicode());
    if (digit(k)) {
      for (; digit(k); ++k) exponent += char(text[k].unicode());
      number += exponent;
    }
  }
  double value = 0;
  const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
  if (error != std::errc() || !std::isfinite(value)) return 0;
  return value;
}

QString ChartNumberText(double value) {
  if (value == 0) return u"0"_s;  // never "-0"
  return QString::number(value, 'g', 15);
}

void DrawChart(ChartSurface& pic, const Grid& table) {
  int firstRow = -1, lastRow = -1;
  DrawChart(pic, table, firstRow, lastRow, true);
}

void DrawChart(ChartSurface& pic, const Grid& table, int& firstRow, int& lastRow,
               bool allowSecondAxis) {
  pic.KeepTable(table, firstRow, lastRow, allowSecondAxis);
  pic.Cls();
  if (table.Rows() < 2 || table.Cols() < 2) return;
  if (firstRow == -1) firstRow = table.FixedRows();
  if (lastRow == -1) lastRow = table.Rows() - 1;
  if (lastRow > table.Rows() - 1) lastRow = table.Rows() - 1;

  double mx = 0, mn = kNoMinimum;
  int second = 0;
  for (int c = table.FixedCols(); c < table.Cols(); ++c) {
    double m = 0;
    const double v = GridMaxMin(table, c, c, firstRow, lastRow, m);
    if (c != table.FixedCols()) {
      if (mx == 0 || (allowSecondAxis && (v / mx > 10 || v / mx < 0.1))) {
        second = c;
        break;
      }
    }
    if (v > mx) mx = v;
    if (m < mn) mn = m;
  }
  const bool negative = mn < 0;
  // The axis runs from -top to top when values fall below zero; it reaches the deepest value
  // as well as the highest, so no point lies outside the plot.
  if (negative && -mn > mx) mx = -mn;
  mx = mx * 1.1;
  DrawWatermark(pic);
  mx = DrawAxes(pic, table, mx, kChartLeft, kChartTop, kChartRightMargin, kChartBottomMargin,
                firstRow, lastRow, negative);
  const double mx2 = DrawSecondAxis(pic, table, kChartLeft, kChartTop, kChartRightMargin,
                                    kChartBottomMargin, firstRow, lastRow, second);
  DrawSeries(pic, table, mx, mx2, kChartLeft, kChartTop, kChartRightMargin, kChartBottomMargin,
             firstRow, lastRow, negative, second);
  DrawLegend(pic, table, kChartLegendWidth);
}

void ChartTextOut(ChartSurface& pic, int x, int y, const QString& text, int angle, bool anchored,
                  int height, int weight) {
  double left = x;
  if (!anchored) left = angle == 0 ? x - pic.TextWidth(text) : x - pic.TextHeight(u"A"_s);
  const std::optional<int> tx = WholeTwips(left);
  if (!tx) return;
  const qint64 px = RoundHalfEven(ChartSurface::ScaleX(*tx));
  const qint64 py = RoundHalfEven(ChartSurface::ScaleY(y));
  pic.TextOut(int(px), int(py), text, height, angle * 10, weight);
}

quint32 SeriesColour(int i, int& n) {
  if (n < i) n = i;
  const double g = n == 0 ? 255 : std::floor(double(i) * 255 / n);
  const int green = int(std::clamp(g, 0.0, 255.0));
  return Rgb(255 - green, green, 255 - green);
}

double GridMaxMin(const Grid& table, int c1, int c2, int r1, int r2, double& minOut) {
  minOut = kNoMinimum;
  double maximum = 0;
  OrderPair(c1, c2);
  OrderPair(r1, r2);
  c1 = std::max(c1, 0), r1 = std::max(r1, 0);
  c2 = std::min(c2, table.Cols() - 1), r2 = std::min(r2, table.Rows() - 1);
  for (int c = c1; c <= c2; ++c) {
    for (int r = r1; r <= r2; ++r) {
      const double v = CellNumber(table.TextView(r, c));
      if (v > maximum) maximum = v;
      if (v < minOut) minOut = v;
    }
  }
  return maximum;
}

QString WatermarkAddress() {
  static QString folder, address;
  const QString now = ProgramFolder();
  if (address.isEmpty() || folder != now) {
    folder = now;
    address = QString::fromUtf16(ParamDefault::WatermarkUrl);
    const QString catalogue = QString::fromUtf16(kCatalogFile);
    if (QFileInfo(ProgramFile(catalogue)).isFile()) {
      const QString stored = LookupWhere(u"参数"_s, u"Var=?"_s, u"Con"_s,
                                         {QString::fromUtf16(ParamKey::WatermarkUrl)}, catalogue)
                                 .toString();
      if (!stored.isEmpty()) address = stored;
    }
  }
  return address;
}

void DrawWatermark(ChartSurface& pic) {
  pic.SetFontName(u"黑体"_s);
  pic.SetFontSize(50);
  pic.SetFontBold(true);
  pic.SetForeColor(kWatermarkGrey);
  const QString maker = u"澄川软件工厂"_s, address = WatermarkAddress();
  for (int i = 0; i <= 10; ++i) {
    pic.SetCurrentX(120);
    pic.SetCurrentY(i * (pic.TextHeight(u"A"_s) + 180));
    pic.Print(i % 2 == 0 ? maker : address);
  }
  pic.SetFontName(u"宋体"_s);
  pic.SetForeColor(kBlack);
}

void DrawChartTitle(ChartSurface& pic, const QString& title, int top) {
  if (title.isEmpty()) {
    pic.SetFontSize(10);
    return;
  }
  const QStringList lines = title.split(u"\r\n"_s);
  double y = 0;
  for (qsizetype i = 0; i < lines.size(); ++i) {
    pic.SetFontSize(i == 0 ? 18 : 10);
    if (i == 0) {
      y = double(RoundHalfEven((top - pic.TextHeight(u"H"_s)) / 5));
      pic.SetFontBold(true);
      pic.SetForeColor(kBlack);
    } else {
      pic.SetFontBold(false);
      pic.SetForeColor(kRed);
    }
    pic.SetCurrentX(double(RoundHalfEven((pic.ScaleWidth() - pic.TextWidth(lines[i])) / 2)));
    pic.SetCurrentY(y);
    pic.Print(lines[i]);
    y = double(RoundHalfEven(pic.TextHeight(u"H"_s) + y + 90));
  }
  pic.SetFontSize(10);
}

double DrawAxes(ChartSurface& pic, const Grid& table, double mx, int left, int top, int rightMargin,
                int bottomMargin, int firstRow, int lastRow, bool negative) {
  if (!(mx > 0)) return 0;
  DrawChartTitle(pic, table.Tag(), top);
  pic.SetDrawStyle(ChartSurface::kSolid);
  pic.SetDrawWidth(1);
  const Plot p(pic, left, top, rightMargin, bottomMargin, firstRow, lastRow);
  pic.Line(p.L, p.B, p.R, p.B, kBlack);
  pic.Line(p.L, p.T, p.L, p.B, kBlack);

  if (p.dx > 0) {
    pic.SetDrawStyle(ChartSurface::kDot);
    const int labelCol = table.FixedCols() - 1;
    for (int i = firstRow; i <= lastRow; ++i) {
      const double x = p.L + (i - firstRow) * p.dx;
      if (i < table.Rows() - 1 && i > 0) pic.Line(x, p.T, x, p.B, kColumnLineGrey);
      pic.SetForeColor(kBlue);
      TextAt(pic, x + 180, p.B + 20, table.TextMatrix(i, labelCol), -90, true, kAxisLabelPx);
    }
  }

  // Ten units reach the top of the axis. Below 2 the unit is a tenth (the axis ends at 1), or
  // a fifth when mx is above 1, so that no value is drawn above the axis.
  double unit = std::trunc((mx < 2 ? mx * 1.1 : mx + 9) / 10);
  if (unit == 0) unit = mx > 1 ? 0.2 : 0.1;
  const int ticks = negative ? 20 : 10;
  const double step = double(p.H) / ticks;
  for (int k = 1; k <= ticks; ++k) {
    const double y = p.B - k * step;
    pic.Line(p.L + 20, y, p.R, y, kRowLineGrey);
    pic.SetForeColor(kBlue);
    const QString label = ChartNumberText(unit * (ticks == 20 ? k - 10 : k));
    TextAt(pic, p.L - 20, y, label, 0, false, kAxisLabelPx);
  }
  return unit * 10;
}

double DrawSecondAxis(ChartSurface& pic, const Grid& table, int left, int top, int rightMargin,
                      int bottomMargin, int firstRow, int lastRow, int second) {
  if (second <= 0 || second >= table.Cols()) return 0;
  double m = 0;
  double mx2 = GridMaxMin(table, second, table.Cols() - 1, firstRow, lastRow, m);
  if (mx2 <= 0) return 0;
  mx2 = mx2 * 1.1;
  pic.SetDrawStyle(ChartSurface::kDot);
  pic.SetDrawWidth(1);
  const Plot p(pic, left, top, rightMargin, bottomMargin, firstRow, lastRow);
  pic.Line(p.R, p.T, p.R, p.B, kBlack);
  // Below 1 the unit is a tenth, so the labels name the values the points are drawn at.
  double unit2 = std::trunc((mx2 + 9) / 10);
  if (unit2 == 0) unit2 = 0.1;
  const double step = p.H / 10.0;
  for (int k = 1; k <= 10; ++k) {
    const double y = p.B - k * step;
    pic.Line(p.R, y, p.R + 90, y, kRed);
    pic.SetForeColor(kRed);
    TextAt(pic, p.R + 20, y, ChartNumberText(k * unit2), 0, true, kAxisLabelPx);
  }
  return unit2 * 10;
}

void DrawSeries(ChartSurface& pic, const Grid& table, double& mx, double mx2, int left, int top,
                int rightMargin, int bottomMargin, int firstRow, int lastRow, bool negative,
                int second) {
  if (table.Rows() <= table.FixedRows()) return;
  if (second == 0) second = 55555;
  pic.SetDrawStyle(ChartSurface::kSolid);
  pic.SetDrawWidth(1);
  const Plot p(pic, left, top, rightMargin, bottomMargin, firstRow, lastRow);
  if (negative) mx = 2 * mx;
  const double bottom = top + p.H;  // the category axis
  const double floor = bottom - 10;

  // The points of column c from firstRow to lastRow. With negative values zero lies at half
  // height for the left axis; the right axis has no negative half, so its columns keep zero at
  // the bottom.
  std::vector<double> y;
  const auto place = [&](int c) {
    const bool right = c >= second && second >= 1;
    double d = right ? mx2 : mx;
    if (d == 0) d = 1;
    const double shift = negative && !right ? p.H / 2.0 : 0;
    y.clear();
    for (int r = firstRow; r <= std::max(firstRow, lastRow); ++r)
      y.push_back(bottom - CellNumber(table.TextView(r, c)) * p.H / d - shift);
  };

  int n = table.Cols() - 1;
  for (int c = table.FixedCols(); c < table.Cols(); ++c) {
    const quint32 colour = SeriesColour(c, n);
    place(c);
    double x0 = left, y0 = y[0];
    for (int r = firstRow + 1; r <= lastRow; ++r) {
      const double x1 = x0 + p.dx, y1 = y[r - firstRow];
      // A stretch lying on the bottom axis (zeros) is left out.
      if (!(y0 >= floor && y1 >= floor)) pic.Line(x0, y0, x1, y1, colour);
      x0 = x1;
      y0 = y1;
    }
  }

  pic.SetFillStyle(ChartSurface::kFillSolid);
  pic.SetDrawStyle(ChartSurface::kDash);
  pic.SetFillColor(kRed);
  pic.SetForeColor(kBlack);
  const double th = pic.TextHeight(u"中"_s);  // the value labels stand one line above
  for (int c = table.FixedCols(); c < table.Cols(); ++c) {
    place(c);
    double x = left - p.dx;
    for (int r = firstRow; r <= lastRow; ++r) {
      x += p.dx;
      const double py = y[r - firstRow];
      if (py < floor) pic.Circle(x, py, 20, kRed);
      TextAt(pic, x, py - th, table.TextMatrix(r, c), 0, r == table.FixedRows(), kValueLabelPx);
    }
  }
}

void DrawLegend(ChartSurface& pic, const Grid& table, int legendWidth) {
  const int series = table.Cols() - table.FixedCols();
  const qint64 s = std::min<qint64>(RoundHalfEven(double(pic.ScaleHeight()) / (series + 1)), 600);
  const qint64 h = RoundHalfEven((s - 200) / 2.0);
  pic.SetDrawStyle(ChartSurface::kSolid);
  const int xL = pic.ScaleWidth() - legendWidth + 200;
  const int xR = pic.ScaleWidth() - 300;
  qint64 y = RoundHalfEven((pic.ScaleHeight() - double(table.Cols()) * s) / 2);
  if (y < 0) y = 0;
  int n = table.Cols() - 1;
  const int captionRow = table.FixedRows() - 1;
  for (int c = table.FixedCols(); c < table.Cols(); ++c) {
    const quint32 colour = SeriesColour(c, n);
    pic.SetForeColor(colour);
    pic.Line(xL, double(y + h + 200), xR, double(y + s), colour, ChartSurface::LineForm::FilledBox);
    pic.SetForeColor(kBlack);
    TextAt(pic, xL, double(y + h), table.TextMatrix(captionRow, c), 0, true, kLegendPx);
    y += s;
  }
}

}  // namespace lanxi
