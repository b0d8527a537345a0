#include "common/userprompts.h"

#include <cstdio>

namespace lanxi {
namespace {

class StandardErrorPrompts final : public UserPrompts {
 public:
  void Message(const QString& text, MessageKind) override {
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
  }
  bool Ask(const QString& text) override {
    std::fprintf(stderr, "%s (No)\n", text.toLocal8Bit().constData());
    return false;
  }
  std::optional<QString> Input(const QString&, const QString&) override { return std::nullopt; }
  QString SaveFileName(const FileDialogSpec&) override { return {}; }
  QString OpenFileName(const FileDialogSpec&) override { return {}; }
};

StandardErrorPrompts g_fallback;
UserPrompts* g_prompts = nullptr;

}  // namespace

UserPrompts& Prompts() {
  return g_prompts ? *g_prompts : g_fallback;
}

void SetPrompts(UserPrompts* prompts) {
  g_prompts = prompts;
}

}  // namespace lanxi
