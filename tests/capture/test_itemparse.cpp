// Reading products from the text of item pages: both layouts on the fixture pages, missing
// markers, titles, and pages that are no item page at all.
#include <gtest/gtest.h>

#include "capture/itemparse.h"
#include "fakebrowser.h"

using namespace Qt::StringLiterals;
using namespace lanxi;

namespace {

// A fixture's body as the browser gives it, addresses made absolute.
QString Html(const QString& name) {
  return SerializeBodyHtml(test::FixtureHtml(name, u"shop.test"_s)
                               .replace(u"=\"/"_s, u"=\"http://shop.test/"_s)
                               .toUtf8())
      .value_or(QString());
}

void ExpectProduct(const ItemPageText& page, const QStringList& urlShopOwnerRegionNamePic) {
  EXPECT_TRUE(page.recognised);
  const ProductInfo& r = page.info;
  EXPECT_EQ((QStringList{r.Url, r.Shop, r.Owner, r.Region, r.Name, r.Pic}),
            urlShopOwnerRegionNamePic);
}

}  // namespace

TEST(ParseItemHtml, ReadsEveryFieldOfBothFixtures) {
  const ItemPageText market =
      ParseMarketItemHtml(u"http://shop.test/item.htm?spm=a1&id=1001&ali_trackid=9"_s,
                          u"韩版修身连衣裙 夏季新款-女装-淘宝网"_s, Html(u"item_1001.html"_s));
  // Only the part of the title after the last "-" goes.
  ExpectProduct(market, {u"http://shop.test/item.htm?spm=a1&id=1001"_s, u"雅芳女装店"_s,
                         u"yafang小铺"_s, u"浙江杭州"_s, u"韩版修身连衣裙 夏季新款-女装"_s,
                         u"http://shop.test/pic/1001.jpg_310x310.jpg"_s});
  EXPECT_FALSE(market.info.TMall);
  EXPECT_EQ(market.shopPageUrl, u"http://shop.test/shop.htm?shop_id=501&from=item"_s);
  EXPECT_EQ(market.info.ID, 0);
  EXPECT_EQ(market.info.WID, 0);
  for (const QString& c : market.info.C) EXPECT_TRUE(c.isEmpty());

  // The mall's name: tags removed, spaces kept.
  const ItemPageText mall =
      ParseMallItemHtml(u"http://shop.test/item.htm?id=2001&Src=x"_s, Html(u"item_2001.html"_s));
  ExpectProduct(mall, {u"http://shop.test/item.htm?id=2001"_s, u"优衣库官方旗舰店"_s,
                       u"优衣库（中国）商贸有限公司"_s, u"上海"_s, u"优衣库 女装 圆领T恤 新品"_s,
                       u"http://shop.test/pic/2001.jpg"_s});
  EXPECT_TRUE(mall.info.TMall);
}

TEST(ParseItemHtml, MissingMarkersAndLineBreakPairs) {
  // No shop-info-simple block: the seller comes from the first link of the page, and the
  // shop-title search starts after it.
  ItemPageText page = ParseMarketItemHtml(
      u"http://i/item.htm?id=1"_s, u"名"_s,
      u"<A href=\"http://a/\">首页</A><A href=\"http://s/\" class=shop-title>店</A>"
      u"<A class=x>加入购物车</A><IMG src=\"http://p/1.jpg\">"_s);
  ExpectProduct(page, {u"http://i/item.htm?id=1"_s, u"店"_s, u"首页"_s, QString(), u"名"_s,
                       u"http://p/1.jpg"_s});
  EXPECT_EQ(page.shopPageUrl, u"http://a/"_s);

  page = ParseMarketItemHtml(u"http://i/item.htm?id=1"_s, {},
                             u"<DIV class=shop-info-simple><A href=\"http://s/\">卖\r\n家</A></DIV>"
                             u"<A class=shop-title>店\r\n铺</A><EM>所在地区：\r\n北京</EM>"_s);
  EXPECT_EQ(page.info.Owner, u"卖家"_s);
  EXPECT_EQ(page.info.Shop, u"店铺"_s);
  EXPECT_EQ(page.info.Region, u"北京"_s);
}

TEST(ParseItemHtml, PagesThatAreNoItemPageAreNotRecognised) {
  const QString html = u"<H1>Not Found</H1><P>页面不存在</P>"_s;
  const ItemPageText market = ParseMarketItemHtml(u"http://i/item.htm?id=1"_s, u"404"_s, html);
  EXPECT_FALSE(market.recognised);
  EXPECT_EQ(market.info.Shop, QString());
  EXPECT_EQ(market.info.Pic, QString());
  EXPECT_FALSE(ParseMallItemHtml(u"http://i/item.htm?id=1"_s, html).recognised);
  EXPECT_FALSE(ParseMallItemHtml(u"http://i/item.htm?id=1"_s, QString()).recognised);
  // An address with nothing before its query stops at once.
  const ItemPageText page = ParseMallItemHtml(u"?id"_s, Html(u"item_2001.html"_s));
  EXPECT_EQ(page.info.Url, u"&id"_s);
  EXPECT_EQ(page.info.Shop, QString());
  EXPECT_FALSE(page.recognised);
}

TEST(ItemTitles, NameAndShopFromTitles) {
  const std::pair<QString, QString> shops[] = {{u"首页-花花的衣橱-淘宝网"_s, u"花花的衣橱"_s},
                                               {u"花花的衣橱-淘宝网"_s, u"淘宝网"_s},
                                               {u"花花的衣橱"_s, u"花花的衣橱"_s},
                                               {u"a-b-c-d"_s, u"b-c"_s}};
  for (const auto& [title, shop] : shops) EXPECT_EQ(ShopFromTitle(title), shop);
  EXPECT_EQ(NameFromTitle(u"名-站-淘宝"_s), u"名-站"_s);
  EXPECT_EQ(NameFromTitle(u"没有横线"_s), u"没有横线"_s);
  EXPECT_TRUE(IsChatStatus(u"旺旺在线"_s));
  EXPECT_TRUE(IsChatStatus(u"旺旺离线"_s));
  EXPECT_FALSE(IsChatStatus(QString()));
  EXPECT_FALSE(IsChatStatus(u"旺旺在线店"_s));
}
