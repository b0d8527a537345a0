#include "mainwindow/ui/startupprobe.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <cstdio>

namespace lanxi {
namespace {

class FirstPaint final : public QObject {
 public:
  using QObject::QObject;
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint && !seen_) {
      seen_ = true;
      auto* window = qobject_cast<QWidget*>(watched);
      QTimer::singleShot(0, window, [window] {
        std::printf("first-paint\n");
        std::fflush(stdout);
        // Closing ends the run the way a user does.
        window->close();
        QCoreApplication::exit(0);
      });
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  bool seen_ = false;
};

}  // namespace

void ExitAfterFirstPaint(QWidget* window) {
  window->installEventFilter(new FirstPaint(window));
}

}  // namespace lanxi
