#include "mainwindow/ui/selectdb.h"

#include <QComboBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "storage/catalogue.h"
#include "storage/dboperate.h"
#include "storage/ui/fillcombo.h"

using namespace Qt::StringLiterals;

namespace lanxi {

QString SelectDB::Caption() {
  return u"请选择数据库名称"_s;
}

SelectDB::SelectDB(const QString& current, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
  setObjectName(u"SelectDB"_s);
  setWindowTitle(Caption());
  setAttribute(Qt::WA_DeleteOnClose);
  SelDBName.clear();

  cb_ = new QComboBox(this);
  cb_->setObjectName(u"CB"_s);
  cb_->setMinimumWidth(260);
  FillComboDistinct(cb_, u"DBInfo"_s, u"Name"_s, u"PARA.mdb"_s);
  const int at = cb_->findText(current);
  if (at >= 0) cb_->setCurrentIndex(at);
  // Only a listed name can be chosen: typed keys are dropped.
  cb_->installEventFilter(this);

  auto* ok = new QPushButton(u"确 定"_s, this);
  ok->setObjectName(u"Com_0"_s);
  ok->setDefault(true);
  auto* cancel = new QPushButton(u"取 消"_s, this);
  cancel->setObjectName(u"Com_1"_s);
  connect(ok, &QPushButton::clicked, this, [this] {
    WorkDBFile = u"PARA.mdb"_s;
    SelDBName = cb_->currentText();
    close();
  });
  connect(cancel, &QPushButton::clicked, this, [this] {
    SelDBName.clear();
    close();
  });

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(cb_);
  layout->addLayout(buttons);
}

bool SelectDB::eventFilter(QObject* watched, QEvent* event) {
  if (watched == cb_ && event->type() == QEvent::KeyPress) return true;
  return QWidget::eventFilter(watched, event);
}

}  // namespace lanxi
