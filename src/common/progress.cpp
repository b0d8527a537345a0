#include "common/progress.h"

#include "common/routines.h"

using namespace Qt::StringLiterals;

namespace lanxi {
namespace {

ProgressState g_state;
ProgressDisplay* g_display = nullptr;
// Steps repaint the window and let events run by elapsed time, and always on the last step.
TimedPump g_pump;
QElapsedTimer g_started;  // since ShowProgress: the elapsed time of the time line

// A window that is not loaded is loaded, with its initial texts, when it is touched.
void EnsureLoaded(bool show) {
  if (!g_state.loaded) {
    const ProgressState fresh;
    g_state.labelText = fresh.labelText;
    g_state.countText.clear();
    g_state.timeText.clear();
    g_state.percentText = fresh.percentText;
    g_state.loaded = true;
    g_state.visible = false;
  }
  if (show) g_state.visible = true;
}

void Refresh() {
  if (g_display && g_state.loaded) g_display->Refresh(g_state);
}

// Thousandths of n out of total, cut.
qint64 Thousandths(qint64 n, qint64 total) {
  const qint64 scaled = n * 1000;
  qint64 q = scaled / total;
  if ((scaled % total != 0) && ((scaled < 0) != (total < 0))) --q;  // floor, not toward zero
  return q;
}

}  // namespace

const ProgressState& Progress() {
  return g_state;
}

void SetProgressDisplay(ProgressDisplay* display) {
  g_display = display;
}

int ShowProgress(const QString& caption, int total, int start) {
  EnsureLoaded(false);
  g_state.caption = caption;
  g_state.total = total;
  g_state.labelText = caption;
  Refresh();
  PumpEvents(0);
  if (start < 0) start = g_state.pos;
  DrawProgressBar(start);
  EnsureLoaded(true);
  if (g_display) g_display->Show();
  Refresh();
  g_state.startTime = QDateTime::currentDateTime();
  g_started.start();
  g_pump.Pump(true);
  return start;
}

void StepProgress(int step, const QString& unit) {
  const bool wasLoaded = g_state.loaded;
  EnsureLoaded(false);
  if (!wasLoaded && g_display) g_display->Refresh(g_state);
  if (g_state.total < 1) g_state.total = 1;
  const qint64 n = qint64(g_state.pos) + step;
  const qint64 k = Thousandths(n, g_state.total);
  g_state.percentText = PercentText(n, g_state.total);
  if (unit.compare(u"pages"_s, Qt::CaseInsensitive) == 0 && k >= 1) {
    const qint64 elapsed = g_started.isValid() ? g_started.elapsed() / 1000 : 0;
    const qint64 estimate = qRound64(double(elapsed) * 1000.0 / double(k));
    g_state.timeText = FormatDuration(elapsed) + u'/' + FormatDuration(estimate - elapsed) + u'/' +
                       FormatDuration(estimate);
    g_state.countText = u'(' + QString::number(n) + u'/' + QString::number(g_state.total) + u')';
  }
  g_state.pos = int(n);
  Refresh();
  if (n >= g_state.total) {
    g_pump.Pump(true);
  } else {
    g_pump.Pump();
  }
}

void CloseProgress() {
  g_pump.Pump(true);
  if (!g_state.loaded) return;
  g_state.loaded = false;
  g_state.visible = false;
  if (g_display) g_display->Unload();
}

void DrawProgressBar(int position) {
  g_state.pos = position;
  Refresh();
  g_pump.Pump(true);
}

bool ProgressOpen() {
  return g_state.loaded;
}

void ProgressWindowClosed() {
  g_state.loaded = false;
  g_state.visible = false;
}

QString FormatDuration(qint64 seconds) {
  qint64 s = 0, m = 0, h = 0, d = 0;
  if (seconds > 0) {
    s = seconds % 60;
    m = (seconds / 60) % 60;
    h = (seconds / 3600) % 24;
    d = seconds / 86400;
  }
  QString text = QString::number(d) + u':' + QString::number(h) + u':' + QString::number(m) + u':' +
                 QString::number(s);
  for (int i = 0; i < 2 && text.startsWith(u"0:"_s); ++i) text.remove(0, 2);
  return text;
}

QString PercentText(qint64 n, qint64 total) {
  if (total == 0) return u"0%"_s;
  const qint64 k = Thousandths(n, total);  // tenths of a percent
  const qint64 whole = k / 10, tenth = std::abs(k % 10);
  QString text = (k < 0 && whole == 0 ? u"-"_s : QString()) + QString::number(whole);
  if (tenth) text += u'.' + QString::number(tenth);
  return text + u'%';
}

}  // namespace lanxi
