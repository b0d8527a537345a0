#pragma once

#include <QString>
#include <QWidget>

#include "capture/itemurl.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

namespace lanxi {

class WebBrowser;

// What the add-product window needs of the main window: it hides the main window while it is
// open, shows it again when it closes, and has the product list refreshed after an add.
class AddProductHost {
 public:
  virtual ~AddProductHost() = default;
  virtual void HideMainWindow() = 0;
  virtual void ShowMainWindow() = 0;
  // The main window's command "刷新列表" (Com_Click(2)).
  virtual void RefreshProductList() = 0;
};

// The window "添加跟踪产品": a small web browser in which the user browses the marketplace and
// adds products to the tracked list — the product shown (Com_2), every product linked from the
// page (Com_4), or, unless Chk is ticked, any product link the user clicks that opens a new
// window. Item pages are added in the background browser WB1. It opens on StartUrl, or on the
// stored default search page.
//
// Closing the window while an add is running hides it; it is destroyed once the add is over.
class AddProduct final : public QWidget {
  Q_OBJECT

 public:
  explicit AddProduct(AddProductHost* host, QWidget* parent = nullptr);
  ~AddProduct() override;

  static QString Caption();

  // The page to open first; read when the window starts, emptied when it closes.
  QString StartUrl;
  // The browser's latest status text: while the pointer is over a link, its address.
  QString LastStatusText;
  // Set when the user added the shown product with Com_2.
  bool ProductAdded = false;

  // Adds every product linked from the page `browser` shows (Com_4 with WB).
  void AddProOfPage(WebBrowser* browser);

  WebBrowser* WB() const { return wb_; }
  WebBrowser* WB1() const { return wb1_; }

  // Whether the window is destroyed once it has closed (and any add it runs is over).
  void SetDeleteWhenClosed(bool on) { deleteWhenClosed_ = on; }

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void Load();
  void Timer1_Timer();
  void Url_KeyPress();
  void Url_Change(const QString& text);
  void Com_Click(int index);
  void WB_TitleChange(const QString& title);
  void WB_NewWindow(const QString& address);
  void ShowLocation();
  // Runs an add; the window stays in being until the last one has ended.
  template <typename F>
  void RunAdd(F&& add);

  AddProductHost* host_;
  CapturePlaces places_;
  QLabel* label1_;
  QLineEdit* url_;
  QPushButton* com_[5];
  QCheckBox* rep_;
  QCheckBox* chk_;
  QTimer* timer1_;
  WebBrowser* wb_;
  WebBrowser* wb1_;
  bool loaded_ = false;
  bool deleteWhenClosed_ = false;
  bool closed_ = false;
  int adding_ = 0;
};

// Shows the add-product window, one at a time, opening `startUrl` when one is given (an open
// window goes there at once). The window destroys itself after closing.
AddProduct* ShowAddProduct(AddProductHost* host, const QString& startUrl = {});

}  // namespace lanxi
