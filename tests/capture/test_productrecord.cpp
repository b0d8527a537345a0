// Storing products read from item pages: the add with its messages, the update rules of a
// tracked product, refused pages, the picture files, and fetching missing pictures.
#include <QFileInfo>
#include <QImageReader>

#include "capture/pagepicture.h"
#include "capture/productrecord.h"
#include "capturefixture.h"

using namespace Qt::StringLiterals;
using namespace lanxi;
using lanxi::test::CaptureTest;

namespace {

QString Text(const Value& v) {
  return v.toString();
}

bool IsPicture(const QString& path) {
  QImageReader reader(path);
  reader.setDecideFormatFromContent(true);
  return reader.canRead();
}

}  // namespace

using AddProduct = CaptureTest;

TEST_F(AddProduct, AMarketplacePageIsStoredWithItsPicture) {
  Show(browser, Item(u"1001"_s, u"spm=a1z.1&"_s) + u"&ali_trackid=9"_s);
  EXPECT_TRUE(AddProductFromPage(&browser, true));
  EXPECT_EQ(prompts.messages, QStringList{u"添加产品“韩版修身连衣裙 夏季新款-女装”成功！"_s});

  const QString tid = u"1001"_s;
  EXPECT_EQ(Text(Field(tid, u"Name"_s)), u"韩版修身连衣裙 夏季新款-女装"_s);
  EXPECT_EQ(Text(Field(tid, u"CName"_s)), u"韩版修身连衣裙 夏季新款-女装"_s);
  EXPECT_EQ(Text(Field(tid, u"Url"_s)), u"http://shop.test/item.htm?spm=a1z.1&id=1001"_s);
  EXPECT_EQ(Text(Field(tid, u"Shop"_s)), u"雅芳女装店"_s);
  EXPECT_EQ(Text(Field(tid, u"Owner"_s)), u"yafang小铺"_s);
  EXPECT_EQ(Text(Field(tid, u"Region"_s)), u"浙江杭州"_s);
  EXPECT_FALSE(Field(tid, u"TMall"_s).toBool());
  // The picture was taken from the page and named after the product's id.
  const qint64 id = Field(tid, u"ID"_s).toInt();
  const QString pic =
      folder.path() + u"/Pic/DATA/Img"_s + u"%1"_s.arg(id, 5, 10, QChar(u'0')) + u".jpg"_s;
  EXPECT_EQ(Text(Field(tid, u"Pic"_s)), pic);
  EXPECT_TRUE(IsPicture(pic));
  EXPECT_EQ(browser.savedPictures, QStringList{kOrigin + u"/pic/1001.jpg_310x310.jpg"_s});
  EXPECT_EQ(PictureFiles(), QStringList{QFileInfo(pic).fileName()});
}

TEST_F(AddProduct, AMallPageIsKnownByItsGreeting) {
  Show(browser, Item(u"2001"_s));
  EXPECT_TRUE(AddProductFromPage(&browser, false));
  EXPECT_TRUE(prompts.messages.isEmpty());
  EXPECT_TRUE(Field(u"2001"_s, u"TMall"_s).toBool());
  EXPECT_EQ(Text(Field(u"2001"_s, u"Owner"_s)), u"优衣库（中国）商贸有限公司"_s);
  EXPECT_EQ(Text(Field(u"2001"_s, u"Name"_s)), u"优衣库 女装 圆领T恤 新品"_s);
  EXPECT_TRUE(Text(Field(u"2001"_s, u"Pic"_s)).endsWith(u".jpg"_s));
}

TEST_F(AddProduct, AChatStatusInTheShopFieldIsReplacedFromTheShopPage) {
  Show(browser, Item(u"1002"_s));
  EXPECT_TRUE(AddProductFromPage(&browser, true));
  EXPECT_EQ(Text(Field(u"1002"_s, u"Shop"_s)), u"花花的衣橱"_s);
  EXPECT_EQ(mainBrowser.navigations,
            (QStringList{u"about:blank"_s, kOrigin + u"/shop.htm?shop_id=502&from=item"_s}));
  EXPECT_TRUE(Text(Field(u"1002"_s, u"Pic"_s)).endsWith(u".png"_s));
}

TEST_F(AddProduct, AddingAgainUpdatesTheOneRowAndKeepsWhatTheUserSet) {
  Show(browser, Item(u"1001"_s));
  ASSERT_TRUE(AddProductFromPage(&browser, false));
  const QString firstPic = Text(Field(u"1001"_s, u"Pic"_s));
  Exec(u"UPDATE Product SET Name='我的裙子', C0='裙装', C3='夏' WHERE TID='1001'"_s);

  // The page has changed its title, its region and its picture.
  web.pages[Item(u"1001"_s, u"spm=x&"_s)].html =
      test::FixtureHtml(u"item_1001.html"_s, u"shop.test"_s)
          .replace(u"夏季新款-女装"_s, u"秋季新款-女装"_s)
          .replace(u"浙江 杭州"_s, u"浙江 宁波"_s);
  web.pictures.insert(kOrigin + u"/pic/1001.jpg_310x310.jpg"_s, Picture(Qt::blue));
  Show(browser, Item(u"1001"_s, u"spm=x&"_s));
  ASSERT_TRUE(AddProductFromPage(&browser, false));

  EXPECT_EQ(ProductCount(), 1);
  EXPECT_EQ(Text(Field(u"1001"_s, u"Name"_s)), u"我的裙子"_s);
  EXPECT_EQ(Text(Field(u"1001"_s, u"CName"_s)), u"韩版修身连衣裙 秋季新款-女装"_s);
  EXPECT_EQ(Text(Field(u"1001"_s, u"Region"_s)), u"浙江宁波"_s);
  EXPECT_EQ(Text(Field(u"1001"_s, u"Url"_s)), Item(u"1001"_s));
  EXPECT_EQ(Text(Field(u"1001"_s, u"C0"_s)), u"裙装"_s);
  EXPECT_EQ(Text(Field(u"1001"_s, u"C3"_s)), u"夏"_s);
  // The new picture replaced the old file of the same name.
  EXPECT_EQ(Text(Field(u"1001"_s, u"Pic"_s)), firstPic);
  EXPECT_GT(QImage(firstPic).pixelColor(1, 1).blue(), 200);
  EXPECT_LT(QImage(firstPic).pixelColor(1, 1).red(), 50);
  EXPECT_EQ(PictureFiles().size(), 1);
}

TEST_F(AddProduct, AReReadWhosePictureFailsKeepsTheOldFileAndStoresTheAddress) {
  Show(browser, Item(u"1001"_s));
  ASSERT_TRUE(AddProductFromPage(&browser, false));
  const QString file = Text(Field(u"1001"_s, u"Pic"_s));
  web.pictures.clear();
  Show(browser, Item(u"1001"_s, u"a=1&"_s));
  ASSERT_TRUE(AddProductFromPage(&browser, false));
  EXPECT_EQ(Text(Field(u"1001"_s, u"Pic"_s)), kOrigin + u"/pic/1001.jpg_310x310.jpg"_s);
  EXPECT_TRUE(QFileInfo::exists(file));
}

TEST_F(AddProduct, PagesThatAreNoProductStoreNothing) {
  // Not an item page: ignored without a word.
  Show(browser, kOrigin + u"/search?q=女装"_s);
  EXPECT_FALSE(AddProductFromPage(&browser, true));
  EXPECT_TRUE(prompts.messages.isEmpty());

  // An item page without an id would share a row with every other such page.
  web.Add(kOrigin + u"/item.htm?spm=1"_s, test::FixtureHtml(u"item_1001.html"_s, {}));
  Show(browser, kOrigin + u"/item.htm?spm=1"_s);
  EXPECT_FALSE(AddProductFromPage(&browser, true));
  EXPECT_EQ(prompts.messages.value(0), u"当前网页的网址中没有产品编号(id)，无法添加产品！"_s);

  // An item address showing no item (a missing page, an error): nothing stored, no file left.
  Show(browser, Item(u"9999"_s));
  EXPECT_FALSE(AddProductFromPage(&browser, true));
  EXPECT_EQ(prompts.messages.value(1), u"当前网页中没有找到产品信息，无法添加产品！"_s);
  EXPECT_FALSE(AddProductFromPage(&browser, false));
  EXPECT_EQ(prompts.messages.size(), 2);

  EXPECT_EQ(ProductCount(), 0);
  EXPECT_TRUE(PictureFiles().isEmpty());
}

TEST_F(AddProduct, AFailedSaveSaysSoAndLeavesNoPictureBehind) {
  Show(browser, Item(u"1001"_s));
  Exec(u"DROP TABLE Product"_s);
  EXPECT_FALSE(AddProductFromPage(&browser, true));
  EXPECT_TRUE(prompts.messages.last().endsWith(u"”失败：无法保存到当前数据库！"_s));
  EXPECT_FALSE(prompts.messages.join(u'|').contains(u"成功"_s));
  EXPECT_TRUE(PictureFiles().isEmpty());

  CurDBFile.clear();
  EXPECT_FALSE(AddProductFromPage(&browser, true));
  EXPECT_EQ(prompts.messages.last(), u"没有打开的跟踪数据库，无法添加产品！"_s);
}

TEST_F(AddProduct, FindProductCNameLooksUpTheItemId) {
  Show(browser, Item(u"1001"_s));
  ASSERT_TRUE(AddProductFromPage(&browser, false));
  EXPECT_EQ(FindProductCName(Item(u"1001"_s, u"x=1&"_s) + u"&y=2"_s),
            u"韩版修身连衣裙 夏季新款-女装"_s);
  EXPECT_EQ(FindProductCName(Item(u"100"_s)), QString());
  EXPECT_EQ(FindProductCName(kOrigin + u"/item.htm"_s), QString());
}

using SaveRecord = CaptureTest;

TEST_F(SaveRecord, EachColumnIsWrittenOnlyUnderItsCondition) {
  ProductInfo r;
  r.Url = u"HTTP://shop.test/item.htm?ID=77&x=1"_s;
  r.Name = u"甲"_s;
  r.Shop = u"店"_s;
  r.WID = 5;
  r.C[9] = u"十"_s;
  r.Pic = u"http://shop.test/pic/77.jpg"_s;
  ASSERT_TRUE(SaveProductRecord(r));
  EXPECT_EQ(r.Url, u"http://shop.test/item.htm?id=77"_s);
  EXPECT_GT(r.ID, 0);
  EXPECT_EQ(Field(u"77"_s, u"WID"_s).toInt(), 5);
  EXPECT_EQ(Text(Field(u"77"_s, u"C9"_s)), u"十"_s);
  EXPECT_EQ(Text(Field(u"77"_s, u"Pic"_s)), r.Pic);  // a web address stays as it is
  EXPECT_TRUE(Field(u"77"_s, u"TMall"_s).toBool());

  ProductInfo again;
  again.Url = u"http://shop.test/item.htm?spm=2&id=77"_s;
  again.Name = u"乙"_s;
  again.TMall = false;
  ASSERT_TRUE(SaveProductRecord(again));
  EXPECT_EQ(again.ID, r.ID);
  EXPECT_EQ(Text(Field(u"77"_s, u"Name"_s)), u"甲"_s);
  EXPECT_EQ(Text(Field(u"77"_s, u"CName"_s)), u"乙"_s);
  EXPECT_EQ(Text(Field(u"77"_s, u"Shop"_s)), u"店"_s);
  EXPECT_EQ(Field(u"77"_s, u"WID"_s).toInt(), 5);
  EXPECT_EQ(Text(Field(u"77"_s, u"C9"_s)), u"十"_s);
  EXPECT_EQ(Text(Field(u"77"_s, u"Url"_s)), u"http://shop.test/item.htm?id=77"_s);
  EXPECT_FALSE(Field(u"77"_s, u"TMall"_s).toBool());  // always the page's
}

TEST_F(SaveRecord, APictureFileTakesTheProductsIdWhateverItsLength) {
  Exec(u"INSERT INTO Product(ID, TID, Url) VALUES(123455, 'x', 'x')"_s);
  const QString pictures = folder.path() + u"/Pic/DATA"_s;
  QDir().mkpath(pictures);
  const QString temp = TemporaryPictureFile(pictures, u"http://p/a.gif"_s);
  ASSERT_TRUE(Picture(Qt::green).save(temp, "PNG"));
  ProductInfo r;
  r.Url = u"http://shop.test/item.htm?id=5"_s;
  r.Pic = temp;
  ASSERT_TRUE(SaveProductRecord(r));
  EXPECT_EQ(r.ID, 123456);
  EXPECT_EQ(r.Pic, pictures + u"/Img123456.gif"_s);
  EXPECT_EQ(PictureFiles(), QStringList{u"Img123456.gif"_s});
}

TEST_F(SaveRecord, ARecordWithoutItemIdOrDatabaseIsRefusedAndItsPictureRemoved) {
  const QString pictures = folder.path() + u"/Pic/DATA"_s;
  QDir().mkpath(pictures);
  for (const QString& url : {u"http://shop.test/item.htm"_s, u"http://shop.test/item.htm?id=1"_s}) {
    if (url.contains(u"id="_s)) CurDBFile = u"missing.mdb"_s;
    ProductInfo r;
    r.Url = url;
    r.Pic = TemporaryPictureFile(pictures, u".jpg"_s);
    ASSERT_TRUE(Picture(Qt::green).save(r.Pic, "JPEG"));
    EXPECT_FALSE(SaveProductRecord(r));
    EXPECT_FALSE(QFileInfo::exists(r.Pic));
  }
  CurDBFile = u"data.mdb"_s;
  EXPECT_EQ(ProductCount(), 0);
}

TEST(PictureNames, ExtensionsAndStamps) {
  EXPECT_EQ(PictureExtension(u"http://p/a.jpg_310x310.jpg"_s), u".jpg"_s);
  EXPECT_EQ(PictureExtension(u"http://p/pic"_s), u"_pic"_s);
  EXPECT_EQ(PictureExtension(u"http://p/a?x=1"_s), u"_x=1"_s);
  EXPECT_EQ(PictureExtension(u"a:\\b"_s), u"a__b"_s);
  EXPECT_EQ(PictureExtension(u"gif"_s), u"gif"_s);
  EXPECT_EQ(ProductPictureFile(u"/f"_s, 42, u"x.jpeg"_s), u"/f/Img00042jpeg"_s);
  EXPECT_EQ(ProductPictureFile(u"/f"_s, 42, u"x.jpg"_s), u"/f/Img00042.jpg"_s);
  const QDateTime at(QDate(2012, 3, 5), QTime(14, 30, 15));
  QTemporaryDir dir;
  const QString first = TemporaryPictureFile(dir.path(), u"a.png"_s, at);
  EXPECT_EQ(first, dir.path() + u"/Img120305143015.png"_s);
  QFile(first).open(QIODevice::WriteOnly);
  EXPECT_EQ(TemporaryPictureFile(dir.path(), u"a.png"_s, at),
            dir.path() + u"/Img120305143015-2.png"_s);
  EXPECT_TRUE(IsMissingPicture(u"HTTPS://p/a.png"_s));
  EXPECT_FALSE(IsMissingPicture(u"/home/x/Img00001.jpg"_s));
}

using DownPictures = CaptureTest;

TEST_F(DownPictures, RowsWithAPictureAddressGetTheirFiles) {
  const QString pictures = folder.path() + u"/Pic/DATA"_s;
  web.pictures.insert(kOrigin + u"/pic/a.jpg"_s, Picture(Qt::red));
  web.pictures.insert(u"https://shop.test/pic/b.png"_s, Picture(Qt::blue));
  for (const QString& pic : {kOrigin + u"/pic/a.jpg"_s, u"https://shop.test/pic/b.png"_s})
    web.Add(pic, u"<body><img src=\""_s + pic + u"\"></body>"_s);
  Exec(
      u"INSERT INTO Product(ID, TID, Pic) VALUES(1, '1', ?), (2, '2', ?), (3, '3', ?), "
      u"(4, '4', ?)"_s,
      {kOrigin + u"/pic/a.jpg"_s, u"https://shop.test/pic/b.png"_s, kOrigin + u"/pic/gone.jpg"_s,
       u"/somewhere/Img00004.jpg"_s});
  // An older file of the same name is replaced.
  QDir().mkpath(pictures);
  ASSERT_TRUE(Picture(Qt::yellow).save(pictures + u"/Img00001.jpg"_s, "JPEG"));

  DownMissingPictures();

  EXPECT_EQ(Text(Field(u"1"_s, u"Pic"_s)), pictures + u"/Img00001.jpg"_s);
  EXPECT_GT(QImage(pictures + u"/Img00001.jpg"_s).pixelColor(2, 2).red(), 200);
  EXPECT_LT(QImage(pictures + u"/Img00001.jpg"_s).pixelColor(2, 2).green(), 50);
  EXPECT_EQ(Text(Field(u"2"_s, u"Pic"_s)), pictures + u"/Img00002.png"_s);
  EXPECT_TRUE(IsPicture(pictures + u"/Img00002.png"_s));
  // Not saved: the address stays for the next run; a file path is not visited.
  EXPECT_EQ(Text(Field(u"3"_s, u"Pic"_s)), kOrigin + u"/pic/gone.jpg"_s);
  EXPECT_EQ(mainBrowser.navigations,
            (QStringList{kOrigin + u"/pic/a.jpg"_s, u"https://shop.test/pic/b.png"_s,
                         kOrigin + u"/pic/gone.jpg"_s}));
  EXPECT_EQ(progress.shown, QStringList{u"正在下载图片.../3"_s});
  EXPECT_EQ(Progress().pos, 3);
  EXPECT_FALSE(ProgressOpen());
}
