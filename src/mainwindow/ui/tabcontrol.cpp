#include "mainwindow/ui/tabcontrol.h"

#include <QTabBar>

#include "common/twips.h"

using namespace Qt::StringLiterals;

namespace lanxi {

TabControl::TabControl(QWidget* parent) : QWidget(parent), bar_(new QTabBar(this)) {
  bar_->setDrawBase(false);
  bar_->setExpanding(false);
  bar_->setStyleSheet(u"QTabBar::tab { height: 20px; padding: 0 14px; }"_s);
  connect(bar_, &QTabBar::currentChanged, this, [this](int index) {
    const int previous = current_;
    current_ = index;
    Q_EMIT Click(previous);
  });
}

QWidget* TabControl::addTab(const QString& caption, const QString& frameName) {
  auto* frame = new QWidget(this);
  frame->setObjectName(frameName);
  frames_ << frame;
  bar_->addTab(caption);
  bar_->raise();
  return frame;
}

QWidget* TabControl::frame(int index) const {
  return frames_.value(index);
}

int TabControl::count() const {
  return int(frames_.size());
}

int TabControl::currentIndex() const {
  return current_;
}

void TabControl::setCurrentIndex(int index) {
  bar_->setCurrentIndex(index);
}

void TabControl::resizeEvent(QResizeEvent*) {
  bar_->setGeometry(0, 0, width(), Px(360));
}

}  // namespace lanxi
