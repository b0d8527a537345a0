#pragma once

#include <QPointer>
#include <QWidget>

#include "analysis/ui/chartview.h"
#include "tables/grid.h"

class QAction;
class QMenu;

namespace lanxi {

// The holder of the program's context menus, a window that is never shown ("弹出菜单"). A
// grid's owner hands over the grid (MSFCtl, and its index MSFIndex) and pops up the table menu
// mOutput; its entry mOutputTable "导出数据" exports that grid, its entry mModiStr "修改分类"
// sets one category value over the grid's selected block. A chart's owner hands over the chart
// (PicCtl) and pops up the picture menu mPic1, whose entry mSavePic1 "保存图片" saves the chart
// as a JPEG picture.
class PopMenu : public QWidget {
  Q_OBJECT

 public:
  explicit PopMenu(QWidget* parent = nullptr);

  // The grid the table menu was opened for, and which of the window's grids it is.
  QPointer<Grid> MSFCtl;
  int MSFIndex = 0;

  // The chart the picture menu was opened for.
  QPointer<ChartView> PicCtl;

  // The picture menu "图片保存" and its entry "保存图片".
  QMenu* mPic1 = nullptr;
  QAction* mSavePic1 = nullptr;
  // The table menu "导出表格" and its entry "导出数据".
  QMenu* mOutput = nullptr;
  QAction* mOutputTable = nullptr;
  QAction* mModiStr = nullptr;

  // Hands over the grid and shows the table menu at `globalPos`; returns when the menu has
  // closed (and the chosen entry has run).
  void PopupTableMenu(Grid* grid, int index, const QPoint& globalPos);
  // Hands over the chart and shows the picture menu at `globalPos`, returning when it closed.
  void PopupPictureMenu(ChartView* chart, const QPoint& globalPos);

  // The sheet title of exported workbooks.
  static QString SheetTitle();

 Q_SIGNALS:
  // "修改分类" is about to change categories: an open in-cell edit is to be committed first.
  void ModiStrStarting();

 private:
  void mOutputTable_Click();
  void mSavePic1_Click();
  void mModiStr_Click();
};

}  // namespace lanxi
