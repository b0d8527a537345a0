#include "demodata.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <array>
#include <cmath>
#include <vector>

#include "common/programfolder.h"
#include "storage/catalogue.h"
#include "storage/databasecopy.h"
#include "storage/schema.h"

using namespace Qt::StringLiterals;

namespace lanxi::demo {
namespace {

// SplitMix64: small, fast and the same on every platform (the standard distributions are not).
class Random {
 public:
  explicit Random(quint64 seed) : state_(seed) {}
  quint64 next() {
    quint64 z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  double unit() { return double(next() >> 11) * (1.0 / 9007199254740992.0); }      // [0, 1)
  int between(int lo, int hi) { return lo + int(next() % quint64(hi - lo + 1)); }  // [lo, hi]
  bool chance(double p) { return unit() < p; }
  template <typename T, size_t N>
  const T& pick(const std::array<T, N>& items) {
    return items[next() % N];
  }

 private:
  quint64 state_;
};

using Words = std::array<const char16_t*, 10>;

constexpr Words kItems = {u"连衣裙", u"T恤",  u"衬衫", u"针织衫", u"牛仔裤",
                          u"半身裙", u"外套", u"卫衣", u"羽绒服", u"风衣"};
constexpr std::array<const char16_t*, 4> kSeasons = {u"春季", u"夏季", u"秋季", u"冬季"};
constexpr std::array<const char16_t*, 8> kStyles = {u"韩版", u"欧美", u"日系", u"复古",
                                                    u"简约", u"甜美", u"通勤", u"休闲"};
constexpr std::array<const char16_t*, 6> kFabrics = {u"纯棉", u"雪纺", u"真丝",
                                                     u"羊毛", u"涤纶", u"亚麻"};
constexpr std::array<const char16_t*, 6> kFits = {u"修身", u"宽松", u"显瘦",
                                                  u"百搭", u"加厚", u"薄款"};
constexpr std::array<const char16_t*, 4> kSleeves = {u"长袖", u"短袖", u"七分袖", u"无袖"};
constexpr std::array<const char16_t*, 6> kPrefixes = {u"新款",     u"春装新品", u"夏季新品",
                                                      u"秋冬新款", u"特价",     u"包邮"};
constexpr Words kShopHeads = {u"依然", u"小雅", u"柒月", u"木子", u"蓝调",
                              u"优品", u"衣香", u"云朵", u"暖阳", u"初见"};
constexpr std::array<const char16_t*, 4> kShopTails = {u"服饰", u"女装", u"时尚馆", u"精品店"};
constexpr Words kRegions = {u"浙江 杭州", u"广东 广州", u"上海",      u"北京",      u"江苏 苏州",
                            u"福建 泉州", u"广东 深圳", u"浙江 宁波", u"湖北 武汉", u"四川 成都"};
constexpr std::array<const char16_t*, 5> kCategoryNames = {u"品类", u"季节", u"风格", u"价位",
                                                           u"面料"};

QString S(const char16_t* text) {
  return QString::fromUtf16(text);
}

struct Product {
  double price = 0;       // list price
  double discount = 1;    // promotional price / list price
  double popularity = 0;  // expected sales a day
  qint64 stock = 0;
  qint64 restockTo = 0;
};

void SetError(QString* error, const QString& text) {
  if (error) *error = text;
}

}  // namespace

bool FillTrackingDatabase(Connection& conn, const Spec& spec, Result* result, QString* error) {
  Random rnd(spec.seed);
  const QDate last = spec.lastDay.isValid() ? spec.lastDay : QDate::currentDate();
  const QDate first = last.addDays(-(spec.days - 1));

  Transaction tx(conn);
  if (!tx.isActive()) {
    SetError(error, conn.lastError());
    return false;
  }
  // Display names of the categories in use, keyed by their internal captions "分类1" ….
  conn.exec(u"DELETE FROM Para WHERE CID=1"_s);
  for (int i = 0; i < int(kCategoryNames.size()); ++i) {
    conn.exec(u"INSERT INTO Para(CID,Name,Con) VALUES(1,?,?)"_s,
              {u"分类"_s + QString::number(i + 1), S(kCategoryNames[i])});
  }

  std::vector<Product> products;
  std::vector<qint64> ids;
  QSet<quint64> tids;
  {
    Statement insert(conn,
                     u"INSERT INTO Product(WID,Name,CName,Url,TID,Pic,Shop,Owner,Region,TMall,"
                     "C0,C1,C2,C3,C4) VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)"_s);
    for (int p = 0; p < spec.products; ++p) {
      quint64 tid;
      do {
        tid = 10000000000ull + rnd.next() % 89999999999ull;
      } while (tids.contains(tid));
      tids.insert(tid);
      const bool mall = rnd.chance(0.3);
      const QString item = S(rnd.pick(kItems));
      const QString style = S(rnd.pick(kStyles));
      const QString fit = S(rnd.pick(kFits));
      const QString fabric = S(rnd.pick(kFabrics));
      const QString season = S(rnd.pick(kSeasons));
      const QString name = style + fit + item;
      const QString cname = S(rnd.pick(kPrefixes)) + u' ' + season.left(1) + u"装"_s + style +
                            fabric + fit + S(rnd.pick(kSleeves)) + item;
      const QString shopHead = S(rnd.pick(kShopHeads));
      const QString shop = shopHead + (mall ? u"旗舰店"_s : S(rnd.pick(kShopTails)));
      const QString owner = mall ? shopHead + u"官方"_s
                                 : shopHead + u"的小店"_s + QString::number(rnd.between(1, 99));
      const QString id = QString::number(tid);
      const QString url = (mall ? u"http://detail.tmall.com/item.htm?id="_s
                                : u"http://item.taobao.com/item.htm?id="_s) +
                          id;
      Product pr;
      pr.price = rnd.between(39, 599) - (rnd.chance(0.5) ? 0.1 : 0.0);
      pr.discount = 0.6 + 0.4 * rnd.unit();
      pr.popularity = std::pow(rnd.unit(), 2.0) * 150.0 + 1.0;
      pr.restockTo = rnd.between(300, 5000);
      pr.stock = pr.restockTo;
      const QString band = pr.price < 100 ? u"低价"_s : pr.price < 300 ? u"中价"_s : u"高价"_s;
      insert.reset();
      insert.bind({Value(rnd.between(10000, 999999)), name, cname, url, id,
                   u"http://img.taobao.com/bao/uploaded/i1/"_s + id + u".jpg"_s, shop, owner,
                   S(rnd.pick(kRegions)), Value(mall), item, season, style, band, fabric});
      if (!insert.run()) {
        SetError(error, conn.lastError());
        return false;
      }
      ids.push_back(conn.lastInsertRowId());
      products.push_back(pr);
    }
  }

  // Figures day by day, as the downloader appends them. The indexes are built afterwards,
  // which is several times faster than keeping them up to date row by row.
  conn.exec(u"DROP INDEX IF EXISTS PInfo_PID_Dat; DROP INDEX IF EXISTS PInfo_Dat"_s);
  qint64 rows = 0;
  {
    Statement insert(conn,
                     u"INSERT INTO PInfo(PID,Dat,Price,PPrice,Sales,Stock) VALUES(?,?,?,?,?,?)"_s);
    for (QDate day = first; day <= last; day = day.addDays(1)) {
      const QString dat = Value::IsoDate(day);
      const double season = 1.0 + 0.3 * std::sin(day.dayOfYear() / 365.0 * 2 * M_PI);
      const double weekend = day.dayOfWeek() >= 6 ? 1.25 : 1.0;
      for (size_t p = 0; p < products.size(); ++p) {
        Product& pr = products[p];
        if (rnd.next() % 1000 < quint64(spec.missingPerMille)) continue;
        if (rnd.chance(0.03))
          pr.price = std::max(9.9, std::round(pr.price * (0.93 + 0.14 * rnd.unit())));
        if (rnd.chance(0.08)) pr.discount = 0.5 + 0.5 * rnd.unit();
        const double promo = std::round(pr.price * pr.discount * 100.0) / 100.0;
        const double demand =
            pr.popularity * season * weekend * (1.6 - pr.discount) * (0.5 + rnd.unit());
        qint64 sales = std::min<qint64>(qint64(demand), pr.stock);
        pr.stock -= sales;
        if (pr.stock < pr.restockTo / 10 && rnd.chance(0.5)) pr.stock = pr.restockTo;
        insert.reset();
        insert.bind({Value(ids[p]), dat, pr.price, std::min(promo, pr.price), sales, pr.stock});
        if (!insert.run()) {
          SetError(error, conn.lastError());
          return false;
        }
        ++rows;
      }
    }
  }
  if (!conn.exec(u"CREATE INDEX PInfo_PID_Dat ON PInfo(PID, Dat);"
                 "CREATE INDEX PInfo_Dat ON PInfo(Dat)"_s) ||
      !tx.commit()) {
    SetError(error, conn.lastError());
    return false;
  }
  if (result) {
    result->products = qint64(products.size());
    result->figureRows = rows;
  }
  return true;
}

bool GenerateCataloguedDatabase(const QString& catalogPath, const Spec& spec, Result* result,
                                QString* error) {
  const QString folder = QFileInfo(catalogPath).absolutePath();
  Connection catalog;
  if (!catalog.open(catalogPath)) {
    SetError(error, u"无法打开目录数据库 "_s + catalogPath + u": "_s + catalog.lastError());
    return false;
  }
  // The template's copy (or a new tracking database when there is no template), filled before
  // it is catalogued.
  const QString templ = FileInFolder(folder, QString::fromUtf16(kTemplateFile));
  Result local;
  const auto make = [&](const QString& to) {
    // A fresh copy of the template rather than its bytes: a template written with the old 1 KB
    // pages still gives a database with the current page size.
    const bool made = QFileInfo::exists(templ)
                          ? CopyDatabase(templ, to, error)
                          : WriteDatabaseFile(to, DatabaseKind::Tracking, error);
    Connection conn;
    return made && conn.open(to) && FillTrackingDatabase(conn, spec, &local, error);
  };
  Registration reg;
  if (!RegisterDatabase(catalog, folder, spec.name, make, &reg)) {
    using Failure = Registration::Failure;
    if (reg.failure == Failure::NoFreeFile) {
      SetError(error, u"文件“"_s + reg.conflict + u"”冲突"_s);
    } else if (reg.failure != Failure::Source || (error && error->isEmpty())) {
      SetError(error, u"数据库“"_s + spec.name + u"”无法登记: "_s + reg.reason);
    }
    return false;
  }
  local.fileName = reg.path.mid(reg.path.lastIndexOf(u'/') + 1);
  local.dat = reg.dat;
  if (result) *result = local;
  return true;
}

bool SetDefaultDatabase(const QString& catalogPath, const QString& name) {
  Connection catalog;
  if (!catalog.open(catalogPath)) return false;
  Transaction tx(catalog);
  const QString key = u"默认数据库"_s;
  bool ok = catalog.exec(u"UPDATE Def SET Con=? WHERE Var=?"_s, {name, key});
  if (ok && catalog.changes() == 0)
    ok = catalog.exec(u"INSERT INTO Def(Var,Con) VALUES(?,?)"_s, {key, name});
  return ok && tx.commit();
}

int CatalogueSize(const QString& catalogPath) {
  Connection catalog;
  if (!catalog.open(catalogPath)) return -1;
  Statement s(catalog, u"SELECT COUNT(*) FROM DBInfo"_s);
  return s.next() ? int(s.value(0).toInt()) : -1;
}

}  // namespace lanxi::demo
