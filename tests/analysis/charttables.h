#pragma once

#include <QImage>
#include <QString>
#include <QStringList>
#include <vector>

#include "tables/grid.h"
#include "tables/gridoperate.h"

// Chart tables as the statistics lay them out: fields, captions, then serial, label and series.
namespace lanxi::test {

// From "1 2|3 4": two series "系列1" and "系列2" of two rows labelled d1 and d2.
inline void MakeChartTable(Grid& g, const QString& spec,
                           const QString& title = QStringLiteral("标题")) {
  std::vector<QStringList> columns;
  for (const QString& column : spec.split(u'|')) columns.push_back(column.split(u' '));
  QStringList fields{QString(), QStringLiteral("Dat")},
      titles{QStringLiteral("序号"), QStringLiteral("日期")};
  for (size_t c = 0; c < columns.size(); ++c) {
    fields << QStringLiteral("V%1").arg(c);
    titles << QStringLiteral("系列%1").arg(c + 1);
  }
  SetupGridColumns(g, fields, titles);
  g.SetRows(2 + int(columns[0].size()));
  for (int r = 0; r < int(columns[0].size()); ++r) {
    g.SetTextMatrix(r + 2, 0, QString::number(r + 1));
    g.SetTextMatrix(r + 2, 1, QStringLiteral("d%1").arg(r + 1));
    for (size_t c = 0; c < columns.size(); ++c)
      g.SetTextMatrix(r + 2, int(c) + 2, columns[c].value(r));
  }
  g.SetTag(title);
}

// The bounding box of the pixels that are not white.
inline QRect Inked(const QImage& image) {
  QRect box;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (image.pixel(x, y) != qRgb(255, 255, 255)) box |= QRect(x, y, 1, 1);
  return box;
}

}  // namespace lanxi::test
