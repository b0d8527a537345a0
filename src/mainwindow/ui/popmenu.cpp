#include "mainwindow/ui/popmenu.h"

#include <QAction>
#include <QMenu>

#include "categories/categoryedit.h"
#include "common/userprompts.h"
#include "pictures/savejpeg.h"
#include "tables/tableexport.h"

using namespace Qt::StringLiterals;

namespace lanxi {

PopMenu::PopMenu(QWidget* parent) : QWidget(parent) {
  setObjectName(u"PopMenu"_s);
  setWindowTitle(u"弹出菜单"_s);
  hide();
  mPic1 = new QMenu(u"图片保存"_s, this);
  mPic1->setObjectName(u"mPic1"_s);
  mSavePic1 = mPic1->addAction(u"保存图片"_s);
  mSavePic1->setObjectName(u"mSavePic1"_s);
  connect(mSavePic1, &QAction::triggered, this, &PopMenu::mSavePic1_Click);
  mOutput = new QMenu(u"导出表格"_s, this);
  mOutput->setObjectName(u"mOutput"_s);
  mOutputTable = mOutput->addAction(u"导出数据"_s);
  mOutputTable->setObjectName(u"mOutputTable"_s);
  connect(mOutputTable, &QAction::triggered, this, &PopMenu::mOutputTable_Click);
  mModiStr = mOutput->addAction(u"修改分类"_s);
  mModiStr->setObjectName(u"mModiStr"_s);
  connect(mModiStr, &QAction::triggered, this, &PopMenu::mModiStr_Click);
}

QString PopMenu::SheetTitle() {
  return u"淘宝产品销售数据分析"_s;
}

void PopMenu::PopupTableMenu(Grid* grid, int index, const QPoint& globalPos) {
  MSFCtl = grid;
  MSFIndex = index;
  mOutput->exec(globalPos);
}

void PopMenu::PopupPictureMenu(ChartView* chart, const QPoint& globalPos) {
  PicCtl = chart;
  mPic1->exec(globalPos);
}

// The chart is drawn again off-screen at the size it shows, so nothing that covers it on the
// screen (the closing menu, another window) ends up in the picture.
void PopMenu::mSavePic1_Click() {
  mPic1->hide();
  if (!PicCtl) return;
  SavePicture(PicCtl->picture().Render(), Prompts());
}

void PopMenu::mOutputTable_Click() {
  if (!MSFCtl) return;
  ExportTable(*MSFCtl, Prompts(), QString(), SheetTitle());
}

void PopMenu::mModiStr_Click() {
  if (!MSFCtl) return;
  const std::optional<QString> answer = Prompts().Input(u"请输入分类内容："_s, QString());
  if (!answer || answer->isEmpty()) return;
  const QString value = answer->trimmed();
  emit ModiStrStarting();
  if (MSFCtl) ModifyCategories(*MSFCtl, value);
}

}  // namespace lanxi
