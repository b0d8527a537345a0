#include "downloader/figurereader.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <cmath>

#include "capture/pagetext.h"

using namespace Qt::StringLiterals;

namespace lanxi {
namespace {

// A marker that occurs this often without giving a number is not going to give one.
constexpr int kMaxOccurrences = 64;
// The longest piece between two markers that is searched for a number.
constexpr qsizetype kMaxPiece = 8000;
// Nesting of structured data looked into.
constexpr int kMaxDepth = 12;
constexpr double kMaxCount = 2147483647.0;

// The character as a plain ASCII one where the page writes a full-width form; no-break and
// ideographic spaces as spaces.
char16_t Plain(char16_t c) {
  if (c >= u'０' && c <= u'９') return char16_t(u'0' + (c - u'０'));
  switch (c) {
    case u'．':
      return u'.';
    case u'，':
      return u',';
    case u'－':
    case u'—':
    case u'–':
      return u'-';
    case u'～':
    case u'〜':
      return u'~';
    case u'\u00a0':
    case u'\u3000':
      return u' ';
    default:
      return c;
  }
}

bool IsDigit(char16_t c) {
  return c >= u'0' && c <= u'9';
}

bool IsRangeSign(char16_t c) {
  return c == u'-' || c == u'~' || c == u'至' || c == u'到';
}

bool IsCurrency(char16_t c) {
  return c == u'¥' || c == u'￥' || c == u'$';
}

// A number of the normalised text at `i`: digits with thousands separators, a fraction and an
// optional "万". Advances `i` past it; nullopt (and `i` unchanged) when no digit stands there.
std::optional<double> NumberAt(const QString& t, qsizetype& i) {
  const qsizetype n = t.size();
  if (i >= n || !IsDigit(t[i].unicode())) return std::nullopt;
  QString digits;
  qsizetype j = i;
  while (j < n) {
    const char16_t c = t[j].unicode();
    if (IsDigit(c)) {
      digits += QChar(c);
    } else if (c == u',' && j + 1 < n && IsDigit(t[j + 1].unicode())) {
      // a thousands separator
    } else {
      break;
    }
    ++j;
  }
  if (j + 1 < n && t[j] == u'.' && IsDigit(t[j + 1].unicode())) {
    digits += u'.';
    for (++j; j < n && IsDigit(t[j].unicode()); ++j) digits += t[j];
  }
  bool ok = false;
  double value = digits.toDouble(&ok);
  if (!ok) return std::nullopt;
  qsizetype k = j;
  while (k < n && t[k] == u' ') ++k;
  if (k < n && t[k] == u'万') {
    value *= 10000;
    j = k + 1;
  }
  i = j;
  return value;
}

QString Normalised(QStringView text) {
  QString t(text.size(), Qt::Uninitialized);
  for (qsizetype i = 0; i < text.size(); ++i) t[i] = QChar(Plain(text[i].unicode()));
  return t;
}

const QRegularExpression* CachedPattern(const QString& pattern) {
  static QHash<QString, QRegularExpression> cache;
  auto it = cache.find(pattern);
  if (it == cache.end()) it = cache.insert(pattern, QRegularExpression(pattern));
  return it->isValid() ? &*it : nullptr;
}

std::optional<double> NumberInPiece(const QString& piece, const QString& pattern) {
  const QString text = Normalised(TagsRemoved(piece));
  if (pattern.isEmpty()) return ParseFigureNumber(text);
  const QRegularExpression* re = CachedPattern(pattern);
  if (!re) return std::nullopt;
  const QRegularExpressionMatch m = re->match(text);
  if (!m.hasMatch()) return std::nullopt;
  const QString found =
      m.lastCapturedIndex() >= 1 && m.hasCaptured(1) ? m.captured(1) : m.captured(0);
  return ParseFigureNumber(found);
}

std::optional<double> ApplyMarkerRule(const FigureRule& rule, const QString& html) {
  qsizetype from = 0;
  for (int n = 0; n < kMaxOccurrences; ++n) {
    const qsizetype at = html.indexOf(rule.before, from);
    if (at < 0) return std::nullopt;
    const qsizetype start = at + rule.before.size();
    qsizetype end = start + kPieceWithoutAfter;
    if (!rule.after.isEmpty()) {
      end = html.indexOf(rule.after, start);
      if (end < 0) return std::nullopt;  // no later occurrence has one either
    }
    end = std::min({end, html.size(), start + kMaxPiece});
    if (const auto v = NumberInPiece(html.mid(start, end - start), rule.pattern)) return v;
    from = start;
  }
  return std::nullopt;
}

// "key": value in embedded data, with the quotes possibly escaped inside a script's string.
std::optional<double> ApplyKeyRule(const FigureRule& rule, const QString& html) {
  const QString quoted = u'"' + rule.key;
  qsizetype from = 0;
  for (int n = 0; n < kMaxOccurrences; ++n) {
    const qsizetype at = html.indexOf(quoted, from);
    if (at < 0) return std::nullopt;
    from = at + quoted.size();
    qsizetype i = from;
    const qsizetype size = html.size();
    if (i < size && html[i] == u'\\') ++i;
    if (i >= size || html[i] != u'"') continue;  // a longer name that begins the same
    ++i;
    while (i < size && html[i].isSpace()) ++i;
    if (i >= size || html[i] != u':') continue;
    ++i;
    while (i < size && html[i].isSpace()) ++i;
    bool quotedValue = false;
    if (i < size && html[i] == u'\\') ++i;
    if (i < size && html[i] == u'"') {
      quotedValue = true;
      ++i;
    }
    qsizetype end = i;
    while (end < size && end - i < 64) {
      const QChar c = html[end];
      if (quotedValue ? (c == u'"' || c == u'\\') : (c == u',' || c == u'}' || c == u']')) break;
      ++end;
    }
    const QString value = Normalised(QStringView(html).mid(i, end - i)).trimmed();
    qsizetype p = 0;
    if (const auto v = NumberAt(value, p)) return v;
  }
  return std::nullopt;
}

bool Plausible(Figure f, double v) {
  if (!std::isfinite(v)) return false;
  if (f == Figure::Price || f == Figure::PPrice) return v > 0 && v < 1e9;
  return v >= 0 && v <= kMaxCount;
}

double Rounded(Figure f, double v) {
  return f == Figure::Sales || f == Figure::Stock ? std::round(v) : v;
}

// ---- structured data

struct Structured {
  std::optional<double> offer;  // what the buyer pays
  std::optional<double> list;   // the price before a reduction
  std::optional<double> stock;

  static void Lower(std::optional<double>& slot, std::optional<double> v) {
    if (v && *v > 0 && (!slot || *v < *slot)) slot = v;
  }
};

std::optional<double> JsonNumber(const QJsonValue& v) {
  if (v.isDouble()) return v.toDouble();
  if (v.isString()) return ParseFigureNumber(v.toString());
  if (v.isObject()) return JsonNumber(v.toObject().value(u"value"_s));  // QuantitativeValue
  return std::nullopt;
}

void VisitJson(const QJsonValue& value, Structured& s, int depth);

void VisitOffer(const QJsonObject& offer, Structured& s) {
  Structured::Lower(s.offer, JsonNumber(offer.value(u"price"_s)));
  Structured::Lower(s.offer, JsonNumber(offer.value(u"lowPrice"_s)));
  const QJsonValue specs = offer.value(u"priceSpecification"_s);
  const QJsonArray list = specs.isArray() ? specs.toArray() : QJsonArray{specs};
  for (const QJsonValue& spec : list) {
    const QJsonObject o = spec.toObject();
    const QString type = o.value(u"priceType"_s).toString();
    if (type.contains(u"ListPrice"_s) || type.contains(u"StrikethroughPrice"_s))
      Structured::Lower(s.list, JsonNumber(o.value(u"price"_s)));
  }
  const QJsonValue inventory = offer.value(u"inventoryLevel"_s);
  if (!s.stock && !inventory.isUndefined()) s.stock = JsonNumber(inventory);
}

void VisitJson(const QJsonValue& value, Structured& s, int depth) {
  if (depth > kMaxDepth) return;
  if (value.isArray()) {
    for (const QJsonValue& v : value.toArray()) VisitJson(v, s, depth + 1);
    return;
  }
  if (!value.isObject()) return;
  const QJsonObject o = value.toObject();
  const QJsonValue offers = o.value(u"offers"_s);
  if (offers.isObject()) VisitOffer(offers.toObject(), s);
  if (offers.isArray())
    for (const QJsonValue& offer : offers.toArray()) VisitOffer(offer.toObject(), s);
  for (auto it = o.begin(); it != o.end(); ++it)
    if (it.key() != u"offers"_s) VisitJson(it.value(), s, depth + 1);
}

void ReadJsonLd(const QString& html, Structured& s) {
  static const QString kType = u"application/ld+json"_s;
  qsizetype from = 0;
  for (int n = 0; n < kMaxOccurrences; ++n) {
    const qsizetype at = html.indexOf(kType, from, Qt::CaseInsensitive);
    if (at < 0) return;
    const qsizetype open = html.indexOf(u'>', at);
    const qsizetype close = open < 0 ? -1 : html.indexOf(u"</script"_s, open, Qt::CaseInsensitive);
    if (close < 0) return;
    // A script's text stands in the document as it is, without entities.
    const QJsonDocument doc =
        QJsonDocument::fromJson(QStringView(html).mid(open + 1, close - open - 1).toUtf8());
    VisitJson(doc.isArray() ? QJsonValue(doc.array()) : QJsonValue(doc.object()), s, 0);
    from = close;
  }
}

QString AttributeOf(QStringView tag, QStringView name) {
  static const QRegularExpression attr(u"([A-Za-z_:][-A-Za-z0-9_:.]*)\\s*=\\s*\"([^\"]*)\""_s);
  for (const QRegularExpressionMatch& m : attr.globalMatch(tag))
    if (m.capturedView(1).compare(name, Qt::CaseInsensitive) == 0)
      return DecodeEntities(m.captured(2));
  return {};
}

// Price meta tags (Open Graph and product properties) and microdata prices.
void ReadPriceTags(const QString& html, Structured& s) {
  for (const QString& opening : {u"<meta"_s, u"itemprop=\"price\""_s, u"itemprop=\"lowPrice\""_s}) {
    qsizetype from = 0;
    for (int n = 0; n < 4 * kMaxOccurrences; ++n) {
      qsizetype at = html.indexOf(opening, from, Qt::CaseInsensitive);
      if (at < 0) break;
      if (!opening.startsWith(u'<')) at = html.lastIndexOf(u'<', at);
      const qsizetype end = at < 0 ? -1 : html.indexOf(u'>', at);
      if (end < 0) break;
      from = end;
      const QStringView tag = QStringView(html).mid(at, end - at);
      QString name = AttributeOf(tag, u"property");
      if (name.isEmpty()) name = AttributeOf(tag, u"name");
      if (name.isEmpty()) name = AttributeOf(tag, u"itemprop");
      name = name.toLower();
      if (!name.contains(u"price"_s) || name.contains(u"currency"_s)) continue;
      const std::optional<double> v = ParseFigureNumber(AttributeOf(tag, u"content"));
      if (name.contains(u"original"_s) || name.contains(u"list"_s) || name.contains(u"regular"_s))
        Structured::Lower(s.list, v);
      else
        Structured::Lower(s.offer, v);
    }
  }
}

}  // namespace

int PageFigures::Count() const {
  int n = 0;
  for (const auto& v : values) n += v ? 1 : 0;
  return n;
}

std::optional<double> ParseFigureNumber(QStringView text) {
  const QString t = Normalised(text);
  for (qsizetype i = 0; i < t.size(); ++i) {
    std::optional<double> first = NumberAt(t, i);
    if (!first) continue;
    // A range: the lower end.
    qsizetype j = i;
    while (j < t.size() && t[j] == u' ') ++j;
    if (j < t.size() && IsRangeSign(t[j].unicode())) {
      ++j;
      while (j < t.size() && (t[j] == u' ' || IsCurrency(t[j].unicode()))) ++j;
      if (const std::optional<double> second = NumberAt(t, j)) return std::min(*first, *second);
    }
    return first;
  }
  return std::nullopt;
}

std::optional<double> ApplyRule(const FigureRule& rule, const QString& html) {
  if (!RuleProblem(rule).isEmpty()) return std::nullopt;
  return rule.isKeyRule() ? ApplyKeyRule(rule, html) : ApplyMarkerRule(rule, html);
}

PageFigures ReadStructuredFigures(const QString& html) {
  Structured s;
  ReadJsonLd(html, s);
  if (!s.offer && !s.list) ReadPriceTags(html, s);
  PageFigures f;
  if (s.list) f.Set(Figure::Price, *s.list, FigureSource::Structured);
  if (s.offer) f.Set(Figure::PPrice, *s.offer, FigureSource::Structured);
  if (s.stock) f.Set(Figure::Stock, *s.stock, FigureSource::Structured);
  return f;
}

PageFigures ReadFigures(const QString& html, PageKind kind, const FigureRules& rules,
                        bool structured) {
  PageFigures f;
  if (structured) {
    const PageFigures s = ReadStructuredFigures(html);
    for (int i = 0; i < kFigures; ++i) {
      const Figure fig = Figure(i);
      if (s.Has(fig) && Plausible(fig, *s[fig]))
        f.Set(fig, Rounded(fig, *s[fig]), FigureSource::Structured);
    }
  }
  for (int i = 0; i < kFigures; ++i) {
    const Figure fig = Figure(i);
    if (f.Has(fig)) continue;
    for (const FigureRule& rule : rules.of(kind, fig)) {
      const std::optional<double> v = ApplyRule(rule, html);
      if (v && Plausible(fig, *v)) {
        f.Set(fig, Rounded(fig, *v), FigureSource::Rule);
        break;
      }
    }
  }
  if (!f.Has(Figure::PPrice) && f.Has(Figure::Price))
    f.Set(Figure::PPrice, *f[Figure::Price], FigureSource::OtherPrice);
  if (!f.Has(Figure::Price) && f.Has(Figure::PPrice) &&
      f.sources[int(Figure::PPrice)] == FigureSource::Structured)
    f.Set(Figure::Price, *f[Figure::PPrice], FigureSource::OtherPrice);
  return f;
}

QString DescribeFigures(const PageFigures& figures) {
  QStringList parts;
  for (int i = 0; i < kFigures; ++i) {
    const Figure fig = Figure(i);
    QString text = u"—"_s;
    if (figures.Has(fig)) {
      text = fig == Figure::Price || fig == Figure::PPrice ? QString::number(*figures[fig], 'f', 2)
                                                           : QString::number(qint64(*figures[fig]));
    }
    parts << FigureName(fig) + u' ' + text;
  }
  return parts.join(u"，"_s);
}

}  // namespace lanxi
