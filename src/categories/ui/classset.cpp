#include "categories/ui/classset.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QVBoxLayout>

#include "categories/categorynames.h"
#include "categories/ui/dialogframe.h"
#include "common/userprompts.h"
#include "tables/gridoperate.h"
#include "tables/ui/gridview.h"

using namespace Qt::StringLiterals;

namespace lanxi {
namespace {

constexpr int kNameCol = 2;

}  // namespace

QString ClassSet::Caption() {
  return u"分类名称设置"_s;
}

ClassSet::ClassSet(QWidget* parent) : QWidget(parent, DialogFlags()) {
  SetUpDialog(this, u"ClassSet"_s, Caption());
  msf_ = new GridView(this);
  msf_->setObjectName(u"MSF"_s);
  msf_->setFixedWidth(400);
  // The ten categories fit: no scroll bars.
  msf_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  msf_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  connect(msf_, &GridView::clicked, this, &ClassSet::EditCell);
  connect(msf_, &GridView::scrolled, this, [this] { HideEditor(false); });

  t_ = new QLineEdit(this);
  t_->setObjectName(u"T"_s);
  t_->setFrame(false);
  t_->hide();
  t_->installEventFilter(this);
  connect(t_, &QLineEdit::textChanged, this, [this](const QString& text) {
    if (editRow_ > 0) msf_->grid()->SetTextMatrix(editRow_, kNameCol, text);
  });

  Load();
  // The grid shows its ten rows whole; the buttons sit below it.
  const Grid& g = *msf_->grid();
  int height = 0;
  for (int r = 0; r < g.Rows(); ++r) height += g.RowHeight(r);
  msf_->setFixedHeight(height / Grid::kTwipsPerPixel + 2 * msf_->frameWidth() + 4);
  auto* layout = new QVBoxLayout(this);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  layout->addWidget(msf_);
  layout->addLayout(OkCancelRow(this, u"确  定"_s, u"取  消"_s, [this] { Com0_Click(); }));
}

void ClassSet::Load() {
  Grid& g = *msf_->grid();
  SetupGridColumns(g, {QString(), u"C"_s, u"N"_s},
                   {u"序号"_s, u"原类别名"_s, u"实际显示类别名称"_s});
  const QStringList shown = DisplayCategoryNames();
  g.SetVisible(false);
  for (int i = 0; i < kCategoryCount; ++i) {
    g.SetRows(g.Rows() + 1);
    const int r = g.Rows() - 1;
    g.SetTextMatrix(r, 0, QString::number(r - g.FixedRows() + 1));
    g.SetTextMatrix(r, 1, InternalCategoryCaption(i));
    g.SetTextMatrix(r, kNameCol, shown[i]);
  }
  g.SetFixedCols(1);
  g.SetLeftCol(1);
  g.SetVisible(true);
  msf_->syncSize();
  AutoFitColumns(g, 1);
  // The names get the rest of the width, so longer ones can be typed in comfort.
  const int inner = msf_->width() - 2 * msf_->frameWidth() - 1;
  const int rest = inner * Grid::kTwipsPerPixel - g.ColWidth(0) - g.ColWidth(1);
  if (rest > g.ColWidth(kNameCol)) g.SetColWidth(kNameCol, rest);
}

void ClassSet::EditCell() {
  Grid& g = *msf_->grid();
  if (g.Col() != kNameCol || g.Row() < g.FixedRows() || g.Row() >= g.Rows()) return;
  HideEditor(false);
  const QRect cell = msf_->cellRect(g.Row(), kNameCol);
  if (cell.isEmpty()) return;
  editRow_ = g.Row();
  before_ = g.TextMatrix(editRow_, kNameCol);
  t_->setGeometry(QRect(msf_->viewport()->mapTo(this, cell.topLeft()), cell.size()));
  t_->setText(before_);
  t_->show();
  t_->raise();
  t_->setFocus();
  t_->selectAll();
}

void ClassSet::HideEditor(bool restore) {
  if (editRow_ == 0) return;
  if (restore) t_->setText(before_);
  editRow_ = 0;
  t_->hide();
}

bool ClassSet::eventFilter(QObject* watched, QEvent* event) {
  if (watched == t_) {
    if (event->type() == QEvent::FocusOut) {
      HideEditor(false);
    } else if (event->type() == QEvent::KeyPress) {
      const int key = static_cast<QKeyEvent*>(event)->key();
      if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape) {
        HideEditor(key == Qt::Key_Escape);
        msf_->setFocus();
        return true;
      }
    }
  }
  return QWidget::eventFilter(watched, event);
}

void ClassSet::Com0_Click() {
  HideEditor(false);
  const Grid& g = *msf_->grid();
  QStringList names;
  for (int r = g.FixedRows(); r < g.Rows(); ++r) names << g.TextMatrix(r, kNameCol);
  if (!SaveCategoryNames(names)) {
    ShowMessage(u"分类名称没有保存，数据库中的名称没有改变！"_s, MessageKind::Warning);
    return;
  }
  emit NamesSaved();
  close();
}

}  // namespace lanxi
