#pragma once

#include <QElapsedTimer>
#include <QString>
#include <utility>

// Small routines used all over the program.
namespace lanxi {

// Lets the user interface process its pending events n + 1 times; nothing when n < 0.
void PumpEvents(int n = 0);

// Event pumping by elapsed time for loops of many short steps: Due() is true when at least the
// interval has passed since the last pump (or none happened yet), Pump() lets pending events
// run once when it is due or forced. The window still repaints about 30 times a second, while
// steps of a few microseconds no longer each pay for an event pass.
class TimedPump {
 public:
  static constexpr int kDefaultIntervalMs = 30;
  explicit TimedPump(int intervalMs = kDefaultIntervalMs) : interval_(intervalMs) {}
  bool Due() const { return !last_.isValid() || last_.elapsed() >= interval_; }
  // Answers whether events ran.
  bool Pump(bool force = false);

 private:
  int interval_;
  QElapsedTimer last_;
};

// Puts a and b in ascending order.
template <typename T>
void OrderPair(T& a, T& b) {
  if (b < a) std::swap(a, b);
}

// Opens a file or web address with the program the desktop associates with it. Answers
// whether the desktop accepted the request; callers may ignore it.
bool OpenWithShell(const QString& path);

}  // namespace lanxi
