// Storing products read from item pages: the add with its messages, the update rules of a
// tracked product, refused pages, the picture files, fetching missing pictures, adding the
// products a page links to, and re-reading tracked products.
#include <QFileInfo>

#include "capture/addproducts.h"
#include "capture/pagepicture.h"
#include "capture/productrecord.h"
#include "capturefixture.h"
#include "tables/grid.h"

using namespace Qt::StringLiterals;
using namespace lanxi;
using lanxi::test::CaptureTest;
using lanxi::test::IsPicture;

using AddProduct = CaptureTest;

TEST_F(AddProduct, AMarketplacePageIsStoredWithItsPicture) {
  Show(browser, Item(u"1001"_s, u"spm=a1z.1&"_s) + u"&ali_trackid=9"_s);
  EXPECT_TRUE(AddProductFromPage(&browser, true));
  EXPECT_EQ(prompts.messages, QStringList{u"添加产品“韩版修身连衣裙 夏季新款-女装”成功！"_s});
  EXPECT_EQ(Texts(u"1001"_s, {u"Name"_s, u"CName"_s, u"Url"_s, u"Shop"_s, u"Owner"_s, u"Region"_s,
                              u"TMall"_s}),
            (QStringList{u"韩版修身连衣裙 夏季新款-女装"_s, u"韩版修身连衣裙 夏季新款-女装"_s,
                         u"http://shop.test/item.htm?spm=a1z.1&id=1001"_s, u"雅芳女装店"_s,
                         u"yafang小铺"_s, u"浙江杭州"_s, u"0"_s}));
  // The picture was taken from the page and named after the product's id.
  const qint64 id = Field(u"1001"_s, u"ID"_s).toInt();
  const QString pic = PictureFolder() + u"/Img"_s + u"%1"_s.arg(id, 5, 10, QChar(u'0')) + u".jpg"_s;
  EXPECT_EQ(Field(u"1001"_s, u"Pic"_s).toString(), pic);
  EXPECT_TRUE(IsPicture(pic));
  EXPECT_EQ(PictureFiles(), QStringList{QFileInfo(pic).fileName()});

  // Looked up by the item id of any of its addresses.
  EXPECT_EQ(FindProductCName(Item(u"1001"_s, u"x=1&"_s)), u"韩版修身连衣裙 夏季新款-女装"_s);
  EXPECT_EQ(FindProductCName(Item(u"100"_s)), QString());
}

TEST_F(AddProduct, AMallPageByItsGreetingAndAChatStatusReplacedFromTheShopPage) {
  Show(browser, Item(u"2001"_s));
  EXPECT_TRUE(AddProductFromPage(&browser, false));
  EXPECT_TRUE(prompts.messages.isEmpty());
  EXPECT_TRUE(Field(u"2001"_s, u"TMall"_s).toBool());

  Show(browser, Item(u"1002"_s));
  EXPECT_TRUE(AddProductFromPage(&browser, true));
  EXPECT_EQ(Field(u"1002"_s, u"Shop"_s).toString(), u"花花的衣橱"_s);
  EXPECT_EQ(mainBrowser.navigations,
            (QStringList{u"about:blank"_s, kOrigin + u"/shop.htm?shop_id=502&from=item"_s}));
  EXPECT_TRUE(Field(u"1002"_s, u"Pic"_s).toString().endsWith(u".png"_s));
}

TEST_F(AddProduct, AddingAgainUpdatesTheOneRowAndKeepsWhatTheUserSet) {
  Show(browser, Item(u"1001"_s));
  ASSERT_TRUE(AddProductFromPage(&browser, false));
  const QString firstPic = Field(u"1001"_s, u"Pic"_s).toString();
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
  EXPECT_EQ(Texts(u"1001"_s, {u"Name"_s, u"CName"_s, u"Region"_s, u"Url"_s, u"C0"_s, u"C3"_s}),
            (QStringList{u"我的裙子"_s, u"韩版修身连衣裙 秋季新款-女装"_s, u"浙江宁波"_s,
                         Item(u"1001"_s), u"裙装"_s, u"夏"_s}));
  // The new picture replaced the old file of the same name.
  EXPECT_EQ(Field(u"1001"_s, u"Pic"_s).toString(), firstPic);
  EXPECT_GT(QImage(firstPic).pixelColor(1, 1).blue(), 200);
  EXPECT_EQ(PictureFiles().size(), 1);

  // A re-read whose picture fails keeps the old file and stores the address.
  web.pictures.clear();
  Show(browser, Item(u"1001"_s, u"a=1&"_s));
  ASSERT_TRUE(AddProductFromPage(&browser, false));
  EXPECT_EQ(Field(u"1001"_s, u"Pic"_s).toString(), kOrigin + u"/pic/1001.jpg_310x310.jpg"_s);
  EXPECT_TRUE(QFileInfo::exists(firstPic));
}

TEST_F(AddProduct, PagesThatAreNoProductAndFailedSavesStoreNothing) {
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
  EXPECT_EQ(ProductCount(), 0);
  EXPECT_TRUE(PictureFiles().isEmpty());

  // A failed save says so and leaves no picture behind.
  Show(browser, Item(u"1001"_s));
  Exec(u"DROP TABLE Product"_s);
  EXPECT_FALSE(AddProductFromPage(&browser, true));
  EXPECT_TRUE(prompts.messages.last().endsWith(u"”失败：无法保存到当前数据库！"_s));
  EXPECT_TRUE(PictureFiles().isEmpty());
  CurDBFile.clear();
  EXPECT_FALSE(AddProductFromPage(&browser, true));
  EXPECT_EQ(prompts.messages.last(), u"没有打开的跟踪数据库，无法添加产品！"_s);
}

using SaveRecord = CaptureTest;

TEST_F(SaveRecord, PictureFilesTakeTheIdAndRefusedRecordsLoseTheirs) {
  Exec(u"INSERT INTO Product(ID, TID, Url) VALUES(123455, 'x', 'x')"_s);
  QDir().mkpath(PictureFolder());
  const auto picture = [this](const QString& address) {
    const QString temp = TemporaryPictureFile(PictureFolder(), address);
    EXPECT_TRUE(Picture(Qt::green).save(temp, "PNG"));
    return temp;
  };
  ProductInfo r;
  r.Url = u"http://shop.test/item.htm?id=5"_s;
  r.Pic = picture(u"http://p/a.gif"_s);
  ASSERT_TRUE(SaveProductRecord(r));
  EXPECT_EQ(r.ID, 123456);  // whatever the id's length
  EXPECT_EQ(r.Pic, PictureFolder() + u"/Img123456.gif"_s);

  // Without an item id, or without the database, the record is refused and its picture removed.
  for (const QString& url : {u"http://shop.test/item.htm"_s, u"http://shop.test/item.htm?id=1"_s}) {
    if (url.contains(u"id="_s)) CurDBFile = u"missing.mdb"_s;
    ProductInfo refused;
    refused.Url = url;
    refused.Pic = picture(u".jpg"_s);
    EXPECT_FALSE(SaveProductRecord(refused));
    EXPECT_FALSE(QFileInfo::exists(refused.Pic));
  }
  CurDBFile = u"data.mdb"_s;
  EXPECT_EQ(ProductCount(), 2);
  EXPECT_EQ(PictureFiles(), QStringList{u"Img123456.gif"_s});
}

TEST(PictureNames, ExtensionsAndStamps) {
  const std::pair<QString, QString> extensions[] = {{u"http://p/a.jpg_310x310.jpg"_s, u".jpg"_s},
                                                    {u"http://p/pic"_s, u"_pic"_s},
                                                    {u"http://p/a?x=1"_s, u"_x=1"_s},
                                                    {u"a:\\b"_s, u"a__b"_s}};
  for (const auto& [address, extension] : extensions)
    EXPECT_EQ(PictureExtension(address), extension) << qPrintable(address);
  EXPECT_EQ(ProductPictureFile(u"/f"_s, 42, u"x.jpg"_s), u"/f/Img00042.jpg"_s);
  const QDateTime at(QDate(2012, 3, 5), QTime(14, 30, 15));
  QTemporaryDir dir;
  const QString first = TemporaryPictureFile(dir.path(), u"a.png"_s, at);
  EXPECT_EQ(first, dir.path() + u"/Img120305143015.png"_s);
  QFile(first).open(QIODevice::WriteOnly);
  EXPECT_EQ(TemporaryPictureFile(dir.path(), u"a.png"_s, at),
            dir.path() + u"/Img120305143015-2.png"_s);
}

using DownPictures = CaptureTest;

TEST_F(DownPictures, RowsWithAPictureAddressGetTheirFiles) {
  const QString pictures = PictureFolder();
  const QString a = kOrigin + u"/pic/a.jpg"_s, b = u"https://shop.test/pic/b.png"_s;
  web.pictures.insert(a, Picture(Qt::red));
  web.pictures.insert(b, Picture(Qt::blue));
  for (const QString& pic : {a, b}) web.Add(pic, u"<body><img src=\""_s + pic + u"\"></body>"_s);
  Exec(
      u"INSERT INTO Product(ID, TID, Pic) VALUES(1, '1', ?), (2, '2', ?), (3, '3', ?), "
      u"(4, '4', ?)"_s,
      {a, b, kOrigin + u"/pic/gone.jpg"_s, u"/somewhere/Img00004.jpg"_s});
  // An older file of the same name is replaced.
  QDir().mkpath(pictures);
  ASSERT_TRUE(Picture(Qt::yellow).save(pictures + u"/Img00001.jpg"_s, "JPEG"));

  DownMissingPictures();

  EXPECT_EQ(Field(u"1"_s, u"Pic"_s).toString(), pictures + u"/Img00001.jpg"_s);
  EXPECT_GT(QImage(pictures + u"/Img00001.jpg"_s).pixelColor(2, 2).red(), 200);
  EXPECT_EQ(Field(u"2"_s, u"Pic"_s).toString(), pictures + u"/Img00002.png"_s);
  // Not saved: the address stays for the next run; a file path is not visited.
  EXPECT_EQ(Field(u"3"_s, u"Pic"_s).toString(), kOrigin + u"/pic/gone.jpg"_s);
  EXPECT_EQ(mainBrowser.navigations, (QStringList{a, b, kOrigin + u"/pic/gone.jpg"_s}));
  EXPECT_EQ(progress.shown, QStringList{u"正在下载图片.../3"_s});
  EXPECT_FALSE(ProgressOpen());
}

using AddLinked = CaptureTest;

TEST_F(AddLinked, EveryLinkedProductIsAddedOnce) {
  Show(browser, kOrigin + u"/search?q=女装"_s);
  AddProOfPage(&browser, &background, false);
  // 1001 is linked three times; two of the links are the same once normalised. The tracked
  // link of 1002 is no item address.
  EXPECT_EQ(background.navigations.filter(u"item.htm"_s),
            (QStringList{Item(u"1001"_s), Item(u"1001"_s, u"spm=a1z10.1&"_s), Item(u"2001"_s)}));
  EXPECT_EQ(background.navigations.count(u"about:blank"_s), 3);
  EXPECT_EQ(ProductCount(), 2);
  EXPECT_EQ(Field(u"1001"_s, u"Url"_s).toString(), Item(u"1001"_s));
  EXPECT_EQ(progress.shown, (QStringList{u"正在分析网页内容.../1"_s, u"正在添加产品.../3"_s}));
  EXPECT_FALSE(ProgressOpen());
}

TEST_F(AddLinked, ReReadingRowsTakesTheirAddressesInEitherOrder) {
  Grid grid;
  grid.SetCols(4);
  grid.SetRows(2);
  grid.SetFixedRows(2);
  for (auto [c, f] : {std::pair{0, u"ID"_s}, {1, u"WID"_s}, {2, u"Url"_s}, {3, u"Pic"_s}}) {
    grid.SetTextMatrix(0, c, f);
    grid.SetTextMatrix(1, c, f);
  }
  for (const QString& url : {Item(u"1001"_s), QString(), Item(u"2001"_s)}) {
    grid.SetRows(grid.Rows() + 1);
    grid.SetTextMatrix(grid.Rows() - 1, 2, url);
  }
  UpdateProductRows(grid, 4, 2);
  EXPECT_EQ(mainBrowser.navigations.filter(u"item.htm"_s),
            (QStringList{Item(u"1001"_s), Item(u"2001"_s)}));
  EXPECT_EQ(ProductCount(), 2);
  EXPECT_EQ(progress.shown, QStringList{u"正在更新指定产品信息.../3"_s});

  // Header rows are never read, not even when nothing but them is selected.
  mainBrowser.navigations.clear();
  UpdateProductRows(grid, 0, 1);
  EXPECT_TRUE(mainBrowser.navigations.isEmpty());
}
