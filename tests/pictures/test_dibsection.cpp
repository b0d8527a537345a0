// The bitmap class: row layout (bottom-up, blue-green-red, rows padded to 4 bytes), creation
// and release, copying from and to images, resampling and random bits.
#include <gtest/gtest.h>
#include <QImage>

#include "pictures/dibsection.h"

using namespace lanxi;

namespace {

// 5 × 3 pixels, each with its own colour: red = 40 × x, green = 80 × y, blue = 7.
QImage Sample() {
  QImage image(5, 3, QImage::Format_RGB32);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) image.setPixel(x, y, qRgb(40 * x, 80 * y, 7));
  return image;
}

}  // namespace

TEST(DIBSection, RowsArePaddedToFourBytes) {
  cDIBSection dib;
  for (const auto& [width, bytes] : {std::pair{1, 4}, std::pair{4, 12}, std::pair{5, 16}}) {
    ASSERT_TRUE(dib.Create(width, 2));
    EXPECT_EQ(dib.BytesPerScanLine(), bytes);
    EXPECT_EQ(dib.Width(), width);
    EXPECT_EQ(dib.Height(), 2);
  }
}

TEST(DIBSection, CreateReleasesTheOldBitmapAndRefusesEmptySizes) {
  cDIBSection dib;
  ASSERT_TRUE(dib.Create(8, 8));
  dib.RandomiseBits(false);
  ASSERT_TRUE(dib.Create(3, 2));  // a new, black bitmap of the new size
  EXPECT_EQ(dib.Width(), 3);
  for (int i = 0; i < dib.BytesPerScanLine() * 2; ++i) EXPECT_EQ(dib.DIBSectionBitsPtr()[i], 0);
  for (const auto& [w, h] :
       {std::pair{0, 5}, std::pair{5, 0}, std::pair{-1, 1}, std::pair{100000, 100000}}) {
    EXPECT_FALSE(dib.Create(w, h));
    EXPECT_EQ(dib.Width(), 0);
    EXPECT_EQ(dib.Height(), 0);
    EXPECT_EQ(dib.DIBSectionBitsPtr(), nullptr);
  }
  dib.CreateFromPicture(QImage());
  EXPECT_EQ(dib.DIBSectionBitsPtr(), nullptr);
  EXPECT_TRUE(dib.ToImage().isNull());
}

TEST(DIBSection, PicturesAreStoredBottomUpInBlueGreenRed) {
  cDIBSection dib;
  dib.CreateFromPicture(Sample());
  ASSERT_EQ(dib.Width(), 5);
  const uchar* bits = dib.DIBSectionBitsPtr();
  // The first row in memory is the picture's bottom row (y = 2).
  for (int x = 0; x < 5; ++x) {
    EXPECT_EQ(bits[3 * x + 0], 7);
    EXPECT_EQ(bits[3 * x + 1], 160);
    EXPECT_EQ(bits[3 * x + 2], 40 * x);
  }
  EXPECT_EQ(bits[15], 0);  // the padding byte
  const uchar* top = bits + 2 * dib.BytesPerScanLine();
  EXPECT_EQ(top[1], 0);
  EXPECT_EQ(top[3 * 4 + 2], 160);
  EXPECT_EQ(dib.ToImage().convertToFormat(QImage::Format_RGB32), Sample());
}

TEST(DIBSection, CopiesPartsFromAndToImages) {
  cDIBSection dib;
  ASSERT_TRUE(dib.Create(4, 4));
  dib.LoadPictureBlt(Sample(), 2, 1);  // (2, 1) … (4, 2) land at (0, 0) … (2, 1)
  QImage back = dib.ToImage();
  EXPECT_EQ(back.pixel(0, 0), qRgb(80, 80, 7));
  EXPECT_EQ(back.pixel(2, 1), qRgb(160, 160, 7));
  EXPECT_EQ(back.pixel(3, 0), qRgb(0, 0, 0));  // beyond the picture: left alone
  EXPECT_EQ(back.pixel(0, 2), qRgb(0, 0, 0));

  QImage canvas(6, 6, QImage::Format_RGB32);
  canvas.fill(Qt::white);
  dib.PaintPicture(canvas, 3, 3, 2, 2, 1, 0);  // dib (1, 0) … (2, 1) to canvas (3, 3)
  EXPECT_EQ(canvas.pixel(3, 3), qRgb(120, 80, 7));
  EXPECT_EQ(canvas.pixel(4, 4), qRgb(160, 160, 7));
  EXPECT_EQ(canvas.pixel(5, 5), qRgb(255, 255, 255));
  EXPECT_EQ(canvas.pixel(2, 3), qRgb(255, 255, 255));
}

TEST(DIBSection, ResamplesAndRandomises) {
  cDIBSection dib;
  dib.CreateFromPicture(Sample());
  std::unique_ptr<cDIBSection> same = dib.Resample(3, 5);
  ASSERT_TRUE(same);
  EXPECT_EQ(same->ToImage(), dib.ToImage());
  std::unique_ptr<cDIBSection> wide = dib.Resample(6, 10);  // height first
  ASSERT_TRUE(wide);
  EXPECT_EQ(wide->Width(), 10);
  EXPECT_EQ(wide->Height(), 6);
  const QRgb corner = wide->ToImage().pixel(9, 5);
  EXPECT_GT(qRed(corner), 120);  // the bottom-right stays red and green
  EXPECT_GT(qGreen(corner), 120);
  EXPECT_EQ(dib.Resample(0, 4), nullptr);

  dib.RandomiseBits(true);
  const QImage gray = dib.ToImage();
  bool varied = false;
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) {
      const QRgb p = gray.pixel(x, y);
      EXPECT_EQ(qRed(p), qGreen(p));
      EXPECT_EQ(qGreen(p), qBlue(p));
      varied = varied || p != gray.pixel(0, 0);
    }
  EXPECT_TRUE(varied);
  dib.ClearUp();
  EXPECT_EQ(dib.Width(), 0);
}
