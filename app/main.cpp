#include <QApplication>
#include <cstdio>
#include <cstring>
#include <optional>

#include "capture/ui/webbrowser.h"
#include "common/programfolder.h"
#include "common/userprompts.h"
#include "common/version.h"
#include "demodata.h"
#include "mainwindow/ui/application.h"
#include "mainwindow/ui/dialogprompts.h"
#include "mainwindow/ui/mf.h"
#include "mainwindow/ui/startupprobe.h"
#include "storage/catalogue.h"
#include "storage/schema.h"
#include "storage/templates.h"

using namespace Qt::StringLiterals;

namespace {

// Exit statuses of a start that cannot go on.
constexpr int kMissingTemplates = 2;
constexpr int kUnusableProgramFolder = 3;

// The desktop entry (packaging/) the windows belong to, so that the desktop shows its name and
// icon for them.
constexpr char16_t kDesktopFileName[] = u"cn.lanxi_soft.tracker";

constexpr char kHelp[] =
    R"(用法 Usage: lanxi [选项 options]

澜析产品销量跟踪软件：跟踪淘宝商品的价格、销量和库存，绘制趋势图表。
LanXi product sales tracker: follows the prices, sales and stock of Taobao products and draws
trend charts.

选项 Options:
  -h, --help       显示本说明后退出
                   show this help and exit
  -v, --version    显示软件名称和版本后退出
                   show the program's name and version and exit
  Qt 的选项（如 -platform offscreen）和内置浏览器 Qt WebEngine 的选项（如 --disable-gpu）
  照常传给它们。
  Options of Qt (e.g. -platform offscreen) and of the embedded browser Qt WebEngine (e.g.
  --disable-gpu) are passed on to them.

环境变量 Environment:
  LANXI_HOME       程序文件夹（数据库列表、跟踪数据库、产品图片）；设置后优先于下面的位置
                   the program folder (database list, tracking databases, product pictures);
                   when set, it is used instead of the folders below
  XDG_DATA_HOME    安装版把每个用户的程序文件夹放在 $XDG_DATA_HOME/lanxi，
                   未设置时为 ~/.local/share/lanxi；从源代码编译的程序用它所在的文件夹
                   an installed program keeps each user's program folder in
                   $XDG_DATA_HOME/lanxi, by default ~/.local/share/lanxi; a program built from
                   source uses its own folder
  QT_QPA_PLATFORM  Qt 的显示平台，如 xcb、wayland、offscreen
                   Qt's display platform, e.g. xcb, wayland, offscreen
  QTWEBENGINE_CHROMIUM_FLAGS
                   内置浏览器的附加选项
                   extra options of the embedded browser
  QTWEBENGINE_DISABLE_SANDBOX
                   设为 1 时内置浏览器不用沙箱（以 root 运行时自动设置）
                   1 runs the embedded browser without its sandbox (set by itself for root)
  LANXI_STARTUP_PROBE
                   测量启动时间用：主窗口第一次绘制后输出 first-paint 并退出，
                   启动时的提示只写到标准错误输出
                   start-up measurement: print "first-paint" once the main window has painted
                   and exit; start-up messages go to the standard error stream only

首次启动时，程序在程序文件夹中放入数据库模板；安装版还会创建示例数据库“示例数据库”。
At its first start the program puts the database templates into the program folder; an
installed program also creates the demo database "示例数据库".

退出状态 Exit status: 0 正常 normal; 2 缺少数据库模板 database templates missing;
3 程序文件夹无法创建或写入 the program folder cannot be created or written.
)";

// --version and --help are answered before anything else, without a display. Everything else
// on the command line is Qt's and the browser engine's. Answers the exit status when one of
// them was given.
std::optional<int> AnswerOption(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--version") == 0 || std::strcmp(argv[i], "-v") == 0) {
      const QString line =
          QString::fromUtf16(lanxi::kProductName) + u' ' + lanxi::ProgramVersion() + u'\n';
      std::fputs(line.toUtf8().constData(), stdout);
      return 0;
    }
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::fputs(kHelp, stdout);
      return 0;
    }
  }
  return std::nullopt;
}

// A message that ends the start: in a message box, and on the standard error stream for a
// terminal or the desktop session's log (a probe's prompts write only there).
void StartFails(const QString& text, bool probe) {
  if (!probe) std::fprintf(stderr, "%s\n", text.toUtf8().constData());
  lanxi::ShowMessage(text, lanxi::MessageKind::Critical);
}

// The first start of an installed program in a new program folder makes the demo database,
// as the run command of a source checkout does, so that a new user sees the program at work.
// A folder whose catalogue was lost (its tracking databases are still there) gets none.
void MakeDemoDatabase(const QStringList& supplied) {
  const QString catalogName = QString::fromUtf16(lanxi::kCatalogFile);
  if (!lanxi::IsInstalledProgram() || !supplied.contains(catalogName)) return;
  if (!lanxi::UncataloguedDatabaseFiles().isEmpty()) return;
  const QString catalog = lanxi::ProgramFile(catalogName);
  if (lanxi::demo::CatalogueSize(catalog) != 0) return;
  lanxi::demo::Spec spec;
  lanxi::demo::Result result;
  QString error;
  if (!lanxi::demo::GenerateCataloguedDatabase(catalog, spec, &result, &error) ||
      !lanxi::demo::SetDefaultDatabase(catalog, spec.name)) {
    lanxi::ShowMessage(u"无法在程序文件夹“"_s + lanxi::ProgramFolder() + u"”中创建示例数据库"_s +
                           (error.isEmpty() ? QString() : u"（"_s + error + u"）"_s) +
                           u"。可以用“文件”菜单中的“新建数据库”新建数据库。"_s,
                       lanxi::MessageKind::Warning);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (const std::optional<int> answered = AnswerOption(argc, argv)) return *answered;

  // The embedded browser's engine is set up before the application exists.
  lanxi::PrepareWebEngine();
  QApplication app(argc, argv);
  lanxi::SetUpApplication();
  QGuiApplication::setDesktopFileName(QString::fromUtf16(kDesktopFileName));

  // A start-up probe measures a start nobody watches: its messages go to the standard error
  // stream instead of waiting in a box for a click.
  const bool probe = qEnvironmentVariableIsSet("LANXI_STARTUP_PROBE");
  lanxi::DialogPrompts prompts;
  if (!probe) lanxi::SetPrompts(&prompts);

  // Nothing is written before the folder is known to take the program's files.
  const QString problem = lanxi::PrepareProgramFolder(lanxi::ProgramFolder());
  if (!problem.isEmpty()) {
    StartFails(problem, probe);
    return kUnusableProgramFolder;
  }

  QStringList missing, supplied;
  if (!lanxi::EnsureTemplates(&missing, &supplied)) {
    StartFails(u"程序文件夹“"_s + lanxi::ProgramFolder() + u"”缺少数据库模板文件 "_s +
                   missing.join(u"、"_s) + u"，程序无法运行。请重新安装本软件。"_s,
               probe);
    return kMissingTemplates;
  }
  // A new catalogue in a folder that already holds tracking databases: the list was lost.
  if (supplied.contains(QString::fromUtf16(lanxi::kCatalogFile))) lanxi::NoticeLostCatalogue();
  MakeDemoDatabase(supplied);

  lanxi::MF window;
  // Start-up measurement (bench/): report the first paint of the main window and end.
  if (probe) lanxi::ExitAfterFirstPaint(&window);
  window.show();
  const int rc = app.exec();
  lanxi::SetPrompts(nullptr);
  return rc;
}
