#pragma once

#include <QDateTime>
#include <QObject>
#include <functional>

class QAction;
class QLabel;
class QWidget;

namespace lanxi {

class GridView;

// The product picture that follows the mouse over the product and daily lists (PPic): shown
// just below the row under the mouse, or above it near the window's bottom. A product whose
// picture was never downloaded, or whose picture file is missing, brings up a question
// instead, each at most once in two hours; the answers run the commands the owner provides.
class PicturePreview final : public QObject {
  Q_OBJECT

 public:
  // `area` is the window's inner area (PPic's parent), `tabs` the tab control SST, `forbid` the
  // menu entry mForbidProPic.
  PicturePreview(QLabel* ppic, QWidget* area, QWidget* tabs, QAction* forbid,
                 QObject* parent = nullptr);

  // Lets the preview follow the mouse over a list (its Pic in column 3).
  void Follow(GridView* list);

  // The earliest times the two questions may be asked again.
  QDateTime NextPicPromptTime, NextInfoPromptTime;

  // Run on Yes to "有图片未下载完整…" and to "有产品图片信息缺失…".
  std::function<void()> DownloadMissingPictures;
  std::function<void()> UpdateAllProducts;

  // The mouse is at (x, y) (twips) over a list.
  void MouseMoved(GridView* list, int x, int y);
  void Hide();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Place(GridView* list, int row);

  QLabel* ppic_;
  QWidget* area_;
  QWidget* tabs_;
  QAction* forbid_;
  bool loaded_ = false;  // PPic holds the picture of a file its Tag names
};

}  // namespace lanxi
