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
// The daily downloader 采数器: the pause between two pages in seconds (each pause drawn at
// random between half and one and a half times it), how long one page may take to load in
// seconds, "√" to leave out the structured data of pages (JSON-LD offers, price meta tags)
// and read the figures by the rules alone, and the text whose presence in the address a page
// ends on shows that the marketplace sent the downloader to its log-in page ("|" between
// alternatives).
inline constexpr char16_t DownloadDelay[] = u"采数间隔秒数";
inline constexpr char16_t DownloadWait[] = u"采数等待秒数";
inline constexpr char16_t DownloadNoStructured[] = u"采数不读结构化数据";
inline constexpr char16_t DownloadLoginMarker[] = u"采数登录页标记";
// How the downloader reads each figure from an item page, one key per page kind and figure:
// a JSON array of rules tried in order until one gives a number. A rule is either
// {"key": NAME}, the number given to NAME in the page's embedded data ("NAME": 12.5 or
// "NAME":"12.5"), or {"before": TEXT, "after": TEXT, "pattern": REGEX}: the text between the
// first occurrence of `before` whose piece holds a number and the next `after` (the next 200
// characters when `after` is empty), tags removed, searched with `pattern` (a regular
// expression; empty for any number, a range giving its lower end). Markers are matched,
// case-sensitively, against the page's document as the browser engine writes it out (lower-case
// tag names, attribute values in double quotes).
inline constexpr char16_t MarketPriceRules[] = u"采数规则_淘宝_原价";
inline constexpr char16_t MarketPromoRules[] = u"采数规则_淘宝_促销价";
inline constexpr char16_t MarketSalesRules[] = u"采数规则_淘宝_销量";
inline constexpr char16_t MarketStockRules[] = u"采数规则_淘宝_库存";
inline constexpr char16_t MallPriceRules[] = u"采数规则_商城_原价";
inline constexpr char16_t MallPromoRules[] = u"采数规则_商城_促销价";
inline constexpr char16_t MallSalesRules[] = u"采数规则_商城_销量";
inline constexpr char16_t MallStockRules[] = u"采数规则_商城_库存";
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
inline constexpr char16_t DownloadDelay[] = u"3";
inline constexpr char16_t DownloadWait[] = u"30";
inline constexpr char16_t DownloadLoginMarker[] = u"login.";
// The marketplace's item page.
inline constexpr char16_t MarketPriceRules[] =
    uR"([{"key":"reservePrice"},{"before":"id=\"J_StrPriceModBox\"","after":"</div>"}])";
inline constexpr char16_t MarketPromoRules[] =
    uR"([{"key":"promotionPrice"},{"before":"id=\"J_PromoPriceNum\"","after":"</em>"}])";
inline constexpr char16_t MarketSalesRules[] =
    uR"([{"key":"sellCount"},{"before":"id=\"J_SellCounter\"","after":"</strong>"}])";
inline constexpr char16_t MarketStockRules[] =
    uR"([{"key":"sellableQuantity"},{"before":"id=\"J_SpanStock\"","after":"</span>"}])";
// The mall's item page.
inline constexpr char16_t MallPriceRules[] =
    uR"([{"key":"reservePrice"},{"before":"class=\"tm-price-panel\"","after":"</dl>"}])";
inline constexpr char16_t MallPromoRules[] =
    uR"([{"key":"promotionPrice"},{"before":"class=\"tm-promo-panel\"","after":"</dl>"}])";
inline constexpr char16_t MallSalesRules[] =
    uR"([{"key":"sellCount"},{"before":"data-label=\"月销量\"","after":"</li>"}])";
inline constexpr char16_t MallStockRules[] =
    uR"([{"key":"sellableQuantity"},{"before":"id=\"J_EmStock\"","after":"</em>"}])";
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
