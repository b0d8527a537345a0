// Table export: what the CSV file and the workbook hold (read back from the files), the save
// dialog, the overwrite question, and that failures keep the old file.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "tables/gridoperate.h"
#include "tables/tableexport.h"
#include "tablesfixture.h"
#include "workbookreader.h"

using namespace Qt::StringLiterals;
using namespace lanxi;
using lanxi::test::TablesTest;

namespace {

const QStringList kTricky{u"a,b"_s,  u"say \"hi\""_s,   u"two\r\nlines"_s, u"tab\there"_s,
                          u"=1+2"_s, u"中文，标点。"_s, u"lf\nonly"_s,     u" 空格 "_s};

class Export : public TablesTest {
 protected:
  Grid grid;

  // Hidden key column, serial number, two visible columns; row 0 hidden as always.
  void Describe() {
    SetupGridColumns(grid, {u"ID"_s, QString(), u"Name"_s, u"Price"_s},
                     {u"ID"_s, u"序号"_s, u"产品名称"_s, u"价格"_s});
    grid.SetFixedCols(2);
    grid.SetColWidth(0, 0);
    grid.SetColWidth(1, 615);
    grid.SetColWidth(2, 2460);
    grid.SetColWidth(3, 1230);
  }

  void AddRow(const QString& name, const QString& price) {
    grid.SetRows(grid.Rows() + 1);
    const int r = grid.Rows() - 1;
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

  // Reads CSV the way spreadsheet programs do: quoted fields may hold commas, quotes (doubled)
  // and line breaks; records end with CR LF.
  static QList<QStringList> ParseCsv(const QString& text) {
    QList<QStringList> records;
    QStringList fields;
    QString field;
    bool quoted = false, inQuotes = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
      const QChar ch = text[i];
      if (inQuotes) {
        if (ch == u'"' && i + 1 < text.size() && text[i + 1] == u'"') {
          field += u'"';
          ++i;
        } else if (ch == u'"') {
          inQuotes = false;
        } else {
          field += ch;
        }
      } else if (ch == u'"' && field.isEmpty() && !quoted) {
        inQuotes = quoted = true;
      } else if (ch == u',') {
        fields << field;
        field.clear();
        quoted = false;
      } else if (ch == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
        fields << field;
        records << fields;
        fields.clear();
        field.clear();
        quoted = false;
        ++i;
      } else {
        field += ch;
      }
    }
    return records;
  }
};

}  // namespace

TEST(ColumnLetter, CountsLikeSpreadsheets) {
  EXPECT_EQ(ColumnLetter(1), u"A"_s);
  EXPECT_EQ(ColumnLetter(26), u"Z"_s);
  EXPECT_EQ(ColumnLetter(27), u"AA"_s);
  EXPECT_EQ(ColumnLetter(30), u"AD"_s);
  EXPECT_EQ(ColumnLetter(52), u"AZ"_s);
  EXPECT_EQ(ColumnLetter(702), u"ZZ"_s);
  EXPECT_EQ(ColumnLetter(703), u"AAA"_s);
  EXPECT_EQ(ColumnLetter(16384), u"XFD"_s);
  EXPECT_TRUE(ColumnLetter(0).isEmpty());
}

TEST_F(Export, CsvQuotesWhatNeedsItAndSkipsHiddenRowsAndColumns) {
  Describe();
  AddRow(u"a,b"_s, u"12.50"_s);
  AddRow(u"say \"hi\""_s, QString());
  AddRow(u"two\r\nlines"_s, u"=1+2"_s);
  ASSERT_TRUE(ExportCSV(grid, Path(u"t.csv"_s)));
  const QByteArray expected =
      "\xEF\xBB\xBF"
      "\xE5\xBA\x8F\xE5\x8F\xB7,\xE4\xBA\xA7\xE5\x93\x81\xE5\x90\x8D\xE7\xA7\xB0,"
      "\xE4\xBB\xB7\xE6\xA0\xBC\r\n"  // 序号,产品名称,价格
      "1,\"a,b\",12.50\r\n"
      "2,\"say \"\"hi\"\"\",\r\n"
      "3,\"two\r\nlines\",=1+2\r\n";
  EXPECT_EQ(Read(Path(u"t.csv"_s)), expected);
  EXPECT_EQ(progress.shown, QStringList{u"正在导出数据至CSV格式文件……/5"_s});
  EXPECT_FALSE(ProgressOpen());
}

TEST_F(Export, TrickyTextsComeBackExactlyFromBothFiles) {
  Describe();
  for (const QString& t : kTricky) AddRow(t, t);
  ASSERT_TRUE(ExportCSV(grid, Path(u"r.csv"_s)));
  const QByteArray bytes = Read(Path(u"r.csv"_s));
  ASSERT_TRUE(bytes.startsWith("\xEF\xBB\xBF"));
  const auto records = ParseCsv(QString::fromUtf8(bytes.mid(3)));
  ASSERT_EQ(records.size(), 1 + kTricky.size());
  for (int i = 0; i < kTricky.size(); ++i) {
    EXPECT_EQ(records[1 + i], (QStringList{QString::number(i + 1), kTricky[i], kTricky[i]}));
  }

  ASSERT_TRUE(ExportExcel(grid, Path(u"r.xlsx"_s), u"淘宝产品销售数据分析"_s));
  const auto sheet = test::ReadFirstSheet(Path(u"r.xlsx"_s));
  ASSERT_TRUE(sheet.error.isEmpty()) << sheet.error.toStdString();
  for (int i = 0; i < kTricky.size(); ++i) {
    const QString row = QString::number(2 + i);
    EXPECT_EQ(sheet.cell(u"B"_s + row).text, kTricky[i]) << i;
    EXPECT_EQ(sheet.cell(u"C"_s + row).text, kTricky[i]) << i;
    EXPECT_EQ(sheet.cell(u"A"_s + row).text, QString::number(i + 1));
  }
}

TEST_F(Export, WorkbookHoldsTheVisibleCellsWithTitleStyleWidthsAndBorders) {
  Describe();
  AddRow(u"连衣裙"_s, u"99.00"_s);
  AddRow(u"衬衫"_s, QString());
  grid.SetRowHeight(3, 0);  // a hidden record is left out too
  AddRow(u"外套"_s, u"199.50"_s);
  ASSERT_TRUE(ExportExcel(grid, Path(u"w.xlsx"_s), u"淘宝产品销售数据分析"_s));
  const auto sheet = test::ReadFirstSheet(Path(u"w.xlsx"_s));
  ASSERT_TRUE(sheet.error.isEmpty()) << sheet.error.toStdString();
  EXPECT_EQ(sheet.name, u"淘宝产品销售数据分析"_s);
  EXPECT_EQ(sheet.rows, 3);
  EXPECT_EQ(sheet.cols, 3);
  EXPECT_EQ(sheet.cell(u"A1"_s).text, u"序号"_s);
  EXPECT_EQ(sheet.cell(u"B1"_s).text, u"产品名称"_s);
  EXPECT_EQ(sheet.cell(u"C1"_s).text, u"价格"_s);
  EXPECT_EQ(sheet.cell(u"B2"_s).text, u"连衣裙"_s);
  EXPECT_EQ(sheet.cell(u"C2"_s).text, u"99.00"_s);  // texts stay texts
  EXPECT_EQ(sheet.cell(u"B3"_s).text, u"外套"_s);
  for (const QString& ref : {u"A1"_s, u"B1"_s, u"C1"_s}) {
    EXPECT_TRUE(sheet.cell(ref).bold) << ref.toStdString();
    EXPECT_EQ(sheet.cell(ref).fill, u"FFFFC080"_s) << ref.toStdString();
    EXPECT_TRUE(sheet.cell(ref).thinBorder) << ref.toStdString();
  }
  for (const QString& ref : {u"A2"_s, u"C2"_s, u"C3"_s}) {
    EXPECT_FALSE(sheet.cell(ref).bold);
    EXPECT_TRUE(sheet.cell(ref).fill.isEmpty());
    EXPECT_TRUE(sheet.cell(ref).thinBorder) << ref.toStdString();  // empty cells get lines too
  }
  // ColWidth / 123 characters (the writer adds its own few hundredths for padding).
  EXPECT_NEAR(sheet.columnWidths.value(1), 615 / 123.0, 0.75);
  EXPECT_NEAR(sheet.columnWidths.value(2), 2460 / 123.0, 0.75);
  EXPECT_NEAR(sheet.columnWidths.value(3), 1230 / 123.0, 0.75);
  EXPECT_EQ(progress.shown, QStringList{u"正在将数据导出到EXCEL文件 …/5"_s});
}

TEST_F(Export, ThirtyVisibleColumnsGetTheTitleColourFromAToAD) {
  QStringList fields, titles;
  for (int c = 0; c < 31; ++c) {
    fields << u"F"_s + QString::number(c);
    titles << u"列"_s + QString::number(c);
  }
  SetupGridColumns(grid, fields, titles);
  grid.SetColWidth(0, 0);
  ASSERT_TRUE(ExportExcel(grid, Path(u"wide.xlsx"_s), u"表"_s));
  const auto sheet = test::ReadFirstSheet(Path(u"wide.xlsx"_s));
  EXPECT_EQ(sheet.cols, 30);
  EXPECT_EQ(sheet.rows, 1);  // a grid without records: the title row alone
  EXPECT_EQ(sheet.cell(u"AD1"_s).text, u"列30"_s);
  EXPECT_EQ(sheet.cell(u"AD1"_s).fill, u"FFFFC080"_s);
  EXPECT_FALSE(sheet.cells.contains(u"AE1"_s));
}

TEST_F(Export, ExportTableAsksForTheFileAndDispatchesByExtension) {
  Describe();
  AddRow(u"甲"_s, u"1.00"_s);
  prompts.files << QString() << Path(u"upper.CSV"_s) << Path(u"old.xls"_s) << Path(u"noext"_s);
  EXPECT_FALSE(ExportTable(grid, prompts, {}, u"淘宝产品销售数据分析"_s));  // cancelled
  ASSERT_EQ(prompts.fileDialogs.size(), 1);
  EXPECT_EQ(prompts.fileDialogs[0].filters,
            (QStringList{u"CSV (逗号分隔)(*.csv)"_s, u"MS Excel文件 (*.xlsx)"_s}));
  EXPECT_EQ(prompts.fileDialogs[0].filterIndex, 1);

  EXPECT_TRUE(ExportTable(grid, prompts, {}, u"淘宝产品销售数据分析"_s));
  EXPECT_TRUE(Read(Path(u"upper.CSV"_s)).startsWith("\xEF\xBB\xBF"));
  EXPECT_TRUE(ExportTable(grid, prompts, {}, u"淘宝产品销售数据分析"_s));
  EXPECT_FALSE(QFile::exists(Path(u"old.xls"_s)));  // the name says what the file holds
  EXPECT_EQ(test::ReadFirstSheet(Path(u"old.xlsx"_s)).cell(u"B2"_s).text, u"甲"_s);
  EXPECT_TRUE(ExportTable(grid, prompts, {}, u"淘宝产品销售数据分析"_s));
  EXPECT_TRUE(Read(Path(u"noext.csv"_s)).startsWith("\xEF\xBB\xBF"));  // the filter offered
  EXPECT_TRUE(prompts.messages.isEmpty());
  EXPECT_TRUE(prompts.questions.isEmpty());
  // No temporary parts are left behind.
  EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden).filter(u"lanxi-export"_s),
            QStringList());

  Grid empty;
  empty.SetFixedRows(0);
  empty.SetRows(0);
  EXPECT_FALSE(ExportTable(empty, prompts, {}, u"淘宝产品销售数据分析"_s));
  EXPECT_EQ(prompts.messages, QStringList{u"表格中没有数据！"_s});
  EXPECT_EQ(prompts.fileDialogs.size(), 4);  // no dialog for an empty table
}

TEST_F(Export, AnExistingFileIsReplacedOnlyWhenTheUserSaysSo) {
  Describe();
  AddRow(u"新"_s, u"2.00"_s);
  Write(Path(u"keep.csv"_s), "old contents");
  prompts.files << Path(u"keep.csv"_s) << Path(u"keep.csv"_s);
  prompts.answers << false << true;
  EXPECT_FALSE(ExportTable(grid, prompts, {}, u"淘宝产品销售数据分析"_s));
  EXPECT_EQ(Read(Path(u"keep.csv"_s)), QByteArray("old contents"));
  EXPECT_TRUE(ExportTable(grid, prompts, {}, u"淘宝产品销售数据分析"_s));
  EXPECT_TRUE(Read(Path(u"keep.csv"_s)).contains("2.00"));
  EXPECT_EQ(prompts.questions, QStringList(2, u"该文件已存在，是否覆盖？"_s));
}

TEST_F(Export, TargetsThatCannotBeWrittenKeepWhatWasThere) {
  Describe();
  AddRow(u"新"_s, u"2.00"_s);
  // A folder by the chosen name cannot be replaced by a file.
  ASSERT_TRUE(QDir(folder.path()).mkpath(u"dir.csv/inner"_s));
  ASSERT_TRUE(QDir(folder.path()).mkpath(u"dir.xlsx"_s));
  prompts.files << Path(u"dir.csv"_s) << Path(u"dir.xls"_s) << Path(u"missing/sub/x.csv"_s)
                << Path(u"missing/sub/x.xlsx"_s);
  prompts.answers << true << true;
  EXPECT_FALSE(ExportTable(grid, prompts, {}, u"淘宝产品销售数据分析"_s));
  EXPECT_FALSE(ExportTable(grid, prompts, {}, u"淘宝产品销售数据分析"_s));
  EXPECT_TRUE(QFileInfo(Path(u"dir.csv/inner"_s)).isDir());
  EXPECT_TRUE(QFileInfo(Path(u"dir.xlsx"_s)).isDir());
  // A folder that does not exist cannot take the file.
  EXPECT_FALSE(ExportTable(grid, prompts, {}, u"淘宝产品销售数据分析"_s));
  EXPECT_FALSE(ExportTable(grid, prompts, {}, u"淘宝产品销售数据分析"_s));
  EXPECT_EQ(prompts.messages, (QStringList{u"该文件无法覆盖，请确认该文件没被其他软件打开！"_s,
                                           u"该文件无法覆盖，请确认该文件没被其他软件打开！"_s,
                                           u"文件保存出错！"_s, u"文件保存出错！"_s}));
  EXPECT_FALSE(ProgressOpen());
  EXPECT_FALSE(QFileInfo::exists(Path(u"missing"_s)));
}

TEST_F(Export, AFailedWorkbookLeavesTheOldFileWhole) {
  Describe();
  AddRow(u"新"_s, u"2.00"_s);
  Write(Path(u"book.xlsx"_s), "previous workbook");
  // A sheet name no spreadsheet accepts makes the writer fail after the user said Yes.
  EXPECT_FALSE(ExportExcel(grid, Path(u"book.xlsx"_s), u"bad/name[1]"_s));
  EXPECT_EQ(Read(Path(u"book.xlsx"_s)), QByteArray("previous workbook"));
  EXPECT_EQ(prompts.messages, QStringList{u"文件保存出错！"_s});
  EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden).filter(u"lanxi-export"_s),
            QStringList());
}

TEST_F(Export, TheChosenFilterDecidesForANameWithoutExtension) {
  Describe();
  AddRow(u"甲"_s, u"1.00"_s);
  prompts.files << Path(u"bare"_s) << Path(u"bare"_s) << Path(u"report.v2"_s)
                << Path(u"named.csv"_s) << Path(u"old.XLS"_s);
  prompts.filters << 1 << 2 << 2 << 2 << 1;
  for (int i = 0; i < 5; ++i) EXPECT_TRUE(ExportTable(grid, prompts, {}, u"表"_s)) << i;
  EXPECT_TRUE(Read(Path(u"bare.csv"_s)).startsWith("\xEF\xBB\xBF"));
  EXPECT_TRUE(test::ReadFirstSheet(Path(u"bare.xlsx"_s)).error.isEmpty());
  EXPECT_TRUE(test::ReadFirstSheet(Path(u"report.v2.xlsx"_s)).error.isEmpty());
  // An extension of ours wins over the filter.
  EXPECT_TRUE(Read(Path(u"named.csv"_s)).startsWith("\xEF\xBB\xBF"));
  EXPECT_TRUE(test::ReadFirstSheet(Path(u"old.XLSx"_s)).error.isEmpty());
  EXPECT_FALSE(QFile::exists(Path(u"bare"_s)));
  EXPECT_TRUE(prompts.messages.isEmpty());
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
  const auto sheet = test::ReadFirstSheet(Path(u"typed.xlsx"_s));
  ASSERT_TRUE(sheet.error.isEmpty()) << sheet.error.toStdString();

  const auto expectNumber = [&](const QString& ref, double value, const QString& format) {
    const test::WorkbookCell c = sheet.cell(ref);
    EXPECT_TRUE(c.number) << ref.toStdString() << " holds " << c.text.toStdString();
    EXPECT_DOUBLE_EQ(c.text.toDouble(), value) << ref.toStdString();
    EXPECT_EQ(c.numberFormat, format) << ref.toStdString();
    EXPECT_TRUE(c.thinBorder) << ref.toStdString();
  };
  const auto expectText = [&](const QString& ref, const QString& text) {
    EXPECT_FALSE(sheet.cell(ref).number) << ref.toStdString();
    EXPECT_EQ(sheet.cell(ref).text, text) << ref.toStdString();
  };
  const double day = QDate(1899, 12, 30).daysTo(QDate(2012, 3, 5));
  expectNumber(u"A2"_s, 1, u"0"_s);
  expectText(u"B2"_s, u"=1+2"_s);  // never a formula
  expectText(u"C2"_s, u"0123"_s);  // a text column keeps its digits as text
  expectNumber(u"D2"_s, 5, u"00"_s);
  expectNumber(u"E2"_s, 12.5, u"0.00"_s);
  expectNumber(u"F2"_s, 7, u"0"_s);
  expectNumber(u"G2"_s, day, u"yyyy.mm.dd hh:mm"_s);
  expectNumber(u"H2"_s, day + (14 * 60 + 30) / 1440.0, u"yyyy.mm.dd hh:mm"_s);
  expectText(u"I2"_s, u"√"_s);
  expectNumber(u"D3"_s, -3, u"00"_s);
  expectNumber(u"E3"_s, -0.25, u"0.00"_s);
  expectNumber(u"F3"_s, 0, u"0"_s);
  EXPECT_TRUE(sheet.cell(u"G3"_s).text.isEmpty());  // the no-date day shows nothing
  expectText(u"B3"_s, longText.left(32766));
  EXPECT_TRUE(sheet.cell(u"E4"_s).text.isEmpty());
  EXPECT_TRUE(sheet.cell(u"E4"_s).thinBorder);

  // Dates shown without their time are days.
  ASSERT_EQ(FillGrid(grid, {}, u"rowid"_s, true), u"3/3"_s);
  ASSERT_TRUE(ExportExcel(grid, Path(u"days.xlsx"_s), u"表"_s));
  const auto days = test::ReadFirstSheet(Path(u"days.xlsx"_s));
  EXPECT_TRUE(days.cell(u"H2"_s).number);
  EXPECT_DOUBLE_EQ(days.cell(u"H2"_s).text.toDouble(), day);
  EXPECT_EQ(days.cell(u"H2"_s).numberFormat, u"yyyy.mm.dd"_s);
  EXPECT_TRUE(prompts.messages.isEmpty()) << prompts.messages.join(u'|').toStdString();
}

TEST_F(Export, PartsAnInterruptedExportLeftAreRemovedByTheNextOne) {
  Describe();
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
  EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden).filter(u"lanxi-export"_s),
            (QStringList{u".lanxi-export-AbC123.xlsx.bak"_s, u".lanxi-export-New000.xlsx"_s,
                         u".lanxi-export-Run789.xlsx"_s, u"lanxi-export-AbC123.xlsx"_s}));
  // A CSV export cleans up the same way.
  make(u".lanxi-export-Old456.csv"_s, 3600);
  ASSERT_TRUE(ExportCSV(grid, Path(u"next.csv"_s)));
  EXPECT_FALSE(QFile::exists(Path(u".lanxi-export-Old456.csv"_s)));
}
