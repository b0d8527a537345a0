#pragma once

#include <QString>

// User preferences kept as key/value rows in the table 参数 of PARA.mdb.
namespace lanxi {

// Every key the program stores, in one place.
namespace ParamKey {
// "√" when product pictures are not to be shown; empty (or absent) otherwise.
inline constexpr char16_t ForbidProPic[] = u"禁止显示产品图片";
// The first page the add-product window shows.
inline constexpr char16_t DefaultSearchUrl[] = u"默认搜索网址";
// The online help page opened from the help page's button.
inline constexpr char16_t HelpUrl[] = u"在线帮助网址";
// The two support contacts of the help menu and the help page.
inline constexpr char16_t SupportUrl1[] = u"客服联系网址1";
inline constexpr char16_t SupportUrl2[] = u"客服联系网址2";
// Our web site: the host of the version page read by the update check, and the address the
// about window opens.
inline constexpr char16_t UpdateHost[] = u"升级检查网址";
// The web address the watermark of every chart names.
inline constexpr char16_t WatermarkUrl[] = u"水印网址";
// Where the marketplace lives, for reading item pages: the hosts ("host" or "host:port") of
// the mall's item page, the marketplace's item page and the mall's detail page (each prefix
// is "http://" + host + "/item.htm"), of the search page ("scheme://host" when it is not
// https) and of the click-tracking redirect ("http://" + host + "/?url=").
inline constexpr char16_t MallItemHost[] = u"商城产品网址主机";
inline constexpr char16_t MarketItemHost[] = u"淘宝产品网址主机";
inline constexpr char16_t MallDetailHost[] = u"商城详情网址主机";
inline constexpr char16_t SearchHost[] = u"搜索网址主机";
inline constexpr char16_t ClickRedirectHost[] = u"点击跳转网址主机";
}  // namespace ParamKey

// What a key means when it has no row or an empty value.
namespace ParamDefault {
inline constexpr char16_t DefaultSearchUrl[] = u"https://s.taobao.com/search?q=女装";
inline constexpr char16_t HelpUrl[] = u"https://lanxi-soft.cn/help/tracker";
inline constexpr char16_t SupportUrl1[] = u"mailto:service@lanxi-soft.cn";
inline constexpr char16_t SupportUrl2[] = u"mailto:support@lanxi-soft.cn";
inline constexpr char16_t UpdateHost[] = u"https://lanxi-soft.cn";
inline constexpr char16_t WatermarkUrl[] = u"www.lanxi-soft.cn";
inline constexpr char16_t MallItemHost[] = u"item.tmall.com";
inline constexpr char16_t MarketItemHost[] = u"item.taobao.com";
inline constexpr char16_t MallDetailHost[] = u"detail.tmall.com";
inline constexpr char16_t SearchHost[] = u"s.taobao.com";
inline constexpr char16_t ClickRedirectHost[] = u"s.click.taobao.com";
}  // namespace ParamDefault

// The value stored for `key`, or `fallback` when it is absent or empty.
QString GetParamOr(const QString& key, const QString& fallback);

// The value stored for `key` in PARA.mdb, or the empty text when there is none. Sets
// WorkDBFile to "PARA.mdb".
QString GetParam(const QString& key);
// Stores `value` for `key`: updates the key's row, or adds one when there is none. Leaves
// WorkDBFile as it is.
bool SetParam(const QString& key, const QString& value);

}  // namespace lanxi
