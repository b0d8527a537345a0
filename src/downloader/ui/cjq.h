#pragma once

#include <QElapsedTimer>
#include <QWidget>

#include "downloader/dailyrun.h"

class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTimer;

namespace lanxi {

// The downloader's window 采数器: the database and product being read, a progress bar with the
// count and the time left, the running log, and buttons to stop after the current product, to
// change the settings and rules, to open the day's log and to close. Closing the window while
// a run goes on stops it after the current product and closes when it has.
class CJQ final : public QWidget, public DownloadObserver {
  Q_OBJECT

 public:
  // `logPath`: the file the run's log goes to, opened by 打开日志.
  CJQ(DailyRun& run, FigureBrowser& browser, const QString& logPath, QWidget* parent = nullptr);
  ~CJQ() override;

  static QString Caption();

  // Runs the request in this window (events go on meanwhile) and answers its summary.
  RunSummary Start(const DownloadRequest& request);
  const RunSummary& Summary() const { return summary_; }

  // DownloadObserver
  void RunStarted(const std::vector<DatabaseJob>& databases, int products) override;
  void DatabaseStarted(const DatabaseJob& db, int index, int count) override;
  void ProductStarted(const DatabaseJob& db, const ProductJob& product,
                      const RunProgress& progress) override;
  void ProductFinished(const ProductResult& result, const RunProgress& progress) override;
  void Note(const QString& line) override;
  void RunFinished(const RunSummary& summary) override;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void Com_Click(int index);
  void AppendLog(const QString& line, bool problem = false);
  void ShowProgress(const RunProgress& progress);
  void TickClock();

  DailyRun& run_;
  FigureBrowser& browser_;
  QString logPath_;
  QLabel* lblDB_;
  QLabel* lblPro_;
  QProgressBar* pb_;
  QLabel* l1_;
  QLabel* l2_;
  QPlainTextEdit* log_;
  QPushButton* com_[4];
  QTimer* clock_;
  RunProgress progress_;
  QElapsedTimer sinceProgress_;
  RunSummary summary_;
  bool closeWhenStopped_ = false;
};

}  // namespace lanxi
