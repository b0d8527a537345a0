// Where the program keeps its data, installed and built from source, and the command line.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include "common/programfolder.h"
#include "demodata.h"
#include "storage/connection.h"

using namespace Qt::StringLiterals;
using namespace lanxi;

namespace {

const QString kBuildFolder = QString::fromUtf8(LANXI_BUILD_DIR);
const QString kBuilt = kBuildFolder + u"/lanxi"_s;
// The advice that closes every message about a program folder that cannot serve.
const QString kWhatToDo =
    u"\n请检查该文件夹的权限和磁盘空间，或用环境变量 LANXI_HOME 指定另一个文件夹，然后重新启动本软件。"_s;

// Sets an environment variable for the life of the object; unsets it when `value` is null.
struct EnvVar {
  EnvVar(const char* n, const QString& v) : name(n), old(qEnvironmentVariable(n, u"\n"_s)) {
    v.isNull() ? qunsetenv(n) : qputenv(n, v.toUtf8());
  }
  ~EnvVar() { old == u"\n"_s ? qunsetenv(name) : qputenv(name, old.toUtf8()); }
  const char* name;
  QString old;
};

QStringList Entries(const QString& folder) {
  return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}
QStringList DatabaseFiles(const QString& folder) {
  return QDir(folder).entryList({u"DB*.mdb"_s}, QDir::Files, QDir::Name);
}

struct Outcome {
  int exitCode = -1;
  QString out, err;
};

// Runs `program` offscreen with what a desktop session gives it, plus `extra` (NAME=value).
Outcome Start(const QString& program, const QString& home, const QStringList& extra = {}) {
  const QString runtime = home + u"/.run"_s;
  QDir().mkpath(runtime);
  QFile::setPermissions(runtime,
                        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
  QStringList env{u"PATH="_s + qEnvironmentVariable("PATH"),
                  u"HOME="_s + home,
                  u"LANG=C.UTF-8"_s,
                  u"QT_QPA_PLATFORM=offscreen"_s,
                  u"LANXI_STARTUP_PROBE=1"_s,
                  u"XDG_RUNTIME_DIR="_s + runtime};
  if (geteuid() == 0) env << u"QTWEBENGINE_DISABLE_SANDBOX=1"_s;
  QProcess p;
  p.setEnvironment(env + extra);
  p.start(program, {});
  if (!p.waitForFinished(120000)) p.kill(), p.waitForFinished();
  return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
          QString::fromUtf8(p.readAllStandardOutput()),
          QString::fromUtf8(p.readAllStandardError())};
}

// The program laid out as the package installs it: PREFIX/lib/lanxi with the templates.
class InstalledLayout : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(root_.isValid());
    ASSERT_TRUE(QDir().mkpath(lib_) && QDir().mkpath(home_));
    const bool linked =
        ::link(QFile::encodeName(kBuilt).constData(), QFile::encodeName(exe_).constData()) == 0;
    ASSERT_TRUE(linked || QFile::copy(kBuilt, exe_));
    CopyTemplates(lib_);
    shipped_ = Entries(lib_);
  }
  void CopyTemplates(const QString& to) {
    for (const QString& name : {u"PARA.mdb"_s, u"data.mdb"_s})
      ASSERT_TRUE(QFile::copy(kBuildFolder + u'/' + name, to + u'/' + name));
  }
  // A start that ends well and leaves the installed folder as shipped.
  Outcome Run(const QStringList& extra = {}) {
    const Outcome run = Start(exe_, home_, extra);
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(Entries(lib_), shipped_);
    return run;
  }

  // The build folder holds the test's files: the executable can then be linked, not copied.
  QTemporaryDir root_{kBuildFolder + u"/installed-XXXXXX"_s};
  QString lib_ = root_.filePath(u"usr/lib/lanxi"_s), exe_ = lib_ + u"/lanxi"_s,
          home_ = root_.filePath(u"home"_s);
  QStringList shipped_;
};

}  // namespace

TEST(ProgramFolderRules, InstalledProgramsAreKnownByTheirFolderAndUseXdgDataHome) {
  for (const auto& [folder, installed] : {std::pair{u"/opt/tools/lib/lanxi/"_s, true},
                                          {u"/usr/lib/lanxi2"_s, false},
                                          {u"/usr/lib/lanxi/bin"_s, false}})
    EXPECT_EQ(IsInstalledProgramFolder(folder), installed) << folder.toStdString();
  // The test executables are not installed: their program folder is their own.
  EXPECT_FALSE(IsInstalledProgram());

  EnvVar home("HOME", u"/home/someone"_s);
  for (const auto& [xdg, folder] : {std::pair{u"/data/someone/"_s, u"/data/someone/lanxi"_s},
                                    {QString(), u"/home/someone/.local/share/lanxi"_s},
                                    {u"relative/share"_s, u"/home/someone/.local/share/lanxi"_s}}) {
    EnvVar set("XDG_DATA_HOME", xdg);
    EXPECT_EQ(UserProgramFolder(), folder) << xdg.toStdString();
  }
}

TEST(PrepareProgramFolder, CreatesMissingFoldersForTheOwnerOrNamesWhyItCannot) {
  QTemporaryDir tmp;
  const QString folder = tmp.filePath(u"share/lanxi"_s);
  EXPECT_EQ(PrepareProgramFolder(folder), QString());
  EXPECT_TRUE(QFileInfo(folder).isDir() && Entries(folder).isEmpty());
  struct stat st {};
  ASSERT_EQ(::stat(QFile::encodeName(folder).constData(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);

  // A file stands where a folder of the path should be (root cannot get past it either).
  ASSERT_TRUE(QFile(tmp.filePath(u"home"_s)).open(QIODevice::WriteOnly));
  const QString blocked = tmp.filePath(u"home/lanxi"_s);
  EXPECT_EQ(PrepareProgramFolder(blocked),
            u"无法创建程序文件夹“"_s + blocked + u"”（路径中有一个同名的文件）。"_s + kWhatToDo);

  // Not enough room: the folders made for the check go again, the existing parent stays.
  const QString fresh = tmp.filePath(u"data/lanxi"_s);
  const QString full = PrepareProgramFolder(fresh, qint64(1) << 60);
  EXPECT_TRUE(full.startsWith(u"程序文件夹“"_s + fresh + u"”所在的磁盘空间不足（可用 "_s) &&
              full.contains(u"至少需要 1099511627776.0 MB"_s))
      << full.toStdString();
  EXPECT_EQ(Entries(tmp.path()), (QStringList{u"home"_s, u"share"_s}));
}

TEST(PrepareProgramFolder, AReadOnlyFolderIsReportedUntouched) {
  if (geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
  QTemporaryDir tmp;
  const QString folder = tmp.filePath(u"lanxi"_s);
  ASSERT_TRUE(QDir().mkdir(folder));
  ASSERT_TRUE(QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
  EXPECT_EQ(PrepareProgramFolder(folder),
            u"程序文件夹“"_s + folder + u"”无法写入（没有权限）。"_s + kWhatToDo);
  EXPECT_TRUE(Entries(folder).isEmpty());
  QFile::setPermissions(folder,
                        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

TEST(CommandLine, VersionAndHelpNeedNoDisplay) {
  const auto answer = [](const QStringList& args) {
    QProcess p;
    p.setEnvironment({u"PATH="_s + qEnvironmentVariable("PATH")});  // no display, no platform
    p.start(kBuilt, args);
    EXPECT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 0);
    return QString::fromUtf8(p.readAllStandardOutput());
  };
  // --version is answered before Qt starts.
  EXPECT_EQ(answer({u"--version"_s}), u"澜析产品销量跟踪软件 2.03\n"_s);
  const QString help = answer({u"-platform"_s, u"offscreen"_s, u"--help"_s});
  for (const QString& expected : {u"用法 Usage: lanxi"_s, u"LANXI_HOME"_s, u"显示本说明后退出"_s})
    EXPECT_TRUE(help.contains(expected)) << expected.toStdString();
}

TEST(CommandLine, AProgramFolderThatCannotBeMadeEndsTheStartWithItsName) {
  QTemporaryDir tmp;
  ASSERT_TRUE(QFile(tmp.filePath(u"blocker"_s)).open(QIODevice::WriteOnly));
  const QString folder = tmp.filePath(u"blocker/lanxi"_s);
  const Outcome run = Start(kBuilt, tmp.filePath(u"home"_s), {u"LANXI_HOME="_s + folder});
  EXPECT_EQ(run.exitCode, 3) << run.err.toStdString();
  EXPECT_FALSE(run.out.contains(u"first-paint"_s));
  EXPECT_TRUE(run.err.contains(u"无法创建程序文件夹“"_s + folder)) << run.err.toStdString();
}

TEST_F(InstalledLayout, FirstStartMakesTheUserFolderWithTemplatesAndTheDemoDatabase) {
  EXPECT_TRUE(Run().out.contains(u"first-paint"_s));
  const QString folder = home_ + u"/.local/share/lanxi"_s;
  EXPECT_TRUE(QFileInfo::exists(folder + u"/data.mdb"_s));
  const QStringList databases = DatabaseFiles(folder);
  ASSERT_EQ(databases.size(), 1) << Entries(folder).join(u' ').toStdString();
  EXPECT_EQ(demo::CatalogueSize(folder + u"/PARA.mdb"_s), 1);

  Run();  // the second start finds its folder and makes nothing new
  EXPECT_EQ(DatabaseFiles(folder), databases);
  Connection catalogue;  // the demo database is the default
  ASSERT_TRUE(catalogue.open(folder + u"/PARA.mdb"_s));
  Statement def(catalogue, u"SELECT Con FROM Def WHERE Var='默认数据库'"_s);
  EXPECT_TRUE(def.next() && def.value(0).toString() == u"示例数据库"_s);
}

TEST_F(InstalledLayout, AFolderTheUserAlreadyHasGetsNoDemoDatabase) {
  // A catalogue of its own, whose databases the user deleted: it stays empty.
  const QString emptied = root_.filePath(u"emptied"_s), lost = root_.filePath(u"lost"_s);
  ASSERT_TRUE(QDir().mkpath(emptied) && QDir().mkpath(lost));
  CopyTemplates(emptied);
  Run({u"LANXI_HOME="_s + emptied});
  EXPECT_TRUE(DatabaseFiles(emptied).isEmpty());

  // A lost catalogue beside a tracking database: the start says how to bring it back.
  ASSERT_TRUE(QFile::copy(lib_ + u"/data.mdb"_s, lost + u"/DB240101120000.mdb"_s));
  const Outcome run = Run({u"LANXI_HOME="_s + lost});
  EXPECT_EQ(DatabaseFiles(lost), QStringList{u"DB240101120000.mdb"_s});
  EXPECT_EQ(demo::CatalogueSize(lost + u"/PARA.mdb"_s), 0);
  EXPECT_TRUE(run.err.contains(u"导入数据库"_s)) << run.err.toStdString();
}
