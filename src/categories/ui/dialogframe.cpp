#include "categories/ui/dialogframe.h"

#include <QHBoxLayout>
#include <QPushButton>

using namespace Qt::StringLiterals;

namespace lanxi {

Qt::WindowFlags DialogFlags() {
  return Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;
}

void SetUpDialog(QWidget* dialog, const QString& name, const QString& caption) {
  dialog->setObjectName(name);
  dialog->setWindowTitle(caption);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
}

QHBoxLayout* OkCancelRow(QWidget* dialog, const QString& okCaption, const QString& cancelCaption,
                         const std::function<void()>& ok) {
  auto* okButton = new QPushButton(okCaption, dialog);
  okButton->setObjectName(u"Com_0"_s);
  auto* cancel = new QPushButton(cancelCaption, dialog);
  cancel->setObjectName(u"Com_1"_s);
  QObject::connect(okButton, &QPushButton::clicked, dialog, ok);
  QObject::connect(cancel, &QPushButton::clicked, dialog, &QWidget::close);
  auto* row = new QHBoxLayout;
  row->addStretch();
  row->addWidget(okButton);
  row->addWidget(cancel);
  return row;
}

}  // namespace lanxi
