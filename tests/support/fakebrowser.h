#pragma once

#include <QFile>
#include <QHash>
#include <QImage>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStringList>
#include <QTimer>

#include "capture/browser.h"
#include "capture/htmlserializer.h"
#include "capture/itemurl.h"
#include "capture/pagetext.h"
#include "capture/pagewait.h"
#include "fixturepages.h"

namespace lanxi::test {

// The pages a fake browser can load, by address.
struct FakeWeb {
  struct Page {
    QString html;           // the whole document
    bool finishes = true;   // false: the page never completes
    int commitDelayMs = 0;  // how long before the new document is there
  };
  QHash<QString, Page> pages;
  QHash<QString, QImage> pictures;

  void Add(const QString& address, const QString& html, bool finishes = true) {
    pages.insert(address, {html, finishes, 0});
  }
  // The page at an address; an item page whatever the other parameters of its address are.
  const Page* Find(const QString& address) const {
    if (const auto it = pages.constFind(address); it != pages.constEnd()) return &*it;
    if (!address.contains(QStringLiteral("/item.htm"))) return nullptr;
    const QString id = ExtractItemId(address);
    for (auto it = pages.constBegin(); it != pages.constEnd(); ++it)
      if (!id.isEmpty() && it.key().contains(QStringLiteral("/item.htm")) &&
          ExtractItemId(it.key()) == id)
        return &*it;
    return nullptr;
  }
};

// A browser whose pages come from a FakeWeb: a navigation completes a moment later (from the
// event loop, as the engine's do) and then marks the page finished. Relative addresses in the
// page are made absolute against the page's own, as the real engine's reading does.
class FakeBrowser final : public Browser {
 public:
  explicit FakeBrowser(FakeWeb* web) : web_(web) {}
  ~FakeBrowser() override { *alive_ = false; }

  void Navigate(const QString& address) override {
    navigations << address;
    loading_ = true;
    started_ = true;
    committed_ = false;
    const int serial = ++serial_;
    auto alive = alive_;
    const FakeWeb::Page* target = web_->Find(address);
    const int delay = target ? target->commitDelayMs : 0;
    QTimer::singleShot(delay, [this, alive, serial, address] {
      if (!*alive || serial != serial_) return;  // a later navigation replaced this one
      location_ = address;
      committed_ = true;
      const FakeWeb::Page* page = web_->Find(address);
      html_ = address == QStringLiteral("about:blank") ? QStringLiteral("<body></body>")
              : page
                  ? page->html
                  : QStringLiteral("<title>404 Not Found</title><body><h1>Not Found</h1></body>");
      if (page && !page->finishes) return;
      loading_ = false;
      MarkPageFinished(this);
    });
  }
  void Stop() override {
    ++stops;
    loading_ = false;
  }
  QString ReadyState() override {
    if (!started_) return QStringLiteral("uninitialized");
    return loading_ ? QStringLiteral("loading") : QStringLiteral("complete");
  }
  bool Busy() override { return loading_; }
  QString LocationURL() override { return location_; }
  QString Title() override {
    if (!committed_) return {};
    static const QRegularExpression title(QStringLiteral("<title>(.*?)</title>"));
    return title.match(html_).captured(1);
  }
  QString StatusText() override { return status; }
  std::optional<QString> BodyHtml() override {
    ++htmlReads;
    if (!committed_) return std::nullopt;
    return SerializeBodyHtml(Absolute(html_).toUtf8());
  }
  QString BodyText() override {
    if (!committed_) return {};
    return TagsRemoved(SerializeBodyHtml(html_.toUtf8()).value_or(QString())).trimmed();
  }
  QStringList Links() override { return Attributes(QStringLiteral("href")); }
  QStringList Images() override { return Attributes(QStringLiteral("src")); }
  bool SavePicture(const QString& address, const QString& path) override {
    savedPictures << address;
    if (!web_->pictures.contains(address)) return false;
    QSaveFile f(path);
    return f.open(QIODevice::WriteOnly) && web_->pictures.value(address).save(&f, "JPEG") &&
           f.commit();
  }
  void SetSilent(bool silent) override { this->silent = silent; }

  QString status;
  bool silent = false;
  QStringList navigations;
  QStringList savedPictures;
  int stops = 0;
  int htmlReads = 0;

 private:
  QString Origin() const {
    static const QRegularExpression origin(QStringLiteral("^[a-z]+://[^/]+"));
    return origin.match(location_).captured(0);
  }
  QString Absolute(QString html) const {
    static const QRegularExpression relative(QStringLiteral("(href|src)=\"/"));
    return html.replace(relative, QStringLiteral("\\1=\"") + Origin() + u'/');
  }
  QStringList Attributes(const QString& name) const {
    if (!committed_) return {};
    QStringList values;
    const QRegularExpression attr(u' ' + name + QStringLiteral("=\"([^\"]*)\""));
    for (const auto& m : attr.globalMatch(Absolute(html_))) values << DecodeEntities(m.captured(1));
    return values;
  }

  FakeWeb* web_;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
  QString location_;
  QString html_;
  bool loading_ = false;
  bool started_ = false;
  bool committed_ = false;
  int serial_ = 0;
};

}  // namespace lanxi::test
