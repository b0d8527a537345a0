// The chart routines on a recording surface: where the axes, grid, labels, points and legend go
// for the layouts that can go wrong (second axis, zeros, negative values, one row, small
// values, few and many series), the title lines, and how cell texts are read.
#include <gtest/gtest.h>

#include <algorithm>

#include "analysis/drawchart.h"
#include "analysis/recordingsurface.h"
#include "charttables.h"
#include "programfolder_fixture.h"
#include "storage/settings.h"
#include "tables/gridoperate.h"

using namespace Qt::StringLiterals;
using namespace lanxi;
using namespace lanxi::test;
using Kind = ChartOp::Kind;

namespace {

// A picture of 800 × 500 pixels: the plot runs from x 800 to 10200 and y 1200 to 6500.
constexpr int kWidth = 12000, kHeight = 7500;
constexpr int L = 800, T = 1200, R = kWidth - 1800, B = kHeight - 1000;
constexpr double W = R - L, H = B - T;

constexpr quint32 kBlack = Rgb(0, 0, 0), kRed = Rgb(255, 0, 0), kBlue = Rgb(0, 0, 255);

// One row per entry of `columns[0]`, labelled d1, d2 …; a column per entry of `columns`.
void Table(Grid& g, const std::vector<QStringList>& columns, const QString& title = u"标题"_s) {
  std::vector<ChartRow> rows;
  for (qsizetype r = 0; r < columns[0].size(); ++r) {
    ChartRow row{u"d"_s + QString::number(r + 1), {}};
    for (const QStringList& c : columns) row.cells << c.value(r);
    rows.push_back(row);
  }
  QStringList captions;
  for (size_t c = 0; c < columns.size(); ++c) captions << u"系列"_s + QString::number(c + 1);
  MakeChartTable(g, captions, rows, title);
}

class Chart : public ::testing::Test {
 protected:
  RecordingSurface pic{kWidth, kHeight};
  Grid grid;

  void Draw(bool allowSecondAxis = true) {
    int first = -1, last = -1;
    DrawChart(pic, grid, first, last, allowSecondAxis);
  }

  // The dotted black line of the right axis, when there is one.
  bool HasRightAxis() const {
    return std::ranges::any_of(pic.ops, [](const ChartOp& op) {
      return op.kind == Kind::Line && op.x1 == R && op.x2 == R && op.y1 == T && op.y2 == B &&
             op.colour == kBlack && op.drawStyle == ChartSurface::kDot;
    });
  }
  bool HasLeftAxis() const {
    return std::ranges::any_of(pic.ops, [](const ChartOp& op) {
      return op.kind == Kind::Line && op.x1 == L && op.x2 == L && op.y1 == T && op.y2 == B;
    });
  }
  // The texts written in one colour by the raw text output, in order.
  QStringList Texts(quint32 colour) const {
    QStringList out;
    for (const ChartOp& op : pic.Of(Kind::TextOut))
      if (op.colour == colour) out << op.text;
    return out;
  }
  std::vector<double> MarkerHeights() const {
    std::vector<double> out;
    for (const ChartOp& op : pic.Of(Kind::Circle)) out.push_back(op.y1);
    return out;
  }
  // Lines in a series colour (neither black, grey nor red).
  std::vector<ChartOp> SeriesLines() const {
    std::vector<ChartOp> out;
    for (const ChartOp& op : pic.Of(Kind::Line))
      if (op.colour != kBlack && op.colour != kRed && op.colour != Rgb(208, 208, 208) &&
          op.colour != Rgb(160, 160, 160))
        out.push_back(op);
    return out;
  }
};

QStringList Labels(std::initializer_list<double> values) {
  QStringList out;
  for (double v : values) out << ChartNumberText(v);
  return out;
}

}  // namespace

TEST(CellNumber, ReadsTheNumberATextBeginsWith) {
  const std::pair<QString, double> cases[] = {
      {u"12.5元"_s, 12.5}, {u""_s, 0},  {u"价格"_s, 0},   {u"  -3e2x"_s, -300},    {u"1,234"_s, 1},
      {u"+.5"_s, 0.5},     {u"."_s, 0}, {u"1e"_s, 1},     {u"2023-01-05"_s, 2023}, {u"1e999"_s, 0},
      {u"７"_s, 0},        {u"-"_s, 0}, {u"98.00"_s, 98}, {u"4.5E-1"_s, 0.45}};
  for (const auto& [text, value] : cases)
    EXPECT_DOUBLE_EQ(CellNumber(text), value) << text.toStdString();
}

TEST(ChartNumbers, AxisLabelsHaveNoBinaryNoise) {
  EXPECT_EQ(ChartNumberText(0.1 * 3), u"0.3"_s);
  EXPECT_EQ(ChartNumberText(0.2 * 3), u"0.6"_s);
  EXPECT_EQ(ChartNumberText(-0.0), u"0"_s);
  EXPECT_EQ(ChartNumberText(1234567), u"1234567"_s);
}

TEST(SeriesColour, RunsFromMagentaToGreenWithoutOverflow) {
  int n = 2;
  EXPECT_EQ(SeriesColour(3, n), Rgb(0, 255, 0));
  EXPECT_EQ(n, 3);  // raised to i in the caller's variable
  n = 4;
  EXPECT_EQ(SeriesColour(2, n), Rgb(128, 127, 128));
  // 200 series: the green part only grows, red and blue stay its complement.
  n = 201;
  int lastGreen = -1;
  for (int i = 2; i <= 201; ++i) {
    const quint32 c = SeriesColour(i, n);
    const int red = int(c & 0xff), green = int(c >> 8 & 0xff), blue = int(c >> 16);
    EXPECT_EQ(red, 255 - green);
    EXPECT_EQ(blue, 255 - green);
    EXPECT_GE(green, lastGreen);
    lastGreen = green;
  }
  EXPECT_EQ(lastGreen, 255);
}

TEST(GridMaxMin, MaximumStartsAtZeroAndBoundsMayComeReversed) {
  Grid g;
  Table(g, {{u"-3"_s, u"-1"_s, u"-2"_s}, {u"5"_s, u""_s, u"x"_s}});
  double low = 0;
  EXPECT_EQ(GridMaxMin(g, 2, 2, 2, 4, low), 0);  // all negative
  EXPECT_EQ(low, -3);
  EXPECT_EQ(GridMaxMin(g, 3, 2, 4, 2, low), 5);
  EXPECT_EQ(low, -3);
  EXPECT_EQ(GridMaxMin(g, 3, 3, 3, 4, low), 0);  // an empty cell and a name count as 0
  EXPECT_EQ(low, 0);
}

TEST_F(Chart, SecondAxisTakesASeriesMoreThanTenfoldApart) {
  Table(grid, {{u"100"_s, u"90"_s}, {u"8"_s, u"7.5"_s}});  // a price and a discount
  Draw();
  EXPECT_TRUE(HasRightAxis());
  // The discount's axis: 8 × 1.1 gives a unit of 1, the axis ends at 10.
  EXPECT_EQ(Texts(kRed), Labels({1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
  const std::vector<double> y = MarkerHeights();
  ASSERT_EQ(y.size(), 4u);
  EXPECT_DOUBLE_EQ(y[2], B - 8 * H / 10);
  EXPECT_DOUBLE_EQ(y[0], B - 100 * H / 110);  // the price on the left axis, 110 at the top

  Draw(false);  // one axis for both
  EXPECT_FALSE(HasRightAxis());
  EXPECT_TRUE(Texts(kRed).isEmpty());
  EXPECT_DOUBLE_EQ(MarkerHeights()[2], B - 8 * H / 110);
}

TEST_F(Chart, ExactlyTenfoldStaysOnTheLeftAxis) {
  for (const auto& [a, b] : {std::pair{u"10"_s, u"100"_s}, std::pair{u"100"_s, u"10"_s}}) {
    Table(grid, {{a, a}, {b, b}});
    Draw();
    EXPECT_FALSE(HasRightAxis()) << a.toStdString() << " " << b.toStdString();
  }
  Table(grid, {{u"10"_s, u"10"_s}, {u"100.5"_s, u"1"_s}});
  Draw();
  EXPECT_TRUE(HasRightAxis());
}

TEST_F(Chart, EveryColumnRightOfTheFirstSecondAxisColumnGoesThere) {
  // The third series is as large as the first, yet follows the second onto the right axis.
  Table(grid, {{u"10"_s, u"9"_s}, {u"100.5"_s, u"99"_s}, {u"10"_s, u"50"_s}});
  Draw();
  ASSERT_TRUE(HasRightAxis());
  // Both right-hand columns make the right axis: 100.5 × 1.1 gives a unit of 11.
  EXPECT_EQ(Texts(kRed).last(), u"110"_s);
  const std::vector<double> y = MarkerHeights();
  ASSERT_EQ(y.size(), 6u);
  EXPECT_DOUBLE_EQ(y[5], B - 50 * H / 110);
  EXPECT_DOUBLE_EQ(y[0], B - 10 * H / 20);  // the first on its own axis: 11 → unit 2
}

TEST_F(Chart, FirstSeriesAllZeroSendsTheNextRightEvenWithoutPermission) {
  Table(grid, {{u"0"_s, u"0"_s}, {u"5"_s, u"7"_s}});
  Draw(false);
  EXPECT_TRUE(HasRightAxis());
  EXPECT_FALSE(HasLeftAxis());
  EXPECT_EQ(pic.Of(Kind::Print).size(), 11u);  // the watermark only: no title
  EXPECT_EQ(Texts(kRed), Labels({1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
  const std::vector<double> y = MarkerHeights();
  ASSERT_EQ(y.size(), 2u);  // the zeros lie on the bottom axis: no markers
  EXPECT_DOUBLE_EQ(y[1], B - 7 * H / 10);
}

TEST_F(Chart, AllZeroDrawsNoAxesNoLinesNoMarkersButLabelsAndLegend) {
  Table(grid, {{u"0"_s, u"0"_s, u"0"_s}, {u""_s, u"0"_s, u"0"_s}});
  Draw();
  EXPECT_FALSE(HasLeftAxis());
  EXPECT_FALSE(HasRightAxis());
  EXPECT_EQ(pic.Of(Kind::Print).size(), 11u);
  EXPECT_TRUE(SeriesLines().empty());
  EXPECT_TRUE(pic.Of(Kind::Circle).empty());
  EXPECT_EQ(Texts(kBlack),
            (QStringList{u"0"_s, u"0"_s, u"0"_s, u""_s, u"0"_s, u"0"_s, u"系列1"_s, u"系列2"_s}));
  EXPECT_EQ(pic.Of(Kind::FilledBox).size(), 2u);
}

TEST_F(Chart, NegativeValuesPutZeroAtHalfHeight) {
  Table(grid, {{u"10"_s, u"-5"_s, u"0"_s}});
  Draw();
  // 10 × 1.1 gives a unit of 2; twenty grid lines, labelled -18 … 20, zero in the middle.
  std::vector<ChartOp> rows;
  for (const ChartOp& op : pic.Of(Kind::Line))
    if (op.colour == Rgb(160, 160, 160)) rows.push_back(op);
  ASSERT_EQ(rows.size(), 20u);
  EXPECT_DOUBLE_EQ(rows[9].y1, B - H / 2);
  EXPECT_EQ(rows[0].x1, L + 20);
  EXPECT_EQ(rows[0].x2, R);
  QStringList expected;
  for (int k = 1; k <= 20; ++k) expected << ChartNumberText(2 * (k - 10));
  EXPECT_EQ(Texts(kBlue).mid(3), expected);  // after the three row labels
  const std::vector<double> y = MarkerHeights();
  ASSERT_EQ(y.size(), 3u);
  EXPECT_DOUBLE_EQ(y[0], B - H / 2 - 10 * H / 40);
  EXPECT_DOUBLE_EQ(y[1], B - H / 2 + 5 * H / 40);
  EXPECT_DOUBLE_EQ(y[2], B - H / 2);
}

TEST_F(Chart, ValuesFurtherBelowZeroThanAboveStayInsideThePlot) {
  Table(grid, {{u"240"_s, u"130"_s, u"-80"_s, u"-310"_s}});
  Draw();
  // The axis is made for 310: 341 gives a unit of 35, so it runs from -350 to 350.
  EXPECT_EQ(Texts(kBlue).last(), u"350"_s);
  for (double y : MarkerHeights()) {
    EXPECT_GE(y, T);
    EXPECT_LE(y, B);
  }
  EXPECT_DOUBLE_EQ(MarkerHeights()[3], B - H / 2 + 310 * H / 700);

  Table(grid, {{u"-3"_s, u"-1"_s}});  // nothing above zero at all
  Draw();
  EXPECT_TRUE(HasLeftAxis());
  for (double y : MarkerHeights()) EXPECT_LE(y, B);
}

TEST_F(Chart, SecondAxisColumnsKeepZeroAtTheBottomBesideNegativeValues) {
  Table(grid, {{u"100"_s, u"-20"_s}, {u"8"_s, u"4"_s}});
  Draw();
  ASSERT_TRUE(HasRightAxis());
  const std::vector<double> y = MarkerHeights();
  ASSERT_EQ(y.size(), 4u);
  EXPECT_DOUBLE_EQ(y[2], B - 8 * H / 10);
  EXPECT_DOUBLE_EQ(y[3], B - 4 * H / 10);
}

TEST_F(Chart, OneDataRowSitsOnTheLeftAxis) {
  Table(grid, {{u"5"_s}});
  Draw();
  EXPECT_TRUE(SeriesLines().empty());
  const std::vector<ChartOp> markers = pic.Of(Kind::Circle);
  ASSERT_EQ(markers.size(), 1u);
  EXPECT_EQ(markers[0].x1, L);
  EXPECT_EQ(markers[0].x2, 20);  // radius
  EXPECT_EQ(markers[0].fillColour, kRed);
  // No vertical grid line for the table's last row; its label reads downwards.
  for (const ChartOp& op : pic.Of(Kind::Line)) EXPECT_NE(op.colour, Rgb(208, 208, 208));
  const std::vector<ChartOp> text = pic.Of(Kind::TextOut);
  ASSERT_FALSE(text.empty());
  EXPECT_EQ(text[0].text, u"d1"_s);
  EXPECT_EQ(text[0].escapement, -900);
  EXPECT_EQ(text[0].x1, 65);   // (800 + 180) / 15
  EXPECT_EQ(text[0].y1, 435);  // (6500 + 20) / 15
  EXPECT_EQ(text[0].height, 12);
  // The value label of the first data row starts at the point.
  const ChartOp& label = text.end()[-2];  // the last before the legend's
  EXPECT_EQ(label.text, u"5"_s);
  EXPECT_EQ(label.x1, 53);
  EXPECT_EQ(label.height, 11);
}

TEST_F(Chart, SeriesLinesSkipStretchesOnTheBottomAxis) {
  Table(grid, {{u"0"_s, u"0"_s, u"4"_s, u"4"_s}});
  Draw();
  const std::vector<ChartOp> lines = SeriesLines();
  ASSERT_EQ(lines.size(), 2u);  // 0–0 is left out
  const double dx = W / 3;
  EXPECT_DOUBLE_EQ(lines[0].x1, L + dx);
  EXPECT_DOUBLE_EQ(lines[0].y1, B);
  EXPECT_DOUBLE_EQ(lines[1].x2, R);
  EXPECT_EQ(pic.Of(Kind::Circle).size(), 2u);
  // Labels of later rows end at their point, one line (of the 10-point font) above it.
  const ChartOp& label = pic.Of(Kind::TextOut).end()[-2];  // the last before the legend's
  EXPECT_EQ(label.text, u"4"_s);
  EXPECT_NEAR(label.x1 * 15 + pic.TextWidth(u"4"_s), R, 15);
  EXPECT_NEAR(label.y1 * 15, B - 4 * H / 10 - 195, 15);
}

TEST_F(Chart, SmallValuesGetTenthsOrFifths) {
  Table(grid, {{u"0.5"_s}});
  const auto labels = [&](double mx) {
    pic.Cls();
    const double top = DrawAxes(pic, grid, mx, L, T, 1800, 1000, 2, 2, false);
    return std::pair{top, Texts(kBlue).mid(1)};  // after the row label
  };
  EXPECT_EQ(labels(0.9), std::pair(1.0, Labels({0.1, 0.2, 0.3, 0.4, 0.5, 0.6, 0.7, 0.8, 0.9, 1})));
  // Between 1 and 2 a tenth would end the axis at 1, below the values: a fifth reaches 2.
  EXPECT_EQ(labels(1.5), std::pair(2.0, Labels({0.2, 0.4, 0.6, 0.8, 1, 1.2, 1.4, 1.6, 1.8, 2})));
  EXPECT_EQ(labels(1.99).first, 2.0);
  EXPECT_EQ(labels(2.0), std::pair(10.0, Labels({1, 2, 3, 4, 5, 6, 7, 8, 9, 10})));
  EXPECT_EQ(labels(0).first, 0.0);

  Table(grid, {{u"1.36"_s, u"1.2"_s}});  // through DrawChart: the highest point stays inside
  Draw();
  for (double y : MarkerHeights()) EXPECT_GE(y, T);

  // A second axis below 1 is labelled in tenths, the points where the Part puts them.
  Table(grid, {{u"100"_s}, {u"0.5"_s}});
  Draw();
  EXPECT_EQ(Texts(kRed), Labels({0.1, 0.2, 0.3, 0.4, 0.5, 0.6, 0.7, 0.8, 0.9, 1}));
  EXPECT_DOUBLE_EQ(MarkerHeights()[1], B - 0.5 * H);
}

TEST_F(Chart, LegendSlotsCentreFewSeriesAndShrinkForMany) {
  Table(grid, {{u"1"_s}, {u"2"_s}});
  Draw();
  std::vector<ChartOp> boxes = pic.Of(Kind::FilledBox);
  ASSERT_EQ(boxes.size(), 2u);
  // Slots of 600 centred over four columns' worth: from (7500 - 2400) / 2 = 2550.
  EXPECT_EQ(boxes[0].x1, kWidth - 1500 + 200);
  EXPECT_EQ(boxes[0].x2, kWidth - 300);
  EXPECT_EQ(boxes[0].y1, 2550 + 200 + 200);
  EXPECT_EQ(boxes[0].y2, 2550 + 600);
  EXPECT_EQ(boxes[1].y1, 2550 + 600 + 400);
  int n = 3;
  EXPECT_EQ(boxes[0].colour, SeriesColour(2, n));
  EXPECT_EQ(boxes[1].colour, Rgb(0, 255, 0));
  const std::vector<ChartOp> text = pic.Of(Kind::TextOut);
  EXPECT_EQ(text.back().text, u"系列2"_s);
  EXPECT_EQ(text.back().height, 13);
  EXPECT_EQ(text.back().y1, (2550 + 600 + 200) / 15);

  std::vector<QStringList> thirty(30, QStringList{u"5"_s});
  Table(grid, thirty);
  Draw();
  boxes = pic.Of(Kind::FilledBox);
  ASSERT_EQ(boxes.size(), 30u);
  // 7500 / 31 rounds to 242; the block would start above the top, so it starts at 0.
  EXPECT_EQ(boxes[0].y1, 21 + 200);
  EXPECT_EQ(boxes[0].y2, 242);
  EXPECT_EQ(boxes[29].y2, 30 * 242);
}

TEST_F(Chart, TwoHundredSeriesAndTinyPicturesDrawWithoutFault) {
  std::vector<QStringList> many(200, QStringList{u"5"_s, u"6"_s});
  Table(grid, many);
  Draw();
  EXPECT_EQ(pic.Of(Kind::FilledBox).size(), 200u);
  for (const ChartOp& op : pic.Of(Kind::FilledBox))
    EXPECT_EQ(op.colour >> 8 & 0xff, 255 - (op.colour & 0xff));
  for (const auto& [w, h] : {std::pair{0, 0}, std::pair{15, 15}, std::pair{3000, 100}}) {
    RecordingSurface small(w, h);
    DrawChart(small, grid);
    EXPECT_EQ(small.ops.front().kind, Kind::Cls);
  }
}

TEST_F(Chart, TitleLinesAndTheOrderOfDrawing) {
  Table(grid, {{u"3"_s, u"4"_s}}, u"第一行\r\n第二行\r\n第三行"_s);
  Draw();
  const std::vector<ChartOp> prints = pic.Of(Kind::Print);
  ASSERT_EQ(prints.size(), 14u);
  // The watermark: the maker and our address by turns, 50-point bold "黑体" in light grey.
  for (int i = 0; i < 11; ++i) {
    EXPECT_EQ(prints[i].text, i % 2 ? WatermarkAddress() : u"澄川软件工厂"_s);
    EXPECT_EQ(prints[i].fontName, u"黑体"_s);
    EXPECT_EQ(prints[i].fontSize, 50);
    EXPECT_TRUE(prints[i].bold);
    EXPECT_EQ(prints[i].colour, Rgb(238, 238, 238));
    EXPECT_EQ(prints[i].x1, 120);
    EXPECT_EQ(prints[i].y1, i * (67 * 15 + 180));  // a 50-point line is 67 pixels
  }
  // Line 1: 18 points (24 px, 360 twips) bold black at (1200 - 360) / 5; the others 10
  // points red, each 90 twips below the line before, measured in that line's font.
  const ChartOp& t1 = prints[11];
  EXPECT_EQ(t1.text, u"第一行"_s);
  EXPECT_EQ(t1.fontName, u"宋体"_s);
  EXPECT_EQ(t1.fontSize, 18);
  EXPECT_TRUE(t1.bold);
  EXPECT_EQ(t1.colour, kBlack);
  EXPECT_EQ(t1.y1, 168);
  RecordingSurface measure(1, 1);
  measure.SetFontName(u"宋体"_s);
  measure.SetFontSize(18);
  measure.SetFontBold(true);
  EXPECT_EQ(t1.x1, double(RoundHalfEven((kWidth - measure.TextWidth(t1.text)) / 2)));
  EXPECT_EQ(prints[12].y1, 168 + 360 + 90);
  EXPECT_EQ(prints[12].fontSize, 10);
  EXPECT_FALSE(prints[12].bold);
  EXPECT_EQ(prints[12].colour, kRed);
  EXPECT_EQ(prints[13].y1, 618 + 195 + 90);
  EXPECT_EQ(pic.FontSize(), 10);

  // Watermark, title, axes, series lines, markers, legend: in this order.
  const auto first = [&](Kind k) {
    return std::ranges::find(pic.ops, k, &ChartOp::kind) - pic.ops.begin();
  };
  const auto lastOf = [&](Kind k) {
    return std::ranges::find(pic.ops.rbegin(), pic.ops.rend(), k, &ChartOp::kind).base() -
           pic.ops.begin() - 1;
  };
  EXPECT_EQ(first(Kind::Cls), 0);
  EXPECT_LT(lastOf(Kind::Print), first(Kind::Line));
  EXPECT_LT(lastOf(Kind::Line), first(Kind::Circle));
  EXPECT_LT(lastOf(Kind::Circle), first(Kind::FilledBox));

  grid.SetTag({});  // no title: the font ends at 10 points all the same
  Draw();
  EXPECT_EQ(pic.Of(Kind::Print).size(), 11u);
  EXPECT_EQ(pic.FontSize(), 10);
}

TEST_F(Chart, RowBoundsDefaultAndAreCutToTheTable) {
  Table(grid, {{u"1"_s, u"2"_s, u"3"_s}});
  int first = -1, last = 100;
  DrawChart(pic, grid, first, last, true);
  EXPECT_EQ(first, 2);
  EXPECT_EQ(last, 4);
  first = 3, last = 4;  // a part of the table: two rows across the plot
  DrawChart(pic, grid, first, last, true);
  EXPECT_EQ(MarkerHeights().size(), 2u);
  EXPECT_EQ(pic.Of(Kind::Circle)[1].x1, R);

  Grid tiny;  // fewer than two rows: only cleared
  tiny.SetFixedRows(1);
  tiny.SetRows(1);
  DrawChart(pic, tiny);
  ASSERT_EQ(pic.ops.size(), 1u);
  EXPECT_EQ(pic.ops[0].kind, Kind::Cls);
}

TEST(ChartTextOut, AlignsByTheSurfacesFontAndPassesTheRawFont) {
  RecordingSurface pic(6000, 3000);
  pic.SetFontName(u"宋体"_s);
  pic.SetFontSize(10);
  pic.SetForeColor(kBlue);
  ChartTextOut(pic, 3000, 1500, u"123.45"_s, 0, false, 12, 700);
  ChartTextOut(pic, 3000, 1500, u"右侧"_s, 0, true, 12, 0);
  ChartTextOut(pic, 3000, 1500, u"竖排"_s, -90, false, 12, 0);
  const std::vector<ChartOp> ops = pic.Of(Kind::TextOut);
  ASSERT_EQ(ops.size(), 3u);
  // Right-aligned: the text ends at 3000 as measured in the surface's 10-point font.
  EXPECT_NEAR(ops[0].x1 * 15 + pic.TextWidth(u"123.45"_s), 3000, 15);
  EXPECT_EQ(ops[0].y1, 100);
  EXPECT_EQ(ops[0].weight, 700);
  EXPECT_EQ(ops[0].colour, kBlue);
  EXPECT_EQ(ops[1].x1, 200);
  EXPECT_EQ(ops[2].x1, (3000 - 195) / 15);  // a turned text moves left by one line
  EXPECT_EQ(ops[2].escapement, -900);
}

TEST(Watermark, NamesTheAddressKeptInTheSettings) {
  TempProgramFolder folder;
  EXPECT_EQ(WatermarkAddress(), QString::fromUtf16(ParamDefault::WatermarkUrl));
  TempProgramFolder other;
  ASSERT_TRUE(SetParam(QString::fromUtf16(ParamKey::WatermarkUrl), u"www.example.cn"_s));
  EXPECT_EQ(WatermarkAddress(), u"www.example.cn"_s);
}
