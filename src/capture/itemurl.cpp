#include "capture/itemurl.h"

#include <QUrl>

#include "storage/settings.h"

using namespace Qt::StringLiterals;

namespace lanxi {
namespace {

// "…?a=1&id=5" in its "&" form "…&a=1&id=5", without a fragment.
QString AmpersandForm(QString address) {
  const qsizetype hash = address.indexOf(u'#');
  if (hash >= 0) address.truncate(hash);
  return address.replace(u'?', u'&');
}

// `text` up to the first "&" at or after index `from` of text + "&", its first "&" turned
// back into "?".
QString CutAtAmpersand(const QString& text, qsizetype from) {
  QString kept = text.left((text + u'&').indexOf(u'&', from));
  if (const qsizetype amp = kept.indexOf(u'&'); amp >= 0) kept[amp] = u'?';
  return kept;
}

}  // namespace

QString NormaliseItemUrl(const QString& address) {
  const QString text = AmpersandForm(address.toLower());
  const qsizetype p = text.indexOf(u"&id="_s);
  // The search starts at the "=" of "&id=", or at the third character when there is none.
  return CutAtAmpersand(text, p >= 0 ? p + 3 : 2);
}

QString ExtractItemId(const QString& address) {
  const QString text = AmpersandForm(address.toLower());
  const qsizetype p = text.lastIndexOf(u"&id="_s);
  if (p < 0) return {};
  const QString rest = text.mid(p + 4);
  return rest.left(rest.indexOf(u'&'));
}

QString CutAfterItemId(const QString& address, bool* cut) {
  QString text = address;
  text.replace(u'?', u'&');
  const qsizetype p = text.indexOf(u"&id="_s);
  const qsizetype from = p >= 0 ? p + 1 : 0;
  const bool cuts = (text + u'&').indexOf(u'&', from) >= 1;
  if (cut) *cut = cuts;
  return cuts ? CutAtAmpersand(text, from) : text;
}

CapturePlaces CapturePlaces::Defaults() {
  return {{QString::fromUtf16(ParamDefault::MallItemHost),
           QString::fromUtf16(ParamDefault::MarketItemHost),
           QString::fromUtf16(ParamDefault::MallDetailHost)},
          QString::fromUtf16(ParamDefault::SearchHost),
          QString::fromUtf16(ParamDefault::ClickRedirectHost)};
}

int CapturePlaces::ItemUrlKind(const QString& address) const {
  for (int i = 0; i < int(itemHosts.size()); ++i) {
    if (itemHosts[i].isEmpty()) continue;
    for (const QString& scheme : {u"http://"_s, u"https://"_s})
      if (address.startsWith(scheme + itemHosts[i] + u"/item.htm"_s)) return i;
  }
  return -1;
}

QString CapturePlaces::DefaultSearchAddress() const {
  const QString origin = searchHost.contains(u"://"_s) ? searchHost : u"https://"_s + searchHost;
  return origin + u"/search?q=女装"_s;
}

QString CapturePlaces::RemoveClickRedirect(const QString& text) const {
  QString link = text;
  if (!clickHost.isEmpty()) {
    for (const QString& scheme : {u"http://"_s, u"https://"_s})
      link.remove(scheme + clickHost + u"/?url="_s);
  }
  if (link.startsWith(u"http%3a"_s, Qt::CaseInsensitive) ||
      link.startsWith(u"https%3a"_s, Qt::CaseInsensitive))
    link = QUrl::fromPercentEncoding(link.toUtf8());
  return link;
}

}  // namespace lanxi
