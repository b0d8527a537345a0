#pragma once

#include <QPointer>
#include <QWebEngineView>
#include <memory>

#include "capture/browser.h"

class QWebEngineDownloadRequest;
class QWebEngineProfile;

namespace lanxi {

// Sets up the browser engine; call before the QApplication is made. Shares graphics contexts
// as the engine needs, appends our flags to QTWEBENGINE_CHROMIUM_FLAGS (keeping those the user
// set) and, when the program runs as root, turns off the engine's sandbox, which refuses root.
void PrepareWebEngine();

// The one browsing session all browsers of the program share, so that a login in the
// add-product window counts for the pages read in the background: kept on disk between runs
// (in memory only while tests run, QStandardPaths test mode).
QWebEngineProfile* CaptureProfile();

// The embedded browser: the main window's hidden WB, the add-product window's WB and WB1 and
// the progress window's browser. Every completed load marks the page finished
// (MarkPageFinished). A page's request for a new window is always refused and reported
// through newWindowRequested. The document is read through the page's script engine in a
// world of its own, so the page's scripts cannot change what is read.
class WebBrowser final : public QWebEngineView, public Browser {
  Q_OBJECT

 public:
  explicit WebBrowser(QWidget* parent = nullptr);
  ~WebBrowser() override;

  // Browser
  void Navigate(const QString& address) override;
  void Stop() override;
  QString ReadyState() override;
  bool Busy() override;
  QString LocationURL() override;
  QString Title() override;
  QString StatusText() override;
  std::optional<QString> BodyHtml() override;
  QString BodyText() override;
  QStringList Links() override;
  QStringList Images() override;
  bool SavePicture(const QString& address, const QString& path) override;
  void SetSilent(bool silent) override;

  // A browser whose pages nobody looks at: it stays hidden, but its pages run as shown ones
  // (a hidden page's timers and drawing are held back, which slows pages that build
  // themselves by script).
  void SetBackground(bool background);

  // How long reading the document may take before it counts as unavailable (a page of 10 MB
  // takes the engine a few seconds on a busy machine).
  static constexpr int kScriptTimeoutMs = 20000;
  // How long saving a picture may take.
  static constexpr int kPictureTimeoutMs = 30000;

 signals:
  // A load begins (the address shown may still be the previous one).
  void downloadBegin();
  // A load has ended, successfully or not; the page has been marked finished.
  void downloadComplete();
  // The status text changed: the address of the link under the pointer, or empty.
  void statusTextChange(const QString& text);
  // The page asked for a new window showing `address` (refused).
  void newWindowRequested(const QString& address);

 private:
  class Page;
  struct PendingDownload;

  std::optional<QVariant> RunScript(const QString& script);
  void OnLoadStarted();
  void OnLoadFinished();
  void OnUrlChanged(const QUrl& url);
  void OnDownloadRequested(QWebEngineDownloadRequest* request);

  Page* page_;
  bool loading_ = false;     // a navigation is under way
  bool committing_ = false;  // navigated, but the new document is not there yet
  bool started_ = false;     // navigated at least once
  bool background_ = false;
  QUrl target_;
  QString status_;
  std::shared_ptr<PendingDownload> download_;
  // The body last read and its serialisation: a wait reads an unchanged page on every poll.
  QString lastBody_;
  std::optional<QString> lastHtml_;
};

}  // namespace lanxi
