#include "mainwindow/ui/picturebox.h"

#include <QMouseEvent>
#include <QPainter>

#include "mainwindow/ui/twips.h"

namespace lanxi {

PictureBox::PictureBox(QWidget* parent) : QWidget(parent) {
  setAutoFillBackground(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, Qt::white);
  setPalette(pal);
}

void PictureBox::setImage(const QImage& image) {
  image_ = image;
  update();
}

void PictureBox::clear() {
  setImage(QImage());
}

void PictureBox::paintEvent(QPaintEvent*) {
  QPainter p(this);
  if (!image_.isNull()) p.drawImage(0, 0, image_);
  p.setPen(palette().color(QPalette::Mid));
  p.drawRect(rect().adjusted(0, 0, -1, -1));
}

void PictureBox::mousePressEvent(QMouseEvent* event) {
  const QPoint at = event->position().toPoint();
  Q_EMIT MouseDown(event->button(), Tw(at.x()), Tw(at.y()));
}

}  // namespace lanxi
