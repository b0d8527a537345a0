#pragma once

#include <QString>
#include <QStringList>

// The address rules that identify a product: the normalised item address kept in
// Product.Url, the item id kept in Product.TID, and which addresses are item pages.
namespace lanxi {

// Lower-cases the address, drops a "#…" fragment, turns every "?" into "&" and cuts right
// after the value of the first "id" parameter (an address without one is cut before its first
// parameter); the first "&" left becomes "?" again. "…?spm=a&id=123&x=1" gives "…?spm=a&id=123".
QString NormaliseItemUrl(const QString& address);

// The value of the last "id" parameter (lower-cased, up to the next "&" or "#"); empty when
// there is none.
QString ExtractItemId(const QString& address);

// The browser's address cut right after the value of its first "id" parameter (an address
// without one is cut before its first parameter), not lower-cased: the first step of both
// item-page parsers. An address that leaves nothing before its first "&" is only given in its
// "&" form (every "?" turned into "&"), and *cut is then false.
QString CutAfterItemId(const QString& address, bool* cut = nullptr);

// Where the marketplace lives: the hosts of the three item-page kinds (the mall's item page,
// the marketplace's item page, the mall's detail page), of the search page and of the
// click-tracking redirect. Kept as settings so that they can follow the marketplace (and
// tests can point them at a local server).
struct CapturePlaces {
  QStringList itemHosts;  // three hosts, "host" or "host:port"
  QString searchHost;     // "host", or "scheme://host" when not https
  QString clickHost;

  // The marketplace's real hosts.
  static CapturePlaces Defaults();

  // The index of the first item-page prefix ("http://" or "https://", host, "/item.htm")
  // the address begins with (case-sensitive), or -1 when it is no item page.
  int ItemUrlKind(const QString& address) const;
  // The search page for "女装": the start page when no default is stored.
  QString DefaultSearchAddress() const;
  // The status text of a link with the click-tracking redirect ("http://" + host + "/?url=",
  // or its https form) taken out wherever it occurs; a target left percent-encoded
  // ("http%3A%2F%2F…") is decoded.
  QString RemoveClickRedirect(const QString& text) const;
};

}  // namespace lanxi
