#include "categories/ui/selproduct.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "categories/selection.h"
#include "storage/dboperate.h"
#include "tables/gridoperate.h"
#include "tables/ui/gridview.h"

using namespace Qt::StringLiterals;

namespace lanxi {

QString SelProduct::Caption() {
  return u"产品选择"_s;
}

SelProduct::SelProduct(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
  setObjectName(u"SelProduct"_s);
  setWindowTitle(Caption());
  setAttribute(Qt::WA_DeleteOnClose);
  resize(760, 460);

  msf_ = new GridView(this);
  msf_->setObjectName(u"MSF"_s);
  auto* ok = new QPushButton(u"确   定"_s, this);
  ok->setObjectName(u"Com_0"_s);
  auto* cancel = new QPushButton(u"取   消"_s, this);
  cancel->setObjectName(u"Com_1"_s);
  connect(ok, &QPushButton::clicked, this, &SelProduct::Com0_Click);
  connect(cancel, &QPushButton::clicked, this, &QWidget::close);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(msf_);
  layout->addLayout(buttons);
  layout->activate();
  msf_->syncSize();

  Grid& g = *msf_->grid();
  DescribeProductChooser(g);
  if (!CurDBFile.isEmpty()) {
    WorkDBFile = CurDBFile;
    FillGrid(g, {}, {}, true);
  }
  TickProducts(g, SelectionText);
  SelectionText.clear();
  connect(msf_, &GridView::mouseReleased, this,
          [this](Qt::MouseButton button, Qt::KeyboardModifiers, int x, int y) {
            if (button == Qt::LeftButton) ToggleCheckColumn(*msf_->grid(), kChooserCheckCol, x, y);
          });
}

void SelProduct::Com0_Click() {
  const ProductChoice choice = TickedProducts(*msf_->grid());
  SelectionText = choice.ids;
  SelectedProductNames = choice.names;
  close();
}

}  // namespace lanxi
