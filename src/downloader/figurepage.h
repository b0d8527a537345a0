#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

#include "capture/browser.h"

// Loading one item page for the downloader and telling why it could not be read.
namespace lanxi {

// A browser as the downloader needs it: the capture routines' Browser to load pages in, plus
// how the main document of the last load answered and the whole document (head included, where
// structured data lives). The user interface implements it with the browser engine; tests with
// fakes.
class FigureBrowser {
 public:
  virtual ~FigureBrowser() = default;
  virtual Browser* PageBrowser() = 0;
  // The HTTP status of the last load's main document; 0 when no answer came.
  virtual int HttpStatus() = 0;
  // Why the last load failed without an answer (no connection, unknown host …); empty otherwise.
  virtual QString NetworkError() = 0;
  // The whole document as the engine writes it out; nullopt when it cannot be read.
  virtual std::optional<QString> DocumentHtml() = 0;
};

// How a page load ended.
struct PageLoad {
  enum class Outcome {
    Read,          // the reader accepted the document
    NoFigures,     // loaded, but the reader found nothing
    NotFinished,   // still loading when the wait ran out, and nothing to read yet
    NotFound,      // the server answered 404 or 410
    ServerError,   // another HTTP error status
    NetworkError,  // no answer
    LogIn,         // sent to the marketplace's log-in page
  };
  Outcome outcome = Outcome::NoFigures;
  QString address;  // where the browser ended up
  int httpStatus = 0;
  bool finished = true;  // false: read from a page still loading when the wait ran out
  QString reason;        // in the user's words, for every outcome but Read

  bool read() const { return outcome == Outcome::Read; }
  // Whether loading the page once more may help.
  bool worthRetrying() const {
    return outcome == Outcome::NoFigures || outcome == Outcome::NotFinished ||
           outcome == Outcome::NetworkError ||
           (outcome == Outcome::ServerError && (httpStatus >= 500 || httpStatus == 429));
  }
};

// Accepts a document (whole HTML, the address it came from) when figures can be read from it.
using DocumentReader = std::function<bool(const QString& html, const QString& address)>;

// Loads `address` and reads it:
// 1. navigates and waits, as the page waits do, until the document is complete, the browser no
//    longer busy and the page marked finished, for at most `waitMs` in all; a page still
//    loading then is stopped and read as far as it came;
// 2. an HTTP error, a failed connection or an address containing one of `loginMarkers` ends
//    there;
// 3. otherwise the reader gets the document; a page that builds its figures by script after
//    loading is read again every half second for up to `settleMs` more (within the wait).
PageLoad LoadFigurePage(FigureBrowser& browser, const QString& address, int waitMs, int settleMs,
                        const QStringList& loginMarkers, const DocumentReader& reader);

// Lets the user interface run for `ms` milliseconds, sleeping while nothing happens.
void RunEventsFor(int ms);

}  // namespace lanxi
