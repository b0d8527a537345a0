#include "capture/pagetext.h"

using namespace Qt::StringLiterals;

namespace lanxi {

QString SplitOffAt(QString& text, const QString& marker, bool fromLeft) {
  if (marker.isEmpty()) return {};
  if (fromLeft) {
    const qsizetype p = text.indexOf(marker);
    if (p < 0) return {};
    QString before = text.left(p);
    text.remove(0, p + marker.size());
    return before;
  }
  const qsizetype p = text.lastIndexOf(marker);
  if (p < 0) return {};
  QString after = text.mid(p + marker.size());
  text.truncate(p);
  return after;
}

QString RemoveSpans(const QString& text, const QString& opening, const QString& closing,
                    const QString& replacement) {
  if (opening.isEmpty()) return text;
  QString out;
  out.reserve(text.size());
  qsizetype from = 0;
  for (qsizetype p; (p = text.indexOf(opening, from)) >= 0;) {
    out += QStringView(text).mid(from, p - from);
    out += replacement;
    // An empty closing string ends the span right after the opening.
    if (closing.isEmpty()) {
      from = p + opening.size();
      continue;
    }
    const qsizetype c = text.indexOf(closing, p + 1);
    if (c < 0) return out;
    from = c + closing.size();
  }
  out += QStringView(text).mid(from);
  return out;
}

QString CutBetween(QString& html, const QString& a, const QString& b) {
  SplitOffAt(html, a, true);
  return SplitOffAt(html, b, true);
}

QString DecodeEntities(const QString& text) {
  if (!text.contains(u'&')) return text;
  static const struct {
    QStringView name;
    char16_t ch;
  } named[] = {{u"amp", u'&'},  {u"lt", u'<'},    {u"gt", u'>'},
               {u"quot", u'"'}, {u"apos", u'\''}, {u"nbsp", u' '}};
  QString out;
  out.reserve(text.size());
  const QStringView t(text);
  for (qsizetype i = 0; i < t.size(); ++i) {
    const qsizetype semi = t[i] == u'&' ? t.indexOf(u';', i + 1) : -1;
    if (semi < 0 || semi - i > 10) {
      out += t[i];
      continue;
    }
    const QStringView name = t.mid(i + 1, semi - i - 1);
    char32_t ch = 0;
    if (name.startsWith(u'#')) {
      bool ok = false;
      const uint code = name.size() > 1 && (name[1] == u'x' || name[1] == u'X')
                            ? name.mid(2).toUInt(&ok, 16)
                            : name.mid(1).toUInt(&ok, 10);
      if (ok && code > 0 && code <= 0x10FFFF && !(code >= 0xD800 && code <= 0xDFFF))
        ch = code == 0xA0 ? U' ' : char32_t(code);
    } else {
      for (const auto& e : named)
        if (name == e.name) ch = e.ch;
    }
    if (!ch) {
      out += t[i];
      continue;
    }
    out += QString::fromUcs4(&ch, 1);
    i = semi;
  }
  return out;
}

QString TagsRemoved(const QString& html) {
  return DecodeEntities(RemoveSpans(html, u"<"_s, u">"_s, QString()));
}

QString CleanedField(const QString& html) {
  return TagsRemoved(html).remove(u' ');
}

}  // namespace lanxi
