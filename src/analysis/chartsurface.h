#pragma once

#include <QColor>
#include <QFont>
#include <QFontMetricsF>
#include <QString>
#include <array>
#include <optional>

namespace lanxi {

class Grid;

// A colour as the program keeps it: 24 bits in the order blue, green, red (0xBBGGRR).
constexpr quint32 Rgb(int red, int green, int blue) {
  return quint32(blue & 0xff) << 16 | quint32(green & 0xff) << 8 | quint32(red & 0xff);
}
inline QColor ToQColor(quint32 bgr) {
  return QColor(int(bgr & 0xff), int(bgr >> 8 & 0xff), int(bgr >> 16 & 0xff));
}

// The font family that stands for a face name of the charts: "黑体" is the sans-serif and
// "宋体" the serif Chinese face (Noto Sans / Serif CJK SC, so Chinese is drawn with simplified
// glyph shapes); an empty name means the default face, the sans-serif one. Other names are
// used as they are.
QString ChartFontFamily(const QString& faceName);

// The surface a chart is drawn on, in twips (15 to a logical pixel, 1440 to the inch), with
// the operations and drawing state of a picture box. Positions grow to the right and down
// from the top-left corner; nothing outside the surface is drawn.
//
// Text is laid out in Chinese text cells: a line of text is one em high (its font size in
// pixels; a 10-point font gives 13 pixels, 195 twips) and Print puts the top of the cell at
// CurrentY, the glyphs sitting on a baseline 0.88 em below it, as the ideographs of the CJK
// faces fill their em box. TextHeight and the raw TextOut use the same cell.
//
// Drawing operations take the state they need (colour, line style, font) from the surface at
// the time of the call; DrawChart leaves the state as its last routine set it. Subclasses put
// the operations on a device: ImageSurface paints into an image, RecordingSurface writes down
// what was drawn where for the tests.
class ChartSurface {
 public:
  static constexpr int kTwipsPerPixel = 15;

  // Line styles of DrawStyle.
  enum { kSolid = 0, kDash = 1, kDot = 2 };
  // Fill styles of FillStyle: the inside of a circle is filled with FillColor, or left alone.
  enum { kFillSolid = 0, kFillTransparent = 1 };
  // What Line draws between its two corners.
  enum class LineForm { Segment, Box, FilledBox };

  ChartSurface();
  virtual ~ChartSurface();
  ChartSurface(const ChartSurface&) = delete;
  ChartSurface& operator=(const ChartSurface&) = delete;

  // Clears the whole surface to white; CurrentX and CurrentY go back to 0.
  virtual void Cls() = 0;
  // The size of the drawing area in twips.
  virtual int ScaleWidth() const = 0;
  virtual int ScaleHeight() const = 0;
  // A length in twips as pixels.
  static double ScaleX(double twips) { return twips / kTwipsPerPixel; }
  static double ScaleY(double twips) { return twips / kTwipsPerPixel; }

  // A line from (x1, y1) to (x2, y2), a rectangle's outline or a filled rectangle with those
  // corners, in `colour` or else ForeColor, in DrawStyle and DrawWidth. Afterwards CurrentX and
  // CurrentY are (x2, y2).
  void Line(double x1, double y1, double x2, double y2, std::optional<quint32> colour = {},
            LineForm form = LineForm::Segment);
  // A circle around (x, y): its outline in `colour` or else ForeColor and DrawStyle, its inside
  // filled with FillColor when FillStyle is solid.
  void Circle(double x, double y, double radius, std::optional<quint32> colour = {});
  // Writes one line of text at CurrentX, CurrentY in the current font and ForeColor; then
  // CurrentX goes back to 0 and CurrentY moves down by one line.
  void Print(const QString& text);
  // The size of a text in the current font, in twips; TextHeight counts its lines.
  double TextWidth(const QString& text) const;
  double TextHeight(const QString& text) const;

  // Raw text output at a pixel position (the top-left corner of the text cell) in ForeColor,
  // in a font of the default face with a cell of `heightPx` pixels, turned by `escapement`
  // tenths of a degree counter-clockwise about that corner, of GDI weight `weight` (100 thin
  // … 400 regular … 700 bold … 900; 0 is regular). Leaves the surface's font as it was.
  virtual void TextOut(int x, int y, const QString& text, int heightPx, int escapement,
                       int weight) = 0;

  // DrawChart tells the surface which table it is drawing and how (the arguments as the caller
  // gave them), so that a picture that changes size can draw it again. Nothing by default.
  virtual void KeepTable(const Grid& table, int firstRow, int lastRow, bool allowSecondAxis);

  // Drawing state.
  quint32 ForeColor() const { return foreColor_; }
  void SetForeColor(quint32 bgr) { foreColor_ = bgr; }
  const QString& FontName() const { return fontName_; }
  void SetFontName(const QString& name);
  double FontSize() const { return fontSize_; }  // points
  void SetFontSize(double points);
  bool FontBold() const { return fontBold_; }
  void SetFontBold(bool bold);
  int DrawStyle() const { return drawStyle_; }
  void SetDrawStyle(int style) { drawStyle_ = style; }
  int DrawWidth() const { return drawWidth_; }  // pixels
  void SetDrawWidth(int pixels) { drawWidth_ = pixels < 1 ? 1 : pixels; }
  int FillStyle() const { return fillStyle_; }
  void SetFillStyle(int style) { fillStyle_ = style; }
  quint32 FillColor() const { return fillColor_; }
  void SetFillColor(quint32 bgr) { fillColor_ = bgr; }
  double CurrentX() const { return currentX_; }
  void SetCurrentX(double twips) { currentX_ = twips; }
  double CurrentY() const { return currentY_; }
  void SetCurrentY(double twips) { currentY_ = twips; }

  // The current font as Qt knows it (family from ChartFontFamily, pixel size from FontSize).
  const QFont& Font() const { return font_; }
  // The pixel size of a font of `points` points on the surface.
  static int FontPixels(double points);
  // Where the baseline of a text cell lies below its top, as a share of the cell's height.
  static constexpr double kBaseline = 0.88;

 protected:
  // The device operations, in twips, with the state read from the surface.
  virtual void DrawLine(double x1, double y1, double x2, double y2, quint32 colour,
                        LineForm form) = 0;
  virtual void DrawCircle(double x, double y, double radius, quint32 colour) = 0;
  virtual void DrawText(double x, double y, const QString& text) = 0;

  // Puts the current position back at the top-left corner (for Cls).
  void ResetPosition() { currentX_ = currentY_ = 0; }

 private:
  void UpdateFont();

  quint32 foreColor_ = 0;
  QString fontName_;
  double fontSize_ = 9;
  bool fontBold_ = false;
  int drawStyle_ = kSolid;
  int drawWidth_ = 1;
  int fillStyle_ = kFillTransparent;
  quint32 fillColor_ = 0;
  double currentX_ = 0;
  double currentY_ = 0;
  QFont font_;
  QFontMetricsF metrics_;
  mutable std::array<double, 128> advances_;  // of the ASCII characters measured so far, in pixels
};

}  // namespace lanxi
