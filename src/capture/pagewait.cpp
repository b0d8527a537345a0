#include "capture/pagewait.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <functional>

#include "common/progress.h"

using namespace Qt::StringLiterals;

namespace lanxi {
namespace {

Browser* g_mainBrowser = nullptr;
int g_pollIntervalMs = 10;

Browser* OrMain(Browser* browser) {
  return browser ? browser : g_mainBrowser;
}

// Lets the user interface run for `ms` milliseconds, sleeping while nothing happens.
void RunEventsFor(int ms) {
  if (!QCoreApplication::instance()) return;
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

enum class PollResult { Continue, True, False };

// One poll of a wait: events run, then cancellation, marker and "nowait" are tested.
PollResult Poll(Browser* browser, bool cancellable, const QString& waitMarker, bool firstPhase) {
  RunEventsFor(g_pollIntervalMs);
  if (cancellable && !ProgressOpen()) return PollResult::False;
  if (!waitMarker.isEmpty() && PageContainsText(waitMarker, browser)) {
    if (firstPhase) browser->Stop();
    return PollResult::True;
  }
  if (waitMarker == QStringView(kNoWait) && !PageInnerText(browser).isEmpty())
    return PollResult::False;
  return PollResult::Continue;
}

}  // namespace

Browser* MainBrowser() {
  return g_mainBrowser;
}

void SetMainBrowser(Browser* browser) {
  g_mainBrowser = browser;
}

int PollIntervalMs() {
  return g_pollIntervalMs;
}

void SetPollIntervalMs(int ms) {
  g_pollIntervalMs = std::max(1, ms);
}

void StartNavigate(Browser* browser, const QString& address) {
  if (!browser) return;
  browser->SetSilent(true);
  browser->Navigate(address);
  browser->SetTag(QString::fromUtf16(kTagStartDown));
}

bool LoadPage(const QString& address, Browser* browser, int maxPolls, bool cancellable,
              const QString& waitMarker) {
  browser = OrMain(browser);
  if (!browser) return false;
  StartNavigate(browser, address);
  browser->SetTag(QString());
  return WaitPageReady(maxPolls, browser, cancellable, waitMarker);
}

bool WaitPageReady(int maxPolls, Browser* browser, bool cancellable, const QString& waitMarker) {
  browser = OrMain(browser);
  if (!browser) return false;
  const std::function<bool()> phases[] = {
      [browser] { return browser->ReadyState() != u"complete"_s; },
      [browser] { return browser->Busy(); },
      [browser] { return browser->Tag() != QStringView(kTagDownFinished); },
  };
  // Twice the time the polls take when each lasts one interval: a busy machine or a slowly
  // read page may lengthen a poll, never the wait beyond this.
  const qint64 phaseLimitMs = 2 * qint64(std::max(0, maxPolls)) * g_pollIntervalMs;
  for (int phase = 0; phase < 3; ++phase) {
    QElapsedTimer clock;
    clock.start();
    for (int polls = 0; polls < maxPolls && clock.elapsed() < phaseLimitMs && phases[phase]();
         ++polls) {
      const PollResult r = Poll(browser, cancellable, waitMarker, phase == 0);
      if (r != PollResult::Continue) return r == PollResult::True;
    }
  }
  return true;
}

bool PageContainsText(const QString& marker, Browser* browser) {
  browser = OrMain(browser);
  if (!browser) return false;
  const std::optional<QString> html = browser->BodyHtml();
  return html && html->contains(marker);
}

QString PageInnerText(Browser* browser) {
  browser = OrMain(browser);
  return browser ? browser->BodyText() : QString();
}

QString PageHtml(Browser* browser) {
  browser = OrMain(browser);
  if (!browser) return {};
  return browser->BodyHtml().value_or(QString());
}

void MarkPageFinished(Browser* browser) {
  if (!browser) return;
  const QString location = browser->LocationURL();
  if (location != u"http:///"_s && location != u"about:blank"_s)
    browser->SetTag(QString::fromUtf16(kTagDownFinished));
}

}  // namespace lanxi
