#pragma once

#include <QBrush>
#include <QFont>
#include <QGlyphRun>
#include <QHash>
#include <QImage>
#include <QList>
#include <QPen>
#include <QRawFont>
#include <QSize>
#include <map>
#include <memory>
#include <optional>

#include "analysis/chartsurface.h"

class QPainter;

namespace lanxi {

// A chart surface that paints into an image of its own, white where nothing was drawn, at 96
// dots per inch (a pixel is 15 twips). Lines, boxes and circles are drawn without smoothing, so
// every pixel of a line has the line's exact colour; text is smoothed. What falls outside the
// image is clipped; a surface of no pixels draws nothing.
class ImageSurface : public ChartSurface {
 public:
  explicit ImageSurface(QSize pixels = {});
  ~ImageSurface() override;

  // Starts over with a white image of that size (negative sizes count as 0).
  void SetPixelSize(QSize pixels);
  QSize PixelSize() const { return image_.size(); }
  // The picture as drawn so far.
  const QImage& Image() const;

  void Cls() override;
  int ScaleWidth() const override { return image_.width() * kTwipsPerPixel; }
  int ScaleHeight() const override { return image_.height() * kTwipsPerPixel; }
  void TextOut(int x, int y, const QString& text, int heightPx, int escapement,
               int weight) override;

 protected:
  void DrawLine(double x1, double y1, double x2, double y2, quint32 colour, LineForm form) override;
  void DrawCircle(double x, double y, double radius, quint32 colour) override;
  void DrawText(double x, double y, const QString& text) override;
  // Called after every operation that changed the image.
  virtual void Drawn() {}

 private:
  // The painter on the image, opened on first use; nullptr for an empty image.
  QPainter* Painter();
  void EndPainting() const;
  QPen Pen(quint32 colour) const;
  void DrawStraight(QPoint a, QPoint b, quint32 colour);
  const QImage& LargeText(const QString& text);
  void DrawDot(int cx, int cy, int rp, quint32 colour);
  void UsePen(const QPen& pen);
  void UseBrush(const QBrush& brush);
  void UseFont(const QFont& font);

  // The default face at one size and weight, with its glyphs looked up once: the raw text
  // output writes hundreds of short labels, and laying each out from scratch costs more than
  // drawing it.
  struct GlyphFace {
    explicit GlyphFace(const QFont& f);
    // The text's glyphs side by side, or nothing unless all of its characters are in the face
    // and look the same in any context (figures, Chinese).
    std::optional<QGlyphRun> Run(const QString& text);

    QFont font;
    QRawFont raw;

   private:
    struct Glyph {
      quint32 index = 0;  // 0: not in the face
      qreal advance = 0;
    };
    QHash<char16_t, Glyph> glyphs_;
    QList<quint32> indexes_;
    QList<QPointF> positions_;
  };

  QImage image_;
  // Kept open between operations (opening a painter costs more than most lines); closed
  // whenever the image is read.
  mutable std::unique_ptr<QPainter> painter_;
  // What the painter was last given.
  std::optional<QPen> pen_;
  std::optional<QBrush> brush_;
  std::optional<QFont> font_;
  std::map<qint64, std::unique_ptr<GlyphFace>> textOutFaces_;
  QHash<QString, QImage> largeText_;
};

}  // namespace lanxi
