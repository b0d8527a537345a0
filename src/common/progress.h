#pragma once

#include <QDateTime>
#include <QString>

// The one progress indication shared by every long operation: open it, step it, close it.
// The state and its arithmetic live here; the window Indicator only shows them.
namespace lanxi {

// What the progress window shows, and whether it is loaded.
struct ProgressState {
  QString caption;       // ProgressCaption, also the label LBL
  int total = 0;         // ProgressTotal
  int pos = 0;           // ProgressPos: steps done, the bar's extent
  QDateTime startTime;   // ProgressStartTime
  bool loaded = false;   // ProgressOpen
  bool visible = false;  // shown (a step after the user closed it loads it hidden)
  QString labelText = QStringLiteral("进度条指示器");  // LBL
  QString countText;                                   // L1: "(n/total)"
  QString timeText;                                    // L2: elapsed/remaining/total
  QString percentText = QStringLiteral("0%");          // Percent
};

// The window that shows the state. Installed by the user interface; without one the state is
// kept all the same.
class ProgressDisplay {
 public:
  virtual ~ProgressDisplay() = default;
  // The state changed (and the window is loaded): show it.
  virtual void Refresh(const ProgressState& state) = 0;
  // Load and show, load hidden, or unload the window.
  virtual void Show() = 0;
  virtual void Unload() = 0;
};

const ProgressState& Progress();
void SetProgressDisplay(ProgressDisplay* display);

// Opens the progress window with a caption and a number of steps, the bar at `start`. A
// negative start continues from where the last operation stopped. Answers the start used.
int ShowProgress(const QString& caption, int total, int start = 0);
// Advances by `step`. The unit "pages" adds the item count and the elapsed, remaining and
// estimated total time. The window's texts follow every step; pending events (its repaint
// among them) run when TimedPump's interval has passed since they last did and on the step that
// reaches the total, so that thousands of short steps do not spend their time on event passes.
void StepProgress(int step = 1, const QString& unit = QStringLiteral("pages"));
void CloseProgress();
// Sets the bar to `position` of the total, shows it and lets pending events run.
void DrawProgressBar(int position);
// True while the progress window is loaded. Closing it is how the user cuts a page wait short.
bool ProgressOpen();
// The window reports that the user closed it.
void ProgressWindowClosed();

// "d:h:m:s" without leading zero parts, but always with minutes and seconds: 7 → "0:7",
// 307 → "5:7", 3907 → "1:5:7", 90061 → "1:1:1:1".
QString FormatDuration(qint64 seconds);
// The percentage of n out of total, cut (not rounded) to a tenth: 1 of 3 → "33.3%".
QString PercentText(qint64 n, qint64 total);

}  // namespace lanxi
