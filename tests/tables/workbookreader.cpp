#include "workbookreader.h"

#include <zlib.h>
#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QXmlStreamReader>
#include <vector>

using namespace Qt::StringLiterals;

namespace lanxi::test {
namespace {

quint32 U16(const QByteArray& b, qsizetype at) {
  return quint8(b[at]) | quint32(quint8(b[at + 1])) << 8;
}
quint32 U32(const QByteArray& b, qsizetype at) {
  return U16(b, at) | U16(b, at + 2) << 16;
}

QByteArray Inflate(const QByteArray& in, qsizetype size) {
  QByteArray out(size, Qt::Uninitialized);
  z_stream z{};
  if (inflateInit2(&z, -MAX_WBITS) != Z_OK) return {};
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.constData()));
  z.avail_in = uInt(in.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = uInt(out.size());
  const int rc = inflate(&z, Z_FINISH);
  inflateEnd(&z);
  return rc == Z_STREAM_END ? out : QByteArray();
}

// OOXML writes characters XML cannot carry as _xHHHH_.
QString Unescape(QString s) {
  static const QRegularExpression esc(u"_x([0-9A-Fa-f]{4})_"_s);
  QString out;
  qsizetype last = 0;
  for (auto it = esc.globalMatch(s); it.hasNext();) {
    const auto m = it.next();
    out += QStringView(s).mid(last, m.capturedStart() - last);
    out += QChar(char16_t(m.captured(1).toUShort(nullptr, 16)));
    last = m.capturedEnd();
  }
  out += QStringView(s).mid(last);
  return out;
}

// Column and row numbers of a reference like "AD12".
std::pair<int, int> ParseRef(const QString& ref) {
  int col = 0, i = 0;
  while (i < ref.size() && ref[i].isLetter()) col = col * 26 + (ref[i++].unicode() - u'A' + 1);
  return {col, ref.mid(i).toInt()};
}

// All text inside the current element (rich-text runs joined), leaving the reader at its end.
QString TextOf(QXmlStreamReader& x) {
  QString text;
  int depth = 1;
  while (depth > 0 && !x.atEnd()) {
    x.readNext();
    if (x.isStartElement()) {
      ++depth;
      if (x.name() == u"t"_s) {
        text += x.readElementText();
        --depth;
      }
    } else if (x.isEndElement()) {
      --depth;
    }
  }
  return Unescape(text);
}

}  // namespace

QMap<QString, QByteArray> ReadZip(const QString& path) {
  QMap<QString, QByteArray> entries;
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return entries;
  const QByteArray z = f.readAll();
  qsizetype eocd = -1;
  for (qsizetype i = z.size() - 22; i >= 0 && i >= z.size() - 65557; --i) {
    if (U32(z, i) == 0x06054b50) {
      eocd = i;
      break;
    }
  }
  if (eocd < 0) return entries;
  const int count = int(U16(z, eocd + 10));
  qsizetype at = U32(z, eocd + 16);
  for (int k = 0; k < count && at + 46 <= z.size(); ++k) {
    if (U32(z, at) != 0x02014b50) return {};
    const quint32 method = U16(z, at + 10), packed = U32(z, at + 20), size = U32(z, at + 24);
    const quint32 nameLen = U16(z, at + 28), extraLen = U16(z, at + 30),
                  commentLen = U16(z, at + 32);
    const quint32 local = U32(z, at + 42);
    const QString name = QString::fromUtf8(z.mid(at + 46, nameLen));
    const qsizetype data = local + 30 + U16(z, local + 26) + U16(z, local + 28);
    const QByteArray raw = z.mid(data, packed);
    entries.insert(name, method == 0 ? raw : Inflate(raw, size));
    at += 46 + nameLen + extraLen + commentLen;
  }
  return entries;
}

WorkbookSheet ReadFirstSheet(const QString& path) {
  WorkbookSheet sheet;
  const auto zip = ReadZip(path);
  if (!zip.contains(u"xl/workbook.xml"_s) || !zip.contains(u"xl/worksheets/sheet1.xml"_s)) {
    sheet.error = u"not an xlsx workbook: "_s + path;
    return sheet;
  }
  {
    QXmlStreamReader x(zip[u"xl/workbook.xml"_s]);
    while (!x.atEnd() && sheet.name.isEmpty()) {
      if (x.readNext() == QXmlStreamReader::StartElement && x.name() == u"sheet"_s)
        sheet.name = x.attributes().value(u"name"_s).toString();
    }
  }
  QStringList shared;
  {
    QXmlStreamReader x(zip.value(u"xl/sharedStrings.xml"_s));
    while (!x.atEnd()) {
      if (x.readNext() == QXmlStreamReader::StartElement && x.name() == u"si"_s)
        shared << TextOf(x);
    }
  }
  // Styles: what each cell format (xf) index stands for.
  std::vector<bool> boldFonts;
  QStringList fills;
  std::vector<bool> thinBorders;
  struct Xf {
    int font = 0, fill = 0, border = 0, numFmt = 0;
  };
  // Number formats by id: the built-in ones a writer refers to, then the workbook's own.
  QHash<int, QString> numFmts{{0, u"General"_s},        {1, u"0"_s},        {2, u"0.00"_s},
                              {3, u"#,##0"_s},          {4, u"#,##0.00"_s}, {14, u"m/d/yyyy"_s},
                              {22, u"m/d/yyyy h:mm"_s}, {49, u"@"_s}};
  std::vector<Xf> xfs;
  {
    QXmlStreamReader x(zip.value(u"xl/styles.xml"_s));
    QString section;
    int sides = 0;
    while (!x.atEnd()) {
      x.readNext();
      if (x.isStartElement()) {
        const auto n = x.name();
        if (n == u"fonts"_s || n == u"fills"_s || n == u"borders"_s || n == u"cellXfs"_s ||
            n == u"cellStyleXfs"_s) {
          section = n.toString();
        } else if (section == u"fonts"_s && n == u"font"_s) {
          boldFonts.push_back(false);
        } else if (section == u"fonts"_s && n == u"b"_s) {
          boldFonts.back() = true;
        } else if (section == u"fills"_s && n == u"fill"_s) {
          fills << QString();
        } else if (section == u"fills"_s && n == u"fgColor"_s) {
          fills.last() = x.attributes().value(u"rgb"_s).toString();
        } else if (section == u"borders"_s && n == u"border"_s) {
          sides = 0;
        } else if (section == u"borders"_s &&
                   (n == u"left"_s || n == u"right"_s || n == u"top"_s || n == u"bottom"_s)) {
          if (x.attributes().value(u"style"_s) == u"thin"_s) ++sides;
        } else if (section == u"cellXfs"_s && n == u"xf"_s) {
          const auto a = x.attributes();
          xfs.push_back({a.value(u"fontId"_s).toInt(), a.value(u"fillId"_s).toInt(),
                         a.value(u"borderId"_s).toInt(), a.value(u"numFmtId"_s).toInt()});
        } else if (n == u"numFmt"_s) {
          const auto a = x.attributes();
          numFmts[a.value(u"numFmtId"_s).toInt()] = a.value(u"formatCode"_s).toString();
        }
      } else if (x.isEndElement() && section == u"borders"_s && x.name() == u"border"_s) {
        thinBorders.push_back(sides == 4);
      }
    }
  }
  QXmlStreamReader x(zip[u"xl/worksheets/sheet1.xml"_s]);
  while (!x.atEnd()) {
    x.readNext();
    if (!x.isStartElement()) continue;
    if (x.name() == u"col"_s) {
      const auto a = x.attributes();
      for (int c = a.value(u"min"_s).toInt(); c <= a.value(u"max"_s).toInt(); ++c)
        sheet.columnWidths[c] = a.value(u"width"_s).toDouble();
    } else if (x.name() == u"c"_s) {
      const auto a = x.attributes();
      const QString ref = a.value(u"r"_s).toString();
      WorkbookCell cell;
      const int s = a.value(u"s"_s).toInt();
      if (s >= 0 && s < int(xfs.size())) {
        const Xf& xf = xfs[s];
        cell.bold = xf.font < int(boldFonts.size()) && boldFonts[xf.font];
        cell.fill = fills.value(xf.fill);
        cell.thinBorder = xf.border < int(thinBorders.size()) && thinBorders[xf.border];
        cell.numberFormat = numFmts.value(xf.numFmt);
      } else {
        cell.numberFormat = numFmts.value(0);
      }
      sheet.cells.insert(ref, cell);
      auto [col, row] = ParseRef(ref);
      sheet.rows = std::max(sheet.rows, row);
      sheet.cols = std::max(sheet.cols, col);
    }
  }
  // The values: <v> of shared strings and numbers, <is><t> of inline strings.
  QXmlStreamReader v(zip[u"xl/worksheets/sheet1.xml"_s]);
  QString ref, type;
  while (!v.atEnd()) {
    v.readNext();
    if (v.isStartElement() && v.name() == u"c"_s) {
      ref = v.attributes().value(u"r"_s).toString();
      type = v.attributes().value(u"t"_s).toString();
      sheet.cells[ref].text.clear();
    } else if (v.isStartElement() && v.name() == u"v"_s) {
      const QString raw = v.readElementText();
      sheet.cells[ref].text = type == u"s"_s ? shared.value(raw.toInt()) : raw;
      sheet.cells[ref].number = type.isEmpty() || type == u"n"_s;
    } else if (v.isStartElement() && v.name() == u"t"_s) {
      sheet.cells[ref].text = Unescape(v.readElementText());
    }
  }
  return sheet;
}

}  // namespace lanxi::test
