#include "update/ui/rightform.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/routines.h"
#include "common/version.h"
#include "storage/settings.h"

using namespace Qt::StringLiterals;

namespace lanxi {
namespace {

// When the program was developed, as the about window states it.
constexpr char16_t kDevelopmentDate[] = u"2026年12月";

// Our emblem: a rising trend line over three bars in the colours of the program's charts.
QPixmap Emblem(int size) {
  QPixmap pm(size, size);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0x1f, 0x4e, 0x8c));
  p.drawRoundedRect(QRectF(0, 0, size, size), size / 8.0, size / 8.0);
  const double unit = size / 10.0;
  const QColor bars[] = {QColor(255, 0, 255), QColor(128, 127, 128), QColor(0, 255, 0)};
  for (int i = 0; i < 3; ++i) {
    const double h = unit * (2 + 2 * i);
    p.setBrush(bars[i]);
    p.drawRect(QRectF(unit * (1.5 + 2.5 * i), size - unit - h, unit * 1.8, h));
  }
  p.setPen(QPen(Qt::white, unit * 0.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(Qt::NoBrush);
  const QPointF line[] = {{unit * 1.2, unit * 6.5},
                          {unit * 4, unit * 4.5},
                          {unit * 6, unit * 5.2},
                          {unit * 8.8, unit * 1.8}};
  p.drawPolyline(line, 4);
  return pm;
}

}  // namespace

QString Rightform::Caption() {
  return u"版权说明"_s;
}

QString Rightform::SiteAddress() {
  return GetParamOr(QString::fromUtf16(ParamKey::UpdateHost),
                    QString::fromUtf16(ParamDefault::UpdateHost));
}

QStringList Rightform::CompanyLines() {
  return {QString::fromUtf16(kProductName),
          u"版本：V"_s + ProgramVersion(),
          u"开发日期："_s + QString::fromUtf16(kDevelopmentDate),
          u"开发：澜析软件工作室"_s,
          u"网址："_s + SiteAddress(),
          u"电子邮件：service@lanxi-soft.cn"_s,
          u"本软件受著作权法保护，未经许可不得复制、传播。"_s};
}

Rightform::Rightform(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
  setObjectName(u"Rightform"_s);
  setWindowTitle(Caption());
  setAttribute(Qt::WA_DeleteOnClose);

  auto* image = new QLabel(this);
  image->setObjectName(u"Image1"_s);
  image->setPixmap(Emblem(96));
  image->setCursor(Qt::PointingHandCursor);
  image->installEventFilter(this);

  auto* lines = new QVBoxLayout;
  const QStringList texts = CompanyLines();
  for (int i = 0; i < texts.size(); ++i) {
    auto* label = new QLabel(texts[i], this);
    label->setObjectName(u"lblCompany_"_s + QString::number(i));
    label->setCursor(Qt::PointingHandCursor);
    if (i == 0) {
      QFont bold = label->font();
      bold.setBold(true);
      bold.setPointSizeF(bold.pointSizeF() * 1.3);
      label->setFont(bold);
    }
    label->installEventFilter(this);
    lines->addWidget(label);
  }
  lines->addStretch();

  auto* ok = new QPushButton(u"确 定"_s, this);
  ok->setObjectName(u"Com"_s);
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QWidget::close);

  auto* top = new QHBoxLayout;
  top->addWidget(image, 0, Qt::AlignTop);
  top->addSpacing(16);
  top->addLayout(lines, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addLayout(buttons);
}

bool Rightform::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonRelease &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
    OpenWithShell(SiteAddress());
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace lanxi
