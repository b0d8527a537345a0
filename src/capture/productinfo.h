#pragma once

#include <QString>
#include <array>

namespace lanxi {

// A product as an item page gives it, before and after it is stored (Product row).
struct ProductInfo {
  qint64 ID = 0;   // the row's id, set when stored
  qint64 WID = 0;  // stored only when greater than 0; no page sets it
  QString Name;
  QString Url;
  QString Pic;  // the picture's web address, or its local file once saved
  QString Shop;
  QString Owner;  // marketplace page: the seller; mall page: the company
  QString Region;
  bool TMall = true;
  std::array<QString, 10> C;  // category values for C0 … C9; no page sets them
};

// Gives the record its initial values.
inline void InitProductInfo(ProductInfo& r) {
  r = ProductInfo();
}

}  // namespace lanxi
