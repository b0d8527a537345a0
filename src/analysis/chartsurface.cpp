#include "analysis/chartsurface.h"

#include <QStringList>
#include <cmath>
#include <limits>

using namespace Qt::StringLiterals;

namespace lanxi {

QString ChartFontFamily(const QString& faceName) {
  if (faceName.isEmpty() || faceName == u"黑体"_s) return u"Noto Sans CJK SC"_s;
  if (faceName == u"宋体"_s) return u"Noto Serif CJK SC"_s;
  return faceName;
}

ChartSurface::ChartSurface() : metrics_(font_) {
  UpdateFont();
}

ChartSurface::~ChartSurface() = default;

int ChartSurface::FontPixels(double points) {
  const long px = std::lround(points * 96.0 / 72.0);
  return px < 1 ? 1 : px > 4000 ? 4000 : int(px);
}

void ChartSurface::SetFontName(const QString& name) {
  fontName_ = name;
  UpdateFont();
}

void ChartSurface::SetFontSize(double points) {
  if (!(points > 0)) return;
  fontSize_ = points;
  UpdateFont();
}

void ChartSurface::SetFontBold(bool bold) {
  fontBold_ = bold;
  UpdateFont();
}

void ChartSurface::UpdateFont() {
  font_ = QFont(ChartFontFamily(fontName_));
  font_.setPixelSize(FontPixels(fontSize_));
  font_.setBold(fontBold_);
  metrics_ = QFontMetricsF(font_);
  advances_.fill(std::numeric_limits<double>::quiet_NaN());
}

void ChartSurface::Line(double x1, double y1, double x2, double y2, std::optional<quint32> colour,
                        LineForm form) {
  DrawLine(x1, y1, x2, y2, colour.value_or(foreColor_), form);
  currentX_ = x2;
  currentY_ = y2;
}

void ChartSurface::Circle(double x, double y, double radius, std::optional<quint32> colour) {
  DrawCircle(x, y, radius, colour.value_or(foreColor_));
}

void ChartSurface::Print(const QString& text) {
  DrawText(currentX_, currentY_, text);
  currentX_ = 0;
  currentY_ += TextHeight(text);
}

double ChartSurface::TextWidth(const QString& text) const {
  // Plain numbers (most labels of a chart) are measured from their characters' advances, which
  // is what laying them out gives (figures, point and minus do not kern) at a fraction of the
  // cost.
  double sum = 0;
  bool number = !text.isEmpty();
  for (const QChar ch : text) {
    const char16_t c = ch.unicode();
    if (!((c >= u'0' && c <= u'9') || c == u'.' || c == u'-')) {
      number = false;
      break;
    }
    if (std::isnan(advances_[c])) advances_[c] = metrics_.horizontalAdvance(ch);
    sum += advances_[c];
  }
  if (number) return sum * kTwipsPerPixel;
  if (!text.contains(u'\n')) return metrics_.horizontalAdvance(text) * kTwipsPerPixel;
  double widest = 0;
  for (const QString& line : text.split(u'\n'))
    widest = std::max(widest, metrics_.horizontalAdvance(line));
  return widest * kTwipsPerPixel;
}

double ChartSurface::TextHeight(const QString& text) const {
  return double(text.count(u'\n') + 1) * font_.pixelSize() * kTwipsPerPixel;
}

void ChartSurface::KeepTable(const Grid&, int, int, bool) {}

}  // namespace lanxi
