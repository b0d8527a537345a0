#pragma once

#include <algorithm>

#include "common/progress.h"

namespace lanxi {

// Advances the progress window once per item of a long loop, but hands the steps over in
// bundles of a thousandth of the total: the window shows the fraction to a tenth of a percent,
// so it still shows every change, while tens of thousands of items do not each cost the texts
// of a step (repaints and event passes go by time, see StepProgress). Flush() hands over what is
// left, so the window ends at the full count; call it before the window closes.
class ProgressSteps {
 public:
  explicit ProgressSteps(int total) : bundle_(std::max(1, total / 1000)) {}
  ProgressSteps(const ProgressSteps&) = delete;
  ProgressSteps& operator=(const ProgressSteps&) = delete;

  void Step() {
    if (++pending_ >= bundle_) Flush();
  }
  void Flush() {
    if (pending_ > 0) StepProgress(pending_);
    pending_ = 0;
  }

 private:
  int bundle_;
  int pending_ = 0;
};

}  // namespace lanxi
