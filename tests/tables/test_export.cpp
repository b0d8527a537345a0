// Table export: the files' contents read back, the save dialog, overwriting and failures.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <zlib.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QXmlStreamReader>
#include <array>

#include "tables/gridoperate.h"
#include "tables/tableexport.h"
#include "tablesfixture.h"

using namespace Qt::StringLiterals;
using namespace lanxi;

namespace {

QByteArray Read(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// An exported workbook's first sheet, read from the zip container and XML parts themselves.
struct WorkbookCell {
  QString text;  // the shown string, or the stored number as written (<v>)
  bool number = false, bold = false, thinBorder = false;  // border: thin on all four sides
  QString numberFormat, fill;                             // e.g. "0.00", "FFFFC080"
};

struct WorkbookSheet {
  QString name;
  QMap<QString, WorkbookCell> cells;  // by reference, e.g. "B3"
  QMap<int, double> columnWidths;     // by column number
  WorkbookCell cell(const QString& ref) const { return cells.value(ref); }
};

// The entries of a zip file by name, from its central directory; empty when it is not one.
QMap<QString, QByteArray> ReadZip(const QString& path) {
  const QByteArray z = Read(path);
  const auto u16 = [&](qsizetype at) { return quint32(quint8(z[at])) | quint8(z[at + 1]) << 8; };
  const auto u32 = [&](qsizetype at) { return u16(at) | u16(at + 2) << 16; };
  QMap<QString, QByteArray> entries;
  const qsizetype end = z.lastIndexOf("PK\x05\x06");
  if (end < 0 || end + 22 > z.size()) return entries;
  qsizetype at = u32(end + 16);
  for (int k = int(u16(end + 10)); k > 0 && at + 46 <= z.size() && u32(at) == 0x02014b50; --k) {
    const quint32 nameLen = u16(at + 28), local = u32(at + 42);
    QByteArray data = z.mid(local + 30 + u16(local + 26) + u16(local + 28), u32(at + 20));
    if (u16(at + 10) != 0) {  // deflated
      QByteArray out(u32(at + 24), Qt::Uninitialized);
      z_stream zs{};
      zs.next_in = reinterpret_cast<Bytef*>(data.data());
      zs.avail_in = uInt(data.size());
      zs.next_out = reinterpret_cast<Bytef*>(out.data());
      zs.avail_out = uInt(out.size());
      const bool ok =
          inflateInit2(&zs, -MAX_WBITS) == Z_OK && inflate(&zs, Z_FINISH) == Z_STREAM_END;
      inflateEnd(&zs);
      data = ok ? out : QByteArray();
    }
    entries.insert(QString::fromUtf8(z.mid(at + 46, nameLen)), data);
    at += 46 + nameLen + u16(at + 30) + u16(at + 32);
  }
  return entries;
}

// The first sheet of an xlsx workbook; fails the test when the file is not one.
WorkbookSheet ReadFirstSheet(const QString& path) {
  WorkbookSheet sheet;
  const auto zip = ReadZip(path);
  EXPECT_TRUE(zip.contains(u"xl/worksheets/sheet1.xml"_s))
      << "not a workbook: " << path.toStdString();
  // OOXML writes characters XML cannot carry as _xHHHH_; the texts here hold only CR.
  const auto unescape = [](QString t) { return t.replace(u"_x000D_"_s, u"\r"_s); };
  QStringList shared, fills;
  QList<bool> boldFonts, thinBorders;
  QList<std::array<int, 4>> xfs;  // font, fill, border, number format
  // Number formats by id: the built-in ones a writer refers to, then the workbook's own.
  QHash<int, QString> numFmts{{0, u"General"_s}, {1, u"0"_s}, {2, u"0.00"_s}};
  bool cellXfs = false;
  int sides = 0;
  for (const QString& part : {u"xl/workbook.xml"_s, u"xl/sharedStrings.xml"_s, u"xl/styles.xml"_s,
                              u"xl/worksheets/sheet1.xml"_s}) {
    QXmlStreamReader x(zip.value(part));
    while (!x.atEnd()) {
      x.readNext();
      const QStringView n = x.name();
      if (x.isEndElement() && n == u"border"_s) thinBorders << (sides == 4);
      if (x.isEndElement() && n == u"cellXfs"_s) cellXfs = false;
      if (!x.isStartElement()) continue;
      const auto a = x.attributes();
      const auto num = [&](const QString& name) { return a.value(name).toInt(); };
      if (n == u"sheet"_s && sheet.name.isEmpty()) {
        sheet.name = a.value(u"name"_s).toString();
      } else if (n == u"si"_s) {
        shared << unescape(x.readElementText(QXmlStreamReader::IncludeChildElements));
      } else if (n == u"font"_s) {
        boldFonts << false;
      } else if (n == u"b"_s) {
        boldFonts.last() = true;
      } else if (n == u"fill"_s) {
        fills << QString();
      } else if (n == u"fgColor"_s) {
        fills.last() = a.value(u"rgb"_s).toString();
      } else if (n == u"border"_s) {
        sides = 0;
      } else if (n == u"left"_s || n == u"right"_s || n == u"top"_s || n == u"bottom"_s) {
        sides += a.value(u"style"_s) == u"thin"_s;
      } else if (n == u"cellXfs"_s || (n == u"xf"_s && cellXfs)) {
        if (cellXfs)
          xfs.append({num(u"fontId"_s), num(u"fillId"_s), num(u"borderId"_s), num(u"numFmtId"_s)});
        cellXfs = true;
      } else if (n == u"numFmt"_s) {
        numFmts[num(u"numFmtId"_s)] = a.value(u"formatCode"_s).toString();
      } else if (n == u"col"_s) {
        for (int c = num(u"min"_s); c <= num(u"max"_s); ++c)
          sheet.columnWidths[c] = a.value(u"width"_s).toDouble();
      } else if (n == u"c"_s) {
        const QString ref = a.value(u"r"_s).toString(), type = a.value(u"t"_s).toString();
        const auto xf = xfs.value(num(u"s"_s));
        WorkbookCell& cell = sheet.cells[ref];
        cell.bold = boldFonts.value(xf[0]), cell.thinBorder = thinBorders.value(xf[2]);
        cell.numberFormat = numFmts.value(xf[3]), cell.fill = fills.value(xf[1]);
        // <v> holds numbers and shared-string indexes, <is><t> inline strings.
        while (x.readNextStartElement()) {
          if (x.name() == u"v"_s) cell.number = type.isEmpty() || type == u"n"_s;
          cell.text += x.readElementText(QXmlStreamReader::IncludeChildElements);
        }
        cell.text = type == u"s"_s ? shared.value(cell.text.toInt()) : unescape(cell.text);
      }
    }
  }
  return sheet;
}

const QByteArray kBom = "\xEF\xBB\xBF";

class Export : public test::TablesTest {
 protected:
  Grid grid;
  // Hidden key column, serial number, two visible columns; row 0 hidden as always.
  void SetUp() override {
    TablesTest::SetUp();
    SetupGridColumns(grid, {u"ID"_s, QString(), u"Name"_s, u"Price"_s},
                     {u"ID"_s, u"序号"_s, u"产品名称"_s, u"价格"_s});
    grid.SetFixedCols(2);
    for (int c = 0; c < 4; ++c) grid.SetColWidth(c, QList<int>{0, 615, 2460, 1230}[c]);
  }

  void AddRow(const QString& name, const QString& price) {
    const int r = grid.Rows();
    grid.SetRows(r + 1);
    const QStringList cells{QString::number(r * 100), QString::number(r - 1), name, price};
    for (int c = 0; c < 4; ++c) grid.SetTextMatrix(r, c, cells[c]);
  }

  QString Path(const QString& name) const { return folder.file(name); }

  static void Write(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
  }
  // The export parts left in the folder.
  QStringList Parts() const {
    return QDir(folder.path()).entryList(QDir::Files | QDir::Hidden).filter(u"lanxi-export"_s);
  }
};

}  // namespace

TEST(ColumnLetter, CountsLikeSpreadsheets) {
  EXPECT_EQ(QStringList({ColumnLetter(26), ColumnLetter(27), ColumnLetter(702), ColumnLetter(703)}),
            (QStringList{u"Z"_s, u"AA"_s, u"ZZ"_s, u"AAA"_s}));
}

// CSV quotes what would break a field; both files give every text back exactly.
TEST_F(Export, TrickyTextsAreQuotedInCsvAndComeBackExactlyFromTheWorkbook) {
  const QList<std::pair<QString, QString>> rows{
      {u"a,b"_s, u"12.50"_s}, {u"say \"hi\""_s, QString()}, {u"two\r\nlines"_s, u"tab\there"_s}};
  for (const auto& [name, price] : rows) AddRow(name, price);
  ASSERT_TRUE(ExportCSV(grid, Path(u"t.csv"_s)));
  EXPECT_EQ(Read(Path(u"t.csv"_s)), kBom +
                                        u"序号,产品名称,价格\r\n"
                                        "1,\"a,b\",12.50\r\n"
                                        "2,\"say \"\"hi\"\"\",\r\n"
                                        "3,\"two\r\nlines\",tab\there\r\n"_s.toUtf8());
  EXPECT_EQ(progress.shown, QStringList{u"正在导出数据至CSV格式文件……/5"_s});

  ASSERT_TRUE(ExportExcel(grid, Path(u"t.xlsx"_s), u"淘宝产品销售数据分析"_s));
  const auto sheet = ReadFirstSheet(Path(u"t.xlsx"_s));
  for (int i = 0; i < rows.size(); ++i)
    EXPECT_EQ(
        QStringList({sheet.cell(u"B%1"_s.arg(i + 2)).text, sheet.cell(u"C%1"_s.arg(i + 2)).text}),
        (QStringList{rows[i].first, rows[i].second}));
}

TEST_F(Export, WorkbookHoldsTheVisibleCellsWithTitleStyleWidthsAndBorders) {
  AddRow(u"连衣裙"_s, u"99.00"_s);
  AddRow(u"衬衫"_s, QString());
  grid.SetRowHeight(3, 0);  // a hidden record is left out too
  AddRow(u"外套"_s, u"199.50"_s);
  ASSERT_TRUE(ExportExcel(grid, Path(u"w.xlsx"_s), u"淘宝产品销售数据分析"_s));
  const auto sheet = ReadFirstSheet(Path(u"w.xlsx"_s));
  EXPECT_EQ(sheet.name, u"淘宝产品销售数据分析"_s);
  EXPECT_EQ(sheet.cells.keys(), (QStringList{u"A1"_s, u"A2"_s, u"A3"_s, u"B1"_s, u"B2"_s, u"B3"_s,
                                             u"C1"_s, u"C2"_s, u"C3"_s}));
  EXPECT_EQ(QStringList({sheet.cell(u"C1"_s).text, sheet.cell(u"B3"_s).text}),
            (QStringList{u"价格"_s, u"外套"_s}));
  for (const QString& ref : {u"A1"_s, u"C1"_s, u"A2"_s, u"C3"_s}) {
    const bool title = ref.endsWith(u'1');
    EXPECT_EQ(sheet.cell(ref).bold, title) << ref.toStdString();
    EXPECT_EQ(sheet.cell(ref).fill, title ? u"FFFFC080"_s : QString()) << ref.toStdString();
    EXPECT_TRUE(sheet.cell(ref).thinBorder) << ref.toStdString();  // every cell gets lines
  }
  // ColWidth / 123 characters (the writer adds its own few hundredths for padding).
  for (int c = 1; c <= 3; ++c)
    EXPECT_NEAR(sheet.columnWidths.value(c), grid.ColWidth(c) / 123.0, 0.75) << c;
  EXPECT_EQ(progress.shown, QStringList{u"正在将数据导出到EXCEL文件 …/5"_s});
}

// The file kind follows our extensions (the ".xls" of old becomes ".xlsx"), else the filter.
TEST_F(Export, ExportTableAsksForTheFileAndTheNameOrFilterDecidesItsKind) {
  AddRow(u"甲"_s, u"1.00"_s);
  prompts.files << QString();  // cancelled
  EXPECT_FALSE(ExportTable(grid, prompts, {}, u"淘宝产品销售数据分析"_s));
  ASSERT_EQ(prompts.fileDialogs.size(), 1);
  EXPECT_EQ(prompts.fileDialogs[0].filters,
            (QStringList{u"CSV (逗号分隔)(*.csv)"_s, u"MS Excel文件 (*.xlsx)"_s}));
  EXPECT_EQ(prompts.fileDialogs[0].filterIndex, 1);
  // The name chosen, the filter chosen (0: the one offered) and the file written.
  const QList<std::tuple<QString, int, QString>> cases{{u"old.xls"_s, 0, u"old.xlsx"_s},
                                                       {u"noext"_s, 0, u"noext.csv"_s},
                                                       {u"report.v2"_s, 2, u"report.v2.xlsx"_s},
                                                       {u"named.csv"_s, 2, u"named.csv"_s}};
  for (const auto& [chosen, filter, written] : cases) {
    prompts.files << Path(chosen);
    if (filter) prompts.filters << filter;
    EXPECT_TRUE(ExportTable(grid, prompts, {}, u"表"_s)) << chosen.toStdString();
    if (written.endsWith(u"x"_s))
      EXPECT_EQ(ReadFirstSheet(Path(written)).cell(u"B2"_s).text, u"甲"_s);
    else
      EXPECT_TRUE(Read(Path(written)).startsWith(kBom)) << written.toStdString();
  }
  EXPECT_FALSE(QFile::exists(Path(u"old.xls"_s)));
  EXPECT_TRUE(prompts.messages.isEmpty());
  EXPECT_EQ(Parts(), QStringList());  // no temporary parts are left behind

  Grid empty;
  empty.SetFixedRows(0);
  empty.SetRows(0);
  EXPECT_FALSE(ExportTable(empty, prompts, {}, u"淘宝产品销售数据分析"_s));
  EXPECT_EQ(prompts.messages, QStringList{u"表格中没有数据！"_s});
  EXPECT_EQ(prompts.fileDialogs.size(), 5);  // no dialog for an empty table
}

// An existing file is replaced only when the user says so, and kept when writing fails.
TEST_F(Export, ExistingFilesAreReplacedOnlyOnYesAndKeptWhenWritingFails) {
  AddRow(u"新"_s, u"2.00"_s);
  Write(Path(u"keep.csv"_s), "old contents");
  Write(Path(u"book.xlsx"_s), "previous workbook");
  // A folder by the chosen name cannot be replaced by a file; a missing folder cannot take one.
  ASSERT_TRUE(QDir(folder.path()).mkpath(u"dir.xlsx"_s));
  for (const QString& name : {u"keep.csv"_s, u"dir.xls"_s, u"missing/sub/x.csv"_s, u"keep.csv"_s})
    prompts.files << Path(name);
  prompts.answers << false << true << true;
  for (int i = 0; i < 3; ++i) EXPECT_FALSE(ExportTable(grid, prompts, {}, u"表"_s)) << i;
  EXPECT_EQ(Read(Path(u"keep.csv"_s)), QByteArray("old contents"));
  EXPECT_TRUE(QFileInfo(Path(u"dir.xlsx"_s)).isDir());
  EXPECT_FALSE(QFileInfo::exists(Path(u"missing"_s)));
  EXPECT_TRUE(ExportTable(grid, prompts, {}, u"表"_s));
  EXPECT_TRUE(Read(Path(u"keep.csv"_s)).contains("2.00"));
  EXPECT_EQ(prompts.questions, QStringList(3, u"该文件已存在，是否覆盖？"_s));
  // A sheet name no spreadsheet accepts makes the writer fail after the user said Yes.
  EXPECT_FALSE(ExportExcel(grid, Path(u"book.xlsx"_s), u"bad/name[1]"_s));
  EXPECT_EQ(Read(Path(u"book.xlsx"_s)), QByteArray("previous workbook"));
  const QString locked = u"该文件无法覆盖，请确认该文件没被其他软件打开！"_s;
  EXPECT_EQ(prompts.messages, (QStringList{locked, u"文件保存出错！"_s, u"文件保存出错！"_s}));
}

// Grid texts by value type, and the workbook keeps numbers and dates as such, texts as texts.
TEST_F(Export, CellsAreFormattedByValueTypeAndWrittenAsNumbersDatesOrTexts) {
  Exec(
      u"CREATE TABLE T_Kinds(I LONG, D DOUBLE, Dt DATE, Dtm DATETIME, B YESNO, T TEXT, C3 LONG, "
      "N LONG, Cor LONG, PID LONG, Code TEXT(20))"_s);
  Exec(u"INSERT INTO Product(ID, Name) VALUES(7, '七号产品')"_s);
  // A text longer than a cell holds, with a character of two UTF-16 units across the limit.
  const QString longText = QString(32766, u'长') + u"😀"_s + QString(100, u'尾');
  Exec(
      u"INSERT INTO T_Kinds VALUES(5, 12.5, '2012-03-05', '2012-03-05 14:07:09', 1, '=1+2', 5, "
      "NULL, 0, 7, '0123'), (-3, 0.125, '1900-01-01', '1900-01-01 00:00:00', 0, ?, 12, 4, 255, "
      "8, NULL)"_s,
      {longText});
  SetupGridColumns(grid,
                   {QString(), u"I"_s, u"D"_s, u"Dt"_s, u"Dtm"_s, u"B"_s, u"T"_s, u"C3"_s, u"N"_s,
                    u"Cor"_s, u"PID:Product:ID:Name"_s, u"Code"_s, u"X"_s},
                   {u"序号"_s, u"整数"_s, u"小数"_s, u"日期"_s, u"时间"_s, u"是否"_s, u"文本"_s,
                    u"分类"_s, u"空"_s, u"颜色"_s, u"名称"_s, u"编码"_s, u"无"_s});
  grid.SetTag(u"T_Kinds"_s);
  grid.SetFixedCols(1);
  ASSERT_EQ(FillGrid(grid, {}, u"rowid"_s, false), u"2/2"_s);
  // 1900 is no date, "C" + a digit a two-digit class, a colour no text, PID a look-up.
  const QStringList first =
      u"1|5|12.50|2012.03.05 00:00|2012.03.05 14:07|√|=1+2|05|||七号产品|0123|"_s.split(u'|');
  const QStringList second = (u"2|-3|0.13||||"_s + longText + u"|12|4||||"_s).split(u'|');
  for (int c = 0; c < grid.Cols(); ++c)
    EXPECT_EQ(Column(grid, c), (QStringList{first[c], second[c]})) << c;
  EXPECT_EQ(grid.CellBackColorAt(2, 9), 65793u);  // 0 would be the default colour
  EXPECT_EQ(grid.CellBackColorAt(3, 9), 255u);
  // Numbers align right once the first record had one.
  EXPECT_EQ(grid.ColAlignment(7), Grid::kAlignRightBottom);
  EXPECT_EQ(grid.ColAlignment(8), Grid::kAlignLeftTop);

  for (int c = 0; c < grid.Cols(); ++c) grid.SetColWidth(c, 1000);
  ASSERT_TRUE(ExportExcel(grid, Path(u"typed.xlsx"_s), u"表"_s));
  const auto sheet = ReadFirstSheet(Path(u"typed.xlsx"_s));
  const double day = QDate(1899, 12, 30).daysTo(QDate(2012, 3, 5));
  const QString minutes = u"yyyy.mm.dd hh:mm"_s;
  const QList<std::tuple<QString, double, QString>> numbers{
      {u"A2"_s, 1, u"0"_s},      {u"C2"_s, 12.5, u"0.00"_s},
      {u"D2"_s, day, minutes},   {u"E2"_s, day + (14 * 60 + 7) / 1440.0, minutes},
      {u"H2"_s, 5, u"00"_s},     {u"B3"_s, -3, u"0"_s},
      {u"C3"_s, 0.13, u"0.00"_s}};
  for (const auto& [ref, value, format] : numbers) {
    const WorkbookCell c = sheet.cell(ref);
    EXPECT_TRUE(c.number) << ref.toStdString() << " holds " << c.text.toStdString();
    EXPECT_NEAR(c.text.toDouble(), value, 1e-3) << ref.toStdString();
    EXPECT_EQ(c.numberFormat, format) << ref.toStdString();
  }
  // Never a formula; a text column keeps its digits as text; the no-date day shows nothing.
  const QList<std::pair<QString, QString>> texts{
      {u"G2"_s, u"=1+2"_s}, {u"L2"_s, u"0123"_s}, {u"F2"_s, u"√"_s},
      {u"D3"_s, {}},        {u"I2"_s, {}},        {u"G3"_s, longText.left(32766)}};
  for (const auto& [ref, text] : texts) {
    EXPECT_FALSE(sheet.cell(ref).number) << ref.toStdString();
    EXPECT_EQ(sheet.cell(ref).text, text) << ref.toStdString();
  }
  EXPECT_TRUE(sheet.cell(u"I2"_s).thinBorder);
  // Dates shown without their time are days.
  ASSERT_EQ(FillGrid(grid, {}, u"rowid"_s, true), u"2/2"_s);
  EXPECT_EQ(grid.TextMatrix(2, 4), u"2012.03.05"_s);
  ASSERT_TRUE(ExportExcel(grid, Path(u"days.xlsx"_s), u"表"_s));
  const WorkbookCell e2 = ReadFirstSheet(Path(u"days.xlsx"_s)).cell(u"E2"_s);
  EXPECT_TRUE(e2.number);
  EXPECT_DOUBLE_EQ(e2.text.toDouble(), day);
  EXPECT_EQ(e2.numberFormat, u"yyyy.mm.dd"_s);
}

TEST_F(Export, PartsAnInterruptedExportLeftAreRemovedByTheNextOne) {
  AddRow(u"甲"_s, u"1.00"_s);
  const auto make = [&](const QString& name, qint64 secondsAgo) {
    QFile f(Path(name));
    EXPECT_TRUE(f.open(QIODevice::ReadWrite));
    f.write(QByteArray(1 << 16, 'z'));
    f.setFileTime(QDateTime::currentDateTime().addSecs(-secondsAgo),
                  QFileDevice::FileModificationTime);
  };
  make(u".lanxi-export-AbC123.xlsx"_s, 3600);  // left by a killed export
  make(u".lanxi-export-Old456.csv"_s, 3600);
  make(u".lanxi-export-Run789.xlsx"_s, 3600);  // another export is still writing it
  make(u".lanxi-export-New000.xlsx"_s, 0);     // just begun
  make(u"lanxi-export-AbC123.xlsx"_s, 3600);   // not ours
  const int running = ::open(QFile::encodeName(Path(u".lanxi-export-Run789.xlsx"_s)), O_RDONLY);
  ASSERT_GE(running, 0);
  ASSERT_EQ(::flock(running, LOCK_EX), 0);
  ASSERT_TRUE(ExportExcel(grid, Path(u"next.xlsx"_s), u"表"_s));
  ::close(running);
  EXPECT_EQ(Parts(), (QStringList{u".lanxi-export-New000.xlsx"_s, u".lanxi-export-Run789.xlsx"_s,
                                  u"lanxi-export-AbC123.xlsx"_s}));
}
