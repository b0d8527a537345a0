#include "mainwindow/ui/picturepreview.h"

#include <QAction>
#include <QEvent>
#include <QImageReader>
#include <QLabel>

#include "common/twips.h"
#include "common/userprompts.h"
#include "mainwindow/productlists.h"
#include "tables/gridoperate.h"
#include "tables/ui/gridview.h"

using namespace Qt::StringLiterals;

namespace lanxi {
namespace {

constexpr int kPicCol = 3;
constexpr int kPlaceCol = 6;
const char* const kTag = "Tag";

// True once now is past `next`, which then moves two hours on.
bool Due(QDateTime& next) {
  const QDateTime now = QDateTime::currentDateTime();
  if (now <= next) return false;
  next = now.addSecs(2 * 3600);
  return true;
}

}  // namespace

PicturePreview::PicturePreview(QLabel* ppic, QWidget* area, QWidget* tabs, QAction* forbid,
                               QObject* parent)
    : QObject(parent), ppic_(ppic), area_(area), tabs_(tabs), forbid_(forbid) {
  NextPicPromptTime = QDateTime::currentDateTime();
  NextInfoPromptTime = NextPicPromptTime;
  ppic_->setScaledContents(false);
  ppic_->setAlignment(Qt::AlignCenter);
  ppic_->setProperty(kTag, QString());
  // The mouse passes over the picture to the list beneath, which keeps following it.
  ppic_->setAttribute(Qt::WA_TransparentForMouseEvents);
}

void PicturePreview::Follow(GridView* list) {
  connect(list, &GridView::mouseMoved, this,
          [this, list](Qt::MouseButtons, Qt::KeyboardModifiers, int x, int y) {
            MouseMoved(list, x, y);
          });
  connect(list, &GridView::focusLeft, this, &PicturePreview::Hide);
  list->viewport()->installEventFilter(this);
}

bool PicturePreview::eventFilter(QObject* watched, QEvent* event) {
  // The picture belongs to the row under the mouse: it goes when the mouse leaves the list.
  if (event->type() == QEvent::Leave) Hide();
  return QObject::eventFilter(watched, event);
}

void PicturePreview::Hide() {
  ppic_->hide();
}

void PicturePreview::MouseMoved(GridView* list, int x, int y) {
  if (forbid_->isChecked()) return;
  const Grid& g = *list->grid();
  const GridCell cell = CellAtPoint(g, x, y);
  if (cell.row < g.FixedRows() || cell.row >= g.Rows()) {
    Hide();
    return;
  }
  const QString pic = g.TextMatrix(cell.row, kPicCol);
  if (pic != ppic_->property(kTag).toString()) {
    ppic_->clear();
    ppic_->setProperty(kTag, pic);
    ppic_->hide();
    loaded_ = false;
    switch (ClassifyPicture(pic)) {
      case PictureState::Address:
        if (Due(NextPicPromptTime) &&
            Prompts().Ask(u"有图片未下载完整，现在就下载补齐产品图片？"_s) &&
            DownloadMissingPictures)
          DownloadMissingPictures();
        return;
      case PictureState::Missing:
        if (Due(NextInfoPromptTime) &&
            Prompts().Ask(u"有产品图片信息缺失，现在就更新产品信息？"_s) && UpdateAllProducts)
          UpdateAllProducts();
        return;
      case PictureState::File: {
        QImageReader reader(pic);
        reader.setAutoTransform(true);
        const QSize box = ppic_->contentsRect().size();
        if (reader.size().isValid())
          reader.setScaledSize(reader.size().scaled(box, Qt::KeepAspectRatio));
        const QImage image = reader.read();
        if (!image.isNull()) ppic_->setPixmap(QPixmap::fromImage(image));
        loaded_ = true;
        break;
      }
    }
  }
  // A product without a picture file shows no empty frame.
  if (loaded_) Place(list, cell.row);
}

void PicturePreview::Place(GridView* list, int row) {
  const Grid& g = *list->grid();
  const QPoint offset = CellOffset(g, row, kPlaceCol);
  const int x = offset.x() + 75;
  int y = Tw(tabs_->y()) + offset.y() + g.RowHeight(row) + 735;
  const int height = Tw(ppic_->height());
  if (height + y > Tw(area_->height()) - 800) y -= height + g.RowHeight(row);
  ppic_->move(Px(x), Px(y));
  ppic_->show();
  ppic_->raise();
}

}  // namespace lanxi
