#include "mainwindow/ui/forms.h"

#include <QApplication>
#include <QWidget>

namespace lanxi {

bool IsFormOpen(const QString& caption) {
  const QWidgetList windows = QApplication::topLevelWidgets();
  for (QWidget* w : windows) {
    if (w->isVisible() && w->windowTitle() == caption) return true;
  }
  return false;
}

void WaitWhileFormOpen(const QString& caption) {
  while (IsFormOpen(caption)) {
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents | QEventLoop::AllEvents);
  }
}

}  // namespace lanxi
