// Where the program keeps its data, installed and built from source, and how a start treats a
// program folder: the command-line answers, an installed layout's per-user folder with its
// demo database on the first start, and a folder that cannot serve.
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

// Sets an environment variable for the life of the object; unset when `value` is null.
class EnvVar {
 public:
  EnvVar(const char* name, const QString& value) : name_(name), old_(qgetenv(name)) {
    had_ = qEnvironmentVariableIsSet(name);
    if (value.isNull()) {
      qunsetenv(name);
    } else {
      qputenv(name, value.toUtf8());
    }
  }
  ~EnvVar() {
    if (had_) {
      qputenv(name_, old_);
    } else {
      qunsetenv(name_);
    }
  }

 private:
  const char* name_;
  QByteArray old_;
  bool had_ = false;
};

QStringList Entries(const QString& folder) {
  return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

bool MakeEmptyFile(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly);
}

// The advice that closes every message about a program folder that cannot serve.
const QString kWhatToDo =
    u"\n请检查该文件夹的权限和磁盘空间，或用环境变量 LANXI_HOME 指定另一个文件夹，然后重新启动本软件。"_s;

QStringList DatabaseFiles(const QString& folder) {
  return QDir(folder).entryList({u"DB*.mdb"_s}, QDir::Files, QDir::Name);
}

QString DefaultDatabase(const QString& catalog) {
  Connection conn;
  if (!conn.open(catalog)) return u"(unreadable)"_s;
  Statement s(conn, u"SELECT Con FROM Def WHERE Var='默认数据库'"_s);
  return s.next() ? s.value(0).toString() : QString();
}

struct Outcome {
  int exitCode = -1;
  QString out, err;
};

// Runs `program` with a clean environment: only what a desktop session would give it, plus
// `extra`; no display (the offscreen platform) and the start-up probe.
Outcome Start(const QString& program, const QString& home,
              const QList<std::pair<QString, QString>>& extra = {}) {
  QProcessEnvironment env;
  env.insert(u"PATH"_s, qEnvironmentVariable("PATH"));
  env.insert(u"HOME"_s, home);
  env.insert(u"LANG"_s, u"C.UTF-8"_s);
  env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
  env.insert(u"LANXI_STARTUP_PROBE"_s, u"1"_s);
  env.insert(u"XDG_RUNTIME_DIR"_s, home + u"/.run"_s);
  QDir().mkpath(home + u"/.run"_s);
  QFile::setPermissions(home + u"/.run"_s,
                        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
  if (geteuid() == 0) env.insert(u"QTWEBENGINE_DISABLE_SANDBOX"_s, u"1"_s);
  for (const auto& [name, value] : extra) env.insert(name, value);
  QProcess p;
  p.setProcessEnvironment(env);
  p.start(program, {});
  Outcome run;
  if (!p.waitForFinished(120000)) {
    p.kill();
    p.waitForFinished();
    run.err = u"(did not end)"_s;
    return run;
  }
  run.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
  run.out = QString::fromUtf8(p.readAllStandardOutput());
  run.err += QString::fromUtf8(p.readAllStandardError());
  return run;
}

// The program laid out as the package installs it: PREFIX/lib/lanxi holding the executable
// (a link to the one built, or a copy) and the templates.
class InstalledLayout : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(root_.isValid());
    lib_ = root_.filePath(u"usr/lib/lanxi"_s);
    ASSERT_TRUE(QDir().mkpath(lib_));
    const QString built = kBuildFolder + u"/lanxi"_s;
    exe_ = lib_ + u"/lanxi"_s;
    if (::link(QFile::encodeName(built).constData(), QFile::encodeName(exe_).constData()) != 0) {
      ASSERT_TRUE(QFile::copy(built, exe_));
    }
    for (const QString& name : {u"PARA.mdb"_s, u"data.mdb"_s}) {
      ASSERT_TRUE(QFile::copy(kBuildFolder + u'/' + name, lib_ + u'/' + name));
    }
    shipped_ = Entries(lib_);
    home_ = root_.filePath(u"home"_s);
    ASSERT_TRUE(QDir().mkpath(home_));
  }

  // Nothing of the installed folder changed: the program never writes there.
  void ExpectInstallationUntouched() { EXPECT_EQ(Entries(lib_), shipped_); }

  // The build folder holds the test's files: the executable can then be linked, not copied.
  QTemporaryDir root_{kBuildFolder + u"/installed-XXXXXX"_s};
  QString lib_, exe_, home_;
  QStringList shipped_;
};

}  // namespace

TEST(ProgramFolderRules, AnInstalledProgramIsKnownByItsFolder) {
  EXPECT_TRUE(IsInstalledProgramFolder(u"/usr/lib/lanxi"_s));
  EXPECT_TRUE(IsInstalledProgramFolder(u"/opt/tools/lib/lanxi/"_s));
  EXPECT_FALSE(IsInstalledProgramFolder(u"/usr/lib/lanxi2"_s));
  EXPECT_FALSE(IsInstalledProgramFolder(u"/usr/lib/lanxi/bin"_s));
  EXPECT_FALSE(IsInstalledProgramFolder(u"/home/me/lanxi/build"_s));
  // The test executables are not installed: their program folder is their own.
  EXPECT_FALSE(IsInstalledProgram());
}

TEST(ProgramFolderRules, TheUserFolderFollowsXdgDataHome) {
  EnvVar home("HOME", u"/home/someone"_s);
  {
    EnvVar xdg("XDG_DATA_HOME", u"/data/someone/"_s);
    EXPECT_EQ(UserProgramFolder(), u"/data/someone/lanxi"_s);
  }
  for (const QString& ignored : {QString(), u""_s, u"relative/share"_s}) {
    EnvVar xdg("XDG_DATA_HOME", ignored);
    EXPECT_EQ(UserProgramFolder(), u"/home/someone/.local/share/lanxi"_s) << ignored.toStdString();
  }
}

TEST(PrepareProgramFolder, CreatesMissingFoldersForTheOwnerAndLeavesNothingInThem) {
  QTemporaryDir tmp;
  const QString folder = tmp.filePath(u"share/lanxi"_s);
  EXPECT_EQ(PrepareProgramFolder(folder), QString());
  ASSERT_TRUE(QFileInfo(folder).isDir());
  EXPECT_TRUE(Entries(folder).isEmpty());
  struct stat st {};
  ASSERT_EQ(::stat(QFile::encodeName(folder).constData(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  // An existing folder with files serves as it is.
  ASSERT_TRUE(MakeEmptyFile(folder + u"/PARA.mdb"_s));
  EXPECT_EQ(PrepareProgramFolder(folder), QString());
  EXPECT_EQ(Entries(folder), QStringList{u"PARA.mdb"_s});
}

TEST(PrepareProgramFolder, AFolderThatCannotServeIsNamedAndNothingIsLeftBehind) {
  QTemporaryDir tmp;
  // A file stands where a folder of the path should be (root cannot get past it either).
  ASSERT_TRUE(MakeEmptyFile(tmp.filePath(u"home"_s)));
  const QString blocked = tmp.filePath(u"home/.local/share/lanxi"_s);
  EXPECT_EQ(PrepareProgramFolder(blocked),
            u"无法创建程序文件夹“"_s + blocked + u"”（路径中有一个同名的文件）。"_s + kWhatToDo);

  // Not enough room: the folders made for the check go again, the existing parent stays.
  const QString fresh = tmp.filePath(u"data/lanxi"_s);
  const QString full = PrepareProgramFolder(fresh, qint64(1) << 60);
  EXPECT_TRUE(full.startsWith(u"程序文件夹“"_s + fresh + u"”所在的磁盘空间不足（可用 "_s))
      << full.toStdString();
  EXPECT_TRUE(full.contains(u"至少需要 1099511627776.0 MB"_s)) << full.toStdString();
  EXPECT_FALSE(QFileInfo::exists(tmp.filePath(u"data"_s)));
  EXPECT_EQ(Entries(tmp.path()), QStringList{u"home"_s});
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
  QProcess p;
  QProcessEnvironment env;  // no DISPLAY, no platform: answered before Qt starts
  env.insert(u"PATH"_s, qEnvironmentVariable("PATH"));
  p.setProcessEnvironment(env);
  p.start(kBuildFolder + u"/lanxi"_s, {u"--version"_s});
  ASSERT_TRUE(p.waitForFinished(30000));
  EXPECT_EQ(p.exitCode(), 0);
  EXPECT_EQ(QString::fromUtf8(p.readAllStandardOutput()), u"澜析产品销量跟踪软件 2.03\n"_s);

  p.start(kBuildFolder + u"/lanxi"_s, {u"-platform"_s, u"offscreen"_s, u"--help"_s});
  ASSERT_TRUE(p.waitForFinished(30000));
  EXPECT_EQ(p.exitCode(), 0);
  const QString help = QString::fromUtf8(p.readAllStandardOutput());
  for (const QString& expected :
       {u"用法 Usage: lanxi"_s, u"--version"_s, u"--help"_s, u"LANXI_HOME"_s, u"XDG_DATA_HOME"_s,
        u"~/.local/share/lanxi"_s, u"显示本说明后退出"_s, u"show this help and exit"_s}) {
    EXPECT_TRUE(help.contains(expected)) << expected.toStdString();
  }
}

TEST(CommandLine, AProgramFolderThatCannotBeMadeEndsTheStartWithItsName) {
  QTemporaryDir tmp;
  ASSERT_TRUE(MakeEmptyFile(tmp.filePath(u"blocker"_s)));
  const QString folder = tmp.filePath(u"blocker/lanxi"_s);
  const Outcome run =
      Start(kBuildFolder + u"/lanxi"_s, tmp.filePath(u"home"_s), {{u"LANXI_HOME"_s, folder}});
  EXPECT_EQ(run.exitCode, 3) << run.err.toStdString();
  EXPECT_FALSE(run.out.contains(u"first-paint"_s));
  EXPECT_TRUE(
      run.err.contains(u"无法创建程序文件夹“"_s + folder + u"”（路径中有一个同名的文件）"_s))
      << run.err.toStdString();
}

TEST_F(InstalledLayout, FirstStartMakesTheUserFolderWithTemplatesAndTheDemoDatabase) {
  const Outcome first = Start(exe_, home_);
  ASSERT_EQ(first.exitCode, 0) << first.err.toStdString();
  EXPECT_TRUE(first.out.contains(u"first-paint"_s));
  const QString folder = home_ + u"/.local/share/lanxi"_s;
  EXPECT_TRUE(QFileInfo::exists(folder + u"/PARA.mdb"_s));
  EXPECT_TRUE(QFileInfo::exists(folder + u"/data.mdb"_s));
  const QStringList databases = DatabaseFiles(folder);
  ASSERT_EQ(databases.size(), 1) << Entries(folder).join(u' ').toStdString();
  EXPECT_EQ(demo::CatalogueSize(folder + u"/PARA.mdb"_s), 1);
  // The run ended on the demo database, which stays the default.
  EXPECT_EQ(DefaultDatabase(folder + u"/PARA.mdb"_s), u"示例数据库"_s);
  ExpectInstallationUntouched();

  // The second start finds its folder and makes nothing new.
  const Outcome second = Start(exe_, home_);
  ASSERT_EQ(second.exitCode, 0) << second.err.toStdString();
  EXPECT_EQ(DatabaseFiles(folder), databases);
  ExpectInstallationUntouched();
}

TEST_F(InstalledLayout, XdgDataHomeAndLanxiHomeChooseTheFolder) {
  const QString xdg = root_.filePath(u"xdg"_s);
  const Outcome run = Start(exe_, home_, {{u"XDG_DATA_HOME"_s, xdg}});
  ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
  EXPECT_EQ(DatabaseFiles(xdg + u"/lanxi"_s).size(), 1);
  EXPECT_FALSE(QFileInfo::exists(home_ + u"/.local/share/lanxi"_s));

  const QString own = root_.filePath(u"own"_s);
  const Outcome chosen = Start(exe_, home_, {{u"XDG_DATA_HOME"_s, xdg}, {u"LANXI_HOME"_s, own}});
  ASSERT_EQ(chosen.exitCode, 0) << chosen.err.toStdString();
  EXPECT_EQ(DatabaseFiles(own).size(), 1);
  EXPECT_EQ(DatabaseFiles(xdg + u"/lanxi"_s).size(), 1);
  ExpectInstallationUntouched();
}

TEST_F(InstalledLayout, AFolderTheUserAlreadyHasGetsNoDemoDatabase) {
  // A catalogue of its own, whose databases the user deleted: it stays empty.
  const QString emptied = root_.filePath(u"emptied"_s);
  ASSERT_TRUE(QDir().mkpath(emptied));
  for (const QString& name : {u"PARA.mdb"_s, u"data.mdb"_s}) {
    ASSERT_TRUE(QFile::copy(lib_ + u'/' + name, emptied + u'/' + name));
  }
  Outcome run = Start(exe_, home_, {{u"LANXI_HOME"_s, emptied}});
  ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
  EXPECT_TRUE(DatabaseFiles(emptied).isEmpty());

  // A lost catalogue: its tracking database is still there; the new list stays empty and the
  // start says how to bring it back.
  const QString lost = root_.filePath(u"lost"_s);
  ASSERT_TRUE(QDir().mkpath(lost));
  ASSERT_TRUE(QFile::copy(lib_ + u"/data.mdb"_s, lost + u"/DB240101120000.mdb"_s));
  run = Start(exe_, home_, {{u"LANXI_HOME"_s, lost}});
  ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
  EXPECT_EQ(DatabaseFiles(lost), QStringList{u"DB240101120000.mdb"_s});
  EXPECT_EQ(demo::CatalogueSize(lost + u"/PARA.mdb"_s), 0);
  EXPECT_TRUE(run.err.contains(u"导入数据库"_s)) << run.err.toStdString();
}
