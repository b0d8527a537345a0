#pragma once

#include <QObject>
#include <QPointer>

#include "analysis/imagesurface.h"
#include "tables/grid.h"

namespace lanxi {

// What a chart's picture box holds: an image of the box's size that the chart routines draw on,
// and the table last drawn on it with DrawChart. When the box changes size the picture draws
// that table again at the new size, so a chart always fills its box. changed() tells the view
// once after a run of drawing.
class ChartPicture : public QObject, public ImageSurface {
  Q_OBJECT

 public:
  explicit ChartPicture(QObject* parent = nullptr);

  // A new size in pixels: the kept table is drawn again, or else the picture is white.
  void SetSize(QSize pixels);
  // The table last drawn with DrawChart (nullptr when none, or when it has gone).
  const Grid* Table() const { return table_; }
  // The chart drawn again into a new image of the picture's size, for saving; without a kept
  // table, a copy of the picture as it is.
  QImage Render() const;

  void KeepTable(const Grid& table, int firstRow, int lastRow, bool allowSecondAxis) override;

 Q_SIGNALS:
  void changed();

 protected:
  void Drawn() override;

 private:
  void Redraw();

  QPointer<const Grid> table_;
  int firstRow_ = -1;
  int lastRow_ = -1;
  bool allowSecondAxis_ = true;
  bool pending_ = false;  // changed() is on its way
};

}  // namespace lanxi
