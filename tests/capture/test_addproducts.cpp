// Adding products from a page's links, from a clicked link, and re-reading tracked products.
#include "capture/addproducts.h"
#include "capture/productrecord.h"
#include "capturefixture.h"
#include "tables/grid.h"

using namespace Qt::StringLiterals;
using namespace lanxi;
using lanxi::test::CaptureTest;

TEST(CollectItemLinks, NormalisedItemPagesOnceInTheOrderFirstSeen) {
  CapturePlaces places = CapturePlaces::Defaults();
  const QStringList links{
      u"http://item.taobao.com/item.htm?id=1&ali_trackid=2"_s,
      u"http://s.taobao.com/search?q=x"_s,
      u"http://item.taobao.com/item.htm?spm=a&id=1"_s,
      u"http://ITEM.TAOBAO.COM/item.htm?ID=1"_s,
      QString(),
      u"http://detail.tmall.com/item.htm?id=2#desc"_s,
      u"javascript:void(0)"_s,
      u"http://item.taobao.com/item.htm?id=1"_s,
  };
  EXPECT_EQ(CollectItemLinks(links, places),
            (QStringList{u"http://item.taobao.com/item.htm?id=1"_s,
                         u"http://item.taobao.com/item.htm?spm=a&id=1"_s,
                         u"http://detail.tmall.com/item.htm?id=2"_s}));
}

TEST(DecideNewWindow, ItemLinksAreAddedOtherLinksOpenInPlace) {
  const CapturePlaces places = CapturePlaces::Defaults();
  const QString item = u"http://item.taobao.com/item.htm?id=5"_s;
  const QString tracked = u"http://s.click.taobao.com/?url="_s + item;
  NewWindowAction a = DecideNewWindow(tracked, false, places);
  EXPECT_TRUE(a.addInBackground);
  EXPECT_EQ(a.address, item);
  // Switched off, or no item page: the link opens in the browser itself, as it was.
  a = DecideNewWindow(tracked, true, places);
  EXPECT_FALSE(a.addInBackground);
  EXPECT_EQ(a.address, tracked);
  a = DecideNewWindow(u"http://www.taobao.com/help.htm"_s, false, places);
  EXPECT_FALSE(a.addInBackground);
  EXPECT_EQ(a.address, u"http://www.taobao.com/help.htm"_s);
}

class AddLinked : public CaptureTest {
 protected:
  test::FakeBrowser background{&web};
  QStringList ItemLoads() const { return background.navigations.filter(u"item.htm"_s); }
};

TEST_F(AddLinked, EveryLinkedProductIsAddedOnce) {
  Show(browser, kOrigin + u"/search?q=女装"_s);
  AddProOfPage(&browser, &background, false);
  // 1001 is linked three times; two of the links are the same once normalised. The tracked
  // link of 1002 is no item address.
  EXPECT_EQ(ItemLoads(),
            (QStringList{Item(u"1001"_s), Item(u"1001"_s, u"spm=a1z10.1&"_s), Item(u"2001"_s)}));
  EXPECT_EQ(background.navigations.count(u"about:blank"_s), 3);
  EXPECT_EQ(ProductCount(), 2);
  EXPECT_EQ(Field(u"1001"_s, u"Url"_s).toString(), Item(u"1001"_s));
  EXPECT_TRUE(prompts.messages.isEmpty());
  EXPECT_EQ(progress.shown, (QStringList{u"正在分析网页内容.../1"_s, u"正在添加产品.../3"_s}));
  EXPECT_EQ(Progress().pos, 3);
  EXPECT_FALSE(ProgressOpen());
}

TEST_F(AddLinked, AClickedProductIsAddedInTheBackground) {
  AutoAddProduct(Item(u"2001"_s), &background);
  EXPECT_EQ(prompts.messages, QStringList{u"添加产品“优衣库 女装 圆领T恤 新品”成功！"_s});
  EXPECT_EQ(progress.shown, QStringList{u"正在添加产品.../0"_s});
  EXPECT_FALSE(ProgressOpen());
  EXPECT_EQ(background.navigations.last(), u"about:blank"_s);
  EXPECT_GE(background.stops, 1);

  AutoAddProduct(Item(u"2001"_s, u"from=list&"_s), &background);
  EXPECT_EQ(prompts.messages.last(), u"产品“优衣库 女装 圆领T恤 新品”已经存在！"_s);
  EXPECT_EQ(ProductCount(), 1);
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
  EXPECT_EQ(Progress().pos, 3);

  // Header rows are never read, not even when nothing but them is selected.
  mainBrowser.navigations.clear();
  UpdateProductRows(grid, 0, 1);
  EXPECT_TRUE(mainBrowser.navigations.isEmpty());
}
