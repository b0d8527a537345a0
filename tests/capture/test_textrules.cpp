// The text rules item pages are read with: splitting at markers, removing tags, entities, and
// the address rules that identify a product.
#include <gtest/gtest.h>

#include "capture/itemurl.h"
#include "capture/pagetext.h"

using namespace Qt::StringLiterals;
using namespace lanxi;

TEST(PageText, SplittingAndCuttingConsumeTheText) {
  QString text = u"a-b-c"_s;
  EXPECT_EQ(SplitOffAt(text, u"-"_s, true), u"a"_s);
  EXPECT_EQ(text, u"b-c"_s);
  EXPECT_EQ(SplitOffAt(text, u"-"_s, false), u"c"_s);
  EXPECT_EQ(text, u"b"_s);
  // A missing marker gives nothing and leaves the text.
  for (bool fromLeft : {true, false})
    for (const QString& marker : {u"</A>"_s, QString()})
      EXPECT_EQ(SplitOffAt(text, marker, fromLeft), QString());
  EXPECT_EQ(text, u"b"_s);

  QString html = u"<B>x</B><I>1</I><B>y</B>"_s;
  EXPECT_EQ(CutBetween(html, u"<B>"_s, u"</B>"_s), u"x"_s);
  EXPECT_EQ(CutBetween(html, u"<B>"_s, u"</B>"_s), u"y"_s);
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
      {u"a>b<"_s, u"<"_s, u">"_s, {}, u"a>b"_s},
      {u"x<>y"_s, u"<"_s, u">"_s, {}, u"xy"_s},
      {u"x[a]y[b]"_s, u"["_s, u"]"_s, u"-"_s, u"x-y-"_s},
      {u"a<b>c"_s, u"<"_s, u">"_s, u"<"_s, u"a<c"_s},
      {u"abc"_s, QString(), u">"_s, {}, u"abc"_s},
      {u"a<b<"_s, u"<"_s, QString(), u"."_s, u"a.b."_s},
  };
  for (const auto& s : spans)
    EXPECT_EQ(RemoveSpans(s.text, s.open, s.close, s.with), s.out) << qPrintable(s.text);

  EXPECT_EQ(DecodeEntities(u"a&amp;b &lt;c&gt; &quot;d&quot; &#20013;&#x6587; &bogus; &amp"_s),
            u"a&b <c> \"d\" 中文 &bogus; &amp"_s);
  EXPECT_EQ(DecodeEntities(u"&#0; &#xD800; &#1114112;"_s), u"&#0; &#xD800; &#1114112;"_s);
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
      {u"HTTP://Item.Taobao.com/item.htm?id=55"_s, u"http://item.taobao.com/item.htm?id=55"_s,
       u"55"_s},
      {u"http://x/item.htm?ID=7&b=2&id=8"_s, u"http://x/item.htm?id=7"_s, u"8"_s},
      {u"http://x/item.htm?a=1&b=2"_s, u"http://x/item.htm"_s, QString()},
      {u"http://x/item.htm?id=42#detail"_s, u"http://x/item.htm?id=42"_s, u"42"_s},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(NormaliseItemUrl(c.url), c.normalised) << qPrintable(c.url);
    EXPECT_EQ(ExtractItemId(c.url), c.id) << qPrintable(c.url);
  }
  EXPECT_EQ(ExtractItemId(u"http://x/item.htm?id="_s), QString());
  EXPECT_EQ(ExtractItemId(u"http://x/item.htm?a=1#&id=9"_s), QString());

  // The parsers' cut keeps the case and stops without anything before the query.
  bool cut = false;
  EXPECT_EQ(CutAfterItemId(u"http://X/item.htm?spm=A&id=9&q=1"_s, &cut),
            u"http://X/item.htm?spm=A&id=9"_s);
  EXPECT_TRUE(cut);
  EXPECT_EQ(CutAfterItemId(u"http://X/item.htm?a=1"_s, &cut), u"http://X/item.htm"_s);
  EXPECT_TRUE(cut);
  EXPECT_EQ(CutAfterItemId(u"?a=1"_s, &cut), u"&a=1"_s);
  EXPECT_FALSE(cut);
  EXPECT_EQ(CutAfterItemId(QString(), &cut), QString());
  EXPECT_FALSE(cut);
}

TEST(CapturePlaces, ItemPagesSearchPageAndClickRedirect) {
  CapturePlaces places = CapturePlaces::Defaults();
  const std::pair<QString, int> kinds[] = {
      {u"http://item.tmall.com/item.htm?id=1"_s, 0},
      {u"http://item.taobao.com/item.htm?id=1"_s, 1},
      {u"https://item.taobao.com/item.htm?id=1"_s, 1},
      {u"http://detail.tmall.com/item.htm?id=1"_s, 2},
      {u"http://ITEM.taobao.com/item.htm?id=1"_s, -1},
      {u"http://item.taobao.com/list.htm?id=1"_s, -1},
      {u"ftp://item.taobao.com/item.htm"_s, -1},
      {QString(), -1},
  };
  for (const auto& [url, kind] : kinds) EXPECT_EQ(places.ItemUrlKind(url), kind) << qPrintable(url);
  EXPECT_EQ(places.DefaultSearchAddress(), u"https://s.taobao.com/search?q=女装"_s);

  const QString target = u"http://item.taobao.com/item.htm?id=5"_s;
  for (const QString& tracked :
       {u"http://s.click.taobao.com/?url="_s + target,
        u"https://s.click.taobao.com/?url="_s + target,
        u"http://s.click.taobao.com/?url=http%3A%2F%2Fitem.taobao.com%2Fitem.htm%3Fid%3D5"_s,
        target})
    EXPECT_EQ(places.RemoveClickRedirect(tracked), target) << qPrintable(tracked);
  // Elsewhere in the text it goes all the same.
  EXPECT_EQ(places.RemoveClickRedirect(u"x http://s.click.taobao.com/?url=y"_s), u"x y"_s);

  // Several kinds on one host (a test server): the first prefix wins.
  places.itemHosts = {u"127.0.0.1:8080"_s, u"127.0.0.1:8080"_s, QString()};
  EXPECT_EQ(places.ItemUrlKind(u"http://127.0.0.1:8080/item.htm?id=1"_s), 0);
  EXPECT_EQ(places.ItemUrlKind(u"http://127.0.0.1:80/item.htm?id=1"_s), -1);
  places.searchHost = u"http://127.0.0.1:9"_s;
  EXPECT_EQ(places.DefaultSearchAddress(), u"http://127.0.0.1:9/search?q=女装"_s);
}
