#include "tables/tableexport.h"

#include <xlsxwriter.h>
#include <QByteArray>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryFile>
#include <cstdio>

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

 private:
  lxw_workbook* wb_;
};

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

bool ExportTable(const Grid& grid, UserPrompts& prompts, const QString& extra,
                 const QString& sheetTitle) {
  if (grid.Rows() == 0 || grid.Cols() == 0) {
    prompts.Message(u"表格中没有数据！"_s, MessageKind::Information);
    return false;
  }
  FileDialogSpec dialog;
  dialog.title = u"导出数据"_s;
  dialog.filters = QStringList{u"CSV (逗号分隔)(*.csv)"_s, u"MS Excel文件 (*.xlsx)"_s};
  dialog.filterIndex = 1;
  QString path = prompts.SaveFileName(dialog);
  if (path.isEmpty()) return false;
  const bool csv = path.right(3).toLower() == u"csv"_s;
  if (!csv) path = WorkbookFileName(path);
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
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) {
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
        ok = file.write(out) == out.size();
        out.clear();
      }
    }
    steps.Step();
  }
  steps.Flush();
  ok = ok && file.write(out) == out.size() && file.commit();
  CloseProgress();
  if (!ok) {
    file.cancelWriting();
    prompts.Message(kSaveError, MessageKind::Warning);
  }
  return ok;
}

bool ExportExcel(const Grid& grid, const QString& path, const QString& sheetTitle,
                 UserPrompts& prompts) {
  ShowProgress(u"正在将数据导出到EXCEL文件 …"_s, grid.Rows());
  ProgressSteps steps(grid.Rows());
  const auto fail = [&] {
    CloseProgress();
    prompts.Message(kSaveError, MessageKind::Warning);
    return false;
  };
  // The workbook is written under a fresh name in the target's folder, then renamed.
  QTemporaryFile part(QFileInfo(path).absolutePath() + u"/.lanxi-export-XXXXXX.xlsx"_s);
  if (!part.open()) return fail();
  part.close();
  const QByteArray partName = QFile::encodeName(part.fileName());

  Workbook wb(partName);
  if (!wb.get()) return fail();
  lxw_worksheet* sheet = workbook_add_worksheet(wb.get(), sheetTitle.toUtf8().constData());
  if (!sheet) return fail();
  lxw_format* cell = workbook_add_format(wb.get());
  format_set_border(cell, LXW_BORDER_THIN);
  lxw_format* title = workbook_add_format(wb.get());
  format_set_border(title, LXW_BORDER_THIN);
  format_set_bold(title);
  format_set_pattern(title, LXW_PATTERN_SOLID);
  format_set_bg_color(title, kTitleFill);

  const int titleRow = grid.FixedRows() - 1;
  lxw_row_t n = 0;
  bool ok = true;
  for (int r = 0; r < grid.Rows() && ok; ++r) {
    if (grid.RowHeight(r) >= 1) {
      lxw_col_t m = 0;
      lxw_format* format = r == titleRow ? title : cell;
      for (int c = 0; c < grid.Cols() && ok; ++c) {
        if (grid.ColWidth(c) < 1) continue;
        const QStringView text = grid.TextView(r, c);
        // Texts stay texts: "=1+2" is written as those characters, never as a formula.
        const lxw_error e =
            text.isEmpty() ? worksheet_write_blank(sheet, n, m, format)
                           : worksheet_write_string(sheet, n, m, text.toUtf8().constData(), format);
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
  if (!ok) return fail();
  if (wb.Close() != LXW_NO_ERROR) return fail();
  // A new file gets the usual permissions (the part was private), a replaced one keeps its own.
  const QFileInfo target(path);
  QFile::setPermissions(part.fileName(), target.exists() ? target.permissions()
                                                         : QFile::ReadOwner | QFile::WriteOwner |
                                                               QFile::ReadUser | QFile::WriteUser |
                                                               QFile::ReadGroup | QFile::ReadOther);
  if (std::rename(partName.constData(), QFile::encodeName(path).constData()) != 0) return fail();
  part.setAutoRemove(false);
  CloseProgress();
  return true;
}

}  // namespace lanxi
