#pragma once

#include <QImage>
#include <QWidget>

#include "analysis/chartpicture.h"

namespace lanxi {

// A chart's picture box: shows its ChartPicture at the top-left corner and keeps the picture
// as large as the box, so a chart drawn on it is drawn again whenever the box changes size.
// Mouse buttons are reported with positions in twips from the box's top-left corner.
class ChartView final : public QWidget {
  Q_OBJECT

 public:
  explicit ChartView(QWidget* parent = nullptr);

  // The surface the chart routines draw on.
  ChartPicture& picture() { return picture_; }
  const ChartPicture& picture() const { return picture_; }
  // What the box shows.
  Q_INVOKABLE QImage Image() const { return picture_.Image(); }

 Q_SIGNALS:
  void MouseDown(Qt::MouseButton button, int x, int y);
  void MouseUp(Qt::MouseButton button, int x, int y);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  ChartPicture picture_;
};

}  // namespace lanxi
