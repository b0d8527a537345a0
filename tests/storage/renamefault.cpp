// Preloaded into a worker: rename() to a path ending in LANXI_RENAME_TARGET fails with EIO
// ("fail") or is preceded or followed by SIGKILL ("kill-before", "kill-after").
#include <dlfcn.h>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>

namespace {

bool EndsWith(const char* text, const char* end) {
  const std::size_t n = std::strlen(text), m = std::strlen(end);
  return n >= m && std::strcmp(text + n - m, end) == 0;
}

}  // namespace

extern "C" int rename(const char* from, const char* to) noexcept {
  using Rename = int (*)(const char*, const char*);
  static const Rename real = reinterpret_cast<Rename>(dlsym(RTLD_NEXT, "rename"));
  const char* target = std::getenv("LANXI_RENAME_TARGET");
  const char* fault = std::getenv("LANXI_RENAME_FAULT");
  if (!target || !fault || !to || !EndsWith(to, target)) return real(from, to);
  if (std::strcmp(fault, "fail") == 0) {
    errno = EIO;
    return -1;
  }
  if (std::strcmp(fault, "kill-before") == 0) std::raise(SIGKILL);
  const int rc = real(from, to);
  if (std::strcmp(fault, "kill-after") == 0) std::raise(SIGKILL);
  return rc;
}
