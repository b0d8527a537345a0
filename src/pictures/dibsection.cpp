#include "pictures/dibsection.h"

#include <QPainter>
#include <QRandomGenerator>
#include <algorithm>
#include <cstring>
#include <new>

namespace lanxi {
namespace {

// The largest bitmap made: 1 GB of pixels.
constexpr qint64 kMaxBytes = qint64(1) << 30;

}  // namespace

bool cDIBSection::Create(int lWidth, int lHeight) {
  ClearUp();
  if (lWidth < 1 || lHeight < 1) return false;
  const qint64 stride = (3 * qint64(lWidth) + 3) & ~qint64(3);
  if (stride * lHeight > kMaxBytes) return false;
  try {
    bits_.assign(size_t(stride * lHeight), 0);
  } catch (const std::bad_alloc&) {
    return false;
  }
  width_ = lWidth;
  height_ = lHeight;
  return true;
}

void cDIBSection::CreateFromPicture(const QImage& picThis) {
  if (Create(picThis.width(), picThis.height())) LoadPictureBlt(picThis);
}

void cDIBSection::ClearUp() {
  std::vector<uchar>().swap(bits_);
  width_ = height_ = 0;
}

void cDIBSection::LoadPictureBlt(const QImage& source, int lSrcLeft, int lSrcTop, int lSrcWidth,
                                 int lSrcHeight) {
  if (bits_.empty() || source.isNull()) return;
  QRect from(lSrcLeft, lSrcTop, lSrcWidth < 0 ? width_ : lSrcWidth,
             lSrcHeight < 0 ? height_ : lSrcHeight);
  from &= source.rect();
  from &= QRect(lSrcLeft, lSrcTop, width_, height_);
  if (from.isEmpty()) return;
  // Qt's BGR888 rows hold the same bytes as a bitmap row: blue, green, red.
  const QImage part = source.copy(from).convertToFormat(QImage::Format_BGR888);
  const int dx = from.left() - lSrcLeft, dy = from.top() - lSrcTop;
  for (int y = 0; y < part.height(); ++y)
    std::memcpy(Row(dy + y) + 3 * dx, part.constScanLine(y), size_t(3 * part.width()));
}

void cDIBSection::PaintPicture(QImage& dest, int lDestLeft, int lDestTop, int lDestWidth,
                               int lDestHeight, int lSrcLeft, int lSrcTop) const {
  if (bits_.empty() || dest.isNull()) return;
  const QRect from(lSrcLeft, lSrcTop, lDestWidth < 0 ? width_ : lDestWidth,
                   lDestHeight < 0 ? height_ : lDestHeight);
  QPainter p(&dest);
  p.setCompositionMode(QPainter::CompositionMode_Source);
  p.setClipRect(QRect(QPoint(lDestLeft, lDestTop), from.size()));
  p.drawImage(QPoint(lDestLeft - lSrcLeft, lDestTop - lSrcTop), ToImage());
}

void cDIBSection::RandomiseBits(bool bGray) {
  QRandomGenerator* random = QRandomGenerator::global();
  for (int y = 0; y < height_; ++y) {
    uchar* px = Row(y);
    for (int x = 0; x < width_; ++x, px += 3) {
      const quint32 r = random->generate();
      px[0] = uchar(r);
      px[1] = bGray ? px[0] : uchar(r >> 8);
      px[2] = bGray ? px[0] : uchar(r >> 16);
    }
  }
}

std::unique_ptr<cDIBSection> cDIBSection::Resample(int lNewHeight, int lNewWidth) const {
  auto out = std::make_unique<cDIBSection>();
  if (!out->Create(lNewWidth, lNewHeight)) return nullptr;
  if (lNewWidth == width_ && lNewHeight == height_) {
    out->bits_ = bits_;
  } else if (!bits_.empty()) {
    out->LoadPictureBlt(
        ToImage().scaled(lNewWidth, lNewHeight, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
  }
  return out;
}

QImage cDIBSection::ToImage() const {
  if (bits_.empty()) return {};
  QImage image(width_, height_, QImage::Format_BGR888);
  for (int y = 0; y < height_; ++y) std::memcpy(image.scanLine(y), Row(y), size_t(3 * width_));
  return image;
}

}  // namespace lanxi
