#include "analysis/recordingsurface.h"

namespace lanxi {

ChartOp RecordingSurface::Op(ChartOp::Kind kind) const {
  ChartOp op;
  op.kind = kind;
  op.colour = ForeColor();
  op.drawStyle = DrawStyle();
  op.fillStyle = FillStyle();
  op.fillColour = FillColor();
  op.fontName = FontName();
  op.fontSize = FontSize();
  op.bold = FontBold();
  return op;
}

void RecordingSurface::Cls() {
  ops.clear();
  ops.push_back(Op(ChartOp::Kind::Cls));
  ResetPosition();
}

void RecordingSurface::DrawLine(double x1, double y1, double x2, double y2, quint32 colour,
                                LineForm form) {
  ChartOp op = Op(form == LineForm::Segment ? ChartOp::Kind::Line
                  : form == LineForm::Box   ? ChartOp::Kind::Box
                                            : ChartOp::Kind::FilledBox);
  op.x1 = x1, op.y1 = y1, op.x2 = x2, op.y2 = y2;
  op.colour = colour;
  ops.push_back(op);
}

void RecordingSurface::DrawCircle(double x, double y, double radius, quint32 colour) {
  ChartOp op = Op(ChartOp::Kind::Circle);
  op.x1 = x, op.y1 = y, op.x2 = radius;
  op.colour = colour;
  ops.push_back(op);
}

void RecordingSurface::DrawText(double x, double y, const QString& text) {
  ChartOp op = Op(ChartOp::Kind::Print);
  op.x1 = x, op.y1 = y;
  op.text = text;
  ops.push_back(op);
}

void RecordingSurface::TextOut(int x, int y, const QString& text, int heightPx, int escapement,
                               int weight) {
  ChartOp op = Op(ChartOp::Kind::TextOut);
  op.x1 = x, op.y1 = y;
  op.text = text;
  op.height = heightPx, op.escapement = escapement, op.weight = weight;
  ops.push_back(op);
}

std::vector<ChartOp> RecordingSurface::Of(ChartOp::Kind kind) const {
  std::vector<ChartOp> out;
  for (const ChartOp& op : ops)
    if (op.kind == kind) out.push_back(op);
  return out;
}

}  // namespace lanxi
