#pragma once

#include <QImage>
#include <QtGlobal>
#include <memory>
#include <utility>
#include <vector>

namespace lanxi {

// A 24-bit device-independent bitmap whose pixel memory can be addressed directly: rows of 3
// bytes per pixel in the order blue, green, red, each row filled up to a multiple of 4 bytes
// (BytesPerScanLine), stored bottom-up (the first row in memory is the bottom row of the
// picture). This is the layout JPEG encoders and the Windows bitmap format read.
//
// The bitmap lives in memory only: there are no device contexts or bitmap handles, so the
// pictures it is loaded from and painted to are QImages, the raster operation of a copy is
// always a plain source copy, and copying to the clipboard is left out. An empty object (no
// bitmap) has width and height 0.
class cDIBSection {
 public:
  cDIBSection() = default;
  ~cDIBSection() { ClearUp(); }
  cDIBSection(const cDIBSection&) = delete;
  cDIBSection& operator=(const cDIBSection&) = delete;
  // A moved bitmap leaves an empty object behind.
  cDIBSection(cDIBSection&& other) noexcept { *this = std::move(other); }
  cDIBSection& operator=(cDIBSection&& other) noexcept {
    width_ = std::exchange(other.width_, 0);
    height_ = std::exchange(other.height_, 0);
    bits_ = std::exchange(other.bits_, {});
    return *this;
  }

  // A black bitmap of lWidth × lHeight pixels, after releasing the one held before. False, and
  // the object empty, when a side is below 1 or the bitmap would not fit in memory.
  bool Create(int lWidth, int lHeight);
  // A bitmap of the picture's size holding its pixels; empty when the picture is empty or
  // that size cannot be made.
  void CreateFromPicture(const QImage& picThis);

  // (3 × Width + 3) rounded down to a multiple of 4.
  int BytesPerScanLine() const { return (3 * width_ + 3) & ~3; }
  int Width() const { return width_; }
  int Height() const { return height_; }

  // Copies the part of `source` from (lSrcLeft, lSrcTop) into the bitmap at (0, 0); a
  // negative width or height means the bitmap's own. What lies outside either is left alone.
  void LoadPictureBlt(const QImage& source, int lSrcLeft = 0, int lSrcTop = 0, int lSrcWidth = -1,
                      int lSrcHeight = -1);
  // Copies the part of the bitmap from (lSrcLeft, lSrcTop) into `dest` at (lDestLeft,
  // lDestTop), lDestWidth × lDestHeight pixels (negative: the bitmap's own size), unscaled.
  void PaintPicture(QImage& dest, int lDestLeft = 0, int lDestTop = 0, int lDestWidth = -1,
                    int lDestHeight = -1, int lSrcLeft = 0, int lSrcTop = 0) const;

  // The pixel memory, BytesPerScanLine × Height bytes; nullptr when empty.
  uchar* DIBSectionBitsPtr() { return bits_.empty() ? nullptr : bits_.data(); }
  const uchar* DIBSectionBitsPtr() const { return bits_.empty() ? nullptr : bits_.data(); }

  // Every pixel random: each of its three bytes on its own, or with bGray one value for all.
  void RandomiseBits(bool bGray);
  // Releases the bitmap; the object is empty afterwards.
  void ClearUp();
  // A new bitmap of lNewWidth × lNewHeight: an exact copy when the size is the same, otherwise
  // the pixels resampled with a smoothing filter. nullptr when it cannot be made.
  std::unique_ptr<cDIBSection> Resample(int lNewHeight, int lNewWidth) const;

  // The bitmap as an upright image (empty when the object is).
  QImage ToImage() const;

 private:
  // Row y of the picture, counted from the top.
  uchar* Row(int y) { return bits_.data() + qsizetype(height_ - 1 - y) * BytesPerScanLine(); }
  const uchar* Row(int y) const {
    return bits_.data() + qsizetype(height_ - 1 - y) * BytesPerScanLine();
  }

  int width_ = 0;
  int height_ = 0;
  std::vector<uchar> bits_;
};

}  // namespace lanxi
