#pragma once

#include <QImage>
#include <QWidget>

namespace lanxi {

// A drawing surface that shows an image the program painted (a chart) at its top-left corner.
class PictureBox final : public QWidget {
  Q_OBJECT

 public:
  explicit PictureBox(QWidget* parent = nullptr);
  const QImage& image() const { return image_; }
  void setImage(const QImage& image);
  void clear();

 Q_SIGNALS:
  // A mouse button went down; the position is in twips from the box's top-left corner.
  void MouseDown(Qt::MouseButton button, int x, int y);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  QImage image_;
};

}  // namespace lanxi
