#include "common/routines.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

namespace lanxi {

void PumpEvents(int n) {
  if (!QCoreApplication::instance()) return;
  for (int i = 0; i <= n; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents);
}

bool TimedPump::Pump(bool force) {
  if (!force && !Due()) return false;
  PumpEvents(0);
  last_.start();
  return true;
}

bool OpenWithShell(const QString& path) {
  const QUrl url = QFileInfo::exists(path) ? QUrl::fromLocalFile(path) : QUrl(path);
  if (!url.isValid() || url.isEmpty()) return false;
  return QDesktopServices::openUrl(url);
}

}  // namespace lanxi
