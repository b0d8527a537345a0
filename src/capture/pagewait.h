#pragma once

#include <QString>

#include "capture/browser.h"

// Loading pages into a browser and waiting for them (module 下载网页). Every routine that is
// given no browser uses the main window's (MainBrowser()); when there is none it does nothing
// and answers false or empty.
namespace lanxi {

// Values of the load-status tag.
inline constexpr char16_t kTagStartDown[] = u"StartDown";
inline constexpr char16_t kTagDownFinished[] = u"DownFinished";

// waitMarker of LoadPage that ends the wait as soon as the page shows any text.
inline constexpr char16_t kNoWait[] = u"nowait";

// Silences the browser, starts the navigation and sets the tag to "StartDown". Does not wait.
void StartNavigate(Browser* browser, const QString& address);

// Starts the navigation, empties the tag and waits (WaitPageReady).
bool LoadPage(const QString& address, Browser* browser, int maxPolls, bool cancellable,
              const QString& waitMarker);

// Waits in three phases, each of at most `maxPolls` polls: while the document is not
// complete, while the browser is busy, while the tag is not "DownFinished". A poll lets the
// user interface run for one poll interval (PollIntervalMs); a phase also ends after
// 2 × maxPolls × PollIntervalMs milliseconds however slowly the page is read (100 s for 5000
// polls of 10 ms). After each poll:
// - when cancellable and the progress window has been closed, answers false;
// - when waitMarker is set and the page's HTML holds it, answers true (in the first phase
//   after stopping the rest of the page's loading);
// - when waitMarker is "nowait" and the page shows any text, answers false.
// Running out of polls is no failure: the answer is then true.
bool WaitPageReady(int maxPolls, Browser* browser, bool cancellable, const QString& waitMarker);

// Whether `marker` occurs (case-sensitive) in the page's body HTML.
bool PageContainsText(const QString& marker, Browser* browser);
// The body's visible text.
QString PageInnerText(Browser* browser);
// The body's HTML (Browser::BodyHtml), empty when it is not available.
QString PageHtml(Browser* browser);
// Sets the tag to "DownFinished" unless the browser shows a blank page. Called from the
// browsers' completion events.
void MarkPageFinished(Browser* browser);

// How long one poll lets the user interface run, in milliseconds (10 unless changed).
int PollIntervalMs();
void SetPollIntervalMs(int ms);

}  // namespace lanxi
