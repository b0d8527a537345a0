// The chart routines on a recording surface, for the layouts that can go wrong.
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
constexpr quint32 kGridGrey = Rgb(160, 160, 160), kRowGrey = Rgb(208, 208, 208);

QStringList Labels(std::initializer_list<double> values) {
  QStringList out;
  for (double v : values) out << ChartNumberText(v);
  return out;
}
const QStringList kOneToTen = Labels({1, 2, 3, 4, 5, 6, 7, 8, 9, 10});

// An operation's text, place and size, to compare in one go.
QString Where(const ChartOp& op) {
  if (op.kind == Kind::Circle) return u"@%1,%2 r%3"_s.arg(op.x1).arg(op.y1).arg(op.x2);
  if (op.kind == Kind::FilledBox)
    return u"%1,%2-%3,%4"_s.arg(op.x1).arg(op.y1).arg(op.x2).arg(op.y2);
  return u"%1 @%2,%3 h%4 e%5"_s.arg(op.text).arg(op.x1).arg(op.y1).arg(op.height).arg(
      op.escapement);
}

class Chart : public ::testing::Test {
 protected:
  RecordingSurface pic{kWidth, kHeight};
  Grid grid;

  void Draw(bool allowSecondAxis = true) {
    int first = -1, last = -1;
    DrawChart(pic, grid, first, last, allowSecondAxis);
  }
  // A vertical axis at x: the right one is dotted black.
  bool HasAxis(int x) const {
    return std::ranges::any_of(pic.ops, [x](const ChartOp& op) {
      return op.kind == Kind::Line && op.x1 == x && op.x2 == x && op.y1 == T && op.y2 == B &&
             (x == L || (op.colour == kBlack && op.drawStyle == ChartSurface::kDot));
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
      if (!QList{kBlack, kRed, kRowGrey, kGridGrey}.contains(op.colour)) out.push_back(op);
    return out;
  }
};

}  // namespace

TEST(ChartNumbers, CellTextsAxisLabelsAndSeriesColours) {
  const std::pair<QString, double> cases[] = {
      {u"12.5元"_s, 12.5}, {u"价格"_s, 0}, {u"  -3e2x"_s, -300}, {u"1,234"_s, 1},
      {u"+.5"_s, 0.5},     {u"1e"_s, 1},   {u"1e999"_s, 0},      {u"７"_s, 0}};
  for (const auto& [text, value] : cases)
    EXPECT_DOUBLE_EQ(CellNumber(text), value) << text.toStdString();
  // Axis labels have no binary noise.
  EXPECT_EQ(Labels({0.1 * 3, 0.2 * 3, -0.0, 1234567}),
            (QStringList{u"0.3"_s, u"0.6"_s, u"0"_s, u"1234567"_s}));

  int n = 2;
  EXPECT_EQ(SeriesColour(3, n), Rgb(0, 255, 0));
  EXPECT_EQ(n, 3);  // raised to i in the caller's variable
  // 200 series, magenta to green without overflow: green only grows, red and blue its complement.
  n = 201;
  for (int i = 2, lastGreen = -1, green; i <= 201; ++i, lastGreen = green) {
    const quint32 c = SeriesColour(i, n);
    green = int(c >> 8 & 0xff);
    EXPECT_TRUE(c == Rgb(255 - green, green, 255 - green) && green >= lastGreen) << i;
    EXPECT_TRUE(i < 201 || green == 255);
  }
}

TEST_F(Chart, SecondAxisTakesColumnsMoreThanTenfoldApart) {
  struct Case {
    const char* what;
    QString columns;  // columns split by "|", their cells by spaces
    bool allow, left, right;
    size_t markers, prints;                         // a title adds a print to the watermark's 11
    QStringList red;                                // the right axis' labels
    std::vector<std::pair<size_t, double>> points;  // marker number, height
  };
  const QStringList elevens = Labels({11, 22, 33, 44, 55, 66, 77, 88, 99, 110});
  // clang-format off
  const Case cases[] = {
      {"a price and a discount: 8 × 1.1 gives the right axis a unit of 1", u"100 90|8 7.5"_s,
       true, true, true, 4, 12, kOneToTen, {{2, B - 8 * H / 10}, {0, B - 100 * H / 110}}},
      {"the same on one axis", u"100 90|8 7.5"_s,
       false, true, false, 4, 12, {}, {{2, B - 8 * H / 110}}},
      {"exactly tenfold stays left", u"10 10|100 100"_s, true, true, false, 4, 12, {}, {}},
      {"just over tenfold", u"10 10|100.5 1"_s, true, true, true, 4, 12, elevens, {}},
      // The third series follows the second onto the right axis, however small.
      {"every column right of the first second-axis column", u"10 9|100.5 99|10 50"_s,
       true, true, true, 6, 12, elevens, {{5, B - 50 * H / 110}, {0, B - 10 * H / 20}}},
      {"an all-zero first series sends the next right even without permission", u"0 0|5 7"_s,
       false, false, true, 2, 11, kOneToTen, {{1, B - 7 * H / 10}}},
      {"second-axis columns keep zero at the bottom beside negative values", u"100 -20|8 4"_s,
       true, true, true, 4, 12, kOneToTen, {{2, B - 8 * H / 10}, {3, B - 4 * H / 10}}},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    MakeChartTable(grid, c.columns);
    Draw(c.allow);
    EXPECT_EQ(std::pair(HasAxis(L), HasAxis(R)), std::pair(c.left, c.right));
    EXPECT_EQ(Texts(kRed), c.red);
    EXPECT_EQ(pic.Of(Kind::Print).size(), c.prints);
    const std::vector<double> y = MarkerHeights();
    ASSERT_EQ(y.size(), c.markers);
    for (const auto& [i, height] : c.points) EXPECT_DOUBLE_EQ(y[i], height) << i;
  }
}

TEST_F(Chart, AllZeroDrawsNoAxesNoLinesNoMarkersButLabelsAndLegend) {
  MakeChartTable(grid, u"0 0 0| 0 0"_s);
  Draw();
  EXPECT_EQ(std::tuple(HasAxis(L), HasAxis(R), SeriesLines().size(), pic.Of(Kind::Circle).size()),
            std::tuple(false, false, 0u, 0u));
  EXPECT_EQ(Texts(kBlack),
            (QStringList{u"0"_s, u"0"_s, u"0"_s, u""_s, u"0"_s, u"0"_s, u"系列1"_s, u"系列2"_s}));
  EXPECT_EQ(pic.Of(Kind::FilledBox).size(), 2u);
}

TEST_F(Chart, NegativeValuesPutZeroAtHalfHeightAndStayInsideThePlot) {
  MakeChartTable(grid, u"10 -5 0"_s);
  Draw();
  // 10 × 1.1 gives a unit of 2; twenty grid lines, labelled -18 … 20, zero in the middle.
  std::vector<ChartOp> rows;
  for (const ChartOp& op : pic.Of(Kind::Line))
    if (op.colour == kGridGrey) rows.push_back(op);
  ASSERT_EQ(rows.size(), 20u);
  EXPECT_DOUBLE_EQ(rows[9].y1, B - H / 2);
  const QStringList labels = Texts(kBlue).mid(3);  // after the three row labels
  EXPECT_EQ(std::tuple(labels.size(), labels[0], labels[9], labels[19]),
            std::tuple(20, u"-18"_s, u"0"_s, u"20"_s));
  EXPECT_EQ(MarkerHeights(),
            (std::vector<double>{B - H / 2 - 10 * H / 40, B - H / 2 + 5 * H / 40, B - H / 2}));

  // Further below zero than above: the axis is made for 310, 341 gives a unit of 35.
  MakeChartTable(grid, u"240 130 -80 -310"_s);
  Draw();
  EXPECT_EQ(Texts(kBlue).last(), u"350"_s);
  EXPECT_DOUBLE_EQ(MarkerHeights()[3], B - H / 2 + 310 * H / 700);
}

TEST_F(Chart, OneDataRowSitsOnTheLeftAxisAndLinesSkipTheBottomAxis) {
  MakeChartTable(grid, u"5"_s);
  Draw();
  EXPECT_TRUE(SeriesLines().empty());
  const std::vector<ChartOp> markers = pic.Of(Kind::Circle);
  ASSERT_EQ(markers.size(), 1u);
  EXPECT_EQ(Where(markers[0]), u"@800,3850 r20"_s);  // radius 20, on the left axis
  EXPECT_EQ(markers[0].fillColour, kRed);
  // Its label reads downwards; the value label starts at the point.
  std::vector<ChartOp> text = pic.Of(Kind::TextOut);
  ASSERT_GE(text.size(), 2u);
  EXPECT_EQ(Where(text[0]), u"d1 @65,435 h12 e-900"_s);
  EXPECT_EQ(Where(text.end()[-2]), u"5 @53,%1 h11 e0"_s.arg(text.end()[-2].y1));

  MakeChartTable(grid, u"0 0 4 4"_s);
  Draw();
  const std::vector<ChartOp> lines = SeriesLines();
  ASSERT_EQ(lines.size(), 2u);  // 0–0 is left out
  EXPECT_DOUBLE_EQ(lines[0].x1, L + W / 3);
  EXPECT_EQ(pic.Of(Kind::Circle).size(), 2u);
  // Labels of later rows end at their point, one line (of the 10-point font) above it.
  text = pic.Of(Kind::TextOut);
  EXPECT_EQ(text.end()[-2].text, u"4"_s);
  EXPECT_NEAR(text.end()[-2].x1 * 15 + pic.TextWidth(u"4"_s), R, 15);
  EXPECT_NEAR(text.end()[-2].y1 * 15, B - 4 * H / 10 - 195, 15);
}

TEST_F(Chart, SmallValuesGetTenthsOrFifths) {
  MakeChartTable(grid, u"0.5"_s);
  const auto labels = [&](double mx) {
    pic.Cls();
    const double top = DrawAxes(pic, grid, mx, L, T, 1800, 1000, 2, 2, false);
    return std::pair{top, Texts(kBlue).mid(1)};  // after the row label
  };
  EXPECT_EQ(labels(0.9), std::pair(1.0, Labels({0.1, 0.2, 0.3, 0.4, 0.5, 0.6, 0.7, 0.8, 0.9, 1})));
  // Between 1 and 2 a tenth would end the axis at 1, below the values: a fifth reaches 2.
  EXPECT_EQ(labels(1.5), std::pair(2.0, Labels({0.2, 0.4, 0.6, 0.8, 1, 1.2, 1.4, 1.6, 1.8, 2})));
  EXPECT_EQ(labels(2.0), std::pair(10.0, kOneToTen));

  // A second axis below 1 is labelled in tenths.
  MakeChartTable(grid, u"100|0.5"_s);
  Draw();
  EXPECT_EQ(Texts(kRed), Labels({0.1, 0.2, 0.3, 0.4, 0.5, 0.6, 0.7, 0.8, 0.9, 1}));
  EXPECT_DOUBLE_EQ(MarkerHeights()[1], B - 0.5 * H);
}

TEST_F(Chart, LegendSlotsCentreFewSeriesAndShrinkForMany) {
  MakeChartTable(grid, u"1|2"_s);
  Draw();
  std::vector<ChartOp> boxes = pic.Of(Kind::FilledBox);
  ASSERT_EQ(boxes.size(), 2u);
  // Slots of 600 centred over four slots' worth, from 2550.
  EXPECT_EQ(Where(boxes[0]), u"10700,2950-11700,3150"_s);
  EXPECT_EQ(Where(boxes[1]), u"10700,3550-11700,3750"_s);
  EXPECT_EQ(boxes[1].colour, Rgb(0, 255, 0));
  const ChartOp caption = pic.Of(Kind::TextOut).back();  // at (2550 + 600 + 200) / 15
  EXPECT_EQ(std::tuple(caption.text, caption.height, caption.y1),
            std::tuple(u"系列2"_s, 13, 223.0));

  MakeChartTable(grid, QStringList(30, u"5"_s).join(u'|'));
  Draw();
  boxes = pic.Of(Kind::FilledBox);
  ASSERT_EQ(boxes.size(), 30u);
  // 7500 / 31 rounds to 242; the block would start above the top, so it starts at 0.
  EXPECT_EQ(boxes[0].y2, 242);
  EXPECT_EQ(boxes[29].y2, 30 * 242);
}

TEST_F(Chart, TitleLinesAndTheOrderOfDrawing) {
  MakeChartTable(grid, u"3 4"_s, u"第一行\r\n第二行\r\n第三行"_s);
  Draw();
  const std::vector<ChartOp> prints = pic.Of(Kind::Print);
  ASSERT_EQ(prints.size(), 14u);
  // The watermark: the maker and our address by turns; a 50-point line is 67 pixels.
  for (int i = 0; i < 11; ++i)
    EXPECT_EQ(std::tuple(prints[i].text, prints[i].fontName, prints[i].fontSize, prints[i].bold,
                         prints[i].colour, prints[i].x1, prints[i].y1),
              std::tuple(i % 2 ? WatermarkAddress() : u"澄川软件工厂"_s, u"黑体"_s, 50.0, true,
                         Rgb(238, 238, 238), 120.0, i * (67 * 15 + 180.0)));
  // Line 1 18 points bold black, centred; the others 10 points red, 90 twips apart.
  const ChartOp& t1 = prints[11];
  EXPECT_TRUE(t1.fontName == u"宋体"_s && t1.fontSize == 18 && t1.bold && t1.colour == kBlack);
  EXPECT_EQ(t1.y1, 168);
  RecordingSurface measure(1, 1);
  measure.SetFontName(u"宋体"_s);
  measure.SetFontSize(18);
  measure.SetFontBold(true);
  EXPECT_EQ(t1.x1, double(RoundHalfEven((kWidth - measure.TextWidth(t1.text)) / 2)));
  EXPECT_EQ(prints[12].y1, 168 + 360 + 90);
  EXPECT_TRUE(prints[12].fontSize == 10 && !prints[12].bold && prints[12].colour == kRed);
  EXPECT_EQ(prints[13].y1, 618 + 195 + 90);
  EXPECT_EQ(pic.FontSize(), 10);

  // Watermark and title, lines, markers, legend: in this order.
  QList<Kind> order;
  for (const ChartOp& op : pic.ops)
    if (op.kind != Kind::TextOut && (order.isEmpty() || order.back() != op.kind)) order << op.kind;
  EXPECT_EQ(order, (QList{Kind::Cls, Kind::Print, Kind::Line, Kind::Circle, Kind::FilledBox}));
}

TEST_F(Chart, RowBoundsDefaultAndAreCutToTheTable) {
  MakeChartTable(grid, u"1 2 3"_s);
  int first = -1, last = 100;
  DrawChart(pic, grid, first, last, true);
  EXPECT_EQ(std::pair(first, last), std::pair(2, 4));
  Grid tiny;  // fewer than two rows: only cleared
  tiny.SetFixedRows(1);
  tiny.SetRows(1);
  DrawChart(pic, tiny);
  ASSERT_EQ(pic.ops.size(), 1u);
  EXPECT_EQ(pic.ops[0].kind, Kind::Cls);
}

TEST(Watermark, NamesTheAddressKeptInTheSettings) {
  TempProgramFolder folder;
  EXPECT_EQ(WatermarkAddress(), QString::fromUtf16(ParamDefault::WatermarkUrl));
  TempProgramFolder other;
  ASSERT_TRUE(SetParam(QString::fromUtf16(ParamKey::WatermarkUrl), u"www.example.cn"_s));
  EXPECT_EQ(WatermarkAddress(), u"www.example.cn"_s);
}
