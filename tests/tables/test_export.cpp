// Table export: what the CSV file and the workbook hold (read back from the files), the save
// dialog, the overwrite question, and that failures keep the old file.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <zlib.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QXmlStreamReader>

#include "tables/gridoperate.h"
#include "tables/tableexport.h"
#include "tablesfixture.h"

using namespace Qt::StringLiterals;
using namespace lanxi;

namespace {

// What an exported workbook holds, read straight from its zip container and XML parts, so the
// tests check the file itself rather than the writer's promises.
struct WorkbookCell {
  QString text;          // the shown string, or the stored number as written (<v>)
  bool number = false;   // a number cell (dates are numbers too: days since 1899-12-30)
  QString numberFormat;  // the cell's number format code, e.g. "0.00"
  bool bold = false;
  QString fill;             // fill colour as written, e.g. "FFFFC080"; empty for none
  bool thinBorder = false;  // thin lines on all four sides
};

struct WorkbookSheet {
  QString name;
  QMap<QString, WorkbookCell> cells;  // by reference, e.g. "B3"
  QMap<int, double> columnWidths;     // by column number
  WorkbookCell cell(const QString& ref) const { return cells.value(ref); }
};

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

// The entries of a zip file by name, from its central directory; empty when it is not one.
QMap<QString, QByteArray> ReadZip(const QString& path) {
  QFile f(path);
  const QByteArray z = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  const auto u16 = [&](qsizetype at) { return quint32(quint8(z[at])) | quint8(z[at + 1]) << 8; };
  const auto u32 = [&](qsizetype at) { return u16(at) | u16(at + 2) << 16; };
  QMap<QString, QByteArray> entries;
  const qsizetype end = z.lastIndexOf("PK\x05\x06");
  if (end < 0 || end + 22 > z.size()) return entries;
  qsizetype at = u32(end + 16);
  for (int k = int(u16(end + 10)); k > 0 && at + 46 <= z.size() && u32(at) == 0x02014b50; --k) {
    const quint32 nameLen = u16(at + 28), local = u32(at + 42);
    QByteArray data = z.mid(local + 30 + u16(local + 26) + u16(local + 28), u32(at + 20));
    if (u16(at + 10) != 0) data = Inflate(data, u32(at + 24));
    entries.insert(QString::fromUtf8(z.mid(at + 46, nameLen)), data);
    at += 46 + nameLen + u16(at + 30) + u16(at + 32);
  }
  return entries;
}

// OOXML writes characters XML cannot carry as _xHHHH_; the texts here hold only CR.
QString Unescape(QString s) {
  return s.replace(u"_x000D_"_s, u"\r"_s);
}

// The first sheet of an xlsx workbook; fails the test when the file is not one.
WorkbookSheet ReadFirstSheet(const QString& path) {
  WorkbookSheet sheet;
  const auto zip = ReadZip(path);
  EXPECT_TRUE(zip.contains(u"xl/worksheets/sheet1.xml"_s))
      << "not a workbook: " << path.toStdString();
  QStringList shared, fills;
  QList<bool> boldFonts, thinBorders;
  struct Xf {
    int font = 0, fill = 0, border = 0, numFmt = 0;
  };
  QList<Xf> xfs;
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
      if (n == u"sheet"_s && sheet.name.isEmpty()) {
        sheet.name = a.value(u"name"_s).toString();
      } else if (n == u"si"_s) {
        shared << Unescape(x.readElementText(QXmlStreamReader::IncludeChildElements));
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
      } else if (n == u"cellXfs"_s) {
        cellXfs = true;
      } else if (n == u"xf"_s && cellXfs) {
        xfs << Xf{a.value(u"fontId"_s).toInt(), a.value(u"fillId"_s).toInt(),
                  a.value(u"borderId"_s).toInt(), a.value(u"numFmtId"_s).toInt()};
      } else if (n == u"numFmt"_s) {
        numFmts[a.value(u"numFmtId"_s).toInt()] = a.value(u"formatCode"_s).toString();
      } else if (n == u"col"_s) {
        for (int c = a.value(u"min"_s).toInt(); c <= a.value(u"max"_s).toInt(); ++c)
          sheet.columnWidths[c] = a.value(u"width"_s).toDouble();
      } else if (n == u"c"_s) {
        const QString ref = a.value(u"r"_s).toString(), type = a.value(u"t"_s).toString();
        const Xf xf = xfs.value(a.value(u"s"_s).toInt());
        WorkbookCell& cell = sheet.cells[ref];
        cell.numberFormat = numFmts.value(xf.numFmt);
        cell.bold = boldFonts.value(xf.font);
        cell.fill = fills.value(xf.fill);
        cell.thinBorder = thinBorders.value(xf.border);
        // <v> holds numbers and shared-string indexes, <is><t> inline strings.
        while (x.readNextStartElement()) {
          if (x.name() == u"v"_s) cell.number = type.isEmpty() || type == u"n"_s;
          cell.text += x.readElementText(QXmlStreamReader::IncludeChildElements);
        }
        cell.text = type == u"s"_s ? shared.value(cell.text.toInt()) : Unescape(cell.text);
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
    grid.SetTextMatrix(r, 0, QString::number(r * 100));
    grid.SetTextMatrix(r, 1, QString::number(r - 1));
    grid.SetTextMatrix(r, 2, name);
    grid.SetTextMatrix(r, 3, price);
  }

  QString Path(const QString& name) const { return folder.file(name); }

  static QByteArray Read(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
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
  const QList<std::pair<int, QString>> letters{{1, u"A"_s},     {26, u"Z"_s},      {27, u"AA"_s},
                                               {30, u"AD"_s},   {52, u"AZ"_s},     {702, u"ZZ"_s},
                                               {703, u"AAA"_s}, {16384, u"XFD"_s}, {0, QString()}};
  for (const auto& [n, letter] : letters) EXPECT_EQ(ColumnLetter(n), letter) << n;
}

// CSV quotes what would break a field; both files give every text back exactly.
TEST_F(Export, TrickyTextsAreQuotedInCsvAndComeBackExactlyFromTheWorkbook) {
  const QList<std::pair<QString, QString>> rows{{u"a,b"_s, u"12.50"_s},
                                                {u"say \"hi\""_s, QString()},
                                                {u"two\r\nlines"_s, u"=1+2"_s},
                                                {u"lf\nonly"_s, u"tab\there"_s},
                                                {u" 空格 "_s, u"中文，标点。"_s}};
  for (const auto& [name, price] : rows) AddRow(name, price);
  ASSERT_TRUE(ExportCSV(grid, Path(u"t.csv"_s)));
  EXPECT_EQ(Read(Path(u"t.csv"_s)), kBom +
                                        u"序号,产品名称,价格\r\n"
                                        "1,\"a,b\",12.50\r\n"
                                        "2,\"say \"\"hi\"\"\",\r\n"
                                        "3,\"two\r\nlines\",=1+2\r\n"
                                        "4,\"lf\nonly\",tab\there\r\n"
                                        "5, 空格 ,中文，标点。\r\n"_s.toUtf8());
  EXPECT_EQ(progress.shown, QStringList{u"正在导出数据至CSV格式文件……/7"_s});
  EXPECT_FALSE(ProgressOpen());

  ASSERT_TRUE(ExportExcel(grid, Path(u"t.xlsx"_s), u"淘宝产品销售数据分析"_s));
  const auto sheet = ReadFirstSheet(Path(u"t.xlsx"_s));
  for (int i = 0; i < rows.size(); ++i) {
    const QString row = QString::number(i + 2);
    EXPECT_EQ(QStringList({sheet.cell(u"A"_s + row).text, sheet.cell(u"B"_s + row).text,
                           sheet.cell(u"C"_s + row).text}),
              (QStringList{QString::number(i + 1), rows[i].first, rows[i].second}));
  }
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
  const QList<std::pair<QString, QString>> texts{{u"A1"_s, u"序号"_s},  {u"B1"_s, u"产品名称"_s},
                                                 {u"C1"_s, u"价格"_s},  {u"B2"_s, u"连衣裙"_s},
                                                 {u"C2"_s, u"99.00"_s},  // texts stay texts
                                                 {u"B3"_s, u"外套"_s}};
  for (const auto& [ref, text] : texts) EXPECT_EQ(sheet.cell(ref).text, text) << ref.toStdString();
  for (const QString& ref : {u"A1"_s, u"B1"_s, u"C1"_s, u"A2"_s, u"C2"_s, u"C3"_s}) {
    const bool title = ref.endsWith(u'1');
    EXPECT_EQ(sheet.cell(ref).bold, title) << ref.toStdString();
    EXPECT_EQ(sheet.cell(ref).fill, title ? u"FFFFC080"_s : QString()) << ref.toStdString();
    EXPECT_TRUE(sheet.cell(ref).thinBorder) << ref.toStdString();  // empty cells get lines too
  }
  // ColWidth / 123 characters (the writer adds its own few hundredths for padding).
  for (int c = 1; c <= 3; ++c)
    EXPECT_NEAR(sheet.columnWidths.value(c), grid.ColWidth(c) / 123.0, 0.75) << c;
  EXPECT_EQ(progress.shown, QStringList{u"正在将数据导出到EXCEL文件 …/5"_s});

  // Thirty visible columns get the title colour from A to AD; no records: the title row alone.
  QStringList fields, titles;
  for (int c = 0; c < 31; ++c) fields << u"F%1"_s.arg(c), titles << u"列%1"_s.arg(c);
  SetupGridColumns(grid, fields, titles);
  grid.SetColWidth(0, 0);
  ASSERT_TRUE(ExportExcel(grid, Path(u"wide.xlsx"_s), u"表"_s));
  const auto wide = ReadFirstSheet(Path(u"wide.xlsx"_s));
  EXPECT_EQ(wide.cells.size(), 30);
  EXPECT_EQ(wide.cell(u"AD1"_s).text, u"列30"_s);
  EXPECT_EQ(wide.cell(u"AD1"_s).fill, u"FFFFC080"_s);
  EXPECT_FALSE(wide.cells.contains(u"AE1"_s));
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

  const struct {
    QString chosen;
    int filter;  // 0: the one offered
    QString written;
  } cases[] = {
      {u"upper.CSV"_s, 0, u"upper.CSV"_s}, {u"old.xls"_s, 0, u"old.xlsx"_s},
      {u"noext"_s, 0, u"noext.csv"_s},     {u"bare"_s, 1, u"bare.csv"_s},
      {u"bare"_s, 2, u"bare.xlsx"_s},      {u"report.v2"_s, 2, u"report.v2.xlsx"_s},
      {u"named.csv"_s, 2, u"named.csv"_s}, {u"up.XLS"_s, 1, u"up.XLSx"_s},
  };
  for (const auto& c : cases) {
    prompts.files << Path(c.chosen);
    if (c.filter) prompts.filters << c.filter;
    EXPECT_TRUE(ExportTable(grid, prompts, {}, u"表"_s)) << c.chosen.toStdString();
    if (c.written.endsWith(u"x"_s, Qt::CaseInsensitive))
      EXPECT_EQ(ReadFirstSheet(Path(c.written)).cell(u"B2"_s).text, u"甲"_s);
    else
      EXPECT_TRUE(Read(Path(c.written)).startsWith(kBom)) << c.written.toStdString();
  }
  for (const QString& name : {u"old.xls"_s, u"noext"_s, u"bare"_s, u"up.XLS"_s})
    EXPECT_FALSE(QFile::exists(Path(name))) << name.toStdString();
  EXPECT_TRUE(prompts.messages.isEmpty());
  EXPECT_TRUE(prompts.questions.isEmpty());
  EXPECT_EQ(Parts(), QStringList());  // no temporary parts are left behind

  Grid empty;
  empty.SetFixedRows(0);
  empty.SetRows(0);
  EXPECT_FALSE(ExportTable(empty, prompts, {}, u"淘宝产品销售数据分析"_s));
  EXPECT_EQ(prompts.messages, QStringList{u"表格中没有数据！"_s});
  EXPECT_EQ(prompts.fileDialogs.size(), 9);  // no dialog for an empty table
}

// An existing file is replaced only when the user says so, and kept when writing fails.
TEST_F(Export, ExistingFilesAreReplacedOnlyOnYesAndKeptWhenWritingFails) {
  AddRow(u"新"_s, u"2.00"_s);
  Write(Path(u"keep.csv"_s), "old contents");
  Write(Path(u"book.xlsx"_s), "previous workbook");
  // A folder by the chosen name cannot be replaced by a file; a missing folder cannot take one.
  ASSERT_TRUE(QDir(folder.path()).mkpath(u"dir.csv/inner"_s));
  ASSERT_TRUE(QDir(folder.path()).mkpath(u"dir.xlsx"_s));
  for (const QString& name : {u"keep.csv"_s, u"dir.csv"_s, u"dir.xls"_s, u"missing/sub/x.csv"_s,
                              u"missing/sub/x.xlsx"_s, u"keep.csv"_s})
    prompts.files << Path(name);
  prompts.answers << false << true << true << true;
  for (int i = 0; i < 5; ++i) EXPECT_FALSE(ExportTable(grid, prompts, {}, u"表"_s)) << i;
  EXPECT_EQ(Read(Path(u"keep.csv"_s)), QByteArray("old contents"));
  EXPECT_TRUE(QFileInfo(Path(u"dir.csv/inner"_s)).isDir());
  EXPECT_TRUE(QFileInfo(Path(u"dir.xlsx"_s)).isDir());
  EXPECT_FALSE(QFileInfo::exists(Path(u"missing"_s)));
  EXPECT_FALSE(ProgressOpen());
  EXPECT_TRUE(ExportTable(grid, prompts, {}, u"表"_s));
  EXPECT_TRUE(Read(Path(u"keep.csv"_s)).contains("2.00"));
  EXPECT_EQ(prompts.questions, QStringList(4, u"该文件已存在，是否覆盖？"_s));

  // A sheet name no spreadsheet accepts makes the writer fail after the user said Yes.
  EXPECT_FALSE(ExportExcel(grid, Path(u"book.xlsx"_s), u"bad/name[1]"_s));
  EXPECT_EQ(Read(Path(u"book.xlsx"_s)), QByteArray("previous workbook"));
  const QString locked = u"该文件无法覆盖，请确认该文件没被其他软件打开！"_s;
  EXPECT_EQ(prompts.messages, (QStringList{locked, locked, u"文件保存出错！"_s, u"文件保存出错！"_s,
                                           u"文件保存出错！"_s}));
  EXPECT_EQ(Parts(), QStringList());
}

TEST_F(Export, NumbersAndDatesGoIntoTheWorkbookAsNumbersAndDatesTextsAsTexts) {
  Exec(
      u"CREATE TABLE T_Export(Name TEXT(255), Code TEXT(20), C3 LONG, Price DOUBLE, "
      "Sales LONG, Dat DATE, At DATETIME, TMall YESNO)"_s);
  // A text longer than a cell holds, with a character of two UTF-16 units across the limit.
  const QString longText = QString(32766, u'长') + u"😀"_s + QString(100, u'尾');
  Exec(
      u"INSERT INTO T_Export VALUES"
      "('=1+2','0123',5,12.5,7,'2012-03-05','2012-03-05 14:30:00',1),"
      "(?,'x',-3,-0.25,0,'1900-01-01',NULL,0),"
      "('空',NULL,NULL,NULL,NULL,NULL,NULL,NULL)"_s,
      {longText});
  SetupGridColumns(grid,
                   {QString(), u"Name"_s, u"Code"_s, u"C3"_s, u"Price"_s, u"Sales"_s, u"Dat"_s,
                    u"At"_s, u"TMall"_s},
                   {u"序号"_s, u"名称"_s, u"编码"_s, u"分类4"_s, u"价格"_s, u"销量"_s, u"日期"_s,
                    u"时间"_s, u"商城"_s});
  grid.SetTag(u"T_Export"_s);
  grid.SetFixedCols(1);
  ASSERT_EQ(FillGrid(grid, {}, u"rowid"_s, false), u"3/3"_s);
  for (int c = 0; c < grid.Cols(); ++c) grid.SetColWidth(c, 1000);
  ASSERT_TRUE(ExportExcel(grid, Path(u"typed.xlsx"_s), u"表"_s));
  const auto sheet = ReadFirstSheet(Path(u"typed.xlsx"_s));

  const double day = QDate(1899, 12, 30).daysTo(QDate(2012, 3, 5));
  const QString minutes = u"yyyy.mm.dd hh:mm"_s;
  const struct {
    QString ref;
    double value;
    QString format;
  } numbers[] = {
      {u"A2"_s, 1, u"0"_s},       {u"D2"_s, 5, u"00"_s},
      {u"E2"_s, 12.5, u"0.00"_s}, {u"F2"_s, 7, u"0"_s},
      {u"G2"_s, day, minutes},    {u"H2"_s, day + (14 * 60 + 30) / 1440.0, minutes},
      {u"D3"_s, -3, u"00"_s},     {u"E3"_s, -0.25, u"0.00"_s},
      {u"F3"_s, 0, u"0"_s},
  };
  for (const auto& n : numbers) {
    const WorkbookCell c = sheet.cell(n.ref);
    EXPECT_TRUE(c.number) << n.ref.toStdString() << " holds " << c.text.toStdString();
    EXPECT_DOUBLE_EQ(c.text.toDouble(), n.value) << n.ref.toStdString();
    EXPECT_EQ(c.numberFormat, n.format) << n.ref.toStdString();
    EXPECT_TRUE(c.thinBorder) << n.ref.toStdString();
  }
  // Never a formula; a text column keeps its digits as text; the no-date day shows nothing.
  const QList<std::pair<QString, QString>> texts{
      {u"B2"_s, u"=1+2"_s}, {u"C2"_s, u"0123"_s}, {u"I2"_s, u"√"_s},
      {u"G3"_s, {}},        {u"E4"_s, {}},        {u"B3"_s, longText.left(32766)}};
  for (const auto& [ref, text] : texts) {
    EXPECT_FALSE(sheet.cell(ref).number) << ref.toStdString();
    EXPECT_EQ(sheet.cell(ref).text, text) << ref.toStdString();
  }
  EXPECT_TRUE(sheet.cell(u"E4"_s).thinBorder);

  // Dates shown without their time are days.
  ASSERT_EQ(FillGrid(grid, {}, u"rowid"_s, true), u"3/3"_s);
  ASSERT_TRUE(ExportExcel(grid, Path(u"days.xlsx"_s), u"表"_s));
  const WorkbookCell h2 = ReadFirstSheet(Path(u"days.xlsx"_s)).cell(u"H2"_s);
  EXPECT_TRUE(h2.number);
  EXPECT_DOUBLE_EQ(h2.text.toDouble(), day);
  EXPECT_EQ(h2.numberFormat, u"yyyy.mm.dd"_s);
  EXPECT_TRUE(prompts.messages.isEmpty()) << prompts.messages.join(u'|').toStdString();
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
  make(u".lanxi-export-AbC123.xlsx.bak"_s, 3600);
  const int running = ::open(QFile::encodeName(Path(u".lanxi-export-Run789.xlsx"_s)), O_RDONLY);
  ASSERT_GE(running, 0);
  ASSERT_EQ(::flock(running, LOCK_EX), 0);
  ASSERT_TRUE(ExportExcel(grid, Path(u"next.xlsx"_s), u"表"_s));
  ::close(running);
  EXPECT_EQ(Parts(),
            (QStringList{u".lanxi-export-AbC123.xlsx.bak"_s, u".lanxi-export-New000.xlsx"_s,
                         u".lanxi-export-Run789.xlsx"_s, u"lanxi-export-AbC123.xlsx"_s}));
  // A CSV export cleans up the same way.
  make(u".lanxi-export-Old456.csv"_s, 3600);
  ASSERT_TRUE(ExportCSV(grid, Path(u"next.csv"_s)));
  EXPECT_FALSE(QFile::exists(Path(u".lanxi-export-Old456.csv"_s)));
}
