// The text item pages are read from: the body serialisation the markers are matched against,
// splitting at markers, removing tags, entities, the address rules that identify a product, and
// both item-page parsers on the fixture pages and on pages that are no item page at all.
#include <gtest/gtest.h>

#include "capture/htmlserializer.h"
#include "capture/itemparse.h"
#include "capture/itemurl.h"
#include "capture/pagetext.h"
#include "fakebrowser.h"

using namespace Qt::StringLiterals;
using namespace lanxi;

namespace {

QString Body(const QString& html) {
  return SerializeBodyHtml(html.toUtf8()).value_or(u"<no body>"_s);
}

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

TEST(PageText, SplittingAndCuttingConsumeTheText) {
  QString text = u"a-b-c"_s;
  EXPECT_EQ(SplitOffAt(text, u"-"_s, false), u"c"_s);
  EXPECT_EQ(text, u"a-b"_s);
  // A missing marker gives nothing and leaves the text.
  EXPECT_EQ(SplitOffAt(text, u"</A>"_s, true), QString());
  EXPECT_EQ(text, u"a-b"_s);

  QString html;
  // A missing opening marker: the closing one is searched from where the text stands.
  html = u"a</B>b</B>"_s;
  EXPECT_EQ(CutBetween(html, u"<X>"_s, u"</B>"_s), u"a"_s);
  EXPECT_EQ(html, u"b</B>"_s);
}

TEST(PageText, SpansTagsAndEntities) {
  // Every span goes, an unclosed one to the end; the closing string is looked for after the
  // opening's first character; the removal always ends.
  const struct {
    QString text, open, close, with, out;
  } spans[] = {
      {u"<A href=\"x\">店<B>铺</B></A>"_s, u"<"_s, u">"_s, {}, u"店铺"_s},
      {u"a<b>c<d"_s, u"<"_s, u">"_s, {}, u"ac"_s},
      {u"abc"_s, QString(), u">"_s, {}, u"abc"_s},
      {u"a<b<"_s, u"<"_s, QString(), u"."_s, u"a.b."_s},
  };
  for (const auto& s : spans)
    EXPECT_EQ(RemoveSpans(s.text, s.open, s.close, s.with), s.out) << qPrintable(s.text);

  EXPECT_EQ(DecodeEntities(u"a&amp;b &lt;c&gt; &quot;d&quot; &#20013;&#x6587; &bogus; &amp"_s),
            u"a&b <c> \"d\" 中文 &bogus; &amp"_s);
  EXPECT_EQ(CleanedField(u"<EM>浙江&nbsp;杭州 西湖</EM>"_s), u"浙江杭州西湖"_s);
  EXPECT_EQ(TagsRemoved(u"<H3>优衣库 T恤 &amp; 裙</H3>"_s), u"优衣库 T恤 & 裙"_s);
}

TEST(ItemAddress, CutAfterTheIdWhoseLastOneIsTheItem) {
  // Upper-case ID= counts; the normalised address keeps the first id, the item id is the last;
  // without an id the address is cut before its first parameter; a fragment is no part of it.
  const struct {
    QString url, normalised, id;
  } cases[] = {
      {u"http://item.taobao.com/item.htm?spm=a&id=123&x=1"_s,
       u"http://item.taobao.com/item.htm?spm=a&id=123"_s, u"123"_s},
      {u"http://x/item.htm?ID=7&b=2&id=8"_s, u"http://x/item.htm?id=7"_s, u"8"_s},
      {u"http://x/item.htm?a=1&b=2"_s, u"http://x/item.htm"_s, QString()},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(NormaliseItemUrl(c.url), c.normalised) << qPrintable(c.url);
    EXPECT_EQ(ExtractItemId(c.url), c.id) << qPrintable(c.url);
  }

  // The parsers' cut keeps the case and stops without anything before the query.
  bool cut = false;
  EXPECT_EQ(CutAfterItemId(u"http://X/item.htm?spm=A&id=9&q=1"_s, &cut),
            u"http://X/item.htm?spm=A&id=9"_s);
  EXPECT_TRUE(cut);
  EXPECT_EQ(CutAfterItemId(u"?a=1"_s, &cut), u"&a=1"_s);
  EXPECT_FALSE(cut);
}

TEST(CapturePlaces, ItemPagesSearchPageAndClickRedirect) {
  CapturePlaces places = CapturePlaces::Defaults();
  const std::pair<QString, int> kinds[] = {
      {u"http://item.tmall.com/item.htm?id=1"_s, 0},
      {u"http://item.taobao.com/item.htm?id=1"_s, 1},
      {u"http://detail.tmall.com/item.htm?id=1"_s, 2},
      {u"http://ITEM.taobao.com/item.htm?id=1"_s, -1},
      {u"http://item.taobao.com/list.htm?id=1"_s, -1},
  };
  for (const auto& [url, kind] : kinds) EXPECT_EQ(places.ItemUrlKind(url), kind) << qPrintable(url);
  EXPECT_EQ(places.DefaultSearchAddress(), u"https://s.taobao.com/search?q=女装"_s);

  const QString target = u"http://item.taobao.com/item.htm?id=5"_s;
  for (const QString& tracked :
       {u"http://s.click.taobao.com/?url="_s + target,
        u"http://s.click.taobao.com/?url=http%3A%2F%2Fitem.taobao.com%2Fitem.htm%3Fid%3D5"_s,
        target})
    EXPECT_EQ(places.RemoveClickRedirect(tracked), target) << qPrintable(tracked);
  // Elsewhere in the text it goes all the same.
  EXPECT_EQ(places.RemoveClickRedirect(u"x http://s.click.taobao.com/?url=y"_s), u"x y"_s);

  // Several kinds on one host (a test server): the first prefix wins.
  places.itemHosts = {u"127.0.0.1:8080"_s, u"127.0.0.1:8080"_s, QString()};
  EXPECT_EQ(places.ItemUrlKind(u"http://127.0.0.1:8080/item.htm?id=1"_s), 0);
  places.searchHost = u"http://127.0.0.1:9"_s;
  EXPECT_EQ(places.DefaultSearchAddress(), u"http://127.0.0.1:9/search?q=女装"_s);
}

TEST(SerializeBodyHtml, WrittenAsTheMarkersExpect) {
  const std::pair<QString, QString> cases[] = {
      // Upper-case tags, simple values without quotes.
      {u"<div class=\"shop-title\" id='a_1.2'>店</div>"_s,
       u"<DIV class=shop-title id=a_1.2>店</DIV>"_s},
      {u"<a href=\"http://x/?a=1&amp;b=2\" title='say \"hi\"'>t</a>"_s,
       u"<A href=\"http://x/?a=1&amp;b=2\" title=\"say &quot;hi&quot;\">t</A>"_s},
      // Text escaped again.
      {u"<p>a &lt; b &amp; c > d&nbsp;e \"f\"</p>"_s,
       u"<P>a &lt; b &amp; c &gt; d&nbsp;e \"f\"</P>"_s},
      // White space as shown.
      {u"<div>\n  <span> a \t\n b </span>\n</div>\n<p>\n x \n</p>"_s,
       u"<DIV><SPAN> a b </SPAN></DIV><P>x</P>"_s},
      {u"<pre>  a\n   b</pre><textarea>\n x  y</textarea>"_s,
       u"<PRE>  a\n   b</PRE><TEXTAREA> x  y</TEXTAREA>"_s},
      // What is not shown is left out.
      {u"<p>a<!-- note --><script>var s = '宝贝详情</' + 'a>';</script>b</p>"
       u"<style>p{}</style><noscript><p>n</p></noscript><template><i>t</i></template>"_s,
       u"<P>ab</P>"_s},
      // Broken HTML repaired as browsers do.
      {u"<b><i>x</b>y</i>"_s, u"<B><I>x</I></B><I>y</I>"_s},
      {u"<table><td>x"_s, u"<TABLE><TBODY><TR><TD>x</TD></TR></TBODY></TABLE>"_s},
      {u"<a href=\"x\"<b>c</a"_s, u"<A href=x <b=\"\">c</A>"_s},
      {u"<frameset><frame src=a></frameset>"_s, u"<no body>"_s},
  };
  for (const auto& [html, body] : cases) EXPECT_EQ(Body(html), body) << qPrintable(html);
}

TEST(SerializeBodyHtml, DeepNestingAndBadBytesDoNotCrash) {
  const int depth = 4000;
  const std::optional<QString> out = SerializeBodyHtml(QByteArray("<div>").repeated(depth) + "x");
  ASSERT_TRUE(out);
  EXPECT_EQ(out->count(u"<DIV>"_s), depth);
  EXPECT_EQ(out->count(u"</DIV>"_s), depth);

  // Deeper than any browser nests: refused rather than parsed in quadratic time.
  EXPECT_FALSE(SerializeBodyHtml(QByteArray("<div>").repeated(100000)));
  EXPECT_TRUE(SerializeBodyHtml(
      QByteArray("<p>x</p><br><img src=a><!--<div>--><script>'<div>'</script>").repeated(5000)));

  const std::optional<QString> repaired =
      SerializeBodyHtml(QByteArray("<p>\xff\xfe\xc3(\x00z</p>", 13));
  ASSERT_TRUE(repaired);
  EXPECT_TRUE(repaired->startsWith(u"<P>"_s));
  EXPECT_TRUE(repaired->endsWith(u"z</P>"_s));
}

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
  EXPECT_FALSE(ParseMallItemHtml(u"http://i/item.htm?id=1"_s, html).recognised);
  // An address with nothing before its query stops at once.
  const ItemPageText page = ParseMallItemHtml(u"?id"_s, Html(u"item_2001.html"_s));
  EXPECT_EQ(page.info.Url, u"&id"_s);
  EXPECT_EQ(page.info.Shop, QString());
  EXPECT_FALSE(page.recognised);
}

TEST(ItemTitles, NameAndShopFromTitles) {
  const std::pair<QString, QString> shops[] = {{u"首页-花花的衣橱-淘宝网"_s, u"花花的衣橱"_s},
                                               {u"花花的衣橱-淘宝网"_s, u"淘宝网"_s},
                                               {u"a-b-c-d"_s, u"b-c"_s}};
  for (const auto& [title, shop] : shops) EXPECT_EQ(ShopFromTitle(title), shop);
  EXPECT_EQ(NameFromTitle(u"名-站-淘宝"_s), u"名-站"_s);
  EXPECT_EQ(NameFromTitle(u"没有横线"_s), u"没有横线"_s);
  EXPECT_TRUE(IsChatStatus(u"旺旺在线"_s));
  EXPECT_TRUE(IsChatStatus(u"旺旺离线"_s));
  EXPECT_FALSE(IsChatStatus(u"旺旺在线店"_s));
}
