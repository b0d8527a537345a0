#pragma once

#include <QWidget>

#include "common/progress.h"

class QLabel;

namespace lanxi {

// The progress window: what is being done, a bar, the percentage and, for counted work, the
// elapsed / remaining / estimated total time and the count of items done. Closing it cuts the
// running page wait short. Its texts change at every step; it is painted when the work lets
// events run, which the progress routines do at most every few tens of milliseconds.
class Indicator final : public QWidget, public ProgressDisplay {
  Q_OBJECT

 public:
  explicit Indicator(QWidget* parent = nullptr);
  ~Indicator() override;

  void Refresh(const ProgressState& state) override;
  void Show() override;
  void Unload() override;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  class Bar;
  QLabel* lbl_;
  QLabel* l1_;
  QLabel* l2_;
  QLabel* percent_;
  Bar* bar_;
  bool unloading_ = false;
};

}  // namespace lanxi
