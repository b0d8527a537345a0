#pragma once

#include <QString>
#include <utility>

// Small routines used all over the program.
namespace lanxi {

// Lets the user interface process its pending events n + 1 times; nothing when n < 0.
void PumpEvents(int n = 0);

// Puts a and b in ascending order.
template <typename T>
void OrderPair(T& a, T& b) {
  if (b < a) std::swap(a, b);
}

// Opens a file or web address with the program the desktop associates with it. Answers
// whether the desktop accepted the request; callers may ignore it.
bool OpenWithShell(const QString& path);

}  // namespace lanxi
