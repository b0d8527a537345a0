// The drawing surfaces and the chart picture that draws its table again at a new size.
#include <gtest/gtest.h>
#include <QFontInfo>
#include <QPainter>
#include <QSignalSpy>

#include "analysis/chartpicture.h"
#include "analysis/drawchart.h"
#include "analysis/imagesurface.h"
#include "charttables.h"

using namespace Qt::StringLiterals;
using namespace lanxi;
using namespace lanxi::test;

namespace {

constexpr quint32 kOlive = Rgb(120, 130, 10);
const QRgb kWhite = qRgb(255, 255, 255);

QRgb At(const ImageSurface& pic, int x, int y) {
  return pic.Image().pixel(x, y);
}

}  // namespace

TEST(ImageSurface, LinesBoxesAndDotsKeepTheirExactColours) {
  ImageSurface pic(QSize(200, 100));
  pic.Line(150, 150, 1500, 150, kOlive);  // pixels 10 … 100 of row 10
  EXPECT_EQ(Inked(pic.Image()), QRect(10, 10, 91, 1));

  pic.SetDrawStyle(ChartSurface::kDot);
  pic.Line(150, 300, 600, 300, kOlive);  // dots 1 on, 2 off
  for (int x = 10; x <= 40; ++x) EXPECT_EQ(At(pic, x, 20) != kWhite, (x - 10) % 3 == 0) << x;
  pic.SetDrawStyle(ChartSurface::kSolid);

  pic.Line(1650, 450, 1800, 600, Rgb(0, 0, 255), ChartSurface::LineForm::FilledBox);
  EXPECT_EQ(At(pic, 120, 40), qRgb(0, 0, 255));  // both corners belong to the box
  EXPECT_EQ(At(pic, 121, 41), kWhite);

  ImageSurface slope(QSize(100, 100));  // a sloped line: every pixel in the line's colour
  slope.Line(0, 0, 1485, 900, kOlive);
  const QImage line = slope.Image();
  EXPECT_EQ(Inked(line), QRect(0, 0, 100, 61));
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 100; ++x)
      EXPECT_TRUE((QList{kWhite, ToQColor(kOlive).rgb()}).contains(line.pixel(x, y)));

  ImageSurface dots(QSize(20, 20));  // a marker: red inside, outline colour around it
  dots.SetFillStyle(ChartSurface::kFillSolid);
  dots.SetFillColor(Rgb(255, 0, 0));
  dots.Circle(150, 150, 20, Rgb(255, 0, 0));
  EXPECT_EQ(Inked(dots.Image()), QRect(9, 9, 3, 3));
  dots.SetFillStyle(ChartSurface::kFillTransparent);
  dots.Circle(150, 150, 20, Rgb(0, 0, 0));
  EXPECT_EQ(dots.Image().pixel(10, 10), qRgb(255, 0, 0));  // the inside is left alone
  EXPECT_EQ(dots.Image().pixel(9, 10), qRgb(0, 0, 0));
}

TEST(ImageSurface, ClipsWhatLiesOutsideAndIgnoresWhatIsNoNumber) {
  ImageSurface pic(QSize(50, 50));
  const QImage before = pic.Image();  // images handed out keep their pixels
  pic.Line(-1e12, 375, 1e12, 375, kOlive);
  pic.Line(375, -1e15, 380, 1e15, kOlive);
  pic.Line(std::nan(""), 0, 10, 10, kOlive);
  pic.Line(-1e9, -1e9, 1e9, 1e9, kOlive, ChartSurface::LineForm::FilledBox);
  pic.Circle(1e300, 5, 20);
  pic.TextOut(2000000000, -2000000000, u"远处"_s, 12, 450, 0);
  EXPECT_EQ(At(pic, 0, 0), ToQColor(kOlive).rgb());
  EXPECT_EQ(At(pic, 49, 49), ToQColor(kOlive).rgb());
  EXPECT_TRUE(Inked(before).isEmpty());

  for (QSize size : {QSize(0, 0), QSize(-5, 3), QSize(1, 1)}) {  // tiny pictures draw without fault
    ImageSurface empty(size);
    Grid g;
    MakeChartTable(g, u"5 6 7"_s);
    DrawChart(empty, g);
  }
}

TEST(ImageSurface, TextCellsAreOneEmHigh) {
  ImageSurface pic(QSize(300, 100));
  pic.SetFontName(u"宋体"_s);
  pic.SetFontSize(10);
  EXPECT_EQ(pic.TextHeight(u"第一行\n第二行"_s), 2 * 13 * 15);
  pic.SetFontSize(18);

  pic.SetCurrentX(300);
  pic.SetCurrentY(150);
  pic.Print(u"中"_s);  // 18 points: 24 pixels, 360 twips
  EXPECT_EQ(std::pair(pic.CurrentX(), pic.CurrentY()), std::pair(0.0, 150.0 + 360));
  // The ideograph fills the cell: its ink lies within the 24 pixels from y = 10.
  const QRect ink = Inked(pic.Image());
  EXPECT_TRUE(ink.top() >= 10 && ink.bottom() <= 10 + 24 && ink.height() >= 18);
}

TEST(ImageSurface, ChineseIsDrawnWithSimplifiedGlyphShapes) {
  EXPECT_EQ(QFontInfo(QFont(ChartFontFamily(u"黑体"_s))).family(), u"Noto Sans CJK SC"_s);
  EXPECT_EQ(QFontInfo(QFont(ChartFontFamily(u"宋体"_s))).family(), u"Noto Serif CJK SC"_s);

  // "直" has different shapes in Chinese and Japanese fonts.
  const auto draw = [](const QString& family) {
    QImage image(60, 60, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    QFont f(family);
    f.setPixelSize(48);
    p.setFont(f);
    p.drawText(QPointF(5, 5 + 0.88 * 48), u"直"_s);
    return image;
  };
  ImageSurface pic(QSize(60, 60));
  pic.SetFontName(u"黑体"_s);
  pic.SetFontSize(36);  // 48 pixels
  pic.SetCurrentX(75);
  pic.SetCurrentY(75);
  pic.Print(u"直"_s);
  EXPECT_EQ(pic.Image(), draw(u"Noto Sans CJK SC"_s));
  EXPECT_NE(pic.Image(), draw(u"Noto Sans CJK JP"_s));
}

TEST(ImageSurface, RawTextTurnsAboutItsCorner) {
  ImageSurface pic(QSize(100, 100));
  pic.TextOut(50, 10, u"二〇二三年"_s, 12, -900, 0);  // reads downwards, left of x
  const QRect ink = Inked(pic.Image());
  EXPECT_TRUE(ink.left() >= 50 - 13 && ink.right() <= 51 && ink.top() >= 9);
  EXPECT_GT(ink.height(), 3 * ink.width());
}

TEST(ChartPicture, DrawsItsTableAgainAtANewSize) {
  auto grid = std::make_unique<Grid>();
  MakeChartTable(*grid, u"5 6 7 8 9 8 7 6 5 4"_s);
  ChartPicture pic;
  QSignalSpy changed(&pic, &ChartPicture::changed);
  pic.SetSize(QSize(600, 400));
  DrawChart(pic, *grid);
  QCoreApplication::processEvents();
  EXPECT_EQ(changed.count(), 1);  // once for the whole run of drawing

  pic.SetSize(QSize(900, 500));
  ASSERT_EQ(pic.Image().size(), QSize(900, 500));
  EXPECT_EQ(pic.Image().pixel(846, 223), qRgb(0, 255, 0));  // the legend swatch

  grid.reset();  // the table has gone: the picture stays white
  pic.SetSize(QSize(700, 300));
  EXPECT_EQ(pic.Table(), nullptr);
  EXPECT_TRUE(Inked(pic.Image()).isEmpty());
}
