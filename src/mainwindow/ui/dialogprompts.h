#pragma once

#include <QPointer>
#include <QWidget>

#include "common/userprompts.h"

namespace lanxi {

// The user prompts of the running program: Qt message boxes, input boxes and file dialogs,
// all titled with the program's name and parented to the active window.
class DialogPrompts final : public UserPrompts {
 public:
  void Message(const QString& text, MessageKind kind) override;
  bool Ask(const QString& text) override;
  std::optional<QString> Input(const QString& prompt, const QString& initial) override;
  QString SaveFileName(const FileDialogSpec& spec) override;
  FileChoice ChooseSaveFile(const FileDialogSpec& spec) override;
  QString OpenFileName(const FileDialogSpec& spec) override;
};

// The title of the program's message boxes.
QString PromptTitle();

}  // namespace lanxi
