#include "tables/tableexport.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <xlsxwriter.h>
#include <QByteArray>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QLocale>
#include <QRegularExpression>
#include <QTemporaryFile>
#include <cmath>
#include <cstdio>
#include <optional>
#include <type_traits>

#include "common/progress.h"
#include "common/progresssteps.h"

using namespace Qt::StringLiterals;

namespace lanxi {
namespace {

const QString kSaveError = u"文件保存出错！"_s;
constexpr lxw_color_t kTitleFill = 0xFFC080;  // red 255, green 192, blue 128
constexpr double kTwipsPerCharWidth = 123.0;

// Whether an existing file at `path` can be replaced: not a folder, not write-protected, in a
// folder that lets its entries change.
bool Replaceable(const QString& path) {
  const QFileInfo file(path);
  if (file.isDir() || !file.isWritable()) return false;
  return QFileInfo(file.absolutePath()).isWritable();
}

QString CsvField(QStringView text) {
  QString t = text.toString();
  t.replace(u'"', u"\"\""_s);
  if (t.contains(u',') || t.contains(u'"') || t.contains(u'\r') || t.contains(u'\n'))
    t = u'"' + t + u'"';
  return t;
}

// The most characters a workbook cell holds.
constexpr qsizetype kCellLimit = 32767;
// Parts of an export no longer written for this long, and locked by nobody, were left by an
// export that never finished.
constexpr qint64 kStaleSeconds = 60;

const QString kPartPrefix = u".lanxi-export-"_s;

// A file being exported, written under a hidden name of our own beside its target and renamed
// into place when complete. It is locked while this export runs, so that the next export can
// tell parts that an interrupted one left behind from parts another one is writing.
class ExportPart {
 public:
  ExportPart(const QString& target, const QString& suffix)
      : file_(QFileInfo(target).absolutePath() + u'/' + kPartPrefix + u"XXXXXX"_s + suffix) {
    if (!file_.open()) return;
    lock_ = ::open(QFile::encodeName(file_.fileName()).constData(), O_RDONLY | O_CLOEXEC);
    if (lock_ >= 0) ::flock(lock_, LOCK_EX);
  }
  ~ExportPart() {
    if (lock_ >= 0) ::close(lock_);
  }
  ExportPart(const ExportPart&) = delete;
  ExportPart& operator=(const ExportPart&) = delete;

  bool IsOpen() const { return file_.isOpen(); }
  QFile& File() { return file_; }
  QByteArray Name() const { return QFile::encodeName(file_.fileName()); }

  // Puts the part in the target's place. A new file gets the usual permissions (the part was
  // private), a replaced one keeps its own.
  bool Commit(const QString& target) {
    file_.close();
    const QFileInfo info(target);
    QFile::setPermissions(file_.fileName(), info.exists()
                                                ? info.permissions()
                                                : QFile::ReadOwner | QFile::WriteOwner |
                                                      QFile::ReadUser | QFile::WriteUser |
                                                      QFile::ReadGroup | QFile::ReadOther);
    if (std::rename(Name().constData(), QFile::encodeName(target).constData()) != 0) return false;
    file_.setAutoRemove(false);
    return true;
  }

 private:
  QTemporaryFile file_;  // removed unless committed
  int lock_ = -1;
};

// Removes the parts that exports which never finished left in `folder`: not written for a
// while and locked by no running export.
void RemoveStaleParts(const QString& folder) {
  static const QRegularExpression ours(u"^\\.lanxi-export-[A-Za-z0-9]{6}\\.(xlsx|csv)$"_s);
  const QDir dir(folder);
  const QDateTime before = QDateTime::currentDateTime().addSecs(-kStaleSeconds);
  for (const QFileInfo& part : dir.entryInfoList(QDir::Files | QDir::Hidden)) {
    if (!ours.match(part.fileName()).hasMatch() || part.lastModified() > before) continue;
    const QByteArray name = QFile::encodeName(part.absoluteFilePath());
    const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) continue;
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) ::unlink(name.constData());
    ::close(fd);
  }
}

// A text as a workbook cell takes it: cut to the cell limit, never inside a character.
QByteArray CellText(QStringView text) {
  if (text.size() > kCellLimit) {
    text = text.left(kCellLimit);
    if (text.back().isHighSurrogate()) text.chop(1);
  }
  return text.toUtf8();
}

// The number format that shows a number as the grid does: with `wholeDigits` digits at least
// before the point (leading zeros kept: "05" is 5 shown as "00") and `decimals` after it.
QString NumberFormat(int wholeDigits, int decimals) {
  QString format(wholeDigits, u'0');
  if (decimals > 0) format += u'.' + QString(decimals, u'0');
  return format;
}

// The number a cell of a numeric column shows, with the digits its format needs.
struct CellNumber {
  double value = 0;
  int wholeDigits = 1;
  int decimals = 0;
};
std::optional<CellNumber> NumberOf(QStringView text) {
  bool ok = false;
  const double v = QLocale::c().toDouble(text, &ok);
  if (!ok || !std::isfinite(v)) return std::nullopt;
  const QStringView digits = text.startsWith(u'-') ? text.mid(1) : text;
  const qsizetype point = digits.indexOf(u'.');
  const qsizetype whole = point < 0 ? digits.size() : point;
  CellNumber n{v, whole > 1 && digits.startsWith(u'0') ? int(whole) : 1,
               point < 0 ? 0 : int(digits.size() - point - 1)};
  return n;
}

// The date (and time) a cell of a date column shows: "yyyy.mm.dd" or "yyyy.mm.dd hh:mm". Days
// before 1900 have no workbook date.
std::optional<lxw_datetime> DateOf(QStringView text) {
  if (text.size() != 10 && text.size() != 16) return std::nullopt;
  const auto number = [&](qsizetype at, qsizetype length) {
    int v = 0;
    for (qsizetype i = at; i < at + length; ++i) {
      const char16_t c = text[i].unicode();
      if (c < u'0' || c > u'9') return -1;
      v = v * 10 + (c - u'0');
    }
    return v;
  };
  if (text[4] != u'.' || text[7] != u'.') return std::nullopt;
  lxw_datetime dt{number(0, 4), number(5, 2), number(8, 2), 0, 0, 0};
  if (text.size() == 16) {
    if (text[10] != u' ' || text[13] != u':') return std::nullopt;
    dt.hour = number(11, 2);
    dt.min = number(14, 2);
    if (!QTime::isValid(dt.hour, dt.min, 0)) return std::nullopt;
  }
  if (dt.year < 1900 || !QDate::isValid(dt.year, dt.month, dt.day)) return std::nullopt;
  return dt;
}

// Everything libxlsxwriter allocates for one workbook, released on every path.
class Workbook {
 public:
  explicit Workbook(const QByteArray& path) : wb_(workbook_new(path.constData())) {}
  ~Workbook() {
    if (wb_) workbook_close(wb_);  // only after a failure: the file is then discarded
  }
  lxw_workbook* get() const { return wb_; }
  lxw_error Close() {
    lxw_workbook* wb = wb_;
    wb_ = nullptr;
    return wb ? workbook_close(wb) : LXW_ERROR_MEMORY_MALLOC_FAILED;
  }
  // The bordered format of text cells.
  lxw_format* TextFormat() { return Format(0, nullptr); }
  // The bordered format of number cells with these digits.
  lxw_format* NumberFormatOf(const CellNumber& n) {
    return Format(1 + n.wholeDigits * 64 + n.decimals,
                  [&] { return NumberFormat(n.wholeDigits, n.decimals); });
  }
  // The bordered format of date cells, with or without the time.
  lxw_format* DateFormat(bool withTime) {
    return Format(withTime ? -2 : -1,
                  [&] { return withTime ? u"yyyy.mm.dd hh:mm"_s : u"yyyy.mm.dd"_s; });
  }

 private:
  // The bordered cell format known by `key`, made once with the number format `code` gives.
  template <typename Code>
  lxw_format* Format(int key, Code code) {
    lxw_format*& f = formats_[key];
    if (!f) {
      f = workbook_add_format(wb_);
      format_set_border(f, LXW_BORDER_THIN);
      if constexpr (!std::is_same_v<Code, std::nullptr_t>) {
        format_set_num_format(f, code().toUtf8().constData());
      }
    }
    return f;
  }

  lxw_workbook* wb_;
  QHash<int, lxw_format*> formats_;
};

// How the cells of a grid column go into the workbook.
enum class CellKind { Text, Number, Date };

CellKind KindOfColumn(const Grid& grid, int col) {
  switch (grid.ColKind(col)) {
    case Value::Type::Integer:
    case Value::Type::Double:
      return CellKind::Number;
    case Value::Type::Date:
    case Value::Type::DateTime:
      return CellKind::Date;
    default:
      break;
  }
  // The serial numbers the fill writes into a column without a field titled "序号".
  const bool serial = grid.FixedRows() >= 2 && grid.TextView(0, col).isEmpty() &&
                      grid.TextView(grid.FixedRows() - 1, col) == u"序号";
  return serial ? CellKind::Number : CellKind::Text;
}

// Writes one record cell: numbers and dates of their columns as such, everything else as
// text (so "=1+2" is never a formula).
lxw_error WriteCell(Workbook& wb, lxw_worksheet* sheet, lxw_row_t n, lxw_col_t m, CellKind kind,
                    QStringView text) {
  if (text.isEmpty()) return worksheet_write_blank(sheet, n, m, wb.TextFormat());
  if (kind == CellKind::Number) {
    if (const auto number = NumberOf(text))
      return worksheet_write_number(sheet, n, m, number->value, wb.NumberFormatOf(*number));
  } else if (kind == CellKind::Date) {
    if (auto date = DateOf(text))
      return worksheet_write_datetime(sheet, n, m, &*date, wb.DateFormat(text.size() == 16));
  }
  return worksheet_write_string(sheet, n, m, CellText(text).constData(), wb.TextFormat());
}

}  // namespace

QString ColumnLetter(int n) {
  QString letters;
  while (n > 0) {
    letters.prepend(QChar(u'A' + (n - 1) % 26));
    n = (n - 1) / 26;
  }
  return letters;
}

QString WorkbookFileName(const QString& path) {
  if (path.endsWith(u".xlsx"_s, Qt::CaseInsensitive)) return path;
  if (path.endsWith(u".xls"_s, Qt::CaseInsensitive)) return path + u'x';
  return path + u".xlsx"_s;
}

// The format the dialog's filters stand for, in their order.
enum class ExportFormat { Csv = 1, Workbook = 2 };

bool ExportTable(const Grid& grid, UserPrompts& prompts, const QString& extra,
                 const QString& sheetTitle) {
  if (grid.Rows() == 0 || grid.Cols() == 0) {
    prompts.Message(u"表格中没有数据！"_s, MessageKind::Information);
    return false;
  }
  FileDialogSpec dialog;
  dialog.title = u"导出数据"_s;
  dialog.filters = QStringList{u"CSV (逗号分隔)(*.csv)"_s, u"MS Excel文件 (*.xlsx)"_s};
  dialog.filterIndex = int(ExportFormat::Csv);
  const FileChoice choice = prompts.ChooseSaveFile(dialog);
  QString path = choice.path;
  if (path.isEmpty()) return false;
  // The name's extension says what to write; without one the chosen filter does.
  const QString extension = QFileInfo(path).suffix().toLower();
  const bool named = extension == u"csv"_s || extension == u"xls"_s || extension == u"xlsx"_s;
  const bool csv = named ? extension == u"csv"_s : choice.filterIndex == int(ExportFormat::Csv);
  if (!csv) {
    path = WorkbookFileName(path);
  } else if (!named) {
    path += u".csv"_s;
  }
  const QFileInfo target(path);
  if (target.exists() || target.isSymLink()) {
    if (!prompts.Ask(u"该文件已存在，是否覆盖？"_s)) return false;
    if (!Replaceable(path)) {
      prompts.Message(u"该文件无法覆盖，请确认该文件没被其他软件打开！"_s, MessageKind::Warning);
      return false;
    }
  }
  if (!extra.isEmpty()) return false;
  return csv ? ExportCSV(grid, path, prompts) : ExportExcel(grid, path, sheetTitle, prompts);
}

bool ExportCSV(const Grid& grid, const QString& path, UserPrompts& prompts) {
  RemoveStaleParts(QFileInfo(path).absolutePath());
  ExportPart part(path, u".csv"_s);
  if (!part.IsOpen()) {
    prompts.Message(kSaveError, MessageKind::Warning);
    return false;
  }
  ShowProgress(u"正在导出数据至CSV格式文件……"_s, grid.Rows());
  ProgressSteps steps(grid.Rows());
  QByteArray out("\xEF\xBB\xBF");
  QString line;
  bool ok = true;
  for (int r = 0; r < grid.Rows() && ok; ++r) {
    if (grid.RowHeight(r) >= 1) {
      line.clear();
      for (int c = 0; c < grid.Cols(); ++c) {
        if (grid.ColWidth(c) < 1) continue;
        line += CsvField(grid.TextView(r, c));
        line += u',';
      }
      line.chop(1);
      line += u"\r\n"_s;
      out += line.toUtf8();
      if (out.size() >= (1 << 20)) {
        ok = part.File().write(out) == out.size();
        out.clear();
      }
    }
    steps.Step();
  }
  steps.Flush();
  ok = ok && part.File().write(out) == out.size() && part.File().flush() && part.Commit(path);
  CloseProgress();
  if (!ok) prompts.Message(kSaveError, MessageKind::Warning);
  return ok;
}

bool ExportExcel(const Grid& grid, const QString& path, const QString& sheetTitle,
                 UserPrompts& prompts) {
  RemoveStaleParts(QFileInfo(path).absolutePath());
  ShowProgress(u"正在将数据导出到EXCEL文件 …"_s, grid.Rows());
  ProgressSteps steps(grid.Rows());
  const auto fail = [&] {
    CloseProgress();
    prompts.Message(kSaveError, MessageKind::Warning);
    return false;
  };
  ExportPart part(path, u".xlsx"_s);
  if (!part.IsOpen()) return fail();
  part.File().close();  // the writer writes it by name

  Workbook wb(part.Name());
  if (!wb.get()) return fail();
  lxw_worksheet* sheet = workbook_add_worksheet(wb.get(), sheetTitle.toUtf8().constData());
  if (!sheet) return fail();
  lxw_format* title = workbook_add_format(wb.get());
  format_set_border(title, LXW_BORDER_THIN);
  format_set_bold(title);
  format_set_pattern(title, LXW_PATTERN_SOLID);
  format_set_bg_color(title, kTitleFill);
  std::vector<CellKind> kinds(grid.Cols());
  for (int c = 0; c < grid.Cols(); ++c) kinds[c] = KindOfColumn(grid, c);

  const int titleRow = grid.FixedRows() - 1;
  lxw_row_t n = 0;
  bool ok = true;
  for (int r = 0; r < grid.Rows() && ok; ++r) {
    if (grid.RowHeight(r) >= 1) {
      lxw_col_t m = 0;
      for (int c = 0; c < grid.Cols() && ok; ++c) {
        if (grid.ColWidth(c) < 1) continue;
        const QStringView text = grid.TextView(r, c);
        lxw_error e;
        if (r >= grid.FixedRows()) {
          e = WriteCell(wb, sheet, n, m, kinds[c], text);
        } else {
          lxw_format* format = r == titleRow ? title : wb.TextFormat();
          e = text.isEmpty()
                  ? worksheet_write_blank(sheet, n, m, format)
                  : worksheet_write_string(sheet, n, m, CellText(text).constData(), format);
        }
        ok = e == LXW_NO_ERROR;
        if (r == titleRow) {
          worksheet_set_column(sheet, m, m, grid.ColWidth(c) / kTwipsPerCharWidth, nullptr);
        }
        ++m;
      }
      ++n;
    }
    steps.Step();
  }
  steps.Flush();
  if (!ok || wb.Close() != LXW_NO_ERROR || !part.Commit(path)) return fail();
  CloseProgress();
  return true;
}

}  // namespace lanxi
