#include "common/programfolder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <cerrno>
#include <cstring>

using namespace Qt::StringLiterals;

namespace lanxi {
namespace {

QString g_override;

QString Clean(const QString& folder) {
  QString f = QDir::cleanPath(QDir::fromNativeSeparators(folder));
  while (f.size() > 1 && f.endsWith(u'/')) f.chop(1);
  return f;
}

QString ExecutableFolder() {
  if (QCoreApplication::instance()) return Clean(QCoreApplication::applicationDirPath());
  return Clean(QDir::currentPath());
}

// Why a file operation failed, in words a user understands.
QString Reason(int error) {
  switch (error) {
    case EACCES:
    case EPERM:
      return u"没有权限"_s;
    case EROFS:
      return u"所在的磁盘是只读的"_s;
    case ENOSPC:
      return u"磁盘已满"_s;
    case EDQUOT:
      return u"超出了磁盘配额"_s;
    case ENOTDIR:
    case EEXIST:
      return u"路径中有一个同名的文件"_s;
    case ENAMETOOLONG:
      return u"路径太长"_s;
    case EIO:
      return u"磁盘读写出错"_s;
    default:
      return u"系统错误 %1：%2"_s.arg(error).arg(QString::fromLocal8Bit(std::strerror(error)));
  }
}

QString Megabytes(qint64 bytes) {
  return QString::number(double(bytes) / (1024 * 1024), 'f', 1) + u" MB"_s;
}

const QString kWhatToDo =
    u"\n请检查该文件夹的权限和磁盘空间，或用环境变量 LANXI_HOME 指定另一个文件夹，然后重新启动本软件。"_s;

// Creates `folder` and its missing parents with mode 0700, as the desktop's rules for a
// user's data folders ask; `created` receives the folders made, outermost first. Answers errno
// of the step that failed, 0 on success.
int MakeFolders(const QString& folder, QStringList* created) {
  const QStringList parts = folder.split(u'/', Qt::SkipEmptyParts);
  QString path;
  for (const QString& part : parts) {
    path += u'/' + part;
    const QByteArray name = QFile::encodeName(path);
    struct stat st {};
    if (::stat(name.constData(), &st) == 0) {
      if (!S_ISDIR(st.st_mode)) return ENOTDIR;
      continue;
    }
    if (::mkdir(name.constData(), 0700) == 0) {
      *created << path;
    } else if (errno != EEXIST || ::stat(name.constData(), &st) != 0 || !S_ISDIR(st.st_mode)) {
      return errno == EEXIST ? ENOTDIR : errno;
    }
  }
  return 0;
}

// The bytes an unprivileged user may still write on the disk of `folder`; -1 when unknown.
qint64 AvailableBytes(const QString& folder) {
  struct statvfs fs {};
  if (::statvfs(QFile::encodeName(folder).constData(), &fs) != 0) return -1;
  return qint64(fs.f_bavail) * qint64(fs.f_frsize);
}

// Writes a small file into `folder` and removes it again. Answers errno of the step that
// failed, 0 when the folder takes files.
int TryWriting(const QString& folder) {
  const QByteArray name =
      QFile::encodeName(folder + u"/.lanxi-write-test-"_s + QString::number(::getpid()));
  const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) return errno;
  static const char block[4096] = {};
  int error = 0;
  if (::write(fd, block, sizeof block) != ssize_t(sizeof block)) error = errno ? errno : ENOSPC;
  if (::close(fd) != 0 && error == 0) error = errno;
  ::unlink(name.constData());
  return error;
}

}  // namespace

QString ProgramFolder() {
  if (!g_override.isEmpty()) return g_override;
  const QString home = qEnvironmentVariable("LANXI_HOME");
  if (!home.isEmpty()) return Clean(QDir(home).absolutePath());
  const QString executable = ExecutableFolder();
  if (IsInstalledProgramFolder(executable)) return UserProgramFolder();
  return executable;
}

void SetProgramFolder(const QString& folder) {
  g_override = folder.isEmpty() ? QString() : Clean(QDir(folder).absolutePath());
}

bool IsInstalledProgram() {
  return IsInstalledProgramFolder(ExecutableFolder());
}

bool IsInstalledProgramFolder(const QString& executableFolder) {
  // The install rules put the executables into this folder below the installation prefix.
  return Clean(executableFolder).endsWith(u"/"_s + QStringLiteral(LANXI_INSTALL_LIBDIR));
}

QString UserProgramFolder() {
  QString base = qEnvironmentVariable("XDG_DATA_HOME");
  if (base.isEmpty() || !QDir::isAbsolutePath(base)) base = QDir::homePath() + u"/.local/share"_s;
  return Clean(base + u"/lanxi"_s);
}

QString PrepareProgramFolder(const QString& folder, qint64 bytesNeeded) {
  const QString path = Clean(QDir(folder).absolutePath());
  QStringList created;
  QString problem;
  if (const int error = MakeFolders(path, &created)) {
    problem = u"无法创建程序文件夹“%1”（%2）。"_s.arg(path, Reason(error)) + kWhatToDo;
  } else if (const qint64 available = AvailableBytes(path);
             available >= 0 && available < bytesNeeded) {
    problem = u"程序文件夹“%1”所在的磁盘空间不足（可用 %2，至少需要 %3）。"_s.arg(
                  path, Megabytes(available), Megabytes(bytesNeeded)) +
              kWhatToDo;
  } else if (const int error = TryWriting(path)) {
    problem = u"程序文件夹“%1”无法写入（%2）。"_s.arg(path, Reason(error)) + kWhatToDo;
  }
  if (!problem.isEmpty()) {
    for (auto it = created.crbegin(); it != created.crend(); ++it)
      ::rmdir(QFile::encodeName(*it).constData());
  }
  return problem;
}

QString FileInFolder(const QString& folder, const QString& name) {
  const QString exact = folder + u'/' + name;
  if (name.isEmpty() || QFileInfo::exists(exact)) return exact;
  const QStringList entries = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
  for (const QString& entry : entries) {
    if (entry.compare(name, Qt::CaseInsensitive) == 0) return folder + u'/' + entry;
  }
  return exact;
}

QString ProgramFile(const QString& name) {
  return FileInFolder(ProgramFolder(), name);
}

}  // namespace lanxi
