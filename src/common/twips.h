#pragma once

#include <QtGlobal>

namespace lanxi {

// Window geometry is reckoned in twips: 1440 to the inch, 15 to a logical pixel.
inline constexpr int kTwipsPerPixel = 15;
inline int Px(int twips) {
  return qRound(double(twips) / kTwipsPerPixel);
}
inline int Tw(int pixels) {
  return pixels * kTwipsPerPixel;
}

}  // namespace lanxi
