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
}  // namespace ParamKey

// What a key means when it has no row or an empty value.
namespace ParamDefault {
inline constexpr char16_t DefaultSearchUrl[] = u"https://s.taobao.com/search?q=女装";
}  // namespace ParamDefault

// The value stored for `key` in PARA.mdb, or the empty text when there is none. Sets
// WorkDBFile to "PARA.mdb".
QString GetParam(const QString& key);
// Stores `value` for `key`: updates the key's row, or adds one when there is none. Leaves
// WorkDBFile as it is.
bool SetParam(const QString& key, const QString& value);

}  // namespace lanxi
