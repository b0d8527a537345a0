// The body serialisation the item-page markers are matched against.
#include <gtest/gtest.h>

#include "capture/htmlserializer.h"
#include "fakebrowser.h"

using namespace Qt::StringLiterals;
using namespace lanxi;

namespace {

QString Body(const QString& html) {
  return SerializeBodyHtml(html.toUtf8()).value_or(u"<no body>"_s);
}

}  // namespace

TEST(SerializeBodyHtml, WrittenAsTheMarkersExpect) {
  const std::pair<QString, QString> cases[] = {
      // Upper-case tags, simple values without quotes.
      {u"<div class=\"shop-title\" id='a_1.2'>店</div>"_s,
       u"<DIV class=shop-title id=a_1.2>店</DIV>"_s},
      {u"<a href=\"http://x/?a=1&amp;b=2\" title='say \"hi\"'>t</a>"_s,
       u"<A href=\"http://x/?a=1&amp;b=2\" title=\"say &quot;hi&quot;\">t</A>"_s},
      {u"<input disabled value=\"两 字\" TYPE=Text>"_s,
       u"<INPUT disabled=\"\" value=\"两 字\" type=Text>"_s},
      {u"<img src=a.jpg><br><p>x"_s, u"<IMG src=a.jpg><BR><P>x</P>"_s},
      {u"<my-widget data-x=1>t</my-widget>"_s, u"<MY-WIDGET data-x=1>t</MY-WIDGET>"_s},
      // Text escaped again.
      {u"<p>a &lt; b &amp; c > d&nbsp;e \"f\"</p>"_s,
       u"<P>a &lt; b &amp; c &gt; d&nbsp;e \"f\"</P>"_s},
      // White space as shown.
      {u"<div>\n  <span> a \t\n b </span>\n</div>\n<p>\n x \n</p>"_s,
       u"<DIV><SPAN> a b </SPAN></DIV><P>x</P>"_s},
      {u"<li>\n   公 司 名：某 公司\n</li>"_s, u"<LI>公 司 名：某 公司</LI>"_s},
      {u"<em>a</em> <em>b</em>"_s, u"<EM>a</EM> <EM>b</EM>"_s},
      {u"<pre>  a\n   b</pre><textarea>\n x  y</textarea>"_s,
       u"<PRE>  a\n   b</PRE><TEXTAREA> x  y</TEXTAREA>"_s},
      // What is not shown is left out.
      {u"<p>a<!-- note --><script>var s = '宝贝详情</' + 'a>';</script>b</p>"
       u"<style>p{}</style><noscript><p>n</p></noscript><template><i>t</i></template>"_s,
       u"<P>ab</P>"_s},
      // Broken HTML repaired as browsers do.
      {u"<p>a<p>b"_s, u"<P>a</P><P>b</P>"_s},
      {u"<b><i>x</b>y</i>"_s, u"<B><I>x</I></B><I>y</I>"_s},
      {u"<table><td>x"_s, u"<TABLE><TBODY><TR><TD>x</TD></TR></TBODY></TABLE>"_s},
      {u"<a href=\"x\"<b>c</a"_s, u"<A href=x <b=\"\">c</A>"_s},
      {QString(), QString()},
      {u"<body class=x><p>y</p></body>"_s, u"<P>y</P>"_s},
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
  EXPECT_FALSE(SerializeBodyHtml(QByteArray("<b title='>'><i>").repeated(3000)));
  EXPECT_TRUE(SerializeBodyHtml(
      QByteArray("<p>x</p><br><img src=a><!--<div>--><script>'<div>'</script>").repeated(5000)));

  const std::optional<QString> repaired =
      SerializeBodyHtml(QByteArray("<p>\xff\xfe\xc3(\x00z</p>", 13));
  ASSERT_TRUE(repaired);
  EXPECT_TRUE(repaired->startsWith(u"<P>"_s));
  EXPECT_TRUE(repaired->endsWith(u"z</P>"_s));
}

TEST(SerializeBodyHtml, TheFixturePagesCarryTheMarkers) {
  const QString market = Body(test::FixtureHtml(u"item_1001.html"_s, u"h"_s));
  for (const QString& marker :
       {u"class=shop-info-simple><A target=_blank href=\"/shop.htm?shop_id=501&amp;from=item\"> "
        u"<SPAN class=nick>yafang 小铺</SPAN> </A>"_s,
        u"class=shop-title>雅芳 女装 店</A>"_s, u"<EM>所在地区：浙江 杭州</EM>"_s,
        u">加入购物车</A>"_s, u"宝贝详情</A>"_s, u"<SPAN>阿里巴巴集团</SPAN>"_s})
    EXPECT_TRUE(market.contains(marker)) << qPrintable(marker);
  const QString mall = Body(test::FixtureHtml(u"item_2001.html"_s, u"h"_s));
  for (const QString& marker : {u">亲，欢迎来淘宝商城！<"_s, u"<LI>公 司 名："_s,
                                u"<LI>所 在 地：上海</LI>"_s, u"<H3>优衣库 女装 圆领T恤 "_s})
    EXPECT_TRUE(mall.contains(marker)) << qPrintable(marker);
}
