#include "categories/ui/selclass.h"

#include <QComboBox>
#include <QCompleter>
#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "categories/selection.h"
#include "categories/ui/categorycombo.h"
#include "categories/ui/dialogframe.h"

using namespace Qt::StringLiterals;

namespace lanxi {

QString SelClass::Caption() {
  return u"类别选择"_s;
}

SelClass::SelClass(QWidget* parent) : QWidget(parent, DialogFlags()) {
  SetUpDialog(this, u"SelClass"_s, Caption());

  auto* grid = new QGridLayout;
  const QString any = QString::fromUtf16(kAnyValue);
  for (int i = 0; i < 10; ++i) {
    auto* label = new QLabel(u"类别"_s + QString::number(i + 1), this);
    label->setObjectName(u"Label4_"_s + QString::number(i));
    cb_[i] = new QComboBox(this);
    cb_[i]->setObjectName(u"CB_"_s + QString::number(i));
    cb_[i]->setEditable(true);
    cb_[i]->setInsertPolicy(QComboBox::NoInsert);
    cb_[i]->completer()->setCaseSensitivity(Qt::CaseSensitive);
    cb_[i]->setMinimumWidth(150);
    FillCategoryValues(cb_[i], u"C"_s + QString::number(i));
    cb_[i]->addItem(any);
    cb_[i]->setCurrentIndex(cb_[i]->count() - 1);
    grid->addWidget(label, i / 2, (i % 2) * 2);
    grid->addWidget(cb_[i], i / 2, (i % 2) * 2 + 1);
  }
  if (!SelectionText.isEmpty()) {
    const QStringList parts = SelectionText.split(u',');
    for (int i = 0; i < 10 && i < parts.size(); ++i) cb_[i]->setEditText(parts[i]);
    SelectionText.clear();
  }

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addLayout(OkCancelRow(this, u"确  定"_s, u"取  消"_s, [this] { Com0_Click(); }));
}

void SelClass::Com0_Click() {
  QStringList texts;
  for (QComboBox* cb : cb_) texts << cb->currentText();
  SelectionText = CategorySelectionText(texts);
  close();
}

}  // namespace lanxi
