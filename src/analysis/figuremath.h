#pragma once

#include <QtGlobal>
#include <cmath>
#include <limits>

#include "common/value.h"

// Arithmetic and aggregates by the rules of the database engine, so that a figure computed in
// memory comes out bit for bit as the engine's own statement gives it, provided the values are
// taken in the same order.
//
// A number that may be NULL is a double, NULL being NaN: the engine never stores NaN and turns
// a NaN result of an operation into NULL, so NaN can stand for NULL without ambiguity, and it
// spreads through arithmetic as NULL does. Counts (Sales, Stock) are 32-bit integers with
// kNullCount for NULL.
namespace lanxi::figmath {

inline constexpr double kNull = std::numeric_limits<double>::quiet_NaN();
inline constexpr qint32 kNullCount = std::numeric_limits<qint32>::min();

inline bool IsNull(double v) {
  return std::isnan(v);
}
inline double FromCount(qint32 v) {
  return v == kNullCount ? kNull : double(v);
}
// a / b: NULL when b is 0 (the engine answers NULL rather than infinity).
inline double Divide(double a, double b) {
  return b == 0.0 ? kNull : a / b;
}

// SUM and AVG: integers are added exactly as well as in floating point; the sum is an integer
// while only integers came, AVG is the floating-point sum over the count. NULLs are skipped; with
// nothing added both are NULL.
class Sum {
 public:
  void AddCount(qint32 v) {
    if (v == kNullCount) return;
    ++n_;
    r_ += double(v);
    i_ += v;
  }
  void AddReal(double v) {
    if (IsNull(v)) return;
    ++n_;
    r_ += v;
    approx_ = true;
  }
  qint64 Count() const { return n_; }
  Value Total() const {
    if (n_ == 0) return {};
    return approx_ ? Value(r_) : Value(i_);
  }
  Value Average() const { return n_ == 0 ? Value() : Value(r_ / double(n_)); }

 private:
  double r_ = 0;
  qint64 i_ = 0;
  qint64 n_ = 0;
  bool approx_ = false;
};

// MIN over floating-point values: the first of equal smallest values stays; NULLs are skipped.
class Min {
 public:
  void Add(double v) {
    if (IsNull(v)) return;
    if (!any_ || v < best_) best_ = v;
    any_ = true;
  }
  Value Result() const { return any_ ? Value(best_) : Value(); }

 private:
  double best_ = 0;
  bool any_ = false;
};

}  // namespace lanxi::figmath
