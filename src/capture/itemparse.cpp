#include "capture/itemparse.h"

#include "capture/itemurl.h"
#include "capture/pagetext.h"

using namespace Qt::StringLiterals;

namespace lanxi {
namespace {

bool ContainsAny(const QString& html, std::initializer_list<QStringView> markers) {
  for (QStringView m : markers)
    if (html.contains(m)) return true;
  return false;
}

// The picture's address: the first src after the add-to-cart button.
QString PictureAddress(QString& html) {
  SplitOffAt(html, u">加入购物车<"_s, true);
  return TagsRemoved(CutBetween(html, u"src=\""_s, u"\""_s));
}

}  // namespace

QString NameFromTitle(const QString& title) {
  QString name = title;
  SplitOffAt(name, u"-"_s, false);
  return name;
}

QString ShopFromTitle(const QString& title) {
  QString shop = title;
  SplitOffAt(shop, u"-"_s, true);
  SplitOffAt(shop, u"-"_s, false);
  return shop;
}

bool IsChatStatus(const QString& shop) {
  return shop == u"旺旺在线"_s || shop == u"旺旺离线"_s;
}

ItemPageText ParseMarketItemHtml(const QString& location, const QString& title, QString html) {
  ItemPageText page;
  ProductInfo& r = page.info;
  r.Url = CutAfterItemId(location);
  r.TMall = false;
  html.remove(u"\r\n"_s);
  page.recognised = ContainsAny(
      html, {u"class=shop-info-simple>", u"class=shop-title>", u">所在地区：", u">加入购物车<"});
  CutBetween(html, u"class=shop-info-simple>"_s, u"href=\""_s);
  page.shopPageUrl = DecodeEntities(SplitOffAt(html, u"\">"_s, true));
  r.Owner = CleanedField(SplitOffAt(html, u"</A>"_s, true));
  r.Shop = CleanedField(CutBetween(html, u"class=shop-title>"_s, u"</A>"_s));
  r.Region = CleanedField(CutBetween(html, u">所在地区："_s, u"</EM>"_s));
  r.Name = NameFromTitle(title);
  r.Pic = PictureAddress(html);
  return page;
}

ItemPageText ParseMallItemHtml(const QString& location, QString html) {
  ItemPageText page;
  ProductInfo& r = page.info;
  bool cut = false;
  r.Url = CutAfterItemId(location, &cut);
  if (!cut) return page;
  r.TMall = true;
  html.remove(u"\r\n"_s);
  page.recognised = ContainsAny(
      html, {u"class=shop-title>", u">公 司 名：", u">所 在 地：", u"<H3>", u">加入购物车<"});
  r.Shop = CleanedField(CutBetween(html, u"class=shop-title>"_s, u"</A>"_s));
  r.Owner = CleanedField(CutBetween(html, u">公 司 名："_s, u"<LI"_s));
  r.Region = CleanedField(CutBetween(html, u">所 在 地："_s, u"</LI>"_s));
  r.Name = TagsRemoved(CutBetween(html, u"<H3>"_s, u"</H3>"_s));
  r.Pic = PictureAddress(html);
  return page;
}

}  // namespace lanxi
