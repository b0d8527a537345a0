// Chart pictures: the bitmap class (bottom-up rows of blue-green-red, padded to 4 bytes), JPEG
// files that decode upright with the right colours, and the save command.
#include <gtest/gtest.h>
#include <turbojpeg.h>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>
#include <array>

#include "pictures/dibsection.h"
#include "pictures/savejpeg.h"
#include "scriptedprompts.h"

using namespace Qt::StringLiterals;
using namespace lanxi;

namespace {

// 5 × 3 pixels, each with its own colour: red = 40 × x, green = 80 × y, blue = 7.
QImage Sample() {
  QImage image(5, 3, QImage::Format_RGB32);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) image.setPixel(x, y, qRgb(40 * x, 80 * y, 7));
  return image;
}

QByteArray Read(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool Write(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// Decodes a JPEG file the way a picture viewer does (rows top-down, red-green-blue).
QImage Decode(const QString& path) {
  const QByteArray jpeg = Read(path);
  tjhandle decoder = tjInitDecompress();
  int width = 0, height = 0, subsampling = 0, colourspace = 0;
  QImage image;
  const auto* data = reinterpret_cast<const unsigned char*>(jpeg.constData());
  if (tjDecompressHeader3(decoder, data, jpeg.size(), &width, &height, &subsampling,
                          &colourspace) == 0) {
    image = QImage(width, height, QImage::Format_RGB888);
    if (tjDecompress2(decoder, data, jpeg.size(), image.bits(), width, int(image.bytesPerLine()),
                      height, TJPF_RGB, 0) != 0)
      image = QImage();
  }
  tjDestroy(decoder);
  return image;
}

// Quarters of four colours: red, green / blue, white.
QImage Quarters(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      image.setPixel(x, y,
                     std::array{qRgb(230, 0, 0), qRgb(0, 160, 0), qRgb(0, 0, 255),
                                qRgb(255, 255, 255)}[(x >= width / 2) + 2 * (y >= height / 2)]);
  return image;
}

bool Near(QRgb a, QRgb b) {
  return std::abs(qRed(a) - qRed(b)) <= 16 && std::abs(qGreen(a) - qGreen(b)) <= 16 &&
         std::abs(qBlue(a) - qBlue(b)) <= 16;
}

cDIBSection Dib(const QImage& image) {
  cDIBSection dib;
  dib.CreateFromPicture(image);
  return dib;
}

class Jpeg : public ::testing::Test {
 protected:
  QTemporaryDir dir;
  QString Path(const QString& name) const { return dir.filePath(name); }
  test::ScriptedPrompts prompts;
};

}  // namespace

TEST(DIBSection, PicturesAreStoredBottomUpInBlueGreenRedWithPaddedRows) {
  cDIBSection dib = Dib(Sample());
  ASSERT_EQ(dib.BytesPerScanLine(), 16);
  // The first row in memory is the picture's bottom row (y = 2), then the padding.
  EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(dib.DIBSectionBitsPtr()), 16),
            QByteArray::fromHex("07a000 07a028 07a050 07a078 07a0a0 00"));
  EXPECT_EQ(dib.ToImage().convertToFormat(QImage::Format_RGB32), Sample());
  ASSERT_TRUE(dib.Create(3, 2));  // a new, black bitmap of the new size
  EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(dib.DIBSectionBitsPtr()), 2 * 12),
            QByteArray(2 * 12, 0));
  for (const auto& [w, h] : {std::pair{0, 5}, std::pair{100000, 100000}}) {
    EXPECT_FALSE(dib.Create(w, h));
    EXPECT_EQ(dib.DIBSectionBitsPtr(), nullptr);
  }
}

TEST(DIBSection, CopiesPartsFromAndToImages) {
  cDIBSection dib;
  ASSERT_TRUE(dib.Create(4, 4));
  dib.LoadPictureBlt(Sample(), 2, 1);  // (2, 1) … (4, 2) land at (0, 0) … (2, 1)
  QImage back = dib.ToImage();
  EXPECT_EQ(back.pixel(2, 1), qRgb(160, 160, 7));
  EXPECT_EQ(back.pixel(3, 0), qRgb(0, 0, 0));  // beyond the picture: left alone
  QImage canvas(6, 6, QImage::Format_RGB32);
  canvas.fill(Qt::white);
  dib.PaintPicture(canvas, 3, 3, 2, 2, 1, 0);  // dib (1, 0) … (2, 1) to canvas (3, 3)
  EXPECT_EQ(canvas.pixel(3, 3), qRgb(120, 80, 7));
  EXPECT_EQ(canvas.pixel(5, 5), qRgb(255, 255, 255));
}

TEST_F(Jpeg, DecodesUprightWithTheRightColoursWithAndWithoutRowPadding) {
  for (const QSize size : {QSize(5, 32), QSize(64, 48)}) {
    const QImage picture = Quarters(size.width(), size.height());
    const QString file = Path(u"图%1.jpg"_s.arg(size.width()));
    ASSERT_TRUE(SaveJpeg(Dib(picture), file, 80));
    const QImage decoded = Decode(file);
    ASSERT_EQ(decoded.size(), size);
    // The middle of each quarter, away from the edges where JPEG blurs.
    for (const int qx : {1, 3})
      for (const int qy : {1, 3}) {
        const QPoint p(size.width() * qx / 4, size.height() * qy / 4);
        EXPECT_TRUE(Near(decoded.pixel(p), picture.pixel(p))) << size.width() << " at " << qx << qy;
      }
  }
}

TEST_F(Jpeg, SaveCommandNamesAsksAndReports) {
  const QImage picture = Quarters(20, 10);
  // ".jpg" is added unless the name ends in it exactly.
  prompts.files << Path(u"图表"_s) << Path(u"CHART.JPG"_s);
  for (int i = 0; i < 2; ++i) EXPECT_TRUE(SavePicture(picture, prompts));
  for (const QString& name : {u"图表.jpg"_s, u"CHART.JPG.jpg"_s})
    EXPECT_EQ(Decode(Path(name)).size(), QSize(20, 10)) << name.toStdString();

  // An existing file: No keeps it untouched, Yes replaces it.
  ASSERT_TRUE(Write(Path(u"旧.jpg"_s), "keep"));
  prompts.files << Path(u"旧"_s) << Path(u"旧.jpg"_s);
  prompts.answers << false << true;
  EXPECT_FALSE(SavePicture(picture, prompts));
  EXPECT_EQ(Read(Path(u"旧.jpg"_s)), "keep");
  EXPECT_TRUE(SavePicture(picture, prompts));
  EXPECT_EQ(Decode(Path(u"旧.jpg"_s)).size(), QSize(20, 10));
  EXPECT_EQ(prompts.questions.value(0), u"文件“"_s + Path(u"旧.jpg"_s) + u"”已存在，是否覆盖？"_s);
  EXPECT_TRUE(prompts.messages.isEmpty());

  // A name so long that no file can be made beside it: the old picture stays.
  const QString file = Path(QString(246, u'a') + u".jpg"_s);
  ASSERT_TRUE(Write(file, "old picture"));
  prompts.files << file;
  prompts.answers << true;
  EXPECT_FALSE(SavePicture(picture, prompts));
  EXPECT_EQ(prompts.messages, QStringList{u"保存图片出错！"_s});
  EXPECT_EQ(Read(file), "old picture");
}
