#include "analysis/imagesurface.h"

#include <QFontMetricsF>
#include <QGlyphRun>
#include <QPainter>
#include <QPen>
#include <algorithm>
#include <cmath>

namespace lanxi {
namespace {

constexpr int kDotsPerMeter = 3780;  // 96 dots per inch
// How far beyond the image a shape may reach before it is cut off, in pixels.
constexpr double kClipMargin = 8;
// Circles up to this radius (pixels) are set pixel by pixel.
constexpr int kSmallCircle = 3;
// Qt draws glyphs larger than this (pixels) from their outlines.
constexpr int kLargeText = 64;

// The nearest whole pixel.
int px(double pixels) {
  return int(std::floor(pixels + 0.5));
}

bool Finite(double a, double b, double c, double d) {
  return std::isfinite(a) && std::isfinite(b) && std::isfinite(c) && std::isfinite(d);
}

// Cuts the segment (x1, y1)-(x2, y2) to the rectangle [lo, hi] in both axes (Liang–Barsky);
// false when nothing of it is inside.
bool ClipSegment(double& x1, double& y1, double& x2, double& y2, double loX, double loY, double hiX,
                 double hiY) {
  const double dx = x2 - x1, dy = y2 - y1;
  double t0 = 0, t1 = 1;
  const double p[] = {-dx, dx, -dy, dy};
  const double q[] = {x1 - loX, hiX - x1, y1 - loY, hiY - y1};
  for (int i = 0; i < 4; ++i) {
    if (p[i] == 0) {
      if (q[i] < 0) return false;
      continue;
    }
    const double t = q[i] / p[i];
    if (p[i] < 0) {
      if (t > t1) return false;
      t0 = std::max(t0, t);
    } else {
      if (t < t0) return false;
      t1 = std::min(t1, t);
    }
  }
  const double ox = x1, oy = y1;
  x1 = ox + t0 * dx;
  y1 = oy + t0 * dy;
  x2 = ox + t1 * dx;
  y2 = oy + t1 * dy;
  return true;
}

// Characters that are drawn alike in any context: figures and the signs of numbers and dates,
// and the Chinese ideographs and punctuation. Letters may kern, and other scripts need shaping.
bool Plain(QChar ch) {
  const char16_t c = ch.unicode();
  return (c >= u'0' && c <= u'9') || c == u'.' || c == u'-' || c == u':' || c == u'/' ||
         c == u' ' || (c >= 0x3000 && c <= 0x303f) || (c >= 0x4e00 && c <= 0x9fff) ||
         (c >= 0xff01 && c <= 0xff5e);
}

}  // namespace

ImageSurface::ImageSurface(QSize pixels) {
  SetPixelSize(pixels);
}

ImageSurface::~ImageSurface() {
  EndPainting();
}

void ImageSurface::SetPixelSize(QSize pixels) {
  EndPainting();
  image_ = QImage(std::max(0, pixels.width()), std::max(0, pixels.height()), QImage::Format_RGB32);
  if (!image_.isNull()) {
    image_.setDotsPerMeterX(kDotsPerMeter);
    image_.setDotsPerMeterY(kDotsPerMeter);
    image_.fill(Qt::white);
  }
  ResetPosition();
}

const QImage& ImageSurface::Image() const {
  EndPainting();
  return image_;
}

void ImageSurface::EndPainting() const {
  painter_.reset();
}

QPainter* ImageSurface::Painter() {
  if (painter_) return painter_.get();
  if (image_.isNull()) return nullptr;
  image_.detach();  // a copy handed out earlier keeps its pixels
  painter_ = std::make_unique<QPainter>(&image_);
  pen_.reset();
  brush_.reset();
  font_.reset();
  painter_->setRenderHint(QPainter::Antialiasing, false);
  painter_->setRenderHint(QPainter::TextAntialiasing, true);
  return painter_.get();
}

QPen ImageSurface::Pen(quint32 colour) const {
  // Width 0 is Qt's one-pixel line, whose dash pattern counts in pixels.
  QPen pen(ToQColor(colour), DrawWidth() <= 1 ? 0 : DrawWidth());
  pen.setStyle(DrawStyle() == kDash  ? Qt::DashLine
               : DrawStyle() == kDot ? Qt::DotLine
                                     : Qt::SolidLine);
  pen.setCapStyle(Qt::SquareCap);
  return pen;
}

// Setting a painter's pen, brush or font costs more than drawing a short line or label, so they
// are set only when they change.
void ImageSurface::UsePen(const QPen& pen) {
  if (pen_ && *pen_ == pen) return;
  painter_->setPen(pen);
  pen_ = pen;
}

void ImageSurface::UseBrush(const QBrush& brush) {
  if (brush_ && *brush_ == brush) return;
  painter_->setBrush(brush);
  brush_ = brush;
}

void ImageSurface::UseFont(const QFont& font) {
  if (font_ && *font_ == font) return;
  painter_->setFont(font);
  font_ = font;
}

void ImageSurface::Cls() {
  ResetPosition();
  if (QPainter* p = Painter()) {
    p->fillRect(image_.rect(), Qt::white);
    Drawn();
  }
}

void ImageSurface::DrawLine(double x1, double y1, double x2, double y2, quint32 colour,
                            LineForm form) {
  QPainter* p = Painter();
  if (!p || !Finite(x1, y1, x2, y2)) return;
  x1 = ScaleX(x1);
  y1 = ScaleY(y1);
  x2 = ScaleX(x2);
  y2 = ScaleY(y2);
  const double loX = -kClipMargin, loY = -kClipMargin;
  const double hiX = image_.width() + kClipMargin, hiY = image_.height() + kClipMargin;
  if (form == LineForm::Segment) {
    if (!ClipSegment(x1, y1, x2, y2, loX, loY, hiX, hiY)) return;
    const QPoint a(px(x1), px(y1)), b(px(x2), px(y2));
    if ((a.x() == b.x() || a.y() == b.y()) && DrawWidth() == 1) {
      DrawStraight(a, b, colour);
      return;
    }
    UsePen(Pen(colour));
    p->drawLine(a, b);
  } else {
    // Both corners belong to the box; what lies outside the image is cut off.
    const double left = std::max(std::min(x1, x2), loX), right = std::min(std::max(x1, x2), hiX);
    const double top = std::max(std::min(y1, y2), loY), bottom = std::min(std::max(y1, y2), hiY);
    if (left > right || top > bottom) return;
    const QRect box(QPoint(px(left), px(top)), QPoint(px(right), px(bottom)));
    if (form == LineForm::FilledBox) {
      p->fillRect(box, ToQColor(colour));
    } else {
      UsePen(Pen(colour));
      UseBrush(Qt::NoBrush);
      p->drawRect(box.adjusted(0, 0, -1, -1));
    }
  }
  Drawn();
}

void ImageSurface::DrawCircle(double x, double y, double radius, quint32 colour) {
  QPainter* p = Painter();
  if (qEnvironmentVariableIsSet("NOCIRCLE")) return;
  if (!p || !Finite(x, y, radius, 0)) return;
  const double r = ScaleX(std::abs(radius));
  const double cx = ScaleX(x), cy = ScaleY(y);
  if (cx + r < -kClipMargin || cy + r < -kClipMargin || cx - r > image_.width() + kClipMargin ||
      cy - r > image_.height() + kClipMargin)
    return;
  const int c0 = px(cx), c1 = px(cy);
  const int rp = std::max(1, px(r));
  if (rp <= kSmallCircle && DrawWidth() == 1) {
    DrawDot(c0, c1, rp, colour);
    return;
  }
  UsePen(Pen(colour));
  UseBrush(FillStyle() == kFillSolid ? QBrush(ToQColor(FillColor())) : QBrush(Qt::NoBrush));
  p->drawEllipse(QRect(c0 - rp, c1 - rp, 2 * rp, 2 * rp));
  Drawn();
}

// Grid lines and axes run straight across or down: their pixels are set directly, in the
// patterns Qt uses for one-pixel lines (dots 1 on 2 off, dashes 4 on 2 off), both ends included.
void ImageSurface::DrawStraight(QPoint a, QPoint b, quint32 colour) {
  const QRgb rgb = ToQColor(colour).rgb();
  const int length = std::max(std::abs(b.x() - a.x()), std::abs(b.y() - a.y()));
  const int sx = b.x() > a.x() ? 1 : b.x() < a.x() ? -1 : 0;
  const int sy = b.y() > a.y() ? 1 : b.y() < a.y() ? -1 : 0;
  uchar* bits = image_.bits();
  const qsizetype stride = image_.bytesPerLine();
  for (int t = 0; t <= length; ++t) {
    if ((DrawStyle() == kDot && t % 3 != 0) || (DrawStyle() == kDash && t % 6 >= 4)) continue;
    const int x = a.x() + t * sx, y = a.y() + t * sy;
    if (x < 0 || y < 0 || x >= image_.width() || y >= image_.height()) continue;
    reinterpret_cast<QRgb*>(bits + y * stride)[x] = rgb;
  }
  Drawn();
}

// The point markers of a chart are a few pixels across: their pixels are set directly, which
// costs a tenth of drawing an ellipse. Pixels within rp × (rp + 1) of the centre (squared) belong
// to the circle; its outer ring is the outline, the rest the inside.
void ImageSurface::DrawDot(int cx, int cy, int rp, quint32 colour) {
  const QRgb outline = ToQColor(colour).rgb();
  const bool filled = FillStyle() == kFillSolid;
  const QRgb inside = ToQColor(FillColor()).rgb();
  const int outer = rp * (rp + 1), inner = (rp - 1) * rp;
  uchar* bits = image_.bits();
  const qsizetype stride = image_.bytesPerLine();
  for (int dy = -rp; dy <= rp; ++dy) {
    const int y = cy + dy;
    if (y < 0 || y >= image_.height()) continue;
    QRgb* row = reinterpret_cast<QRgb*>(bits + y * stride);
    for (int dx = -rp; dx <= rp; ++dx) {
      const int x = cx + dx, d = dx * dx + dy * dy;
      if (x < 0 || x >= image_.width() || d > outer) continue;
      if (d > inner) {
        row[x] = outline;
      } else if (filled) {
        row[x] = inside;
      }
    }
  }
  Drawn();
}

void ImageSurface::DrawText(double x, double y, const QString& text) {
  QPainter* p = Painter();
  if (!p || !Finite(x, y, 0, 0) || text.isEmpty()) return;
  const double left = ScaleX(x), top = ScaleY(y);
  if (std::abs(left) > 1e6 || std::abs(top) > 1e6) return;
  const QPointF origin(left, top + kBaseline * Font().pixelSize());
  if (Font().pixelSize() > kLargeText) {
    const QImage& sprite = LargeText(text);
    p->drawImage(origin + sprite.offset(), sprite);
  } else {
    UseFont(Font());
    UsePen(Pen(ForeColor()));
    p->drawText(origin, text);
  }
  Drawn();
}

// Qt draws text above 64 pixels from its outlines, every time; the watermark's eleven lines
// would cost more than the rest of a chart. Such texts are drawn once into an image of their
// own (the offset places it against the baseline origin) and copied from there.
const QImage& ImageSurface::LargeText(const QString& text) {
  const QString key = Font().key() + u'\n' + QString::number(ForeColor()) + u'\n' + text;
  auto found = largeText_.constFind(key);
  if (found != largeText_.cend()) return *found;
  if (largeText_.size() >= 64) largeText_.clear();
  const QRectF box = QFontMetricsF(Font()).boundingRect(text).adjusted(-2, -2, 2, 2);
  const QRect area = box.toAlignedRect();
  QImage sprite(area.size(), QImage::Format_ARGB32_Premultiplied);
  sprite.fill(Qt::transparent);
  {
    QPainter paint(&sprite);
    paint.setFont(Font());
    paint.setPen(ToQColor(ForeColor()));
    paint.drawText(-area.topLeft(), text);
  }
  sprite.setOffset(area.topLeft());
  return *largeText_.insert(key, sprite);
}

void ImageSurface::TextOut(int x, int y, const QString& text, int heightPx, int escapement,
                           int weight) {
  QPainter* p = Painter();
  if (!p || text.isEmpty()) return;
  const int height = heightPx == 0 ? Font().pixelSize() : std::min(std::abs(heightPx), 4000);
  const int w = weight <= 0 ? 400 : std::clamp(weight, 1, 1000);
  const qint64 key = qint64(height) << 16 | w;
  auto face = textOutFaces_.find(key);
  if (face == textOutFaces_.end()) {
    QFont f(ChartFontFamily(QString()));
    f.setPixelSize(height);
    f.setWeight(QFont::Weight(w));
    face = textOutFaces_.emplace(key, std::make_unique<GlyphFace>(f)).first;
  }
  UsePen(Pen(ForeColor()));  // text takes only the colour
  const double baseline = kBaseline * height;
  const bool level = escapement % 3600 == 0;
  if (!level) {
    p->save();
    p->translate(x, y);
    p->rotate(-escapement / 10.0);
  }
  const QPointF origin = level ? QPointF(x, y + baseline) : QPointF(0, baseline);
  if (const std::optional<QGlyphRun> run = face->second->Run(text)) {
    p->drawGlyphRun(origin, *run);
  } else {
    UseFont(face->second->font);
    p->drawText(origin, text);
  }
  if (!level) p->restore();
  Drawn();
}

ImageSurface::GlyphFace::GlyphFace(const QFont& f) : font(f), raw(QRawFont::fromFont(f)) {}

std::optional<QGlyphRun> ImageSurface::GlyphFace::Run(const QString& text) {
  indexes_.clear();
  positions_.clear();
  qreal x = 0;
  for (const QChar ch : text) {
    auto glyph = glyphs_.constFind(ch.unicode());
    if (glyph == glyphs_.cend()) {
      quint32 index = 0;
      int count = 1;
      QPointF advance;
      if (!Plain(ch) || !raw.isValid() || !raw.glyphIndexesForChars(&ch, 1, &index, &count) ||
          count != 1 || !raw.advancesForGlyphIndexes(&index, &advance, 1))
        index = 0;
      glyph = glyphs_.insert(ch.unicode(), {index, advance.x()});
    }
    if (glyph->index == 0) return std::nullopt;  // Qt lays it out (or finds another face)
    indexes_.push_back(glyph->index);
    positions_.push_back(QPointF(x, 0));
    x += glyph->advance;
  }
  QGlyphRun run;
  run.setRawFont(raw);
  run.setGlyphIndexes(indexes_);
  run.setPositions(positions_);
  return run;
}

}  // namespace lanxi
