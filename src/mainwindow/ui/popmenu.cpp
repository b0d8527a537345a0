#include "mainwindow/ui/popmenu.h"

#include <QAction>
#include <QMenu>

#include "common/userprompts.h"
#include "tables/tableexport.h"

using namespace Qt::StringLiterals;

namespace lanxi {

PopMenu::PopMenu(QWidget* parent) : QWidget(parent) {
  setObjectName(u"PopMenu"_s);
  setWindowTitle(u"弹出菜单"_s);
  hide();
  mOutput = new QMenu(u"导出表格"_s, this);
  mOutput->setObjectName(u"mOutput"_s);
  mOutputTable = mOutput->addAction(u"导出数据"_s);
  mOutputTable->setObjectName(u"mOutputTable"_s);
  connect(mOutputTable, &QAction::triggered, this, &PopMenu::mOutputTable_Click);
}

QString PopMenu::SheetTitle() {
  return u"淘宝产品销售数据分析"_s;
}

void PopMenu::PopupTableMenu(Grid* grid, int index, const QPoint& globalPos) {
  MSFCtl = grid;
  MSFIndex = index;
  mOutput->exec(globalPos);
}

void PopMenu::mOutputTable_Click() {
  if (!MSFCtl) return;
  ExportTable(*MSFCtl, Prompts(), QString(), SheetTitle());
}

}  // namespace lanxi
