#include "analysis/ui/chartview.h"

#include <QMouseEvent>
#include <QPainter>

namespace lanxi {
namespace {

int Twips(qreal pixels) {
  return qRound(pixels) * ChartSurface::kTwipsPerPixel;
}

}  // namespace

ChartView::ChartView(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  picture_.SetSize(size());
  connect(&picture_, &ChartPicture::changed, this, qOverload<>(&QWidget::update));
}

void ChartView::paintEvent(QPaintEvent* event) {
  QPainter p(this);
  const QImage& image = picture_.Image();
  // The picture follows the box's size at once; only an empty one leaves the box to fill.
  if (!image.rect().contains(event->rect())) p.fillRect(event->rect(), Qt::white);
  const QRect shown = event->rect() & image.rect();
  if (!shown.isEmpty()) p.drawImage(shown.topLeft(), image, shown);
}

void ChartView::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  picture_.SetSize(size());
}

void ChartView::mousePressEvent(QMouseEvent* event) {
  const QPointF at = event->position();
  Q_EMIT MouseDown(event->button(), Twips(at.x()), Twips(at.y()));
}

void ChartView::mouseReleaseEvent(QMouseEvent* event) {
  const QPointF at = event->position();
  Q_EMIT MouseUp(event->button(), Twips(at.x()), Twips(at.y()));
}

}  // namespace lanxi
