#include "storage/keptconnections.h"

#include <thread>
#include <vector>

#include "common/programfolder.h"
#include "storage/dboperate.h"
#include "storage/schema.h"

namespace lanxi {
namespace {

class Registry {
 public:
  ~Registry() { CloseAll(); }

  // Whether handles opened in this thread may be kept.
  bool OnOwnerThread() {
    if (!owned_) {
      owner_ = std::this_thread::get_id();
      owned_ = true;
    }
    return owner_ == std::this_thread::get_id();
  }

  // Whether the file at `path` is the catalogue or the current database. The paths are resolved
  // again when the program folder or CurDBFile changed; handles of files no longer kept close.
  bool Keeps(const QString& path) {
    const QString folder = ProgramFolder();
    if (folder != folder_ || CurDBFile != current_) {
      folder_ = folder;
      current_ = CurDBFile;
      catalogPath_ = FileInFolder(folder, QString::fromUtf16(kCatalogFile));
      currentPath_ = current_.isEmpty() ? QString() : DatabasePath(current_);
      for (const auto& s : sessions_) {
        if (s->path() != catalogPath_ && s->path() != currentPath_) s->close();
      }
      Prune();
    }
    return !path.isEmpty() && (path == catalogPath_ || path == currentPath_);
  }

  std::shared_ptr<detail::Session> Find(const QString& path) {
    Prune();
    for (const auto& s : sessions_) {
      if (s->path() == path) return s;
    }
    return nullptr;
  }

  void Add(std::shared_ptr<detail::Session> s) { sessions_.push_back(std::move(s)); }

  void Close(const QString& path) {
    for (const auto& s : sessions_) {
      if (s->path() == path) s->close();
    }
    Prune();
  }

  void CloseAll() {
    for (const auto& s : sessions_) s->close();
    sessions_.clear();
    folder_.clear();
    current_.clear();
    catalogPath_.clear();
    currentPath_.clear();
  }

 private:
  void Prune() {
    std::erase_if(sessions_, [](const auto& s) { return !s->isOpen(); });
  }

  std::thread::id owner_;
  bool owned_ = false;
  QString folder_, current_;
  QString catalogPath_, currentPath_;
  std::vector<std::shared_ptr<detail::Session>> sessions_;
};

Registry& Kept() {
  static Registry registry;
  return registry;
}

}  // namespace

void ReleaseDatabase(const QString& db) {
  if (db.isEmpty()) return;
  Kept().Close(DatabasePath(db));
}

void ReleaseAllDatabases() {
  Kept().CloseAll();
}

bool HasKeptConnection(const QString& db) {
  if (db.isEmpty()) return false;
  const auto s = Kept().Find(DatabasePath(db));
  return s && s->isOpen();
}

std::shared_ptr<detail::Session> KeptSession(const QString& path, bool* kept, int* code,
                                             QString* error) {
  Registry& r = Kept();
  *kept = r.OnOwnerThread() && r.Keeps(path);
  if (!*kept) return nullptr;
  if (auto s = r.Find(path)) {
    if (s->isSameFile()) return s;
    // The file was replaced behind the handle's back (renamed over, restored from a copy):
    // the handle would go on working on the old one.
    r.Close(path);
  }
  auto s = detail::OpenSession(path, false, code, error);
  if (s) r.Add(s);
  return s;
}

}  // namespace lanxi
