#pragma once

#include <QString>
#include <vector>

#include "analysis/chartsurface.h"

namespace lanxi {

// One operation on a RecordingSurface, with the state it was drawn in.
struct ChartOp {
  enum class Kind { Cls, Line, Box, FilledBox, Circle, Print, TextOut };
  Kind kind = Kind::Cls;
  // Line and boxes: the two corners; Circle: the centre in (x1, y1) and the radius in x2;
  // Print: the position in (x1, y1). All in twips. TextOut: the position in pixels.
  double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  quint32 colour = 0;  // of the line, outline or text
  int drawStyle = 0;
  int fillStyle = 0;
  quint32 fillColour = 0;
  QString text;
  // Print: the surface's font.
  QString fontName;
  double fontSize = 0;
  bool bold = false;
  // TextOut: cell height in pixels, escapement in tenths of a degree, weight.
  int height = 0, escapement = 0, weight = 0;
};

// A chart surface of a given size that draws nothing but writes down every operation, so tests
// can check what a chart routine drew where. Text is measured in the real fonts, as on an
// ImageSurface. Cls starts the record over with the Cls itself.
class RecordingSurface final : public ChartSurface {
 public:
  RecordingSurface(int widthTwips, int heightTwips) : width_(widthTwips), height_(heightTwips) {}

  void Cls() override;
  int ScaleWidth() const override { return width_; }
  int ScaleHeight() const override { return height_; }
  void TextOut(int x, int y, const QString& text, int heightPx, int escapement,
               int weight) override;

  // Everything drawn since the last Cls, in order.
  std::vector<ChartOp> ops;
  // The operations of one kind, in order.
  std::vector<ChartOp> Of(ChartOp::Kind kind) const;

 protected:
  void DrawLine(double x1, double y1, double x2, double y2, quint32 colour, LineForm form) override;
  void DrawCircle(double x, double y, double radius, quint32 colour) override;
  void DrawText(double x, double y, const QString& text) override;

 private:
  ChartOp Op(ChartOp::Kind kind) const;

  int width_;
  int height_;
};

}  // namespace lanxi
