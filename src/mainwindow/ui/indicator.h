#pragma once

#include <QElapsedTimer>
#include <QWidget>

#include "common/progress.h"

class QLabel;
class QTimer;

namespace lanxi {

// The progress window: what is being done, a bar, the percentage and, for counted work, the
// elapsed / remaining / estimated total time and the count of items done. Closing it cuts the
// running page wait short.
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
  // Paints the window at most once per interval while steps follow each other quickly; the
  // texts are always up to date, and the last state is painted when the steps pause.
  void ThrottlePainting();

  class Bar;
  QLabel* lbl_;
  QLabel* l1_;
  QLabel* l2_;
  QLabel* percent_;
  Bar* bar_;
  bool unloading_ = false;
  QElapsedTimer painted_;
  QTimer* paintLater_;
};

}  // namespace lanxi
