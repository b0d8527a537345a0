#include "downloader/ui/enginefigurebrowser.h"

#include <QEventLoop>
#include <QPointer>
#include <QTimer>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#include <memory>

#include "capture/ui/webbrowser.h"

using namespace Qt::StringLiterals;

namespace lanxi {
namespace {

// The engine's error name ("net::ERR_NAME_NOT_RESOLVED") with the common ones said in words.
QString NetworkErrorText(const QString& engineText) {
  static const std::pair<const char*, const char16_t*> kWords[] = {
      {"ERR_NAME_NOT_RESOLVED", u"找不到该网站"},
      {"ERR_INTERNET_DISCONNECTED", u"没有连接网络"},
      {"ERR_CONNECTION_REFUSED", u"网站拒绝连接"},
      {"ERR_CONNECTION_RESET", u"连接被中断"},
      {"ERR_CONNECTION_TIMED_OUT", u"连接超时"},
      {"ERR_TIMED_OUT", u"连接超时"},
      {"ERR_ADDRESS_UNREACHABLE", u"无法到达网站"},
      {"ERR_CERT_", u"网站的安全证书有问题"},
      {"ERR_TOO_MANY_REDIRECTS", u"网页转向次数过多"},
  };
  for (const auto& [name, words] : kWords)
    if (engineText.contains(QLatin1StringView(name)))
      return QString::fromUtf16(words) + u"，"_s + engineText;
  return engineText;
}

}  // namespace

EngineFigureBrowser::EngineFigureBrowser(QWidget* parent)
    : browser_(new WebBrowser(parent)), owned_(parent == nullptr) {
  browser_->setObjectName(u"WB"_s);
  browser_->SetBackground(true);
  connect(browser_->page(), &QWebEnginePage::loadingChanged, this,
          &EngineFigureBrowser::OnLoadingChanged);
}

EngineFigureBrowser::~EngineFigureBrowser() {
  if (owned_) delete browser_;
}

Browser* EngineFigureBrowser::PageBrowser() {
  return browser_;
}

void EngineFigureBrowser::OnLoadingChanged(const QWebEngineLoadingInfo& info) {
  switch (info.status()) {
    case QWebEngineLoadingInfo::LoadStartedStatus:
      status_ = 0;
      error_.clear();
      break;
    case QWebEngineLoadingInfo::LoadSucceededStatus:
    case QWebEngineLoadingInfo::LoadFailedStatus:
      if (info.errorDomain() == QWebEngineLoadingInfo::HttpStatusCodeDomain) {
        status_ = info.errorCode();
      } else if (info.status() == QWebEngineLoadingInfo::LoadFailedStatus) {
        error_ = NetworkErrorText(info.errorString());
      } else if (status_ == 0) {
        status_ = 200;
      }
      break;
    case QWebEngineLoadingInfo::LoadStoppedStatus:
      break;
  }
}

std::optional<QString> EngineFigureBrowser::DocumentHtml() {
  struct Result {
    bool done = false;
    QString html;
    QPointer<QEventLoop> loop;
  };
  auto result = std::make_shared<Result>();
  QEventLoop loop;
  result->loop = &loop;
  const QPointer<WebBrowser> alive(browser_);
  browser_->page()->toHtml([result](const QString& html) {
    result->done = true;
    result->html = html;
    if (result->loop) result->loop->quit();
  });
  if (!result->done) {
    QTimer::singleShot(kReadTimeoutMs, &loop, &QEventLoop::quit);
    loop.exec();
  }
  if (!alive || !result->done) return std::nullopt;
  return result->html;
}

}  // namespace lanxi
