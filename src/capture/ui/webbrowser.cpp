#include "capture/ui/webbrowser.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QImageReader>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QWebEngineDownloadRequest>
#include <QWebEngineNewWindowRequest>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <filesystem>

#include "capture/htmlserializer.h"
#include "capture/pagewait.h"

using namespace Qt::StringLiterals;

namespace lanxi {
namespace {

// The body with every link and picture address made absolute, as the engine resolves them,
// copied into a document of its own so that its pictures are not fetched again.
constexpr char16_t kBodyHtmlScript[] =
    uR"((function () {
  var body = document.body;
  if (!body) return null;
  var copy = document.implementation.createHTMLDocument('').importNode(body, true);
  var from = body.querySelectorAll('[href],[src]');
  var to = copy.querySelectorAll('[href],[src]');
  for (var i = 0; i < from.length && i < to.length; ++i) {
    var e = from[i];
    if (typeof e.href === 'string' && e.hasAttribute('href')) to[i].setAttribute('href', e.href);
    if (typeof e.src === 'string' && e.hasAttribute('src')) to[i].setAttribute('src', e.src);
  }
  return copy.outerHTML;
})())";

constexpr char16_t kBodyTextScript[] = u"document.body ? document.body.innerText : ''";

constexpr char16_t kLinksScript[] =
    uR"(Array.prototype.map.call(
  document.querySelectorAll('[href]'),
  function (e) { return typeof e.href === 'string' ? e.href : ''; }))";

constexpr char16_t kImagesScript[] =
    u"Array.prototype.map.call(document.images, function (i) { return i.src; })";

constexpr char16_t kTitleScript[] = u"document.title";

// Lets the user interface run for a slice of time, sleeping while nothing happens.
void RunEventsFor(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

void AppendChromiumFlags(const QStringList& flags) {
  const QString current = qEnvironmentVariable("QTWEBENGINE_CHROMIUM_FLAGS");
  QStringList all = current.split(u' ', Qt::SkipEmptyParts);
  for (const QString& f : flags) {
    const QString name = f.section(u'=', 0, 0);
    const bool set = std::any_of(all.begin(), all.end(), [&](const QString& have) {
      return have.section(u'=', 0, 0) == name;
    });
    if (!set) all << f;
  }
  qputenv("QTWEBENGINE_CHROMIUM_FLAGS", all.join(u' ').toLocal8Bit());
}

}  // namespace

void PrepareWebEngine() {
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  if (geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"))
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
  // Pages see a Chinese browser; the engine's own messages stay out of the terminal.
  QStringList flags{u"--lang=zh-CN"_s, u"--log-level=3"_s};
  // Without a screen there is nothing to draw with the graphics card.
  const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
  if (platform.startsWith("offscreen") || platform.startsWith("minimal"))
    flags << u"--disable-gpu"_s;
  AppendChromiumFlags(flags);
}

QWebEngineProfile* CaptureProfile() {
  static QPointer<QWebEngineProfile> profile;
  if (!profile) {
    profile = QStandardPaths::isTestModeEnabled()
                  ? new QWebEngineProfile(QCoreApplication::instance())
                  : new QWebEngineProfile(u"lanxi"_s, QCoreApplication::instance());
    profile->setHttpAcceptLanguage(u"zh-CN,zh;q=0.9"_s);
  }
  return profile;
}

// The page, with the dialogs of its scripts held back while the browser is silent.
class WebBrowser::Page final : public QWebEnginePage {
 public:
  Page(QWebEngineProfile* profile, QObject* parent) : QWebEnginePage(profile, parent) {}
  bool silent = false;

 protected:
  void javaScriptAlert(const QUrl& origin, const QString& text) override {
    if (!silent) QWebEnginePage::javaScriptAlert(origin, text);
  }
  bool javaScriptConfirm(const QUrl& origin, const QString& text) override {
    return !silent && QWebEnginePage::javaScriptConfirm(origin, text);
  }
  bool javaScriptPrompt(const QUrl& origin, const QString& text, const QString& initial,
                        QString* result) override {
    return !silent && QWebEnginePage::javaScriptPrompt(origin, text, initial, result);
  }
  void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString&, int,
                                const QString&) override {}
};

// A picture being saved: where the engine is to write it, and how the download ended.
struct WebBrowser::PendingDownload {
  QString folder;
  QPointer<QWebEngineDownloadRequest> request;
  bool finished = false;
  bool completed = false;
};

WebBrowser::WebBrowser(QWidget* parent) : QWebEngineView(parent) {
  page_ = new Page(CaptureProfile(), this);
  setPage(page_);
  connect(page_, &QWebEnginePage::loadStarted, this, &WebBrowser::OnLoadStarted);
  connect(page_, &QWebEnginePage::loadFinished, this, &WebBrowser::OnLoadFinished);
  connect(page_, &QWebEnginePage::urlChanged, this, &WebBrowser::OnUrlChanged);
  connect(page_, &QWebEnginePage::linkHovered, this, [this](const QString& url) {
    status_ = url;
    emit statusTextChange(url);
  });
  // Not taking up the request refuses the new window.
  connect(page_, &QWebEnginePage::newWindowRequested, this,
          [this](QWebEngineNewWindowRequest& request) {
            emit newWindowRequested(request.requestedUrl().toString());
          });
  connect(page_->profile(), &QWebEngineProfile::downloadRequested, this,
          &WebBrowser::OnDownloadRequested);
}

WebBrowser::~WebBrowser() {
  if (download_ && download_->request) download_->request->cancel();
}

void WebBrowser::Navigate(const QString& address) {
  const QUrl url =
      address.contains(u':') ? QUrl(address, QUrl::TolerantMode) : QUrl::fromUserInput(address);
  if (!url.isValid() || url.isEmpty()) return;
  target_ = url;
  started_ = true;
  // Busy from here on, and the document before this one no longer counts as the page.
  loading_ = true;
  committing_ = true;
  page_->load(url);
}

void WebBrowser::Stop() {
  page_->triggerAction(QWebEnginePage::Stop);
}

QString WebBrowser::ReadyState() {
  if (!started_) return u"uninitialized"_s;
  return loading_ ? u"loading"_s : u"complete"_s;
}

bool WebBrowser::Busy() {
  return loading_;
}

QString WebBrowser::LocationURL() {
  return url().toString();
}

QString WebBrowser::Title() {
  if (committing_) return {};
  const std::optional<QVariant> title = RunScript(QString::fromUtf16(kTitleScript));
  return title ? title->toString() : QString();
}

QString WebBrowser::StatusText() {
  return status_;
}

std::optional<QString> WebBrowser::BodyHtml() {
  if (committing_) return std::nullopt;
  const std::optional<QVariant> html = RunScript(QString::fromUtf16(kBodyHtmlScript));
  if (!html || html->isNull() || html->typeId() != QMetaType::QString) return std::nullopt;
  QString body = html->toString();
  if (body != lastBody_ || !lastHtml_) {
    lastHtml_ = SerializeBodyHtml(body.toUtf8());
    lastBody_ = std::move(body);
  }
  return lastHtml_;
}

QString WebBrowser::BodyText() {
  if (committing_) return {};
  const std::optional<QVariant> text = RunScript(QString::fromUtf16(kBodyTextScript));
  return text ? text->toString() : QString();
}

QStringList WebBrowser::Links() {
  if (committing_) return {};
  const std::optional<QVariant> links = RunScript(QString::fromUtf16(kLinksScript));
  return links ? links->toStringList() : QStringList();
}

QStringList WebBrowser::Images() {
  if (committing_) return {};
  const std::optional<QVariant> images = RunScript(QString::fromUtf16(kImagesScript));
  return images ? images->toStringList() : QStringList();
}

bool WebBrowser::SavePicture(const QString& address, const QString& path) {
  const QFileInfo target(path);
  if (download_ || !target.absoluteDir().exists()) return false;
  // Written beside the target and moved over it only when it is a readable picture.
  QTemporaryDir folder(target.absolutePath() + u"/.download-XXXXXX"_s);
  if (!folder.isValid()) return false;
  auto pending = std::make_shared<PendingDownload>();
  pending->folder = folder.path();
  download_ = pending;
  const QPointer<WebBrowser> self(this);
  page_->download(QUrl(address, QUrl::TolerantMode), u"picture"_s);
  QElapsedTimer clock;
  clock.start();
  while (!pending->finished && clock.elapsed() < kPictureTimeoutMs) RunEventsFor(10);
  if (!self) return false;
  download_.reset();
  if (!pending->finished) {
    if (pending->request) pending->request->cancel();
    return false;
  }
  const QString file = folder.filePath(u"picture"_s);
  QImageReader reader(file);
  reader.setDecideFormatFromContent(true);
  if (!pending->completed || !reader.canRead()) return false;
  std::error_code error;
  std::filesystem::rename(file.toStdString(), path.toStdString(), error);
  return !error;
}

void WebBrowser::SetSilent(bool silent) {
  page_->silent = silent;
}

void WebBrowser::SetBackground(bool background) {
  background_ = background;
  if (background) hide();
}

std::optional<QVariant> WebBrowser::RunScript(const QString& script) {
  struct Result {
    bool done = false;
    QVariant value;
    QPointer<QEventLoop> loop;
  };
  auto result = std::make_shared<Result>();
  QEventLoop loop;
  result->loop = &loop;
  page_->runJavaScript(script, QWebEngineScript::ApplicationWorld, [result](const QVariant& value) {
    result->done = true;
    result->value = value;
    if (result->loop) result->loop->quit();
  });
  if (!result->done) {
    const QPointer<WebBrowser> self(this);
    QTimer::singleShot(kScriptTimeoutMs, &loop, &QEventLoop::quit);
    loop.exec();
    if (!self) return std::nullopt;
  }
  if (!result->done) return std::nullopt;
  return result->value;
}

void WebBrowser::OnLoadStarted() {
  loading_ = true;
  started_ = true;
  // A hidden page is held back; a background browser's page is to run as a shown one. The
  // engine takes this only once the page has started loading.
  if (background_ && !page_->isVisible()) page_->setVisible(true);
  emit downloadBegin();
}

void WebBrowser::OnLoadFinished() {
  loading_ = false;
  committing_ = false;
  MarkPageFinished(this);
  emit downloadComplete();
}

void WebBrowser::OnUrlChanged(const QUrl& url) {
  if (committing_ && url.adjusted(QUrl::NormalizePathSegments).toEncoded() ==
                         target_.adjusted(QUrl::NormalizePathSegments).toEncoded())
    committing_ = false;
}

void WebBrowser::OnDownloadRequested(QWebEngineDownloadRequest* request) {
  if (request->page() != page_ || !download_ || download_->request) return;
  const std::shared_ptr<PendingDownload> pending = download_;
  pending->request = request;
  request->setDownloadDirectory(pending->folder);
  request->setDownloadFileName(u"picture"_s);
  connect(request, &QWebEngineDownloadRequest::isFinishedChanged, this, [pending, request] {
    if (!request->isFinished()) return;
    pending->finished = true;
    pending->completed = request->state() == QWebEngineDownloadRequest::DownloadCompleted;
  });
  request->accept();
}

}  // namespace lanxi
