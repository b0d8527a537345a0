#include "downloader/figurepage.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include "capture/pagewait.h"

using namespace Qt::StringLiterals;

namespace lanxi {
namespace {

// How often a page that builds its figures by script is read again.
constexpr int kRereadMs = 500;

bool Finished(Browser* b) {
  return b->ReadyState() == u"complete"_s && !b->Busy() &&
         b->Tag() == QStringView(kTagDownFinished);
}

bool IsLogInPage(const QString& address, const QStringList& markers) {
  for (const QString& m : markers)
    if (!m.isEmpty() && address.contains(m, Qt::CaseInsensitive)) return true;
  return false;
}

PageLoad Ended(PageLoad load, PageLoad::Outcome outcome, const QString& reason) {
  load.outcome = outcome;
  load.reason = reason;
  return load;
}

}  // namespace

void RunEventsFor(int ms) {
  if (!QCoreApplication::instance()) return;
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

PageLoad LoadFigurePage(FigureBrowser& fb, const QString& address, int waitMs, int settleMs,
                        const QStringList& loginMarkers, const DocumentReader& reader) {
  Browser* b = fb.PageBrowser();
  QElapsedTimer clock;
  clock.start();
  StartNavigate(b, address);
  b->SetTag(QString());
  bool finished = Finished(b);
  while (!finished && clock.elapsed() < waitMs) {
    RunEventsFor(std::min<qint64>(PollIntervalMs(), waitMs - clock.elapsed()));
    finished = Finished(b);
  }
  if (!finished) b->Stop();

  PageLoad load;
  load.address = b->LocationURL();
  load.httpStatus = fb.HttpStatus();
  load.finished = finished;
  const QString status = QString::number(load.httpStatus);
  if (load.httpStatus == 404 || load.httpStatus == 410)
    return Ended(load, PageLoad::Outcome::NotFound, u"网页不存在（HTTP "_s + status + u"）"_s);
  if (load.httpStatus >= 400)
    return Ended(load, PageLoad::Outcome::ServerError, u"网站返回错误（HTTP "_s + status + u"）"_s);
  if (IsLogInPage(load.address, loginMarkers))
    return Ended(
        load, PageLoad::Outcome::LogIn,
        u"网页转到了登录页面（"_s + load.address + u"），请先在“添加跟踪产品”窗口中登录后再下载"_s);
  const QString networkError = fb.NetworkError();
  if (load.httpStatus == 0 && !networkError.isEmpty())
    return Ended(load, PageLoad::Outcome::NetworkError,
                 u"无法打开网页（"_s + networkError + u"）"_s);

  // Pages that draw their figures by script after loading get a little longer.
  const qint64 settleUntil =
      std::min<qint64>(clock.elapsed() + settleMs, std::max<qint64>(waitMs, clock.elapsed()));
  for (;;) {
    const std::optional<QString> html = fb.DocumentHtml();
    if (html && reader(*html, load.address)) return Ended(load, PageLoad::Outcome::Read, {});
    if (!finished || clock.elapsed() + kRereadMs > settleUntil) break;
    RunEventsFor(kRereadMs);
  }
  if (!finished)
    return Ended(load, PageLoad::Outcome::NotFinished,
                 u"网页在 "_s + QString::number((waitMs + 999) / 1000) + u" 秒内没有载入完成"_s);
  return Ended(load, PageLoad::Outcome::NoFigures, u"网页上没有找到价格、销量或库存"_s);
}

}  // namespace lanxi
