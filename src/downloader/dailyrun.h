#pragma once

#include <QDate>
#include <QElapsedTimer>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <random>
#include <vector>

#include "downloader/figurepage.h"
#include "downloader/figurereader.h"
#include "downloader/figurerules.h"

// The daily download: every product of the chosen tracking databases, one page at a time, its
// figures of the day written into PInfo.
namespace lanxi {

// What the command line asks for: `采数器 [--headless] [name|file]`. Without a database text,
// every catalogued database. The text after the options is one text (the main program passes it
// as one argument; a shell may split it at spaces, and the parts are joined again), split at
// its first "|" into the catalogue name and the database's file name; a text without "|" is a
// catalogue name.
struct DownloadRequest {
  bool headless = false;
  bool help = false;  // --help: show the usage, run nothing
  bool all = true;
  QString name;
  QString file;
  QString error;  // why the command line cannot be used; empty when it can
};
DownloadRequest ParseDownloaderArguments(const QStringList& arguments);
// The command line's usage, for the error message.
QString DownloaderUsage();

// A product to read.
struct ProductJob {
  qint64 id = 0;
  QString name;
  QString url;
  bool mall = false;

  // How the product is named to the user: its name, or "商品 " + its ID when it has none.
  QString Title() const;
};

// A database to read, with its products as they were when the run began.
struct DatabaseJob {
  QString name;  // catalogue name (the file name for an uncatalogued file)
  QString file;
  QString path;
  std::vector<ProductJob> products;
  QString error;  // why the database cannot be read; empty when it can
};

// What became of one product.
struct ProductResult {
  enum class Status { Read, Failed, Skipped };
  Status status = Status::Failed;
  QString database;
  ProductJob product;
  PageFigures figures;
  bool updated = false;  // the day had a row already
  int pages = 0;         // pages loaded for it (a retry makes two)
  QString reason;        // why it failed or was skipped
};

// How far the run has come.
struct RunProgress {
  int done = 0;
  int total = 0;
  qint64 elapsedMs = 0;
  // The time still needed at the pace so far, in milliseconds; -1 before the first product.
  qint64 RemainingMs() const;
  // "已用时间 0:12  剩余时间 0:40"
  QString TimeText() const;
  // "(3/10)"
  QString CountText() const;
};

// The outcome of a run.
struct RunSummary {
  bool started = false;  // false: nothing could be done (fatal says why)
  QString fatal;
  int databases = 0;
  int total = 0;  // products of the databases that could be read
  int read = 0;
  int failed = 0;
  int skipped = 0;
  int notReached = 0;  // left when the run was stopped
  int databaseFailures = 0;
  int pages = 0;
  qint64 elapsedMs = 0;
  bool stopped = false;
  QStringList failures;  // "database · product：reason", and databases that could not be read

  double PagesPerMinute() const;
  // 0 when every product was read, 1 when some were not, 2 when nothing could be done.
  int ExitStatus() const;
  // The closing lines: counts, time, pages per minute, then every failure.
  QStringList Lines() const;
};

// Told about the run as it goes; every method has an empty default.
class DownloadObserver {
 public:
  virtual ~DownloadObserver() = default;
  virtual void RunStarted(const std::vector<DatabaseJob>& /*databases*/, int /*products*/) {}
  virtual void DatabaseStarted(const DatabaseJob& /*db*/, int /*index*/, int /*count*/) {}
  virtual void ProductStarted(const DatabaseJob& /*db*/, const ProductJob& /*product*/,
                              const RunProgress& /*progress*/) {}
  virtual void ProductFinished(const ProductResult& /*result*/, const RunProgress& /*progress*/) {}
  // Anything else worth a line of the log: settings that could not be used, databases that
  // cannot be read.
  virtual void Note(const QString& /*line*/) {}
  virtual void RunFinished(const RunSummary& /*summary*/) {}
};

// "[3/10] 女装 · 韩版连衣裙：原价 129.00，促销价 99.00，销量 1234，库存 5678"; a failure shows
// "未能读取：" and the reason, a skipped product "跳过：" and why.
QString ProductLine(const ProductResult& result, const RunProgress& progress);

// The databases a request names, with their products; `fatal` says why none can be read.
std::vector<DatabaseJob> PlanDownload(const DownloadRequest& request, QString* fatal);

// Whether an item address is one the downloader loads: http or https with a host.
bool IsWebAddress(const QString& address);

// The page kind of an address: the mall's or the marketplace's by the item hosts of the
// settings; when the hosts do not tell (or the address is on neither), the product's flag.
PageKind KindOfPage(const QString& address, bool mallFlag, const CapturePlaces& places);

// Loads a product's item page with the settings' wait and log-in markers and reads its figures
// into `figures` (by the page kind its address shows, else by `mallFlag`).
PageLoad ReadFigurePage(FigureBrowser& browser, const QString& address, bool mallFlag,
                        const DownloadSettings& settings, int settleMs, PageFigures* figures);

class DailyRun {
 public:
  DailyRun(FigureBrowser& browser, DownloadSettings settings);

  void AddObserver(DownloadObserver* observer) { observers_.push_back(observer); }
  void RemoveObserver(DownloadObserver* observer) { std::erase(observers_, observer); }
  // Ends the run after the product being read (and within a pause between pages at once).
  void RequestStop() { stop_ = true; }
  bool StopRequested() const { return stop_; }
  bool Running() const { return running_; }

  // The day the figures are written for; today unless a test says otherwise.
  std::function<QDate()> today = [] { return QDate::currentDate(); };
  // A page that has loaded but shows no figures yet is read again for up to this long.
  int settleMs = 5000;

  // Plans the request and reads every product; the summary says what came of it.
  RunSummary Run(const DownloadRequest& request);
  // Reads the products of planned databases.
  RunSummary Run(std::vector<DatabaseJob> databases);

 private:
  // nullopt when a stop was asked for before its page was loaded.
  std::optional<ProductResult> ReadProduct(const DatabaseJob& db, const ProductJob& product,
                                           const RunProgress& progress);
  PageLoad LoadOnce(const ProductJob& product, PageFigures* figures);
  // Waits the pause between pages; false when a stop was asked for meanwhile.
  bool Pause();
  template <typename F>
  void Tell(F f) {
    const std::vector<DownloadObserver*> observers = observers_;  // one may leave meanwhile
    for (DownloadObserver* o : observers) f(o);
  }

  FigureBrowser& browser_;
  DownloadSettings settings_;
  std::vector<DownloadObserver*> observers_;
  std::mt19937 random_;
  QElapsedTimer sinceLastPage_;
  bool stop_ = false;
  bool running_ = false;
  int pages_ = 0;
};

}  // namespace lanxi
