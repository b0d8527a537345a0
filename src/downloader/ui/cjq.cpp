#include "downloader/ui/cjq.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTime>
#include <QTimer>
#include <QVBoxLayout>

#include "common/progress.h"
#include "common/routines.h"
#include "downloader/runlog.h"
#include "downloader/ui/cjsz.h"

using namespace Qt::StringLiterals;

namespace lanxi {
namespace {

constexpr int kLogLines = 10000;

}  // namespace

QString CJQ::Caption() {
  return u"采数器"_s;
}

CJQ::CJQ(DailyRun& run, FigureBrowser& browser, const QString& logPath, QWidget* parent)
    : QWidget(parent, Qt::Window), run_(run), browser_(browser), logPath_(logPath) {
  setObjectName(u"CJQ"_s);
  setWindowTitle(Caption());
  resize(720, 480);

  lblDB_ = new QLabel(u"数据库："_s, this);
  lblDB_->setObjectName(u"LblDB"_s);
  lblPro_ = new QLabel(u"正在准备…"_s, this);
  lblPro_->setObjectName(u"LblPro"_s);
  lblPro_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  pb_ = new QProgressBar(this);
  pb_->setObjectName(u"PB"_s);
  pb_->setRange(0, 1);
  pb_->setValue(0);
  l1_ = new QLabel(u"(0/0)"_s, this);
  l1_->setObjectName(u"L1"_s);
  l2_ = new QLabel(this);
  l2_->setObjectName(u"L2"_s);
  log_ = new QPlainTextEdit(this);
  log_->setObjectName(u"TxtLog"_s);
  log_->setReadOnly(true);
  log_->setMaximumBlockCount(kLogLines);
  log_->setLineWrapMode(QPlainTextEdit::NoWrap);

  const QString captions[] = {u"停止"_s, u"采数设置"_s, u"打开日志"_s, u"关闭"_s};
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  for (int i = 0; i < 4; ++i) {
    com_[i] = new QPushButton(captions[i], this);
    com_[i]->setObjectName(u"Com_"_s + QString::number(i));
    connect(com_[i], &QPushButton::clicked, this, [this, i] { Com_Click(i); });
    buttons->addWidget(com_[i]);
  }
  com_[0]->setEnabled(false);

  auto* bar = new QHBoxLayout;
  bar->addWidget(pb_, 1);
  bar->addWidget(l1_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(lblDB_);
  layout->addWidget(lblPro_);
  layout->addLayout(bar);
  layout->addWidget(l2_);
  layout->addWidget(log_, 1);
  layout->addLayout(buttons);

  // The time shown moves on while a page loads.
  clock_ = new QTimer(this);
  clock_->setInterval(1000);
  connect(clock_, &QTimer::timeout, this, &CJQ::TickClock);
}

CJQ::~CJQ() = default;

RunSummary CJQ::Start(const DownloadRequest& request) {
  com_[0]->setEnabled(true);
  com_[1]->setEnabled(false);
  AppendLog(u"采数范围："_s + DescribeRequest(request));
  run_.AddObserver(this);
  summary_ = run_.Run(request);
  return summary_;
}

void CJQ::Com_Click(int index) {
  switch (index) {
    case 0:
      run_.RequestStop();
      com_[0]->setEnabled(false);
      lblPro_->setText(u"正在停止：读完当前商品后停止…"_s);
      break;
    case 1: {
      CJSZ dialog(browser_, this);
      dialog.exec();
      break;
    }
    case 2:
      OpenWithShell(logPath_);
      break;
    case 3:
      close();
      break;
  }
}

void CJQ::AppendLog(const QString& line, bool problem) {
  const QString stamped = QTime::currentTime().toString(u"HH:mm:ss "_s) + line;
  if (problem) {
    log_->appendHtml(u"<span style=\"color:#c00000\">"_s + stamped.toHtmlEscaped() + u"</span>"_s);
  } else {
    log_->appendPlainText(stamped);
  }
}

void CJQ::ShowProgress(const RunProgress& progress) {
  progress_ = progress;
  sinceProgress_.start();
  pb_->setRange(0, std::max(1, progress.total));
  pb_->setValue(progress.done);
  l1_->setText(progress.CountText());
  l2_->setText(progress.TimeText());
}

void CJQ::TickClock() {
  if (!sinceProgress_.isValid()) return;
  RunProgress now = progress_;
  now.elapsedMs += sinceProgress_.elapsed();
  // The estimate stays that of the last finished product.
  const qint64 remaining = progress_.RemainingMs();
  QString text = u"已用时间 "_s + FormatDuration(now.elapsedMs / 1000) + u"  剩余时间 "_s;
  text += remaining < 0
              ? u"—"_s
              : FormatDuration(std::max<qint64>(0, remaining - sinceProgress_.elapsed()) / 1000);
  l2_->setText(text);
}

void CJQ::RunStarted(const std::vector<DatabaseJob>& databases, int products) {
  AppendLog(u"共 "_s + QString::number(databases.size()) + u" 个数据库，"_s +
            QString::number(products) + u" 个商品。"_s);
  ShowProgress({0, products, 0});
  clock_->start();
}

void CJQ::DatabaseStarted(const DatabaseJob& db, int index, int count) {
  lblDB_->setText(u"数据库："_s + db.name + u"（"_s + QString::number(index + 1) + u'/' +
                  QString::number(count) + u"）"_s);
  AppendLog(u"数据库“"_s + db.name + u"”（"_s + db.file + u"），"_s +
            QString::number(db.products.size()) + u" 个商品。"_s);
}

void CJQ::ProductStarted(const DatabaseJob&, const ProductJob& product,
                         const RunProgress& progress) {
  if (!run_.StopRequested()) lblPro_->setText(u"正在读取："_s + product.Title());
  ShowProgress(progress);
}

void CJQ::ProductFinished(const ProductResult& result, const RunProgress& progress) {
  AppendLog(ProductLine(result, progress), result.status == ProductResult::Status::Failed);
  // The pause before the next page is the site's, not a hang.
  if (!run_.StopRequested() && progress.done < progress.total)
    lblPro_->setText(u"已读完："_s + result.product.Title() + u"，稍候读取下一个商品…"_s);
  ShowProgress(progress);
}

void CJQ::Note(const QString& line) {
  AppendLog(line, true);
}

void CJQ::RunFinished(const RunSummary& summary) {
  clock_->stop();
  const QStringList lines = summary.Lines();
  for (int i = 0; i < lines.size(); ++i) AppendLog(lines[i], !summary.started || i >= 2);
  lblPro_->setText(summary.started ? lines.value(0) : u"无法下载："_s + summary.fatal);
  if (summary.started && !summary.stopped) pb_->setValue(pb_->maximum());
  com_[0]->setEnabled(false);
  com_[1]->setEnabled(true);
  run_.RemoveObserver(this);
  if (closeWhenStopped_) QTimer::singleShot(0, this, &QWidget::close);
}

void CJQ::closeEvent(QCloseEvent* event) {
  if (run_.Running()) {
    // The product being read is finished first; its row is not lost.
    closeWhenStopped_ = true;
    Com_Click(0);
    event->ignore();
    return;
  }
  event->accept();
}

}  // namespace lanxi
