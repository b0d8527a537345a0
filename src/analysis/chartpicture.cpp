#include "analysis/chartpicture.h"

#include <QTimer>

#include "analysis/drawchart.h"

namespace lanxi {
namespace {

void DrawKept(ChartSurface& pic, const Grid& table, int firstRow, int lastRow, bool allow) {
  DrawChart(pic, table, firstRow, lastRow, allow);  // the rows are copies: the kept ones stay
}

}  // namespace

ChartPicture::ChartPicture(QObject* parent) : QObject(parent) {}

void ChartPicture::KeepTable(const Grid& table, int firstRow, int lastRow, bool allowSecondAxis) {
  table_ = &table;
  firstRow_ = firstRow;
  lastRow_ = lastRow;
  allowSecondAxis_ = allowSecondAxis;
}

void ChartPicture::SetSize(QSize pixels) {
  if (pixels == PixelSize()) return;
  SetPixelSize(pixels);
  Redraw();
  Drawn();
}

void ChartPicture::Redraw() {
  if (table_) DrawKept(*this, *table_, firstRow_, lastRow_, allowSecondAxis_);
}

QImage ChartPicture::Render() const {
  if (!table_) return Image().copy();
  ImageSurface surface(PixelSize());
  DrawKept(surface, *table_, firstRow_, lastRow_, allowSecondAxis_);
  return surface.Image();
}

void ChartPicture::Drawn() {
  if (pending_) return;
  pending_ = true;
  QTimer::singleShot(0, this, [this] {
    pending_ = false;
    Q_EMIT changed();
  });
}

}  // namespace lanxi
