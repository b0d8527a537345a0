#pragma once

#include <QDate>
#include <QFile>
#include <QString>
#include <functional>

#include "downloader/dailyrun.h"

// What a run tells the user afterwards: the log files in the program folder's "log" folder and
// the lines a run without a window prints.
namespace lanxi {

// Logs are kept this many days.
inline constexpr int kLogDays = 30;

// The log file of a day: program folder + "/log/采数器-YYYYMMDD.log".
QString RunLogPath(const QString& programFolder, QDate day);
// Removes the downloader's logs of the folder dated more than `days` days before `today`
// (by the date in their names); answers how many went.
int RemoveOldLogs(const QString& programFolder, QDate today, int days = kLogDays);

// The log of today: every run of a day appends to the day's file, each line with its time and
// written through at once, so a run that is killed leaves everything up to that moment.
class RunLog {
 public:
  // Makes the log folder when needed, removes old logs and opens today's file. A log that
  // cannot be written is no reason not to run: isOpen() then says so and lines go nowhere.
  explicit RunLog(const QString& programFolder,
                  const QDateTime& now = QDateTime::currentDateTime());
  bool isOpen() const { return file_.isOpen(); }
  QString path() const { return file_.fileName(); }
  void Write(const QString& line);

 private:
  QFile file_;
};

// Turns a run's events into lines for a sink: the log, the standard output of a run without a
// window. The lines are the same for both.
class RunReport final : public DownloadObserver {
 public:
  explicit RunReport(std::function<void(const QString&)> sink) : sink_(std::move(sink)) {}

  void RunStarted(const std::vector<DatabaseJob>& databases, int products) override;
  void DatabaseStarted(const DatabaseJob& db, int index, int count) override;
  void ProductFinished(const ProductResult& result, const RunProgress& progress) override;
  void Note(const QString& line) override;
  void RunFinished(const RunSummary& summary) override;

 private:
  std::function<void(const QString&)> sink_;
};

// What the run covers, for the first line of its log: "所有数据库" or "女装（DB….mdb）".
QString DescribeRequest(const DownloadRequest& request);

}  // namespace lanxi
