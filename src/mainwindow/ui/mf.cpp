#include "mainwindow/ui/mf.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateEdit>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QToolButton>

#include "analysis/figurescache.h"
#include "analysis/trends.h"
#include "analysis/ui/anaclass.h"
#include "analysis/ui/chartview.h"
#include "capture/addproducts.h"
#include "capture/browser.h"
#include "capture/pagepicture.h"
#include "capture/ui/webbrowser.h"
#include "categories/categoryedit.h"
#include "categories/selection.h"
#include "categories/ui/categorycombo.h"
#include "categories/ui/classset.h"
#include "common/routines.h"
#include "common/twips.h"
#include "common/version.h"
#include "mainwindow/commands.h"
#include "mainwindow/downloader.h"
#include "mainwindow/productlists.h"
#include "mainwindow/ui/choosers.h"
#include "mainwindow/ui/forms.h"
#include "mainwindow/ui/indicator.h"
#include "mainwindow/ui/picturepreview.h"
#include "mainwindow/ui/popmenu.h"
#include "mainwindow/ui/productlisteditor.h"
#include "mainwindow/ui/selectdb.h"
#include "mainwindow/ui/tabcontrol.h"
#include "storage/compaction.h"
#include "storage/dboperate.h"
#include "storage/importexport.h"
#include "storage/settings.h"
#include "tables/gridoperate.h"
#include "tables/ui/gridview.h"
#include "update/ui/rightform.h"
#include "update/update.h"

using namespace Qt::StringLiterals;

namespace lanxi {
namespace {

QString Name(const char* base, int index) {
  return QString::fromLatin1(base) + u'_' + QString::number(index);
}

// Places controls left to right in a band of a frame.
class Band {
 public:
  Band(QWidget* parent, int y, int height) : parent_(parent), y_(y), h_(height) {}
  template <typename W>
  W* add(W* w, int width) {
    w->setParent(parent_);
    w->setGeometry(x_, y_, width, h_);
    x_ += width + 4;
    return w;
  }
  QLabel* label(const QString& name, const QString& text) {
    auto* l = new QLabel(text);
    l->setObjectName(name);
    return add(l, l->fontMetrics().horizontalAdvance(text) + 2);
  }
  void gap(int px) { x_ += px; }

 private:
  QWidget* parent_;
  int x_ = 2;
  int y_;
  int h_;
};

QDateEdit* NewDatePicker(const QString& name) {
  auto* d = new QDateEdit;
  d->setObjectName(name);
  d->setCalendarPopup(true);
  d->setDisplayFormat(u"yyyy-MM-dd"_s);
  // Until a database with figures bounds them, the pickers offer the years the tracking spans.
  d->setDateRange(QDate(2000, 1, 1), QDate::currentDate());
  d->setDate(QDate::currentDate());
  return d;
}

QLineEdit* NewTextBox(const QString& name, bool readOnly = false) {
  auto* t = new QLineEdit;
  t->setObjectName(name);
  t->setReadOnly(readOnly);
  return t;
}

// The title picture: the program's name on a band of blue.
QPixmap TitlePicture(const QSize& size, const QFont& base) {
  QPixmap pm(size);
  QPainter p(&pm);
  QLinearGradient g(0, 0, size.width(), 0);
  g.setColorAt(0, QColor(0x1f, 0x4e, 0x8c));
  g.setColorAt(1, QColor(0x5b, 0x9b, 0xd5));
  p.fillRect(pm.rect(), g);
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  QFont title = base;
  title.setPointSize(20);
  title.setBold(true);
  p.setFont(title);
  p.setPen(Qt::white);
  p.drawText(QRect(16, 6, size.width() - 20, 44), Qt::AlignLeft | Qt::AlignVCenter,
             u"澜析产品销量跟踪软件"_s);
  QFont sub = base;
  sub.setPointSize(10);
  p.setFont(sub);
  p.setPen(QColor(0xdd, 0xeb, 0xf7));
  p.drawText(QRect(18, 48, size.width() - 20, 22), Qt::AlignLeft | Qt::AlignVCenter,
             u"淘宝 · 天猫产品价格、销量与库存跟踪分析"_s);
  // A small rising chart line as the emblem.
  QPen pen(QColor(255, 200, 60), 3);
  p.setPen(pen);
  const int x0 = size.width() - 92, y0 = size.height() - 14;
  const QPointF pts[] = {{x0 + 0.0, y0 - 6.0},
                         {x0 + 18.0, y0 - 20.0},
                         {x0 + 36.0, y0 - 14.0},
                         {x0 + 56.0, y0 - 38.0},
                         {x0 + 76.0, y0 - 48.0}};
  p.drawPolyline(pts, 5);
  return pm;
}

// Icons of the help page's buttons, drawn rather than shipped.
QIcon ButtonIcon(const QString& glyph, const QColor& colour) {
  QPixmap pm(40, 40);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  p.setBrush(colour);
  p.setPen(Qt::NoPen);
  p.drawEllipse(2, 2, 36, 36);
  QFont f(u"Noto Sans CJK SC"_s);
  f.setPixelSize(18);
  f.setBold(true);
  p.setFont(f);
  p.setPen(Qt::white);
  p.drawText(pm.rect(), Qt::AlignCenter, glyph);
  return QIcon(pm);
}

// Layout assignments: a negative width or height is not applied (the control keeps its
// previous size), the other assignments still happen.
void SetLeft(QWidget* w, int twips) {
  w->move(Px(twips), w->y());
}
void SetTop(QWidget* w, int twips) {
  w->move(w->x(), Px(twips));
}
void Resized(QWidget* w) {
  if (auto* view = qobject_cast<GridView*>(w)) view->syncSize();
}
void SetWidth(QWidget* w, int twips) {
  if (twips < 0) return;
  w->resize(Px(twips), w->height());
  Resized(w);
}
void SetHeight(QWidget* w, int twips) {
  if (twips < 0) return;
  w->resize(w->width(), Px(twips));
  Resized(w);
}
int WidthOf(const QWidget* w) {
  return Tw(w->width());
}
int HeightOf(const QWidget* w) {
  return Tw(w->height());
}
int LeftOf(const QWidget* w) {
  return Tw(w->x());
}

}  // namespace

MF::MF(QWidget* parent) : QMainWindow(parent) {
  setObjectName(u"MF"_s);
  setWindowTitle(QString::fromUtf16(kProductName) + ProgramVersion());

  area_ = new QWidget(this);
  area_->setObjectName(u"MFArea"_s);
  setCentralWidget(area_);
  BuildTopBand(area_);

  sst_ = new TabControl(area_);
  sst_->setObjectName(u"SST"_s);
  BuildProductTab(sst_->addTab(u"产品列表"_s, Name("Frm", 0)));
  BuildFiguresTab(sst_->addTab(u"销售数据"_s, Name("Frm", 1)));
  QWidget* charts = sst_->addTab(u"图表分析"_s, Name("Frm", 2));
  BuildHelpTab(sst_->addTab(u"使用帮助"_s, Name("Frm", 3)));

  sst1_ = new TabControl(charts);
  sst1_->setObjectName(u"SST1"_s);
  const QString pages[] = {u"价格 Vs 销量"_s, u"价格分析"_s, u"销量分析"_s, u"库存分析"_s};
  for (int k = 0; k < 4; ++k) BuildChartPage(k, sst1_->addTab(pages[k], Name("Frm1", k)));

  connect(sst_, &TabControl::Click, this, &MF::SST_Click);
  connect(sst1_, &TabControl::Click, this, &MF::SST1_Click);
  pPic_->raise();

  BuildMenus();
  popMenu_ = new PopMenu(this);
  WireLists();

  newEditionTimer_ = new QTimer(this);
  newEditionTimer_->setObjectName(u"NewEditionTimer"_s);
  newEditionTimer_->setInterval(5000);
  newEditionTimer_->setSingleShot(true);
  connect(newEditionTimer_, &QTimer::timeout, this, &MF::NewEditionTimer_Timer);

  indicator_ = new Indicator(nullptr);
  area_->installEventFilter(this);
  resize(1180, 760);
  // Lay the window out at its start size now, so the lists are filled at the width they show.
  layout()->activate();
  ApplyLayout();
  StartUp();
  newEditionTimer_->start();
}

MF::~MF() {
  SetMainBrowser(nullptr);
  delete indicator_;
}

void MF::BuildTopBand(QWidget* area) {
  iTit_ = new QLabel(area);
  iTit_->setObjectName(u"iTit"_s);
  iTit_->setGeometry(0, 0, 460, Px(1200) - 6);
  iTit_->setPixmap(TitlePicture(iTit_->size(), font()));

  auto* label2 = new QLabel(u"当前数据库："_s, area);
  label2->setObjectName(u"Label2"_s);
  label2->setGeometry(480, 44, label2->fontMetrics().horizontalAdvance(label2->text()) + 4, 24);
  curDBName_ = new QLabel(u"  "_s, area);
  curDBName_->setObjectName(u"CurDBName"_s);
  curDBName_->setGeometry(label2->geometry().right() + 2, 44, 420, 24);
  QFont bold = curDBName_->font();
  bold.setBold(true);
  curDBName_->setFont(bold);
  curDBName_->setStyleSheet(u"color: #1f4e8c;"_s);

  pPic_ = new QLabel(area);
  pPic_->setObjectName(u"PPic"_s);
  pPic_->setFrameShape(QFrame::Box);
  pPic_->setScaledContents(true);
  pPic_->setGeometry(0, 0, 200, 200);
  pPic_->hide();
}

GridView* MF::AddGrid(const QString& name, int index, QWidget* parent, bool list) {
  auto* view = new GridView(parent);
  view->setObjectName(name);
  // A title click sorts the lists; any other button opens the table menu with the export.
  connect(view, &GridView::mousePressed, this,
          [this, view, index, list](Qt::MouseButton button, Qt::KeyboardModifiers, int x, int y) {
            if (button == Qt::LeftButton) {
              if (list) SortOnHeaderClick(*view->grid(), x, y);
              return;
            }
            // "修改分类" is offered for the product list only.
            popMenu_->mModiStr->setVisible(list && index == 0);
            popMenu_->PopupTableMenu(view->grid(), index,
                                     view->viewport()->mapToGlobal(QPoint(Px(x), Px(y))));
          });
  if (list) {
    // A double click on a name opens the product's item page.
    connect(view, &GridView::doubleClicked, this, [this, view] {
      const Grid& g = *view->grid();
      if (g.Rows() > g.FixedRows() && g.Col() == g.FixedCols() && g.Row() >= g.FixedRows())
        OpenItemPage(g.TextMatrix(g.Row(), 2));
    });
  }
  return view;
}

QPushButton* MF::AddCom(int index, const QString& caption, QWidget* parent) {
  auto* b = new QPushButton(caption, parent);
  b->setObjectName(Name("Com", index));
  com_.insert(index, b);
  connect(b, &QPushButton::clicked, this, [this, index] { Com_Click(index); });
  return b;
}

void MF::BuildProductTab(QWidget* frame) {
  Band band(frame, 1, Px(360) - 2);
  for (auto [index, caption] : {std::pair{0, u"添加产品"_s}, std::pair{1, u"删除产品"_s},
                                std::pair{3, u"更新产品信息"_s}, std::pair{2, u"刷新列表"_s}}) {
    QPushButton* b = AddCom(index, caption, frame);
    band.add(b, b->fontMetrics().horizontalAdvance(caption) + 24);
  }
  band.gap(12);
  band.label(Name("Label4", 0), u"分类自动设置 => 将产品名中包含："_s);
  tc_[0] = band.add(NewTextBox(Name("TC", 0)), 100);
  band.label(Name("Label4", 1), u"的类别："_s);
  cbc_ = band.add(new QComboBox, 90);
  cbc_->setObjectName(u"CBC"_s);
  for (int i = 1; i <= 10; ++i) cbc_->addItem(u"分类"_s + QString::number(i));
  band.label(Name("Label4", 2), u"设为："_s);
  tc_[1] = band.add(NewTextBox(Name("TC", 1)), 100);
  QPushButton* set = AddCom(4, u"设置"_s, frame);
  band.add(set, 48);
  // The new category value starts as the typed name part.
  connect(tc_[0], &QLineEdit::textChanged, tc_[1], &QLineEdit::setText);

  msf_[0] = AddGrid(Name("MSF", 0), 0, frame, true);

  cmb_ = new QComboBox(frame);
  cmb_->setObjectName(u"CMB"_s);
  cmb_->setEditable(true);
  cmb_->hide();
  tt_ = new QLineEdit(frame);
  tt_->setObjectName(u"TT"_s);
  tt_->hide();
}

void MF::BuildFiguresTab(QWidget* frame) {
  Band band(frame, 1, Px(360) - 2);
  band.label(Name("Label1", 2), u"产品选择："_s);
  cPro_[1] = band.add(new QComboBox, 220);
  cPro_[1]->setObjectName(Name("CPro", 1));
  band.gap(8);
  band.label(Name("Label1", 0), u"日期："_s);
  dtp_[0] = band.add(NewDatePicker(Name("DTP", 0)), 116);
  band.label(Name("Label1", 1), u"至"_s);
  dtp_[1] = band.add(NewDatePicker(Name("DTP", 1)), 116);
  band.gap(8);
  for (auto [index, caption] : {std::pair{10, u"删除数据"_s}, std::pair{11, u"刷新列表"_s}}) {
    QPushButton* b = AddCom(index, caption, frame);
    band.add(b, b->fontMetrics().horizontalAdvance(caption) + 24);
  }
  msf_[1] = AddGrid(Name("MSF", 1), 1, frame, true);
}

void MF::BuildChartPage(int k, QWidget* frame) {
  // Two rows of controls fill the band of 600 twips above the table and the chart.
  const int rowHeight = Px(600) / 2 - 1;
  Band top(frame, 0, rowHeight);
  const int labelBase = k == 0 ? 0 : 3 + 2 * k;
  top.label(Name("Label3", labelBase), u"从"_s);
  dt_[2 * k] = top.add(NewDatePicker(Name("DT", 2 * k)), 112);
  top.label(Name("Label3", labelBase + 1), u"至"_s);
  dt_[2 * k + 1] = top.add(NewDatePicker(Name("DT", 2 * k + 1)), 112);
  top.gap(8);
  clas_[k] = top.add(NewTextBox(Name("Clas", k), true), 220);
  const int first = k == 0 ? 20 : 24 + 4 * (k - 1);
  QPushButton* choose = AddCom(first, u"产品类别选择"_s, frame);
  top.add(choose, choose->fontMetrics().horizontalAdvance(choose->text()) + 20);
  top.add(AddCom(first + 1, u"分析"_s, frame), 48);

  Band bottom(frame, rowHeight + 1, rowHeight);
  if (k == 0) {
    bottom.label(Name("Label3", 4), u"产品选择："_s);
    cPro_[0] = bottom.add(new QComboBox, 300);
    cPro_[0]->setObjectName(Name("CPro", 0));
    bottom.add(AddCom(23, u"分析"_s, frame), 48);
  } else {
    pro_[k] = bottom.add(NewTextBox(Name("Pro", k), true), 300);
    QPushButton* products = AddCom(first + 2, u"产品选择"_s, frame);
    bottom.add(products, products->fontMetrics().horizontalAdvance(products->text()) + 20);
    bottom.add(AddCom(first + 3, u"分析"_s, frame), 48);
    bottom.gap(12);
    static const QStringList options[] = {{},
                                          {u"标准定价"_s, u"促销价"_s, u"折扣幅度"_s},
                                          {u"销售量"_s, u"销售额"_s},
                                          {u"库存量"_s, u"库存额"_s}};
    const char* group[] = {nullptr, "Op1", "Op2", "Op3"};
    for (int i = 0; i < options[k].size(); ++i) {
      auto* op = new QRadioButton(options[k][i]);
      op->setObjectName(Name(group[k], i));
      op->setChecked(i == 0);
      op_[k][i] = op;
      bottom.add(op, op->fontMetrics().horizontalAdvance(op->text()) + 28);
    }
  }

  msf1_[k] = AddGrid(Name("MSF1", k), k, frame, false);
  pic_[k] = new ChartView(frame);
  pic_[k]->setObjectName(Name("Pic", k));
  // The right button offers the picture menu with the saving of the chart.
  connect(pic_[k], &ChartView::MouseDown, this, [this, k](Qt::MouseButton button, int x, int y) {
    if (button == Qt::RightButton)
      popMenu_->PopupPictureMenu(pic_[k], pic_[k]->mapToGlobal(QPoint(Px(x), Px(y))));
  });
}

void MF::BuildHelpTab(QWidget* frame) {
  tHelp_ = new QPlainTextEdit(frame);
  tHelp_->setObjectName(u"THelp"_s);
  tHelp_->setReadOnly(true);
  QFile guide(u":/help/userguide.txt"_s);
  if (guide.open(QIODevice::ReadOnly)) tHelp_->setPlainText(QString::fromUtf8(guide.readAll()));

  frm7_ = new QWidget(frame);
  frm7_->setObjectName(u"FRM7"_s);
  frm7_->resize(Px(1200), 400);
  const QString tip = u"通过QQ与客服人员在线交谈（需确保安装并运行了QQ）。"_s;
  struct Spec {
    int index;
    QString glyph;
    QColor colour;
    QString text;
  };
  const Spec buttons[] = {{1, u"i"_s, QColor(0x1f, 0x4e, 0x8c), u"关于澜析"_s},
                          {2, u"?"_s, QColor(0x2e, 0x8b, 0x57), u"在线帮助"_s},
                          {3, u"客"_s, QColor(0xd2, 0x69, 0x1e), u"客服1"_s},
                          {4, u"服"_s, QColor(0xb2, 0x22, 0x22), u"客服2"_s}};
  int y = 100;
  for (const Spec& s : buttons) {
    auto* b = new QToolButton(frm7_);
    b->setObjectName(Name("CB", s.index));
    b->setIcon(ButtonIcon(s.glyph, s.colour));
    b->setIconSize(QSize(40, 40));
    b->setText(s.text);
    b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    b->setAutoRaise(true);
    b->setGeometry(6, y, Px(1200) - 12, 66);
    if (s.index >= 3) b->setToolTip(tip);
    y += 72;
    connect(b, &QToolButton::clicked, this, [this, i = s.index] {
      if (i == 1) ShowAbout();
      if (i == 2) OpenParamAddress(ParamKey::HelpUrl, ParamDefault::HelpUrl);
      if (i == 3) OpenParamAddress(ParamKey::SupportUrl1, ParamDefault::SupportUrl1);
      if (i == 4) OpenParamAddress(ParamKey::SupportUrl2, ParamDefault::SupportUrl2);
    });
  }
}

QAction* MF::AddAction(QMenu* menu, const char* name, const QString& caption) {
  QAction* a = menu->addAction(caption);
  a->setObjectName(QString::fromLatin1(name));
  return a;
}

void MF::BuildMenus() {
  auto menu = [this](const char* name, const QString& caption) {
    QMenu* m = menuBar()->addMenu(caption);
    m->setObjectName(QString::fromLatin1(name));
    return m;
  };
  QMenu* file = menu("mFile", u"文件"_s);
  connect(AddAction(file, "mNewDB", u"新建数据库"_s), &QAction::triggered, this,
          [this] { NewDB(*this); });
  connect(AddAction(file, "mSelectDB", u"选择数据库"_s), &QAction::triggered, this,
          [this] { OpenDB(*this, {}); });
  connect(AddAction(file, "mDeleteDB", u"删除数据库"_s), &QAction::triggered, this,
          [this] { DeleteDB(*this, {}); });
  connect(AddAction(file, "mCompactDB", u"压缩数据库"_s), &QAction::triggered, this, [] {
    StatisticsDatabase::Current().Drop();  // the figures are read again from the new files
    CompactAll();
  });
  connect(AddAction(file, "mRenameDB", u"数据库改名"_s), &QAction::triggered, this,
          [this] { RenameDB(*this); });
  connect(AddAction(file, "mOutpuDB", u"导出数据库"_s), &QAction::triggered, this,
          [this] { ExportDB(*this); });
  connect(AddAction(file, "mInputDB", u"导入数据库"_s), &QAction::triggered, this,
          [this] { ImportDB(*this); });
  file->addSeparator();
  connect(AddAction(file, "mExit", u"退出"_s), &QAction::triggered, this, &MF::close);

  QMenu* down = menu("mDown", u"下载"_s);
  connect(AddAction(down, "mDownTodayCur", u"下载今天数据(当前数据库)"_s), &QAction::triggered,
          this, [this] { StartDownloader({DownloaderArgument(CurDBName(), CurDBFile)}); });
  connect(AddAction(down, "mDownToday", u"下载今天数据(所有数据库)"_s), &QAction::triggered, this,
          [] { StartDownloader({}); });
  connect(AddAction(down, "mDownPic", u"补齐缺失图片"_s), &QAction::triggered, this,
          &MF::mDownPic_Click);

  QMenu* more = menu("mMoreAna", u"更多分析"_s);
  connect(AddAction(more, "mProStructrue", u"类别构成分析"_s), &QAction::triggered, this,
          &MF::ShowAnaClass);

  QMenu* set = menu("mSet", u"设置"_s);
  mForbidProPic_ = AddAction(set, "mForbidProPic", u"禁止显示产品图片"_s);
  mForbidProPic_->setCheckable(true);
  connect(mForbidProPic_, &QAction::triggered, this, &MF::ToggleForbidProPic);
  connect(AddAction(set, "mClassSet", u"分类名称设置"_s), &QAction::triggered, this,
          &MF::ShowClassSet);

  QMenu* help = menu("mHelp", u"帮助"_s);
  connect(AddAction(help, "mUseHelp", u"使用说明"_s), &QAction::triggered, this,
          [this] { sst_->setCurrentIndex(3); });
  connect(AddAction(help, "mAbout", u"关于澜析"_s), &QAction::triggered, this, &MF::ShowAbout);
  connect(AddAction(help, "mQQHelp1", u"QQ帮助1"_s), &QAction::triggered, this,
          [this] { OpenParamAddress(ParamKey::SupportUrl1, ParamDefault::SupportUrl1); });
  connect(AddAction(help, "mQQHelp2", u"QQ帮助2"_s), &QAction::triggered, this,
          [this] { OpenParamAddress(ParamKey::SupportUrl2, ParamDefault::SupportUrl2); });
}

void MF::ShowAbout() {
  auto* about = new Rightform(this);
  about->show();
  about->raise();
}

void MF::NewEditionTimer_Timer() {
  newEditionTimer_->stop();
  // The updater replaces the program's files: it can only do so once the program has ended.
  if (CheckUpdate(kUpdatePageNumber) == UpdateOutcome::UpdaterStarted) close();
}

void MF::WireLists() {
  editor_ = new ProductListEditor(msf_[0], cmb_, tt_, this);
  // Any list taking the focus ends a category edit, keeping its change.
  connect(msf_[1], &GridView::focusEntered, this, [this] { editor_->HideClassComb(true); });
  connect(popMenu_, &PopMenu::ModiStrStarting, this, [this] { editor_->HideClassComb(true); });

  preview_ = new PicturePreview(pPic_, area_, sst_, mForbidProPic_, this);
  for (GridView* list : msf_) preview_->Follow(list);
  preview_->DownloadMissingPictures = [this] {
    mDownPic_Click();
    Com_Click(2);
  };
  preview_->UpdateAllProducts = [this] {
    Grid& g = *msf_[0]->grid();
    g.SetRow(g.FixedRows());
    g.SetRowSel(g.Rows() - 1);
    Com_Click(3);
  };

  // Choosing a product in the chart page's list draws its chart; Enter in either list opens the
  // product's item page in the web browser.
  connect(cPro_[0], &QComboBox::activated, this, [this] { Com_Click(23); });
  for (QComboBox* list : cPro_) list->installEventFilter(this);
}

void MF::StartUp() {
  preview_->NextPicPromptTime = QDateTime::currentDateTime();
  preview_->NextInfoPromptTime = preview_->NextPicPromptTime;
  ResetUpdateCheck();
  LoadDefaultDB(*this);
  if (sst_->currentIndex() != 0) {
    sst_->setCurrentIndex(0);
  } else {
    SST_Click();
  }
  if (sst1_->currentIndex() != 0) {
    sst1_->setCurrentIndex(0);
  } else {
    SST1_Click();
  }
  mForbidProPic_->setChecked(!GetParam(QString::fromUtf16(ParamKey::ForbidProPic)).isEmpty());
}

void MF::SST_Click() {
  for (int i = 0; i < sst_->count(); ++i) sst_->frame(i)->setVisible(i == sst_->currentIndex());
  pPic_->hide();
}

void MF::SST1_Click() {
  for (int k = 0; k < sst1_->count(); ++k) sst1_->frame(k)->setVisible(k == sst1_->currentIndex());
}

void MF::ToggleForbidProPic() {
  const bool ticked = mForbidProPic_->isChecked();
  SetParam(QString::fromUtf16(ParamKey::ForbidProPic), ticked ? u"√"_s : QString());
  if (ticked) pPic_->hide();
}

void MF::OpenParamAddress(const char16_t* key, const char16_t* fallback) {
  OpenWithShell(GetParamOr(QString::fromUtf16(key), QString::fromUtf16(fallback)));
}

void MF::Com_Click(int index) {
  switch (index) {
    case 0:
      WB();
      ShowAddProduct(this);
      break;
    case 1: {
      // Open edits are kept before rows go, as leaving them would.
      editor_->HideClassComb(true);
      editor_->HideTT();
      Grid& grid = *msf_[0]->grid();
      if (DeleteProducts(grid, grid.Row(), grid.RowSel())) FillProductChoices(true);
      break;
    }
    case 2:
      editor_->EndEdits();
      LoadProductMSF(*msf_[0]->grid());
      FillProductChoices(true);
      break;
    case 3: {
      editor_->EndEdits();
      const Grid& grid = *msf_[0]->grid();
      UpdateProductRows(grid, grid.Row(), grid.RowSel(), WB());
      break;
    }
    case 4:
      AutoCategorise();
      break;
    case 10: {
      Grid& grid = *msf_[1]->grid();
      DeleteGridRows(grid, grid.Row(), grid.RowSel(), true);
      break;
    }
    case 11:
      LoadProductInfoMSF(*msf_[1]->grid(), cPro_[1]->currentText(), dtp_[0]->date(),
                         dtp_[1]->date());
      break;
    case 20:
    case 24:
    case 28:
    case 32:
      ChooseCategories(clas_[(index - 20) / 4], this);
      break;
    case 26:
    case 30:
    case 34:
      ChooseProducts(pro_[(index - 22) / 4], this);
      break;
    case 21:
    case 23:
    case 25:
    case 27:
    case 29:
    case 31:
    case 33:
    case 35:
      RunChart(index);
      break;
    default:
      break;
  }
}

void MF::RunChart(int index) {
  const int k = index < 24 ? 0 : (index - 24) / 4 + 1;
  const bool byCategory = index == 21 || (index >= 24 && (index - 24) % 4 == 1);
  Grid& table = *msf1_[k]->grid();
  ChartPicture& pic = pic_[k]->picture();
  // The statistic puts its own copies of the dates in order; the pickers stay as they are.
  QDate from = dt_[2 * k]->date(), to = dt_[2 * k + 1]->date();
  int option = 0;
  for (int i = 0; i < 3 && op_[k][i]; ++i) {
    if (op_[k][i]->isChecked()) {
      option = i;
      break;
    }
  }
  if (byCategory) {
    const QString categories = clas_[k]->text();
    switch (k) {
      case 0:
        CategorySalesPriceTrend(table, pic, from, to, categories, CurDBName());
        break;
      case 1:
        CategoryPriceTrend(table, pic, from, to, categories, option, CurDBName());
        break;
      case 2:
        CategorySalesTrend(table, pic, from, to, categories, option, CurDBName());
        break;
      default:
        CategoryStockTrend(table, pic, from, to, categories, option, CurDBName());
    }
    return;
  }
  if (k == 0) {
    ProductSalesPriceTrend(table, pic, from, to, cPro_[0]->currentText());
    return;
  }
  const QString ids = pro_[k]->property(kChoiceIdsProperty).toString();
  const QString names = pro_[k]->text();
  switch (k) {
    case 1:
      ProductPriceTrend(table, pic, from, to, ids, names, option);
      break;
    case 2:
      ProductSalesTrend(table, pic, from, to, ids, names, option);
      break;
    default:
      ProductStockTrend(table, pic, from, to, ids, names, option);
  }
}

void MF::ShowAnaClass() {
  bool created = false;
  Ana_Class* window = Ana_Class::Open(
      this, [this] { return CurDBName(); }, &created);
  if (!created) return;
  connect(window, &Ana_Class::TableMenuRequested, this, [this](Grid* grid, const QPoint& at) {
    popMenu_->mModiStr->setVisible(false);
    popMenu_->PopupTableMenu(grid, 0, at);
  });
  connect(window, &Ana_Class::PictureMenuRequested, this,
          [this](ChartView* chart, const QPoint& at) { popMenu_->PopupPictureMenu(chart, at); });
}

void MF::AutoCategorise() {
  editor_->CancelCategoryEdit();
  const QString namePart = tc_[0]->text(), value = tc_[1]->text();
  if (namePart.isEmpty() || cbc_->currentText().isEmpty() || value.isEmpty()) return;
  // The list's items are the ten categories in order, whatever names they show.
  lanxi::AutoCategorise(cbc_->currentIndex(), namePart, value);
  Com_Click(2);
}

void MF::FillProductChoices(bool keepChoice) {
  const QStringList items = ProductChoiceItems();
  for (QComboBox* list : cPro_) {
    const QString shown = list->currentText();
    FillProductList(list, QString::fromUtf16(kAllProducts), items);
    if (keepChoice && list->findText(shown) >= 0) list->setCurrentIndex(list->findText(shown));
  }
}

void MF::ProductChoiceKey(QComboBox* list) {
  const QString address = ProductAddress(list->currentText());
  if (!address.isEmpty()) OpenWithShell(address);
}

void MF::ShowClassSet() {
  if (classSet_) {
    classSet_->raise();
    classSet_->activateWindow();
    return;
  }
  auto* window = new ClassSet(this);
  connect(window, &ClassSet::NamesSaved, this,
          [this] { RefreshCategoryCaptions(msf_[0]->grid(), cbc_); });
  classSet_ = window;
  window->show();
}

void MF::mDownPic_Click() {
  DownMissingPictures(WB());
}

void MF::OpenItemPage(const QString& url) {
  WB();
  ShowAddProduct(this, url);
}

WebBrowser* MF::WB() {
  if (!wb_) {
    // Kept out of sight on the product tab; it loads pages as a shown browser would.
    wb_ = new WebBrowser(msf_[0]->parentWidget());
    wb_->setObjectName(u"WB"_s);
    wb_->SetBackground(true);
    wb_->setGeometry(-2000, -2000, 800, 600);
    SetMainBrowser(wb_);
  }
  return wb_;
}

void MF::HideMainWindow() {
  hide();
}

void MF::ShowMainWindow() {
  show();
  raise();
  activateWindow();
}

void MF::RefreshProductList() {
  Com_Click(2);
}

QString MF::CurDBName() const {
  return curDBName_->text();
}

void MF::SetCurDBName(const QString& name) {
  curDBName_->setText(name);
}

QString MF::ChooseDatabase() {
  auto* dialog = new SelectDB(CurDBName(), this);
  dialog->show();
  WaitWhileFormOpen(SelectDB::Caption());
  return SelDBName;
}

void MF::RefreshAfterOpen() {
  FillProductChoices();
  ResetDateRange(dtp_[0], dtp_[1]);
  Com_Click(2);
  Com_Click(11);
  RefreshCategoryCaptions(msf_[0]->grid(), cbc_);
  // Product choices of the chart pages name products of the file they were made in.
  if (CurDBFile != shownFile_) {
    for (QLineEdit* box : pro_) {
      if (!box) continue;
      box->clear();
      box->setProperty(kChoiceIdsProperty, QString());
    }
  }
  shownFile_ = CurDBFile;
}

void MF::ResetDateRange(QDateEdit* from, QDateEdit* to) {
  const QDate today = QDate::currentDate();
  from->setDate(today);
  to->setDate(today);
  if (const std::optional<QDate> earliest = EarliestFigureDate()) {
    for (QDateEdit* d : {from, to}) d->setDateRange(std::min(*earliest, today), today);
  }
  for (int i = 0; i < 8; ++i) {
    dt_[i]->setDateRange(dtp_[0]->minimumDate(), dtp_[0]->maximumDate());
    dt_[i]->setDate(i % 2 == 0 ? dtp_[0]->minimumDate() : dtp_[0]->maximumDate());
  }
}

void MF::ApplyLayout() {
  const int W = WidthOf(area_), H = HeightOf(area_);
  SetLeft(sst_, 0);
  SetTop(sst_, 1200);
  SetWidth(sst_, W - 105);
  SetHeight(sst_, H - 1200 - 810);
  for (int i = 0; i < sst_->count(); ++i) {
    QWidget* frm = sst_->frame(i);
    SetLeft(frm, 60);
    SetTop(frm, 360);
    SetWidth(frm, WidthOf(sst_) - 120);
    SetHeight(frm, HeightOf(sst_) - 360 - 60);
    if (i < 2) {
      SetLeft(msf_[i], 0);
      SetTop(msf_[i], 360);
      SetWidth(msf_[i], WidthOf(frm));
      SetHeight(msf_[i], HeightOf(frm) - 360);
    }
  }
  QWidget* frm2 = sst_->frame(2);
  SetLeft(sst1_, 0);
  SetTop(sst1_, 0);
  SetWidth(sst1_, WidthOf(frm2));
  SetHeight(sst1_, HeightOf(frm2));
  for (int k = 0; k < sst1_->count(); ++k) {
    QWidget* frm1 = sst1_->frame(k);
    SetLeft(frm1, 60);
    SetTop(frm1, 360);
    SetWidth(frm1, WidthOf(sst1_) - 120);
    SetHeight(frm1, HeightOf(sst1_) - 360 - 60);
    SetLeft(msf1_[k], 0);
    SetTop(msf1_[k], 600);
    SetWidth(msf1_[k], 3500);
    SetHeight(msf1_[k], HeightOf(frm1) - 600);
    SetLeft(pic_[k], WidthOf(msf1_[k]) - 15);
    SetTop(pic_[k], 600);
    SetWidth(pic_[k], WidthOf(frm1) - LeftOf(pic_[k]));
    SetHeight(pic_[k], HeightOf(msf1_[k]));
  }
  QWidget* frm3 = sst_->frame(3);
  SetLeft(tHelp_, 0);
  SetTop(tHelp_, 0);
  SetHeight(tHelp_, HeightOf(frm3));
  SetWidth(tHelp_, WidthOf(frm3) - WidthOf(frm7_));
  SetLeft(frm7_, WidthOf(tHelp_));
  SetTop(frm7_, -90);
  SetHeight(frm7_, HeightOf(frm3) + 90);
}

bool MF::eventFilter(QObject* watched, QEvent* event) {
  if (watched == area_ && event->type() == QEvent::Resize) ApplyLayout();
  if (event->type() == QEvent::KeyPress && (watched == cPro_[0] || watched == cPro_[1])) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      ProductChoiceKey(static_cast<QComboBox*>(watched));
      return true;
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

void MF::closeEvent(QCloseEvent* event) {
  if (closing_) {
    event->accept();
    return;
  }
  closing_ = true;
  SaveDefaultDB(*this, {});
  // Every other window closes with the main window; the run ends once the event loop is back.
  const QWidgetList windows = QApplication::topLevelWidgets();
  for (QWidget* w : windows) {
    if (w != this && w->isVisible()) w->close();
  }
  event->accept();
  QCoreApplication::exit(0);
}

}  // namespace lanxi
