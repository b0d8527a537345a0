#include "mainwindow/ui/dialogprompts.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

using namespace Qt::StringLiterals;

namespace lanxi {
namespace {

QWidget* Parent() {
  return QApplication::activeWindow();
}

QString FilterText(const FileDialogSpec& spec) {
  return spec.filters.join(u";;"_s);
}

QString SelectedFilter(const FileDialogSpec& spec) {
  return spec.filters.value(spec.filterIndex - 1);
}

}  // namespace

QString PromptTitle() {
  return u"澜析产品销量跟踪软件"_s;
}

void DialogPrompts::Message(const QString& text, MessageKind kind) {
  switch (kind) {
    case MessageKind::Information:
      QMessageBox::information(Parent(), PromptTitle(), text);
      break;
    case MessageKind::Warning:
      QMessageBox::warning(Parent(), PromptTitle(), text);
      break;
    case MessageKind::Critical:
      QMessageBox::critical(Parent(), PromptTitle(), text);
      break;
  }
}

bool DialogPrompts::Ask(const QString& text) {
  return QMessageBox::question(Parent(), PromptTitle(), text, QMessageBox::Yes | QMessageBox::No) ==
         QMessageBox::Yes;
}

std::optional<QString> DialogPrompts::Input(const QString& prompt, const QString& initial) {
  bool ok = false;
  const QString text =
      QInputDialog::getText(Parent(), PromptTitle(), prompt, QLineEdit::Normal, initial, &ok);
  if (!ok) return std::nullopt;
  return text;
}

QString DialogPrompts::SaveFileName(const FileDialogSpec& spec) {
  return ChooseSaveFile(spec).path;
}

FileChoice DialogPrompts::ChooseSaveFile(const FileDialogSpec& spec) {
  QString filter = SelectedFilter(spec);
  // The program asks about overwriting itself, with its own words.
  const QString path =
      QFileDialog::getSaveFileName(Parent(), spec.title, spec.defaultName, FilterText(spec),
                                   &filter, QFileDialog::DontConfirmOverwrite);
  const qsizetype chosen = spec.filters.indexOf(filter);
  return {path, chosen < 0 ? spec.filterIndex : int(chosen) + 1};
}

QString DialogPrompts::OpenFileName(const FileDialogSpec& spec) {
  QString filter = SelectedFilter(spec);
  return QFileDialog::getOpenFileName(Parent(), spec.title, spec.defaultName, FilterText(spec),
                                      &filter);
}

}  // namespace lanxi
