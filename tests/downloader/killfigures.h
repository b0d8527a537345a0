#pragma once

#include <QDate>
#include <QString>
#include <array>

// The figures of the crash test: every product, day and version has its own, so a row that
// mixed two writes would show.
namespace lanxi::test {

inline constexpr int kKillProducts = 12;
inline const QDate kKillFirstDay{2024, 1, 1};

// Price, promotional price, sales, stock.
inline std::array<double, 4> KillFigures(qint64 pid, int day, int version) {
  const double key = double(pid) * 100000 + day * 10 + version;
  return {key + 0.5, key + 0.25, key, key + 7};
}

inline QString KillItem(qint64 pid) {
  return QStringLiteral("http://shop.test/item.htm?id=") + QString::number(pid);
}

// A marketplace item page showing the figures, read by the default rules.
inline QString KillPage(const std::array<double, 4>& f) {
  return QStringLiteral(
             "<html><body><div id=\"J_StrPriceModBox\"><em>%1</em></div>"
             "<em id=\"J_PromoPriceNum\">%2</em><strong id=\"J_SellCounter\">%3</strong>"
             "<span id=\"J_SpanStock\">库存%4件</span></body></html>")
      .arg(f[0], 0, 'f', 2)
      .arg(f[1], 0, 'f', 2)
      .arg(qint64(f[2]))
      .arg(qint64(f[3]));
}

}  // namespace lanxi::test
