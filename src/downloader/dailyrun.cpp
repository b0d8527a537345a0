#include "downloader/dailyrun.h"

#include <QFileInfo>
#include <QUrl>

#include "common/programfolder.h"
#include "common/progress.h"
#include "downloader/dailyfigures.h"
#include "storage/catalogfiles.h"
#include "storage/dberror.h"
#include "storage/schema.h"

using namespace Qt::StringLiterals;

namespace lanxi {
namespace {

const QString kHeadless = u"--headless"_s;

// A bare file name of the program folder: no folder part, nothing hidden.
bool IsBareFileName(const QString& file) {
  return !file.isEmpty() && !file.contains(u'/') && !file.contains(u'\\') && !file.startsWith(u'.');
}

enum class Presence { Yes, No, Unknown };

Presence ProductPresence(const QString& path, qint64 id) {
  Connection conn;
  if (!conn.open(path, Connection::Mode::Private)) return Presence::Unknown;
  Statement s(conn, u"SELECT 1 FROM Product WHERE ID=?"_s);
  s.bind({id});
  const bool found = s.next();
  if (s.failed()) return Presence::Unknown;
  return found ? Presence::Yes : Presence::No;
}

// Reads the products of a database that have an item address; sets db.error when it cannot.
void ReadProducts(DatabaseJob& db) {
  if (db.path.isEmpty() || !QFileInfo::exists(db.path)) {
    db.error = u"数据文件“"_s + db.file + u"”不存在。"_s;
    return;
  }
  Connection conn;
  if (!conn.open(db.path, Connection::Mode::Private)) {
    db.error = DbFailureReason(conn.lastErrorCode(), db.path);
    return;
  }
  {
    Statement tables(conn,
                     u"SELECT COUNT(*) FROM sqlite_master WHERE type='table' AND name IN "
                     "('Product','PInfo')"_s);
    if (!tables.next() || tables.value(0).toInt() != 2) {
      db.error = u"数据文件“"_s + db.file + u"”不是本软件的跟踪数据库。"_s;
      return;
    }
  }
  Statement s(conn,
              u"SELECT ID,coalesce(nullif(trim(Name),''),CName),trim(Url),TMall FROM Product "
              "WHERE trim(coalesce(Url,''))<>'' ORDER BY ID"_s);
  while (s.next())
    db.products.push_back({s.value(0).toInt(), s.value(1, Value::Type::Text).toString(),
                           s.value(2, Value::Type::Text).toString(), s.value(3).toBool()});
  if (s.failed()) {
    db.products.clear();
    db.error = DbFailureReason(conn.lastErrorCode(), db.path);
  }
}

bool ReadCatalogueRows(std::vector<CatalogueEntry>* rows, QString* fatal) {
  const QString catalogue = ProgramFile(QString::fromUtf16(kCatalogFile));
  if (!QFileInfo::exists(catalogue)) {
    *fatal = u"程序文件夹“"_s + ProgramFolder() + u"”中没有数据库目录 PARA.mdb，无法下载数据。"_s;
    return false;
  }
  Connection conn;
  if (!conn.open(catalogue, Connection::Mode::Private) || !ReadCatalogue(conn, rows)) {
    *fatal = u"无法读取数据库目录 PARA.mdb："_s + DbFailureReason(conn.lastErrorCode(), catalogue);
    return false;
  }
  return true;
}

}  // namespace

QString ProductJob::Title() const {
  return name.isEmpty() ? u"商品 "_s + QString::number(id) : name;
}

bool IsWebAddress(const QString& address) {
  const QUrl url(address.trimmed(), QUrl::StrictMode);
  const QString scheme = url.scheme().toLower();
  return url.isValid() && (scheme == u"http"_s || scheme == u"https"_s) && !url.host().isEmpty();
}

// ---- command line

QString DownloaderUsage() {
  return u"用法：采数器 [--headless] [数据库名称|数据库文件名]\n"
         "  不给数据库时下载所有数据库的今日数据；--headless 不显示窗口，逐个商品输出结果。\n"
         "  退出状态：0 全部商品读取成功，1 部分商品未能读取，2 什么也没能做。"_s;
}

DownloadRequest ParseDownloaderArguments(const QStringList& arguments) {
  DownloadRequest r;
  QStringList words;
  for (const QString& a : arguments) {
    if (a == kHeadless) {
      r.headless = true;
    } else if (a == u"--help"_s || a == u"-h"_s) {
      r.help = true;
    } else if (a.startsWith(u"--"_s)) {
      r.error = u"未知的选项“"_s + a + u"”。"_s;
    } else {
      words << a;
    }
  }
  const QString text = words.join(u' ');
  if (text.trimmed().isEmpty()) return r;
  r.all = false;
  const qsizetype bar = text.indexOf(u'|');
  r.name = (bar < 0 ? text : text.left(bar)).trimmed();
  r.file = bar < 0 ? QString() : text.mid(bar + 1).trimmed();
  if (!r.file.isEmpty() && !IsBareFileName(r.file))
    r.error = u"“"_s + r.file + u"”不是程序文件夹中的数据库文件名。"_s;
  if (r.name.isEmpty()) r.name = r.file;
  return r;
}

// ---- planning

PageKind KindOfPage(const QString& address, bool mallFlag, const CapturePlaces& places) {
  const QUrl url(address);
  QString host = url.host();
  if (url.port() != -1) host += u':' + QString::number(url.port());
  const auto on = [&](int i) {
    return i < places.itemHosts.size() && !places.itemHosts[i].isEmpty() &&
           places.itemHosts[i].compare(host, Qt::CaseInsensitive) == 0;
  };
  const bool mall = on(0) || on(2);
  const bool market = on(1);
  if (mall != market) return mall ? PageKind::Mall : PageKind::Market;
  return mallFlag ? PageKind::Mall : PageKind::Market;
}

std::vector<DatabaseJob> PlanDownload(const DownloadRequest& request, QString* fatal) {
  fatal->clear();
  std::vector<DatabaseJob> jobs;
  const QString folder = ProgramFolder();
  if (request.all) {
    std::vector<CatalogueEntry> rows;
    if (!ReadCatalogueRows(&rows, fatal)) return {};
    if (rows.empty()) {
      *fatal = u"数据库目录中还没有数据库，没有可下载的数据。"_s;
      return {};
    }
    for (const CatalogueEntry& e : rows)
      jobs.push_back(
          {e.name, e.file, e.file.isEmpty() ? QString() : FileInFolder(folder, e.file), {}, {}});
  } else {
    DatabaseJob job{request.name, request.file, {}, {}, {}};
    if (job.file.isEmpty()) {
      std::vector<CatalogueEntry> rows;
      if (!ReadCatalogueRows(&rows, fatal)) return {};
      const auto it = std::find_if(rows.begin(), rows.end(), [&](const CatalogueEntry& e) {
        return e.name.compare(request.name, Qt::CaseInsensitive) == 0;
      });
      if (it == rows.end()) {
        *fatal = u"数据库目录中没有名为“"_s + request.name + u"”的数据库。"_s;
        return {};
      }
      job.name = it->name;
      job.file = it->file;
    }
    job.path = job.file.isEmpty() ? QString() : FileInFolder(folder, job.file);
    jobs.push_back(std::move(job));
  }
  for (DatabaseJob& db : jobs) ReadProducts(db);
  if (!request.all && !jobs.front().error.isEmpty()) {
    *fatal = u"数据库“"_s + jobs.front().name + u"”无法读取："_s + jobs.front().error;
    return {};
  }
  return jobs;
}

// ---- progress and results

qint64 RunProgress::RemainingMs() const {
  if (done <= 0) return -1;
  return elapsedMs * std::max(0, total - done) / done;
}

QString RunProgress::TimeText() const {
  const qint64 remaining = RemainingMs();
  return u"已用时间 "_s + FormatDuration(elapsedMs / 1000) + u"  剩余时间 "_s +
         (remaining < 0 ? u"—"_s : FormatDuration((remaining + 999) / 1000));
}

QString RunProgress::CountText() const {
  return u'(' + QString::number(done) + u'/' + QString::number(total) + u')';
}

double RunSummary::PagesPerMinute() const {
  return elapsedMs > 0 ? pages * 60000.0 / double(elapsedMs) : 0;
}

int RunSummary::ExitStatus() const {
  if (!started) return 2;
  const int problems = failed + notReached + databaseFailures;
  if (problems == 0) return 0;
  return read == 0 ? 2 : 1;
}

QStringList RunSummary::Lines() const {
  if (!started) return {fatal};
  QString counts = (stopped ? u"采数已停止："_s : u"采数结束："_s) + u"共 "_s +
                   QString::number(total) + u" 个商品，读取成功 "_s + QString::number(read) +
                   u" 个，未能读取 "_s + QString::number(failed) + u" 个"_s;
  if (skipped) counts += u"，跳过 "_s + QString::number(skipped) + u" 个"_s;
  if (notReached) counts += u"，未读 "_s + QString::number(notReached) + u" 个"_s;
  if (databaseFailures)
    counts += u"，"_s + QString::number(databaseFailures) + u" 个数据库无法读取"_s;
  QStringList lines{counts + u'。', u"用时 "_s + FormatDuration(elapsedMs / 1000) +
                                        u"，载入网页 "_s + QString::number(pages) +
                                        u" 个，每分钟 "_s +
                                        QString::number(PagesPerMinute(), 'f', 1) + u" 页。"_s};
  if (!failures.isEmpty()) {
    lines << u"未能读取的商品和数据库："_s;
    for (const QString& f : failures) lines << u"  "_s + f;
  }
  return lines;
}

QString ProductLine(const ProductResult& r, const RunProgress& progress) {
  QString line = u'[' + QString::number(progress.done) + u'/' + QString::number(progress.total) +
                 u"] "_s + r.database + u" · "_s + r.product.Title() + u"："_s;
  switch (r.status) {
    case ProductResult::Status::Read:
      return line + DescribeFigures(r.figures) +
             (r.updated ? u"（更新了当天的数据）"_s : QString());
    case ProductResult::Status::Failed:
      return line + u"未能读取，"_s + r.reason;
    case ProductResult::Status::Skipped:
      return line + u"跳过，"_s + r.reason;
  }
  return line;
}

// ---- the run

DailyRun::DailyRun(FigureBrowser& browser, DownloadSettings settings)
    : browser_(browser), settings_(std::move(settings)), random_(std::random_device{}()) {}

RunSummary DailyRun::Run(const DownloadRequest& request) {
  QString fatal;
  std::vector<DatabaseJob> jobs = PlanDownload(request, &fatal);
  if (fatal.isEmpty()) return Run(std::move(jobs));
  RunSummary s;
  s.fatal = fatal;
  Tell([&](DownloadObserver* o) { o->RunFinished(s); });
  return s;
}

RunSummary DailyRun::Run(std::vector<DatabaseJob> databases) {
  running_ = true;
  pages_ = 0;
  QElapsedTimer clock;
  clock.start();
  RunSummary s;
  s.started = true;
  s.databases = int(databases.size());
  for (const DatabaseJob& db : databases) s.total += int(db.products.size());
  Tell([&](DownloadObserver* o) { o->RunStarted(databases, s.total); });
  for (const QString& problem : settings_.problems)
    Tell([&](DownloadObserver* o) { o->Note(problem); });

  RunProgress progress{0, s.total, 0};
  for (int i = 0; i < int(databases.size()); ++i) {
    const DatabaseJob& db = databases[size_t(i)];
    if (stop_) {
      s.notReached += int(db.products.size());
      continue;
    }
    Tell([&](DownloadObserver* o) { o->DatabaseStarted(db, i, int(databases.size())); });
    if (!db.error.isEmpty()) {
      ++s.databaseFailures;
      s.failures << db.name + u"："_s + db.error;
      Tell([&](DownloadObserver* o) {
        o->Note(u"数据库“"_s + db.name + u"”无法读取："_s + db.error);
      });
      continue;
    }
    for (size_t p = 0; p < db.products.size(); ++p) {
      progress.elapsedMs = clock.elapsed();
      const std::optional<ProductResult> r =
          stop_ ? std::nullopt : ReadProduct(db, db.products[p], progress);
      if (!r) {
        s.notReached += int(db.products.size() - p);
        break;
      }
      switch (r->status) {
        case ProductResult::Status::Read:
          ++s.read;
          break;
        case ProductResult::Status::Failed:
          ++s.failed;
          s.failures << db.name + u" · "_s + r->product.Title() + u"："_s + r->reason;
          break;
        case ProductResult::Status::Skipped:
          ++s.skipped;
          break;
      }
      ++progress.done;
      progress.elapsedMs = clock.elapsed();
      Tell([&](DownloadObserver* o) { o->ProductFinished(*r, progress); });
    }
  }
  s.pages = pages_;
  s.elapsedMs = clock.elapsed();
  s.stopped = stop_ && s.notReached > 0;
  running_ = false;
  Tell([&](DownloadObserver* o) { o->RunFinished(s); });
  return s;
}

std::optional<ProductResult> DailyRun::ReadProduct(const DatabaseJob& db, const ProductJob& product,
                                                   const RunProgress& progress) {
  ProductResult r;
  r.database = db.name;
  r.product = product;
  const auto ended = [&](ProductResult::Status status, const QString& reason) {
    r.status = status;
    r.reason = reason;
    return r;
  };
  if (!QFileInfo::exists(db.path))
    return ended(ProductResult::Status::Skipped, u"数据库文件已不在程序文件夹中。"_s);
  if (!IsWebAddress(product.url))
    return ended(ProductResult::Status::Failed,
                 u"商品网址“"_s + product.url + u"”不是 http(s) 网址。"_s);
  if (ProductPresence(db.path, product.id) == Presence::No)
    return ended(ProductResult::Status::Skipped, u"商品已被删除。"_s);
  if (pages_ > 0 && !Pause()) return std::nullopt;
  Tell([&](DownloadObserver* o) { o->ProductStarted(db, product, progress); });

  PageLoad load = LoadOnce(product, &r.figures);
  ++r.pages;
  if (!load.read() && load.worthRetrying() && Pause()) {
    load = LoadOnce(product, &r.figures);
    ++r.pages;
  }
  if (!load.read())
    return ended(ProductResult::Status::Failed,
                 load.reason + (r.pages > 1 ? u"（已重试一次）。"_s : u"。"_s));

  const FigureWrite write = WriteDailyFigures(db.path, product.id, today(), r.figures);
  switch (write.result) {
    case FigureWrite::Result::ProductGone:
      return ended(ProductResult::Status::Skipped, u"商品已被删除。"_s);
    case FigureWrite::Result::Failed:
      return ended(ProductResult::Status::Failed, u"数据未能写入："_s + write.reason);
    case FigureWrite::Result::Updated:
      r.updated = true;
      break;
    case FigureWrite::Result::Inserted:
      break;
  }
  return ended(ProductResult::Status::Read, {});
}

PageLoad ReadFigurePage(FigureBrowser& browser, const QString& address, bool mallFlag,
                        const DownloadSettings& settings, int settleMs, PageFigures* figures) {
  PageFigures got;
  const DocumentReader reader = [&](const QString& html, const QString& location) {
    const PageKind kind = KindOfPage(location, mallFlag, settings.places);
    got = ReadFigures(html, kind, settings.rules, settings.structured);
    return got.Any();
  };
  const int waitMs = settings.waitSeconds * 1000;
  const PageLoad load = LoadFigurePage(browser, address, waitMs, std::min(settleMs, waitMs),
                                       settings.loginMarkers, reader);
  if (load.read()) *figures = got;
  return load;
}

PageLoad DailyRun::LoadOnce(const ProductJob& product, PageFigures* figures) {
  const PageLoad load =
      ReadFigurePage(browser_, product.url, product.mall, settings_, settleMs, figures);
  ++pages_;
  sinceLastPage_.start();
  return load;
}

bool DailyRun::Pause() {
  if (stop_) return false;
  const double base = settings_.delaySeconds * 1000.0;
  if (base <= 0 || !sinceLastPage_.isValid()) return true;
  std::uniform_real_distribution<double> jitter(0.5, 1.5);
  const qint64 pause = qint64(base * jitter(random_));
  while (!stop_ && sinceLastPage_.elapsed() < pause)
    RunEventsFor(int(std::min<qint64>(50, pause - sinceLastPage_.elapsed())));
  return !stop_;
}

}  // namespace lanxi
