#pragma once

#include <QDate>
#include <QImage>
#include <QString>
#include <QStringList>
#include <cmath>
#include <vector>

#include "tables/grid.h"
#include "tables/gridoperate.h"

// Chart tables as the statistics lay them out: row 0 the fields, row 1 the captions, column 0
// the serial number "序号", column 1 the labels along the bottom axis, the series after them.
namespace lanxi::test {

struct ChartRow {
  QString label;
  QStringList cells;
};

inline void MakeChartTable(Grid& g, const QStringList& captions, const std::vector<ChartRow>& rows,
                           const QString& title = {}) {
  QStringList fields{QString(), QStringLiteral("Dat")},
      titles{QStringLiteral("序号"), QStringLiteral("日期")};
  for (int i = 0; i < captions.size(); ++i) {
    fields << QStringLiteral("V%1").arg(i);
    titles << captions[i];
  }
  SetupGridColumns(g, fields, titles);
  g.SetRows(2 + int(rows.size()));
  for (int r = 0; r < int(rows.size()); ++r) {
    g.SetTextMatrix(r + 2, 0, QString::number(r + 1));
    g.SetTextMatrix(r + 2, 1, rows[r].label);
    for (int c = 0; c < rows[r].cells.size(); ++c) g.SetTextMatrix(r + 2, c + 2, rows[r].cells[c]);
  }
  g.SetTag(title);
}

// `days` daily rows from 2023-01-01 of `series` smooth, positive series of different levels
// (the first around 1000, the others around 100 and 80), values with two decimals.
inline std::vector<ChartRow> DailyRows(int days, int series) {
  std::vector<ChartRow> rows;
  const QDate first(2023, 1, 1);
  for (int d = 0; d < days; ++d) {
    ChartRow row{first.addDays(d).toString(QStringLiteral("yyyy-MM-dd")), {}};
    for (int s = 0; s < series; ++s) {
      const double level = s == 0 ? 1000 : 120 - 20 * s;
      const double v = level * (1 + 0.2 * std::sin(d / 9.0 + s) + 0.05 * std::cos(d * 1.7));
      row.cells << QString::number(v, 'f', 2);
    }
    rows.push_back(row);
  }
  return rows;
}

// The number of pixels that are not white.
inline int InkedPixels(const QImage& image) {
  int n = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) n += image.pixel(x, y) != qRgb(255, 255, 255);
  return n;
}

}  // namespace lanxi::test
