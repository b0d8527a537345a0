#include "mainwindow/ui/indicator.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPainter>

#include "common/twips.h"

using namespace Qt::StringLiterals;

namespace lanxi {
// The bar area: filled in pure blue from the left up to the share of the work done.
class Indicator::Bar final : public QWidget {
 public:
  explicit Bar(QWidget* parent) : QWidget(parent) { setObjectName(u"Pic"_s); }
  void set(int pos, int total) {
    if (pos_ == pos && total_ == total) return;
    pos_ = pos;
    total_ = total;
    update();
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    if (total_ != 0 && pos_ > 0) {
      const double share = std::min(1.0, double(pos_) / total_);
      p.fillRect(QRectF(0, 0, share * width(), height()), QColor(0, 0, 255));
    }
    p.setPen(Qt::gray);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
  }

 private:
  int pos_ = 0;
  int total_ = 0;
};

Indicator::Indicator(QWidget* parent) : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint) {
  setObjectName(u"Indicator"_s);
  setWindowTitle(u"进度指示器"_s);
  setAttribute(Qt::WA_ShowWithoutActivating);
  const int barWidth = Px(8580), barHeight = Px(285);
  setFixedSize(barWidth + 24, barHeight + 44);

  lbl_ = new QLabel(this);
  lbl_->setObjectName(u"LBL"_s);
  lbl_->setGeometry(12, 6, barWidth - 140, 22);
  l1_ = new QLabel(this);
  l1_->setObjectName(u"L1"_s);
  l1_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  l1_->setGeometry(12 + barWidth - 140, 6, 140, 22);
  bar_ = new Bar(this);
  bar_->setGeometry(12, 32, barWidth, barHeight);
  // The texts inside the bar stay readable over blue and white alike.
  l2_ = new QLabel(bar_);
  l2_->setObjectName(u"L2"_s);
  l2_->setGeometry(6, 0, barWidth / 2, barHeight);
  percent_ = new QLabel(bar_);
  percent_->setObjectName(u"Percent"_s);
  percent_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  percent_->setGeometry(barWidth / 2, 0, barWidth / 2 - 6, barHeight);
  for (QLabel* l : {l2_, percent_})
    l->setStyleSheet(u"color: #c00000; background: transparent; font-weight: bold;"_s);
  Refresh(ProgressState());
  SetProgressDisplay(this);
}

Indicator::~Indicator() {
  SetProgressDisplay(nullptr);
}

void Indicator::Refresh(const ProgressState& state) {
  lbl_->setText(state.labelText);
  l1_->setText(state.countText);
  l2_->setText(state.timeText);
  percent_->setText(state.percentText);
  bar_->set(state.pos, state.total);
}

void Indicator::Show() {
  show();
  raise();
}

void Indicator::Unload() {
  unloading_ = true;
  close();
  unloading_ = false;
}

void Indicator::closeEvent(QCloseEvent* event) {
  if (!unloading_) ProgressWindowClosed();  // the user closed it
  event->accept();
}

}  // namespace lanxi
