#include "analysis/ui/anaclass.h"

#include <QComboBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

#include "analysis/comparison.h"
#include "analysis/ui/chartview.h"
#include "analysis/worktables.h"
#include "common/twips.h"
#include "storage/catalogue.h"
#include "tables/ui/gridview.h"

using namespace Qt::StringLiterals;

namespace lanxi {
namespace {

// The window's geometry in twips, as its layout rule states it.
constexpr int kMargin = 120;
constexpr int kFrameRight = 90;
constexpr int kFrameHeight = 1100;
constexpr int kTableTop = 1320;
constexpr int kTableWidth = 4215;
constexpr int kBottomMargin = 600;
constexpr int kPictureRight = 210;

QPointer<Ana_Class> g_window;

QLabel* AddLabel(QWidget* parent, const QString& name, const QString& text, int x, int y) {
  auto* l = new QLabel(text, parent);
  l->setObjectName(name);
  l->move(x, y + 4);
  l->adjustSize();
  return l;
}

QDateEdit* AddDatePicker(QWidget* parent, const QString& name, int x, int y) {
  auto* d = new QDateEdit(parent);
  d->setObjectName(name);
  d->setCalendarPopup(true);
  d->setDisplayFormat(u"yyyy-MM-dd"_s);
  d->setDateRange(QDate(2000, 1, 1), QDate::currentDate());
  d->setDate(QDate::currentDate());
  d->setGeometry(x, y, 112, 24);
  return d;
}

}  // namespace

QString Ana_Class::Caption() {
  return u"产品类别构成分析"_s;
}

Ana_Class* Ana_Class::Open(QWidget* parent, std::function<QString()> currentDbName, bool* created) {
  if (created) *created = !g_window;
  if (!g_window) {
    g_window = new Ana_Class(std::move(currentDbName), parent);
    g_window->setAttribute(Qt::WA_DeleteOnClose);
  }
  g_window->show();
  g_window->raise();
  g_window->activateWindow();
  return g_window;
}

Ana_Class::Ana_Class(std::function<QString()> currentDbName, QWidget* parent)
    : QWidget(parent, Qt::Window), currentDbName_(std::move(currentDbName)) {
  setObjectName(u"Ana_Class"_s);
  setWindowTitle(Caption());

  frm_ = new QGroupBox(u"条件设置"_s, this);
  frm_->setObjectName(u"Frm"_s);
  int x = 10;
  const int top = 22;
  x = AddLabel(frm_, u"Label1"_s, u"按分类："_s, x, top)->geometry().right() + 4;
  cmb_ = new QComboBox(frm_);
  cmb_->setObjectName(u"Cmb"_s);
  cmb_->setGeometry(x, top, 130, 24);
  x += 130 + 16;
  x = AddLabel(frm_, u"Label2"_s, u"从"_s, x, top)->geometry().right() + 4;
  dt_[0] = AddDatePicker(frm_, u"DT_0"_s, x, top);
  x += 112 + 8;
  x = AddLabel(frm_, u"Label3"_s, u"至"_s, x, top)->geometry().right() + 4;
  dt_[1] = AddDatePicker(frm_, u"DT_1"_s, x, top);
  x += 112 + 16;
  com_ = new QPushButton(u"数据分析"_s, frm_);
  com_->setObjectName(u"Com"_s);
  com_->setGeometry(x, top - 1, com_->fontMetrics().horizontalAdvance(com_->text()) + 32, 26);
  connect(com_, &QPushButton::clicked, this, &Ana_Class::Com_Click);

  const QStringList captions = ClassMeasureCaptions();
  x = 10;
  for (int i = 0; i < 8; ++i) {
    op_[i] = new QRadioButton(captions[i], frm_);
    op_[i]->setObjectName(u"Op_"_s + QString::number(i));
    const int w = op_[i]->fontMetrics().horizontalAdvance(captions[i]) + 30;
    op_[i]->setGeometry(x, top + 28, w, 22);
    x += w + 6;
  }
  op_[0]->setChecked(true);

  msf_ = new GridView(this);
  msf_->setObjectName(u"MSF"_s);
  connect(msf_, &GridView::mouseReleased, this,
          [this](Qt::MouseButton button, Qt::KeyboardModifiers, int x, int y) {
            if (button == Qt::RightButton)
              Q_EMIT TableMenuRequested(msf_->grid(),
                                        msf_->viewport()->mapToGlobal(QPoint(Px(x), Px(y))));
          });
  pic_ = new ChartView(this);
  pic_->setObjectName(u"Pic"_s);
  connect(pic_, &ChartView::MouseUp, this, [this](Qt::MouseButton button, int x, int y) {
    if (button == Qt::RightButton)
      Q_EMIT PictureMenuRequested(pic_, pic_->mapToGlobal(QPoint(Px(x), Px(y))));
  });

  resize(1000, 680);
  Form_Load();
}

void Ana_Class::Form_Load() {
  // The pickers span the current database's figures, from its earliest day to today.
  if (const std::optional<QDate> earliest = EarliestFigureDate()) {
    const QDate today = QDate::currentDate();
    for (QDateEdit* d : dt_) d->setDateRange(std::min(*earliest, today), today);
  }
  dt_[0]->setDate(dt_[0]->minimumDate());
  dt_[1]->setDate(dt_[1]->maximumDate());
  cmb_->addItems(CategoryNames());
  cmb_->setCurrentIndex(0);
  Form_Resize();
}

int Ana_Class::ChosenOption() const {
  for (int i = 0; i < 8; ++i) {
    if (op_[i]->isChecked()) return i;
  }
  return -1;
}

void Ana_Class::Com_Click() {
  CalToTempTable(*msf_->grid(), pic_->picture(), dt_[0]->date(), dt_[1]->date(),
                 cmb_->currentText(), ChosenOption(),
                 currentDbName_ ? currentDbName_() : QString());
}

void Ana_Class::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  Form_Resize();
}

// A width or height that would be negative is not applied; the control keeps its size.
void Ana_Class::Form_Resize() {
  const int w = width() * kTwipsPerPixel, h = height() * kTwipsPerPixel;
  const int frameWidth = w - 2 * kMargin - kFrameRight;
  frm_->setGeometry(Px(kMargin), Px(kMargin), frameWidth >= 0 ? Px(frameWidth) : frm_->width(),
                    Px(kFrameHeight));
  const int tableHeight = h - kTableTop - kBottomMargin;
  const int height = tableHeight >= 0 ? Px(tableHeight) : msf_->height();
  msf_->setGeometry(Px(kMargin), Px(kTableTop), Px(kTableWidth), height);
  msf_->syncSize();
  const int picLeft = kMargin + kTableWidth;
  const int picWidth = w - picLeft - kPictureRight;
  pic_->setGeometry(Px(picLeft), Px(kTableTop), picWidth >= 0 ? Px(picWidth) : pic_->width(),
                    height);
}

}  // namespace lanxi
