// JPEG pictures: files decode upright with the right colours at every row padding, the save
// command's file names, question and message, and that replacing a file keeps its times and
// permissions while a failure keeps the file itself.
#include <gtest/gtest.h>
#include <turbojpeg.h>
#include <utime.h>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>

#include "pictures/savejpeg.h"
#include "scriptedprompts.h"

using namespace Qt::StringLiterals;
using namespace lanxi;

namespace {

QByteArray Read(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void Write(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(bytes);
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
    for (int x = 0; x < width; ++x) {
      const bool right = x >= width / 2 && width > 1, bottom = y >= height / 2;
      image.setPixel(x, y,
                     bottom ? (right ? qRgb(255, 255, 255) : qRgb(0, 0, 255))
                            : (right ? qRgb(0, 160, 0) : qRgb(230, 0, 0)));
    }
  return image;
}

bool Near(QRgb a, QRgb b) {
  return std::abs(qRed(a) - qRed(b)) <= 16 && std::abs(qGreen(a) - qGreen(b)) <= 16 &&
         std::abs(qBlue(a) - qBlue(b)) <= 16;
}

class Jpeg : public ::testing::Test {
 protected:
  QTemporaryDir dir;
  QString Path(const QString& name) const { return dir.filePath(name); }
  static cDIBSection Dib(const QImage& image) {
    cDIBSection dib;
    dib.CreateFromPicture(image);
    return dib;
  }
};

}  // namespace

TEST_F(Jpeg, DecodesUprightWithTheRightColoursAtEveryPadding) {
  for (const QSize size : {QSize(1, 32), QSize(4, 32), QSize(5, 32), QSize(64, 48)}) {
    const QImage picture = Quarters(size.width(), size.height());
    const QString file = Path(u"图%1.jpg"_s.arg(size.width()));
    ASSERT_TRUE(SaveJpeg(Dib(picture), file, 80)) << size.width();
    const QImage decoded = Decode(file);
    ASSERT_EQ(decoded.size(), size);
    // The middle of each quarter, away from the edges where JPEG blurs.
    for (const QPoint p : {QPoint(size.width() / 4, size.height() / 4),
                           QPoint(size.width() * 3 / 4, size.height() / 4),
                           QPoint(size.width() / 4, size.height() * 3 / 4),
                           QPoint(size.width() * 3 / 4, size.height() * 3 / 4)})
      EXPECT_TRUE(Near(decoded.pixel(p), picture.pixel(p)))
          << size.width() << " at " << p.x() << "," << p.y() << ": " << std::hex << decoded.pixel(p)
          << " for " << picture.pixel(p);
  }
  EXPECT_FALSE(SaveJpeg(cDIBSection(), Path(u"空.jpg"_s), 80));
  EXPECT_FALSE(QFileInfo::exists(Path(u"空.jpg"_s)));
}

TEST_F(Jpeg, ReplacingAFileKeepsItsTimesAndPermissions) {
  const QString file = Path(u"chart.jpg"_s);
  Write(file, "old");
  ASSERT_TRUE(QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
  const QDateTime accessed(QDate(2021, 3, 4), QTime(5, 6, 7));
  const QDateTime modified(QDate(2020, 1, 2), QTime(3, 4, 5));
  utimbuf times{accessed.toSecsSinceEpoch(), modified.toSecsSinceEpoch()};
  ASSERT_EQ(utime(QFile::encodeName(file).constData(), &times), 0);

  ASSERT_TRUE(SaveJpeg(Dib(Quarters(16, 16)), file, 80));
  const QFileInfo after(file);
  EXPECT_EQ(after.permissions() & 0x7777, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                              QFile::ReadUser | QFile::WriteUser);
  EXPECT_EQ(after.lastModified().toSecsSinceEpoch(), modified.toSecsSinceEpoch());
  EXPECT_EQ(after.lastRead().toSecsSinceEpoch(), accessed.toSecsSinceEpoch());
  EXPECT_TRUE(Read(file).startsWith("\xFF\xD8"));  // (reading it changes the access time)
}

TEST_F(Jpeg, AFailedWriteKeepsTheOldFile) {
  // A name so long that no file can be made beside it: the new picture cannot be written.
  const QString file = Path(QString(246, u'a') + u".jpg"_s);
  Write(file, "old picture");
  ASSERT_EQ(Read(file), "old picture");
  EXPECT_FALSE(SaveJpeg(Dib(Quarters(16, 16)), file, 80));
  EXPECT_EQ(Read(file), "old picture");

  test::ScriptedPrompts prompts;
  prompts.files << file;
  prompts.answers << true;
  EXPECT_FALSE(SavePicture(Quarters(16, 16), prompts));
  EXPECT_EQ(prompts.messages, QStringList{u"保存图片出错！"_s});
  EXPECT_EQ(Read(file), "old picture");
}

TEST_F(Jpeg, SaveCommandNamesAsksAndReports) {
  test::ScriptedPrompts prompts;
  const QImage picture = Quarters(20, 10);
  // ".jpg" is added unless the name ends in it exactly.
  prompts.files << Path(u"图表"_s) << Path(u"CHART.JPG"_s) << Path(u"a.jpg"_s);
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(SavePicture(picture, prompts));
  for (const QString& name : {u"图表.jpg"_s, u"CHART.JPG.jpg"_s, u"a.jpg"_s})
    EXPECT_EQ(Decode(Path(name)).size(), QSize(20, 10)) << name.toStdString();
  EXPECT_FALSE(QFileInfo::exists(Path(u"CHART.JPG"_s)));
  ASSERT_EQ(prompts.fileDialogs.size(), 3);
  EXPECT_EQ(prompts.fileDialogs[0].filters, QStringList{u"*.jpg"_s});
  EXPECT_TRUE(prompts.questions.isEmpty());

  // An existing file: No keeps it untouched, Yes replaces it.
  Write(Path(u"旧.jpg"_s), "keep");
  prompts.files << Path(u"旧"_s) << Path(u"旧.jpg"_s);
  prompts.answers << false << true;
  EXPECT_FALSE(SavePicture(picture, prompts));
  EXPECT_EQ(Read(Path(u"旧.jpg"_s)), "keep");
  EXPECT_TRUE(SavePicture(picture, prompts));
  EXPECT_EQ(Decode(Path(u"旧.jpg"_s)).size(), QSize(20, 10));
  const QString question = u"文件“"_s + Path(u"旧.jpg"_s) + u"”已存在，是否覆盖？"_s;
  EXPECT_EQ(prompts.questions, (QStringList{question, question}));

  // Cancelling the dialog writes nothing; an empty picture cannot be saved.
  EXPECT_FALSE(SavePicture(picture, prompts));
  EXPECT_TRUE(prompts.messages.isEmpty());
  prompts.files << Path(u"空白"_s);
  EXPECT_FALSE(SavePicture(QImage(), prompts));
  EXPECT_EQ(prompts.messages, QStringList{u"保存图片出错！"_s});
  EXPECT_FALSE(QFileInfo::exists(Path(u"空白.jpg"_s)));
}
