#pragma once

#include <QStringList>

#include "common/progress.h"

namespace lanxi::test {

// Records each opening of the progress window with the caption and total it was opened with.
class ProgressRecorder final : public ProgressDisplay {
 public:
  ProgressRecorder() { SetProgressDisplay(this); }
  ~ProgressRecorder() override { SetProgressDisplay(nullptr); }
  void Refresh(const ProgressState&) override {}
  void Show() override { shown << Progress().caption + u'/' + QString::number(Progress().total); }
  void Unload() override { ++unloads; }
  QStringList shown;  // "caption/total"
  int unloads = 0;
};

}  // namespace lanxi::test
