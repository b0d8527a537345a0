#include "downloader/runlog.h"

#include <QDir>
#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace lanxi {
namespace {

const QString kLogFolder = u"log"_s;
const QString kLogPrefix = u"采数器-"_s;

}  // namespace

QString RunLogPath(const QString& programFolder, QDate day) {
  return programFolder + u'/' + kLogFolder + u'/' + kLogPrefix + day.toString(u"yyyyMMdd"_s) +
         u".log"_s;
}

int RemoveOldLogs(const QString& programFolder, QDate today, int days) {
  static const QRegularExpression name(u"^采数器-(\\d{8})\\.log$"_s);
  QDir folder(programFolder + u'/' + kLogFolder);
  int removed = 0;
  for (const QString& entry : folder.entryList({kLogPrefix + u"*.log"_s}, QDir::Files)) {
    const QRegularExpressionMatch m = name.match(entry);
    const QDate day = m.hasMatch() ? QDate::fromString(m.captured(1), u"yyyyMMdd"_s) : QDate();
    if (day.isValid() && day.daysTo(today) > days && folder.remove(entry)) ++removed;
  }
  return removed;
}

RunLog::RunLog(const QString& programFolder, const QDateTime& now) {
  QDir().mkpath(programFolder + u'/' + kLogFolder);
  RemoveOldLogs(programFolder, now.date());
  file_.setFileName(RunLogPath(programFolder, now.date()));
  if (!file_.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) return;
  // A new run stands apart from the one before.
  if (file_.size() > 0) file_.write("\n");
  Write(u"==== 采数器开始运行 "_s + now.toString(u"yyyy-MM-dd HH:mm:ss"_s) + u" ===="_s);
}

void RunLog::Write(const QString& line) {
  if (!file_.isOpen()) return;
  file_.write((QTime::currentTime().toString(u"HH:mm:ss "_s) + line + u'\n').toUtf8());
  file_.flush();
}

void RunReport::RunStarted(const std::vector<DatabaseJob>& databases, int products) {
  sink_(u"共 "_s + QString::number(databases.size()) + u" 个数据库，"_s +
        QString::number(products) + u" 个商品。"_s);
}

void RunReport::DatabaseStarted(const DatabaseJob& db, int index, int count) {
  sink_(u"数据库 "_s + QString::number(index + 1) + u'/' + QString::number(count) + u"：“"_s +
        db.name + u"”（"_s + db.file + u"），"_s + QString::number(db.products.size()) +
        u" 个商品。"_s);
}

void RunReport::ProductFinished(const ProductResult& result, const RunProgress& progress) {
  sink_(ProductLine(result, progress));
}

void RunReport::Note(const QString& line) {
  sink_(line);
}

void RunReport::RunFinished(const RunSummary& summary) {
  for (const QString& line : summary.Lines()) sink_(line);
}

QString DescribeRequest(const DownloadRequest& request) {
  if (request.all) return u"所有数据库"_s;
  return request.file.isEmpty() ? request.name : request.name + u"（"_s + request.file + u"）"_s;
}

}  // namespace lanxi
