#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace lanxi {

// What a file dialog offers: the filters in the "描述(*.ext)" form and the pre-selected one.
struct FileDialogSpec {
  QString title;
  QStringList filters;
  int filterIndex = 1;  // 1-based, as the common dialog counts
  QString defaultName;
};

// What a save dialog answered: the file (empty when cancelled) and the filter chosen in it
// (1-based, as FileDialogSpec counts).
struct FileChoice {
  QString path;
  int filterIndex = 1;
};

enum class MessageKind { Information, Warning, Critical };

// Every message box, question, input box and file dialog the core asks for goes through this
// interface. The user interface installs one backed by Qt dialogs; tests install a scripted one.
class UserPrompts {
 public:
  virtual ~UserPrompts() = default;
  virtual void Message(const QString& text, MessageKind kind) = 0;
  // A Yes/No question; true for Yes.
  virtual bool Ask(const QString& text) = 0;
  // An input box; nullopt when the user cancels.
  virtual std::optional<QString> Input(const QString& prompt, const QString& initial) = 0;
  // Empty when the user cancels.
  virtual QString SaveFileName(const FileDialogSpec& spec) = 0;
  // The same, with the filter the user chose; prompts that cannot tell answer the one the
  // dialog offered first.
  virtual FileChoice ChooseSaveFile(const FileDialogSpec& spec) {
    return {SaveFileName(spec), spec.filterIndex};
  }
  virtual QString OpenFileName(const FileDialogSpec& spec) = 0;
};

// The prompts in force. Before any are installed, messages go to the standard error stream,
// questions are answered No and dialogs are cancelled (the command-line tools rely on this).
UserPrompts& Prompts();
// Installs prompts (not owned); nullptr restores the standard-error fallback.
void SetPrompts(UserPrompts* prompts);

// Shorthand for the common case of an informational message.
inline void ShowMessage(const QString& text, MessageKind kind = MessageKind::Information) {
  Prompts().Message(text, kind);
}

}  // namespace lanxi
