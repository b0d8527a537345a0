#pragma once

#include <QQueue>
#include <QStringList>

#include "common/userprompts.h"

namespace lanxi::test {

// Prompts that answer from a script and record every text shown, so a test can assert the
// exact words a user would read. An unscripted question is answered No and an unscripted input
// or file dialog is cancelled; both are recorded as such.
class ScriptedPrompts final : public UserPrompts {
 public:
  ScriptedPrompts() { SetPrompts(this); }
  ~ScriptedPrompts() override { SetPrompts(nullptr); }

  void Message(const QString& text, MessageKind) override { messages << text; }
  bool Ask(const QString& text) override {
    questions << text;
    return answers.isEmpty() ? false : answers.dequeue();
  }
  std::optional<QString> Input(const QString& prompt, const QString&) override {
    inputPrompts << prompt;
    if (inputs.isEmpty()) return std::nullopt;
    return inputs.dequeue();
  }
  QString SaveFileName(const FileDialogSpec& spec) override {
    fileDialogs << spec;
    return files.isEmpty() ? QString() : files.dequeue();
  }
  // The filter chosen is the next of `filters`, or the one offered first.
  FileChoice ChooseSaveFile(const FileDialogSpec& spec) override {
    const QString path = SaveFileName(spec);
    return {path, filters.isEmpty() ? spec.filterIndex : filters.dequeue()};
  }
  QString OpenFileName(const FileDialogSpec& spec) override {
    fileDialogs << spec;
    return files.isEmpty() ? QString() : files.dequeue();
  }

  // Scripted answers, consumed in order.
  QQueue<bool> answers;
  QQueue<std::optional<QString>> inputs;
  QQueue<QString> files;
  QQueue<int> filters;  // filters chosen in save dialogs, 1-based
  // What was shown.
  QStringList messages;
  QStringList questions;
  QStringList inputPrompts;
  QList<FileDialogSpec> fileDialogs;
};

}  // namespace lanxi::test
