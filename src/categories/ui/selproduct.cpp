#include "categories/ui/selproduct.h"

#include <QVBoxLayout>

#include "categories/selection.h"
#include "categories/ui/dialogframe.h"
#include "storage/dboperate.h"
#include "tables/gridoperate.h"
#include "tables/ui/gridview.h"

using namespace Qt::StringLiterals;

namespace lanxi {

QString SelProduct::Caption() {
  return u"产品选择"_s;
}

SelProduct::SelProduct(QWidget* parent) : QWidget(parent, DialogFlags()) {
  SetUpDialog(this, u"SelProduct"_s, Caption());
  resize(760, 460);

  msf_ = new GridView(this);
  msf_->setObjectName(u"MSF"_s);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(msf_);
  layout->addLayout(OkCancelRow(this, u"确   定"_s, u"取   消"_s, [this] { Com0_Click(); }));
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
