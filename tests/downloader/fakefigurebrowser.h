#pragma once

#include <QDate>
#include <functional>
#include <vector>

#include "downloader/dailyrun.h"
#include "fakebrowser.h"
#include "storage/connection.h"

// The downloader's page loading on a fake web, and what a run tells and writes.
namespace lanxi::test {

// The downloader's browser on a fake web: the server answers 404 for a page the web lacks.
class FakeFigureBrowser final : public FigureBrowser {
 public:
  explicit FakeFigureBrowser(FakeWeb* web) : browser(web), web_(web) {}
  FakeBrowser browser;
  Browser* PageBrowser() override { return &browser; }
  int HttpStatus() override { return web_->Find(browser.LocationURL()) ? 200 : 404; }
  QString NetworkError() override { return {}; }
  std::optional<QString> DocumentHtml() override {
    const FakeWeb::Page* page = web_->Find(browser.LocationURL());
    return page ? page->html : QStringLiteral("<html><body><h1>Not Found</h1></body></html>");
  }

 private:
  FakeWeb* web_;
};

// Remembers what a run told, and lets a test act when a product's page is about to load.
struct RecordingObserver final : DownloadObserver {
  std::vector<ProductResult> results;
  QStringList lines;
  QStringList notes;
  std::function<void(const ProductJob&)> onProductStarted;
  std::function<void(const ProductResult&)> onProductFinished;

  void ProductStarted(const DatabaseJob&, const ProductJob& product, const RunProgress&) override {
    if (onProductStarted) onProductStarted(product);
  }
  void ProductFinished(const ProductResult& r, const RunProgress& progress) override {
    results.push_back(r);
    lines << ProductLine(r, progress);
    if (onProductFinished) onProductFinished(r);
  }
  void Note(const QString& line) override { notes << line; }
};

// One PInfo row.
struct FigureRow {
  qint64 pid = 0;
  QString dat;
  Value price, promo, sales, stock;
  bool operator==(const FigureRow&) const = default;
};

inline std::vector<FigureRow> FigureRows(const QString& path) {
  std::vector<FigureRow> rows;
  Connection conn;
  if (!conn.open(path, Connection::Mode::Private)) return rows;
  Statement s(conn, QStringLiteral(
                        "SELECT PID,Dat,Price,PPrice,Sales,Stock FROM PInfo ORDER BY PID,Dat,ID"));
  while (s.next())
    rows.push_back({s.value(0).toInt(), s.value(1, Value::Type::Text).toString(), s.value(2),
                    s.value(3), s.value(4), s.value(5)});
  return rows;
}

}  // namespace lanxi::test
