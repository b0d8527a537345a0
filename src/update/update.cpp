#include "update/update.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QStringDecoder>
#include <QTime>
#include <QTimer>
#include <QUrl>

#include "common/programfolder.h"
#include "common/userprompts.h"
#include "common/version.h"
#include "storage/settings.h"

using namespace Qt::StringLiterals;

namespace lanxi {
namespace {

constexpr int kAttempts = 5;
constexpr int kMaxBackups = 1000;

// The newest version this run has seen; empty until the check ran.
QString g_newestVersion;

// Pages come in UTF-8 or, from older servers, in the Chinese code page.
QString DecodeBody(const QByteArray& body) {
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString text = utf8.decode(body);
  if (!utf8.hasError()) return text;
  QStringDecoder gb("GB18030");
  if (gb.isValid()) {
    text = gb.decode(body);
    if (!gb.hasError()) return text;
  }
  return QString::fromLatin1(body);
}

}  // namespace

QString WebGetText(const QString& address, QString& pageText, const QString& marker,
                   int timeoutSeconds) {
  const QString url = address + (address.contains(u'?') ? u'&' : u'?') + u"Time="_s +
                      QTime::currentTime().toString(u"HH:mm:ss"_s);
  QString result = QString::fromUtf16(kNetworkError);
  if (!QCoreApplication::instance()) return result;

  QNetworkAccessManager net;
  QNetworkRequest request{QUrl(url)};
  request.setRawHeader("CONTENT-TYPE", "text/xml");
  request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
  QNetworkReply* reply = net.get(request);
  QEventLoop wait;
  QTimer deadline;
  deadline.setSingleShot(true);
  QObject::connect(reply, &QNetworkReply::finished, &wait, &QEventLoop::quit);
  QObject::connect(&deadline, &QTimer::timeout, &wait, &QEventLoop::quit);
  deadline.start(std::max(0, timeoutSeconds) * 1000);
  if (!reply->isFinished()) wait.exec();

  if (reply->isFinished() && reply->error() == QNetworkReply::NoError) {
    const QString body = DecodeBody(reply->readAll());
    if (body.contains(marker)) {
      result.clear();
      const qsizetype br = body.lastIndexOf(u"<BR>"_s);
      pageText = br >= 0 ? body.left(br) : body;
      pageText.replace(u"<+>"_s, u"\r\n"_s);
    }
  }
  reply->abort();
  delete reply;
  return result;
}

QString WebGetRetry(const QString& address, QString& pageText, const QString& marker,
                    int timeoutSeconds) {
  QString result;
  for (int i = 0; i < kAttempts; ++i) {
    result = WebGetText(address, pageText, marker, timeoutSeconds);
    if (result.isEmpty()) break;
  }
  return result;
}

void ResetUpdateCheck() {
  g_newestVersion.clear();
}

QString VersionPageAddress(int pageNumber) {
  QString host = GetParamOr(QString::fromUtf16(ParamKey::UpdateHost),
                            QString::fromUtf16(ParamDefault::UpdateHost));
  while (host.endsWith(u'/')) host.chop(1);
  return host + u"/soft/downpage/Pro.asp?ID="_s + QString::number(pageNumber);
}

double LeadingDouble(QStringView text) {
  qsizetype i = 0;
  while (i < text.size() && (text[i] == u' ' || text[i] == u'\t')) ++i;
  const qsizetype start = i;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) ++i;
  bool digits = false, point = false;
  for (; i < text.size(); ++i) {
    const QChar c = text[i];
    if (c >= u'0' && c <= u'9') {
      digits = true;
    } else if (c == u'.' && !point) {
      point = true;
    } else {
      break;
    }
  }
  if (!digits) return 0;
  bool ok = false;
  const double v = text.mid(start, i - start).toDouble(&ok);
  return ok ? v : 0;
}

double RemoteVersion(const QString& pageText) {
  const qsizetype title = pageText.indexOf(u"<title>"_s);
  if (title < 0) return 0;
  const QStringView rest = QStringView(pageText).mid(title + 7);
  const qsizetype paren = rest.indexOf(u'(');
  if (paren < 0) return 0;
  return LeadingDouble(rest.mid(paren + 1));
}

double VersionNumber(const QString& version) {
  QString kept;
  for (QChar c : version) {
    if (c.isDigit() || c == u'.') kept += c;
  }
  return LeadingDouble(kept);
}

QString NextBackupPath(const QString& folder) {
  for (int n = 0; n <= kMaxBackups; ++n) {
    const QString path =
        folder + u"/BAK_data"_s + QString::number(n).rightJustified(3, u'0') + u".DAT"_s;
    if (!QFileInfo::exists(path)) return path;
  }
  return {};
}

QString UpdaterArgument() {
  const QString archive = u"LX03"_s;
  const QString program =
      QCoreApplication::instance()
          ? QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName()
          : u"lanxi"_s;
  return archive + u".rar,"_s + archive + u"_1.rar|"_s + program + u".exe,采数器.exe"_s;
}

QString UpdaterPath() {
  return ProgramFolder() + u"/update"_s;
}

UpdateOutcome CheckUpdate(int pageNumber, int timeoutSeconds) {
  if (!g_newestVersion.isEmpty()) return UpdateOutcome::AlreadyChecked;
  g_newestVersion = u"0"_s;

  const double local = VersionNumber(ProgramVersion());
  QString page;
  WebGetRetry(VersionPageAddress(pageNumber), page, u"</title>"_s, timeoutSeconds);
  const double remote = RemoteVersion(page);
  if (remote == 0 || local == 0) return UpdateOutcome::NoAnswer;
  if (remote == local) {
    g_newestVersion = QString::number(remote);
    return UpdateOutcome::UpToDate;
  }

  const QString folder = ProgramFolder();
  const QString backup = NextBackupPath(folder);
  if (!backup.isEmpty()) QFile::copy(ProgramFile(u"data.mdb"_s), backup);
  ShowMessage(u"本软件已升级，启动自动升级..."_s);

  const QString updater = UpdaterPath();
  const QFileInfo info(updater);
  // Only end the program when the updater really runs: otherwise the user would be left with
  // neither the old program nor a new one.
  if (!info.isFile() || !info.isExecutable() ||
      !QProcess::startDetached(updater, {UpdaterArgument()}, folder)) {
    ShowMessage(u"无法启动升级程序“"_s + updater +
                    u"”，本次不能自动升级。请从网站下载新版本后再安装，程序将继续运行。"_s,
                MessageKind::Warning);
    return UpdateOutcome::UpdaterFailed;
  }
  return UpdateOutcome::UpdaterStarted;
}

}  // namespace lanxi
