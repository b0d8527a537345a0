// The text rules item pages are read with: splitting at markers, removing tags, entities, and
// the address rules that identify a product.
#include <gtest/gtest.h>

#include "capture/itemurl.h"
#include "capture/pagetext.h"

using namespace Qt::StringLiterals;
using namespace lanxi;

TEST(SplitOffAt, FromTheLeftTakesWhatStandsBeforeTheFirstMarkerAndKeepsTheRest) {
  QString text = u"a-b-c"_s;
  EXPECT_EQ(SplitOffAt(text, u"-"_s, true), u"a"_s);
  EXPECT_EQ(text, u"b-c"_s);
  EXPECT_EQ(SplitOffAt(text, u"-"_s, false), u"c"_s);
  EXPECT_EQ(text, u"b"_s);
}

TEST(SplitOffAt, AMissingMarkerGivesNothingAndLeavesTheText) {
  for (bool fromLeft : {true, false}) {
    QString text = u"名称-店铺"_s;
    EXPECT_EQ(SplitOffAt(text, u"</A>"_s, fromLeft), QString());
    EXPECT_EQ(SplitOffAt(text, QString(), fromLeft), QString());
    EXPECT_EQ(text, u"名称-店铺"_s);
  }
}

TEST(CutBetween, TheNextSearchStartsWhereThePreviousEnded) {
  QString html = u"<B>x</B><I>1</I><B>y</B>"_s;
  EXPECT_EQ(CutBetween(html, u"<B>"_s, u"</B>"_s), u"x"_s);
  EXPECT_EQ(CutBetween(html, u"<B>"_s, u"</B>"_s), u"y"_s);
  // A missing opening marker: the closing one is searched from where the text stands.
  html = u"a</B>b</B>"_s;
  EXPECT_EQ(CutBetween(html, u"<X>"_s, u"</B>"_s), u"a"_s);
  EXPECT_EQ(html, u"b</B>"_s);
}

TEST(RemoveSpans, RemovesEveryTagAndAnUnclosedOneToTheEnd) {
  EXPECT_EQ(RemoveSpans(u"<A href=\"x\">店<B>铺</B></A>"_s, u"<"_s, u">"_s, {}), u"店铺"_s);
  EXPECT_EQ(RemoveSpans(u"a<b>c<d"_s, u"<"_s, u">"_s, {}), u"ac"_s);
  EXPECT_EQ(RemoveSpans(u"a>b<"_s, u"<"_s, u">"_s, {}), u"a>b"_s);
  // The closing string is looked for after the opening's first character.
  EXPECT_EQ(RemoveSpans(u"x<>y"_s, u"<"_s, u">"_s, {}), u"xy"_s);
  EXPECT_EQ(RemoveSpans(u"x[a]y[b]"_s, u"["_s, u"]"_s, u"-"_s), u"x-y-"_s);
}

TEST(RemoveSpans, AlwaysEnds) {
  EXPECT_EQ(RemoveSpans(u"a<b>c"_s, u"<"_s, u">"_s, u"<"_s), u"a<c"_s);
  EXPECT_EQ(RemoveSpans(u"abc"_s, QString(), u">"_s, {}), u"abc"_s);
  EXPECT_EQ(RemoveSpans(u"a<b<"_s, u"<"_s, QString(), u"."_s), u"a.b."_s);
}

TEST(PageText, EntitiesAreDecodedAndFieldsLoseTheirSpaces) {
  EXPECT_EQ(DecodeEntities(u"a&amp;b &lt;c&gt; &quot;d&quot; &#20013;&#x6587; &bogus; &amp"_s),
            u"a&b <c> \"d\" 中文 &bogus; &amp"_s);
  EXPECT_EQ(DecodeEntities(u"&#0; &#xD800; &#1114112;"_s), u"&#0; &#xD800; &#1114112;"_s);
  EXPECT_EQ(CleanedField(u"<EM>浙江&nbsp;杭州 西湖</EM>"_s), u"浙江杭州西湖"_s);
  EXPECT_EQ(TagsRemoved(u"<H3>优衣库 T恤 &amp; 裙</H3>"_s), u"优衣库 T恤 & 裙"_s);
}

TEST(ItemAddress, IsCutAfterTheIdAndItsIdIsTheLastOne) {
  const QString a = u"http://item.taobao.com/item.htm?spm=a&id=123&x=1"_s;
  EXPECT_EQ(NormaliseItemUrl(a), u"http://item.taobao.com/item.htm?spm=a&id=123"_s);
  EXPECT_EQ(ExtractItemId(a), u"123"_s);

  const QString only = u"HTTP://Item.Taobao.com/item.htm?id=55"_s;
  EXPECT_EQ(NormaliseItemUrl(only), only.toLower());
  EXPECT_EQ(ExtractItemId(only), u"55"_s);

  // Upper-case ID= counts; the normalised address keeps the first id, the item id is the last.
  const QString twice = u"http://x/item.htm?ID=7&b=2&id=8"_s;
  EXPECT_EQ(NormaliseItemUrl(twice), u"http://x/item.htm?id=7"_s);
  EXPECT_EQ(ExtractItemId(twice), u"8"_s);

  // Without an id the address is cut before its first parameter and has no item id.
  EXPECT_EQ(NormaliseItemUrl(u"http://x/item.htm?a=1&b=2"_s), u"http://x/item.htm"_s);
  EXPECT_EQ(ExtractItemId(u"http://x/item.htm?a=1"_s), QString());
  EXPECT_EQ(ExtractItemId(u"http://x/item.htm?id="_s), QString());
}

TEST(ItemAddress, AFragmentIsNoPartOfTheItem) {
  EXPECT_EQ(ExtractItemId(u"http://x/item.htm?id=42#detail"_s), u"42"_s);
  EXPECT_EQ(NormaliseItemUrl(u"http://x/item.htm?id=42#detail"_s), u"http://x/item.htm?id=42"_s);
  EXPECT_EQ(ExtractItemId(u"http://x/item.htm?a=1#&id=9"_s), QString());
}

TEST(ItemAddress, TheParsersCutKeepsCaseAndStopsWithoutAnything) {
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

TEST(CapturePlaces, ItemPagesAreKnownByTheirPrefixInOrder) {
  CapturePlaces places = CapturePlaces::Defaults();
  EXPECT_EQ(places.ItemUrlKind(u"http://item.tmall.com/item.htm?id=1"_s), 0);
  EXPECT_EQ(places.ItemUrlKind(u"http://item.taobao.com/item.htm?id=1"_s), 1);
  EXPECT_EQ(places.ItemUrlKind(u"https://item.taobao.com/item.htm?id=1"_s), 1);
  EXPECT_EQ(places.ItemUrlKind(u"http://detail.tmall.com/item.htm?id=1"_s), 2);
  EXPECT_EQ(places.ItemUrlKind(u"http://ITEM.taobao.com/item.htm?id=1"_s), -1);
  EXPECT_EQ(places.ItemUrlKind(u"http://item.taobao.com/list.htm?id=1"_s), -1);
  EXPECT_EQ(places.ItemUrlKind(u"ftp://item.taobao.com/item.htm"_s), -1);
  EXPECT_EQ(places.ItemUrlKind(QString()), -1);
  // Several kinds on one host (a test server): the first prefix wins.
  places.itemHosts = {u"127.0.0.1:8080"_s, u"127.0.0.1:8080"_s, QString()};
  EXPECT_EQ(places.ItemUrlKind(u"http://127.0.0.1:8080/item.htm?id=1"_s), 0);
  EXPECT_EQ(places.ItemUrlKind(u"http://127.0.0.1:80/item.htm?id=1"_s), -1);
}

TEST(CapturePlaces, SearchPageAndClickRedirect) {
  CapturePlaces places = CapturePlaces::Defaults();
  EXPECT_EQ(places.DefaultSearchAddress(), u"https://s.taobao.com/search?q=女装"_s);
  places.searchHost = u"http://127.0.0.1:9"_s;
  EXPECT_EQ(places.DefaultSearchAddress(), u"http://127.0.0.1:9/search?q=女装"_s);

  const QString target = u"http://item.taobao.com/item.htm?id=5"_s;
  EXPECT_EQ(places.RemoveClickRedirect(u"http://s.click.taobao.com/?url="_s + target), target);
  EXPECT_EQ(places.RemoveClickRedirect(u"https://s.click.taobao.com/?url="_s + target), target);
  EXPECT_EQ(
      places.RemoveClickRedirect(
          u"http://s.click.taobao.com/?url=http%3A%2F%2Fitem.taobao.com%2Fitem.htm%3Fid%3D5"_s),
      target);
  // Elsewhere in the text it goes all the same; other texts stay as they are.
  EXPECT_EQ(places.RemoveClickRedirect(u"x http://s.click.taobao.com/?url=y"_s), u"x y"_s);
  EXPECT_EQ(places.RemoveClickRedirect(target), target);
}
