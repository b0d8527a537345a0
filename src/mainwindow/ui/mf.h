#pragma once

#include <QHash>
#include <QMainWindow>
#include <QPointer>

#include "capture/ui/addproduct.h"
#include "storage/catalogue.h"

class QAction;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTimer;

namespace lanxi {

class ChartView;
class WebBrowser;
class GridView;
class Indicator;
class PicturePreview;
class PopMenu;
class ProductListEditor;
class TabControl;

// The main window: the program runs while it is open. It holds the current database's name,
// the product list, the daily figures, four chart pages and the help page, and dispatches the
// commands of its buttons and menus to the subsystems.
class MF final : public QMainWindow, public CatalogueHost, public AddProductHost {
  Q_OBJECT

 public:
  explicit MF(QWidget* parent = nullptr);
  ~MF() override;

  // Runs the command of button Com(index); other indexes do nothing.
  void Com_Click(int index);

  // Fills the product choice lists CPro(0) and CPro(1); with `keepChoice` each keeps showing
  // its product while it is still listed, otherwise both show "所有产品".
  void FillProductChoices(bool keepChoice = false);

  // CatalogueHost
  QString CurDBName() const override;
  void SetCurDBName(const QString& name) override;
  QString ChooseDatabase() override;
  void RefreshAfterOpen() override;

  // AddProductHost
  void HideMainWindow() override;
  void ShowMainWindow() override;
  void RefreshProductList() override;

  // The hidden browser WB that re-reads product pages and fetches pictures; made on first use,
  // so that a start that browses nothing does not start the browser engine.
  WebBrowser* WB();

  // Bounds a pair of date pickers by the current database's figures, and the chart pages'
  // pickers with them.
  void ResetDateRange(QDateEdit* from, QDateEdit* to);

  // The window's inner area is laid out anew (also on every resize).
  void ApplyLayout();

  // The in-place editors of the product list and the picture preview of both lists.
  ProductListEditor* Editor() const { return editor_; }
  PicturePreview* Preview() const { return preview_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildTopBand(QWidget* area);
  void BuildProductTab(QWidget* frame);
  void BuildFiguresTab(QWidget* frame);
  void BuildChartPage(int k, QWidget* frame);
  void BuildHelpTab(QWidget* frame);
  void BuildMenus();
  void WireLists();
  void StartUp();

  void SST_Click();
  void SST1_Click();
  void ToggleForbidProPic();
  void ShowAbout();
  // Runs the update check once, after start.
  void NewEditionTimer_Timer();
  // Which product the version page describes.
  static constexpr int kUpdatePageNumber = 50;
  void ShowClassSet();
  void mDownPic_Click();
  void OpenItemPage(const QString& url);
  void AutoCategorise();
  // The statistic of a chart page's "分析" button, drawn into the page's table and chart.
  void RunChart(int index);
  void ShowAnaClass();
  void ProductChoiceKey(QComboBox* list);
  void OpenParamAddress(const char16_t* key, const char16_t* fallback);

  QPushButton* AddCom(int index, const QString& caption, QWidget* parent);
  GridView* AddGrid(const QString& name, int index, QWidget* parent, bool list);
  QAction* AddAction(QMenu* menu, const char* name, const QString& caption);

  QWidget* area_ = nullptr;  // the central widget; its size is the layout's W and H
  QLabel* iTit_ = nullptr;
  QLabel* curDBName_ = nullptr;
  QLabel* pPic_ = nullptr;
  TabControl* sst_ = nullptr;
  TabControl* sst1_ = nullptr;
  GridView* msf_[2] = {};
  GridView* msf1_[4] = {};
  PopMenu* popMenu_ = nullptr;
  ChartView* pic_[4] = {};
  QDateEdit* dtp_[2] = {};
  QDateEdit* dt_[8] = {};
  QComboBox* cPro_[2] = {};
  QLineEdit* clas_[4] = {};
  QLineEdit* pro_[4] = {};
  QRadioButton* op_[4][3] = {};
  QLineEdit* tc_[2] = {};
  QComboBox* cbc_ = nullptr;
  QComboBox* cmb_ = nullptr;
  QLineEdit* tt_ = nullptr;
  QPlainTextEdit* tHelp_ = nullptr;
  QWidget* frm7_ = nullptr;
  QHash<int, QPushButton*> com_;
  QAction* mForbidProPic_ = nullptr;
  QTimer* newEditionTimer_ = nullptr;
  Indicator* indicator_ = nullptr;
  WebBrowser* wb_ = nullptr;
  ProductListEditor* editor_ = nullptr;
  PicturePreview* preview_ = nullptr;
  QPointer<QWidget> classSet_;
  QString shownFile_;  // the database file the window shows
  bool closing_ = false;
};

}  // namespace lanxi
