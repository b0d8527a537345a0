#pragma once

#include <QObject>

#include "downloader/figurepage.h"

class QWebEngineLoadingInfo;

namespace lanxi {

class WebBrowser;

// The downloader's browser: the program's browser engine (WebBrowser, sharing the capture
// profile, so that a log-in made in the add-product window counts here too), with the HTTP
// status of each load and the whole document read through the engine.
class EngineFigureBrowser final : public QObject, public FigureBrowser {
  Q_OBJECT

 public:
  // The browser widget is made with `parent` (none: owned by this object) and stays hidden.
  explicit EngineFigureBrowser(QWidget* parent = nullptr);
  ~EngineFigureBrowser() override;

  Browser* PageBrowser() override;
  int HttpStatus() override { return status_; }
  QString NetworkError() override { return error_; }
  std::optional<QString> DocumentHtml() override;

  WebBrowser* view() const { return browser_; }

  // How long reading the document may take.
  static constexpr int kReadTimeoutMs = 20000;

 private:
  void OnLoadingChanged(const QWebEngineLoadingInfo& info);

  WebBrowser* browser_;
  bool owned_;
  int status_ = 0;
  QString error_;
};

}  // namespace lanxi
