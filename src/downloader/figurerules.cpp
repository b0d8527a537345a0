#include "downloader/figurerules.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include "common/programfolder.h"
#include "storage/connection.h"
#include "storage/dberror.h"
#include "storage/schema.h"
#include "storage/settings.h"

using namespace Qt::StringLiterals;

namespace lanxi {
namespace {

struct RuleKeys {
  const char16_t* key;
  const char16_t* fallback;
};

// By page kind, then figure.
constexpr RuleKeys kRuleKeys[kPageKinds][kFigures] = {
    {{ParamKey::MarketPriceRules, ParamDefault::MarketPriceRules},
     {ParamKey::MarketPromoRules, ParamDefault::MarketPromoRules},
     {ParamKey::MarketSalesRules, ParamDefault::MarketSalesRules},
     {ParamKey::MarketStockRules, ParamDefault::MarketStockRules}},
    {{ParamKey::MallPriceRules, ParamDefault::MallPriceRules},
     {ParamKey::MallPromoRules, ParamDefault::MallPromoRules},
     {ParamKey::MallSalesRules, ParamDefault::MallSalesRules},
     {ParamKey::MallStockRules, ParamDefault::MallStockRules}},
};

FigureRuleList DefaultList(int kind, int figure) {
  FigureRuleList rules;
  RulesFromText(QString::fromUtf16(kRuleKeys[kind][figure].fallback), &rules);
  return rules;
}

}  // namespace

QString PageKindName(PageKind kind) {
  return kind == PageKind::Mall ? u"商城"_s : u"淘宝"_s;
}

QString FigureName(Figure figure) {
  switch (figure) {
    case Figure::Price:
      return u"原价"_s;
    case Figure::PPrice:
      return u"促销价"_s;
    case Figure::Sales:
      return u"销量"_s;
    case Figure::Stock:
      return u"库存"_s;
  }
  return {};
}

QString RulesKey(PageKind kind, Figure figure) {
  return QString::fromUtf16(kRuleKeys[int(kind)][int(figure)].key);
}

FigureRules FigureRules::Defaults() {
  FigureRules rules;
  for (int k = 0; k < kPageKinds; ++k)
    for (int f = 0; f < kFigures; ++f) rules.lists[k][f] = DefaultList(k, f);
  return rules;
}

QString RuleProblem(const FigureRule& rule) {
  if (rule.key.isEmpty() && rule.before.isEmpty()) return u"规则既没有数据键，也没有前标记"_s;
  if (!rule.key.isEmpty()) return {};
  if (!rule.pattern.isEmpty() && !QRegularExpression(rule.pattern).isValid())
    return u"数字格式“"_s + rule.pattern + u"”不是有效的正则表达式"_s;
  return {};
}

QString RulesToText(const FigureRuleList& rules) {
  QJsonArray array;
  for (const FigureRule& r : rules) {
    QJsonObject o;
    if (r.isKeyRule()) {
      o.insert(u"key"_s, r.key);
    } else {
      o.insert(u"before"_s, r.before);
      o.insert(u"after"_s, r.after);
      if (!r.pattern.isEmpty()) o.insert(u"pattern"_s, r.pattern);
    }
    array.append(o);
  }
  return QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Compact));
}

bool RulesFromText(const QString& text, FigureRuleList* out, QString* error) {
  out->clear();
  QJsonParseError parse{};
  const QJsonDocument doc = QJsonDocument::fromJson(text.toUtf8(), &parse);
  const auto fail = [&](const QString& why) {
    out->clear();
    if (error) *error = why;
    return false;
  };
  if (parse.error != QJsonParseError::NoError || !doc.isArray())
    return fail(u"不是规则列表（JSON 数组）"_s);
  for (const QJsonValue& v : doc.array()) {
    if (!v.isObject()) return fail(u"列表中有一项不是规则"_s);
    const QJsonObject o = v.toObject();
    FigureRule r{o.value(u"key"_s).toString(), o.value(u"before"_s).toString(),
                 o.value(u"after"_s).toString(), o.value(u"pattern"_s).toString()};
    if (const QString problem = RuleProblem(r); !problem.isEmpty()) return fail(problem);
    out->push_back(std::move(r));
  }
  return true;
}

DownloadSettings LoadDownloadSettings() {
  // All keys in one reading, on a handle of its own: nothing is kept open on the catalogue while
  // the run goes on, and a catalogue that cannot be read shows no message per key.
  QHash<QString, QString> stored;
  DownloadSettings s;
  {
    const QString path = ProgramFile(QString::fromUtf16(kCatalogFile));
    Connection conn;
    if (conn.open(path, Connection::Mode::Private)) {
      Statement rows(conn, u"SELECT Var,Con FROM 参数"_s);
      while (rows.next())
        stored.insert(rows.value(0, Value::Type::Text).toString().toLower(),
                      rows.value(1, Value::Type::Text).toString().trimmed());
    }
    if (!conn.isOpen() || !conn.lastError().isEmpty())
      s.problems << u"无法读取数据库目录 PARA.mdb 中的设置："_s +
                        DbFailureReason(conn.lastErrorCode(), path) + u"下载时使用默认设置。"_s;
  }
  const auto setting = [&](const char16_t* key, const char16_t* fallback = u"") {
    const QString value = stored.value(QString::fromUtf16(key).toLower());
    return value.isEmpty() ? QString::fromUtf16(fallback) : value;
  };
  bool ok = false;
  const double delay = setting(ParamKey::DownloadDelay).toDouble(&ok);
  // Within the bounds the settings window allows; a value typed into the table by hand
  // outside them is not used.
  s.delaySeconds = ok && delay >= 0 && delay <= kMaxDelaySeconds
                       ? delay
                       : QString::fromUtf16(ParamDefault::DownloadDelay).toDouble();
  const int wait = setting(ParamKey::DownloadWait).toInt(&ok);
  s.waitSeconds = ok && wait > 0 && wait <= kMaxWaitSeconds
                      ? wait
                      : QString::fromUtf16(ParamDefault::DownloadWait).toInt();
  s.structured = setting(ParamKey::DownloadNoStructured).isEmpty();
  s.loginMarkers = setting(ParamKey::DownloadLoginMarker, ParamDefault::DownloadLoginMarker)
                       .split(u'|', Qt::SkipEmptyParts);
  s.places.itemHosts = {setting(ParamKey::MallItemHost, ParamDefault::MallItemHost),
                        setting(ParamKey::MarketItemHost, ParamDefault::MarketItemHost),
                        setting(ParamKey::MallDetailHost, ParamDefault::MallDetailHost)};
  for (int k = 0; k < kPageKinds; ++k) {
    for (int f = 0; f < kFigures; ++f) {
      const QString text = setting(kRuleKeys[k][f].key);
      QString why;
      if (text.isEmpty() || !RulesFromText(text, &s.rules.lists[k][f], &why)) {
        s.rules.lists[k][f] = DefaultList(k, f);
        if (!text.isEmpty())
          s.problems << u"设置“"_s + QString::fromUtf16(kRuleKeys[k][f].key) + u"”无法使用（"_s +
                            why + u"），已改用默认规则。"_s;
      }
    }
  }
  return s;
}

bool SaveDownloadSettings(const DownloadSettings& settings) {
  const FigureRules defaults = FigureRules::Defaults();
  bool ok =
      SetParam(QString::fromUtf16(ParamKey::DownloadDelay),
               QString::number(settings.delaySeconds)) &&
      SetParam(QString::fromUtf16(ParamKey::DownloadWait), QString::number(settings.waitSeconds)) &&
      SetParam(QString::fromUtf16(ParamKey::DownloadNoStructured),
               settings.structured ? QString() : u"√"_s) &&
      SetParam(QString::fromUtf16(ParamKey::DownloadLoginMarker), settings.loginMarkers.join(u'|'));
  for (int k = 0; ok && k < kPageKinds; ++k) {
    for (int f = 0; ok && f < kFigures; ++f) {
      const FigureRuleList& list = settings.rules.lists[k][f];
      ok = SetParam(QString::fromUtf16(kRuleKeys[k][f].key),
                    list == defaults.lists[k][f] ? QString() : RulesToText(list));
    }
  }
  return ok;
}

}  // namespace lanxi
