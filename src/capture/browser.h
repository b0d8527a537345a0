#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace lanxi {

// An embedded web browser as the capture routines see it: it navigates, reports how far a page
// has come, and reads the loaded document back. The user interface implements it with the
// browser engine; tests use scripted fakes. Every browser keeps a load-status tag (see
// MarkPageFinished) that the wait routines read.
//
// Reading the document may let the user interface run events while the engine answers; the
// routines that call these methods pump events anyway.
class Browser {
 public:
  virtual ~Browser() = default;

  // Starts loading an address; does not wait. Loading counts as busy from this call on.
  virtual void Navigate(const QString& address) = 0;
  // Stops loading what is still outstanding; the document keeps what it has.
  virtual void Stop() = 0;
  // The document's ready state in lower case: "uninitialized", "loading" or "complete".
  virtual QString ReadyState() = 0;
  // True while a navigation or download of the page is in progress.
  virtual bool Busy() = 0;
  // The address of the document shown, "about:blank" for a blank page.
  virtual QString LocationURL() = 0;
  virtual QString Title() = 0;
  // The latest status text; while the pointer rests on a link, that link's address.
  virtual QString StatusText() = 0;

  // The body's HTML in the serialisation the item-page markers are written against (see
  // SerializeBodyHtml); nullopt when the document has no body or cannot be read.
  virtual std::optional<QString> BodyHtml() = 0;
  // The body's visible text; empty when there is none.
  virtual QString BodyText() = 0;
  // The absolute addresses of every element with a link (href), in document order.
  virtual QStringList Links() = 0;
  // The absolute addresses (src) of every picture element, in document order.
  virtual QStringList Images() = 0;
  // Writes the picture at `address`, as the page's own session fetches it, to `path`. True
  // when a readable picture was written; on failure nothing is left at `path` that was not
  // there before.
  virtual bool SavePicture(const QString& address, const QString& path) = 0;

  // Silent mode: the page shows no script-error, alert or other dialogs.
  virtual void SetSilent(bool silent) = 0;

  // The load-status tag: "StartDown", empty, or "DownFinished".
  const QString& Tag() const { return tag_; }
  void SetTag(const QString& tag) { tag_ = tag; }

 private:
  QString tag_;
};

// The main window's hidden browser, the default of the page routines when they are given none.
// Installed by the main window (not owned); nullptr when there is none.
Browser* MainBrowser();
void SetMainBrowser(Browser* browser);

}  // namespace lanxi
