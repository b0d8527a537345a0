#include "capture/ui/addproduct.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

#include "capture/addproducts.h"
#include "capture/pagewait.h"
#include "capture/productrecord.h"
#include "capture/ui/webbrowser.h"
#include "common/twips.h"
#include "storage/settings.h"

using namespace Qt::StringLiterals;

namespace lanxi {
namespace {

// Places for the controls, in twips.
constexpr int kMargin = 120;
constexpr int kUrlLeft = 720;
constexpr int kRowHeight = 330;
constexpr int kButtonTop = 540;
constexpr int kBrowserLeft = 60;
constexpr int kBrowserTop = 1020;

QPointer<AddProduct> g_window;

}  // namespace

QString AddProduct::Caption() {
  return u"添加跟踪产品"_s;
}

AddProduct::AddProduct(AddProductHost* host, QWidget* parent)
    : QWidget(parent, Qt::Window), host_(host), places_(CapturePlacesFromSettings()) {
  setObjectName(u"AddProduct"_s);
  setWindowTitle(Caption());

  label1_ = new QLabel(u"网址："_s, this);
  label1_->setObjectName(u"Label1"_s);
  label1_->setGeometry(Px(kMargin), Px(150), Px(kUrlLeft - kMargin), Px(kRowHeight) - 4);
  url_ = new QLineEdit(this);
  url_->setObjectName(u"Url"_s);
  url_->move(Px(kUrlLeft), Px(120));
  connect(url_, &QLineEdit::returnPressed, this, &AddProduct::Url_KeyPress);
  connect(url_, &QLineEdit::textChanged, this, &AddProduct::Url_Change);

  const QString captions[] = {u"<="_s, u"=>"_s, u"添加当前产品"_s, u"设为默认首页"_s,
                              u"添加本页所有链接产品"_s};
  int left = Px(kMargin);
  for (int i = 0; i < 5; ++i) {
    com_[i] = new QPushButton(captions[i], this);
    com_[i]->setObjectName(u"Com_"_s + QString::number(i));
    const int width = std::max(Px(600), com_[i]->fontMetrics().horizontalAdvance(captions[i]) + 24);
    com_[i]->setGeometry(left, Px(kButtonTop), width, Px(375));
    left += width + Px(60);
    connect(com_[i], &QPushButton::clicked, this, [this, i] { Com_Click(i); });
  }
  com_[2]->setEnabled(false);
  rep_ = new QCheckBox(u"忽略已加过产品"_s, this);
  rep_->setObjectName(u"Rep"_s);
  chk_ = new QCheckBox(u"禁点击产品自动添加"_s, this);
  chk_->setObjectName(u"Chk"_s);
  for (QCheckBox* box : {rep_, chk_}) {
    const int width = box->sizeHint().width() + 8;
    box->setGeometry(left + Px(60), Px(kButtonTop), width, Px(375));
    left += width + Px(120);
  }

  timer1_ = new QTimer(this);
  timer1_->setObjectName(u"Timer1"_s);
  timer1_->setInterval(10);
  timer1_->setSingleShot(true);
  connect(timer1_, &QTimer::timeout, this, &AddProduct::Timer1_Timer);

  wb_ = new WebBrowser(this);
  wb_->setObjectName(u"WB"_s);
  wb_->move(Px(kBrowserLeft), Px(kBrowserTop));
  connect(wb_, &WebBrowser::statusTextChange, this,
          [this](const QString& text) { LastStatusText = text; });
  connect(wb_, &WebBrowser::downloadBegin, this, &AddProduct::ShowLocation);
  connect(wb_, &WebBrowser::downloadComplete, this, &AddProduct::ShowLocation);
  connect(wb_, &WebBrowser::urlChanged, this, &AddProduct::ShowLocation);
  connect(wb_, &WebBrowser::titleChanged, this, &AddProduct::WB_TitleChange);
  // Handled once the engine's request has returned: the add waits for pages itself.
  connect(wb_, &WebBrowser::newWindowRequested, this, [this](const QString& address) {
    QTimer::singleShot(0, this, [this, address] { WB_NewWindow(address); });
  });

  wb1_ = new WebBrowser(this);
  wb1_->setObjectName(u"WB1"_s);
  wb1_->SetBackground(true);

  resize(Px(15360), Px(11520));
}

AddProduct::~AddProduct() = default;

void AddProduct::AddProOfPage(WebBrowser* browser) {
  RunAdd([&] { lanxi::AddProOfPage(browser, wb1_, rep_->isChecked()); });
}

template <typename F>
void AddProduct::RunAdd(F&& add) {
  ++adding_;
  add();
  if (--adding_ == 0 && closed_ && deleteWhenClosed_) deleteLater();
}

void AddProduct::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!loaded_) Load();
}

void AddProduct::Load() {
  loaded_ = true;
  closed_ = false;
  ProductAdded = false;
  if (host_) host_->HideMainWindow();
  timer1_->start();
}

void AddProduct::Timer1_Timer() {
  QString address = GetParam(QString::fromUtf16(ParamKey::DefaultSearchUrl));
  if (address.isEmpty()) address = places_.DefaultSearchAddress();
  if (StartUrl.isEmpty()) StartUrl = address;
  url_->setText(StartUrl);
  Url_KeyPress();
}

void AddProduct::Url_KeyPress() {
  if (!url_->text().isEmpty()) StartNavigate(wb_, url_->text());
}

void AddProduct::Url_Change(const QString& text) {
  com_[2]->setEnabled(places_.ItemUrlKind(text) >= 0);
}

void AddProduct::Com_Click(int index) {
  switch (index) {
    case 0:
      wb_->back();
      break;
    case 1:
      wb_->forward();
      break;
    case 2:
      RunAdd([this] { AddProductFromPage(wb_, true); });
      ProductAdded = true;
      break;
    case 3:
      SetParam(QString::fromUtf16(ParamKey::DefaultSearchUrl), wb_->LocationURL());
      break;
    case 4:
      AddProOfPage(wb_);
      break;
    default:
      break;
  }
}

void AddProduct::ShowLocation() {
  url_->setText(wb_->LocationURL());
}

void AddProduct::WB_TitleChange(const QString& title) {
  setWindowTitle(windowTitle().section(u'-', 0, 0) + u'-' + title);
}

void AddProduct::WB_NewWindow(const QString& address) {
  const NewWindowAction action =
      DecideNewWindow(address.isEmpty() ? LastStatusText : address, chk_->isChecked(), places_);
  if (!action.addInBackground) {
    wb_->Navigate(action.address);
    return;
  }
  RunAdd([&] { AutoAddProduct(action.address, wb1_); });
}

void AddProduct::closeEvent(QCloseEvent* event) {
  QWidget::closeEvent(event);
  if (!loaded_) return;
  loaded_ = false;
  closed_ = true;
  timer1_->stop();
  StartUrl.clear();
  if (ProductAdded && host_) host_->RefreshProductList();
  if (host_) host_->ShowMainWindow();
  if (deleteWhenClosed_ && adding_ == 0) deleteLater();
}

void AddProduct::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  const int width = Tw(this->width()), height = Tw(this->height());
  url_->resize(Px(width - kUrlLeft - 180), Px(kRowHeight));
  wb_->resize(std::max(0, Px(width - 2 * kBrowserLeft - 120)),
              std::max(0, Px(height - kBrowserTop - 570)));
}

AddProduct* ShowAddProduct(AddProductHost* host, const QString& startUrl) {
  if (g_window && g_window->isVisible()) {
    if (!startUrl.isEmpty()) {
      g_window->StartUrl = startUrl;
      StartNavigate(g_window->WB(), startUrl);
    }
  } else {
    g_window = new AddProduct(host);
    g_window->SetDeleteWhenClosed(true);
    g_window->StartUrl = startUrl;
    g_window->show();
  }
  g_window->raise();
  g_window->activateWindow();
  return g_window;
}

}  // namespace lanxi
