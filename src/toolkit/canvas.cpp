#include "toolkit/canvas.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <cmath>

#include "toolkit/code_page.h"
#include "toolkit/platform.h"

namespace tk {

namespace {
Canvas::TextObserver g_textObserver;
}  // namespace

QColor ToQColor(Colour colour) {
  return QColor(static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
                static_cast<int>((colour >> 16) & 0xFF));
}

int PixelsForPoints(int points) {
  // Rounded as the platform's MulDiv rounds: (points * 96 + 36) / 72.
  const int magnitude = (std::abs(points) * 96 + 36) / 72;
  return std::max(1, magnitude);
}

QFont ToQFont(const Font& font) {
  QFont f(QString::fromStdString(font.Name));
  f.setPixelSize(PixelsForPoints(font.Size));
  f.setBold(font.Style & fsBold);
  f.setItalic(font.Style & fsItalic);
  f.setUnderline(font.Style & fsUnderline);
  f.setStrikeOut(font.Style & fsStrikeOut);
  f.setStyleStrategy(QFont::PreferAntialias);
  f.setHintingPreference(QFont::PreferNoHinting);
  return f;
}

QString DisplayText(const std::string& text, const std::string& fontName) {
  if (!IsSymbolFontFamily(fontName)) return ToQString(text);
  QString result;
  result.reserve(static_cast<qsizetype>(text.size()));
  for (char c : text) result.append(QChar(0xF000 + static_cast<unsigned char>(c)));
  return result;
}

Canvas::Canvas(int width, int height, double devicePixelRatio) : dpr_(devicePixelRatio) {
  Resize(width, height);
}

void Canvas::Resize(int width, int height) {
  width = std::max(0, width);
  height = std::max(0, height);
  if (width == width_ && height == height_ && !image_.isNull()) return;
  QImage next(std::max(1, static_cast<int>(std::ceil(width * dpr_))),
              std::max(1, static_cast<int>(std::ceil(height * dpr_))), QImage::Format_ARGB32_Premultiplied);
  next.setDevicePixelRatio(dpr_);
  next.fill(Qt::transparent);
  if (!image_.isNull()) {
    QPainter p(&next);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(0, 0, image_);
  }
  image_ = std::move(next);
  width_ = width;
  height_ = height;
  Changed(QRect(0, 0, width_, height_));
}

void Canvas::Changed(const QRect& area) {
  if (!OnChanged) return;
  const QRect clipped = area.normalized().intersected(QRect(0, 0, width_, height_));
  if (!clipped.isEmpty()) OnChanged(clipped);
}

QRect Canvas::FigureArea(int x1, int y1, int x2, int y2) const {
  const int reach = Pen.None ? 1 : std::max(1, Pen.Width) / 2 + 2;
  return QRect(QPoint(std::min(x1, x2), std::min(y1, y2)), QPoint(std::max(x1, x2), std::max(y1, y2)))
      .adjusted(-reach, -reach, reach, reach);
}

void Canvas::Clear(Colour colour) {
  if (image_.isNull()) return;
  image_.fill(ToQColor(colour));
  Changed(QRect(0, 0, width_, height_));
}

void Canvas::FillRect(int x1, int y1, int x2, int y2) {
  if (image_.isNull() || x2 <= x1 || y2 <= y1) return;
  QPainter p(&image_);
  p.fillRect(QRect(x1, y1, x2 - x1, y2 - y1), ToQColor(Brush.Color));
  Changed(QRect(x1, y1, x2 - x1, y2 - y1));
}

void Canvas::FrameRect(int x1, int y1, int x2, int y2) {
  if (image_.isNull() || x2 <= x1 || y2 <= y1) return;
  QPainter p(&image_);
  p.setPen(QPen(ToQColor(Brush.Color), 1));
  p.setBrush(Qt::NoBrush);
  p.drawRect(QRectF(x1 + 0.5, y1 + 0.5, x2 - x1 - 1, y2 - y1 - 1));
  Changed(QRect(x1, y1, x2 - x1, y2 - y1));
}

void Canvas::Outline(QPainter& p) const {
  if (Pen.None || Pen.Width <= 0) {
    p.setPen(Qt::NoPen);
  } else {
    QPen pen(ToQColor(Pen.Color), Pen.Width);
    pen.setJoinStyle(Qt::MiterJoin);
    p.setPen(pen);
  }
  if (Brush.Clear) p.setBrush(Qt::NoBrush);
  else p.setBrush(ToQColor(Brush.Color));
}

// The figure's path runs half a pen inside the rectangle's edges, so a one-pixel
// pen covers exactly the outermost pixels, as the platform draws it.
static QRectF FigureRect(int x1, int y1, int x2, int y2) {
  return QRectF(x1 + 0.5, y1 + 0.5, std::max(0, x2 - x1 - 1), std::max(0, y2 - y1 - 1));
}

void Canvas::Rectangle(int x1, int y1, int x2, int y2) {
  if (image_.isNull()) return;
  QPainter p(&image_);
  Outline(p);
  p.drawRect(FigureRect(x1, y1, x2, y2));
  Changed(FigureArea(x1, y1, x2, y2));
}

void Canvas::RoundRect(int x1, int y1, int x2, int y2, int cornerWidth, int cornerHeight) {
  if (image_.isNull()) return;
  QPainter p(&image_);
  p.setRenderHint(QPainter::Antialiasing);
  Outline(p);
  const QRectF r = FigureRect(x1, y1, x2, y2);
  const double rx = std::min(cornerWidth / 2.0, r.width() / 2.0);
  const double ry = std::min(cornerHeight / 2.0, r.height() / 2.0);
  p.drawRoundedRect(r, std::max(0.0, rx), std::max(0.0, ry));
  Changed(FigureArea(x1, y1, x2, y2));
}

void Canvas::Ellipse(int x1, int y1, int x2, int y2) {
  if (image_.isNull()) return;
  QPainter p(&image_);
  p.setRenderHint(QPainter::Antialiasing);
  Outline(p);
  p.drawEllipse(FigureRect(x1, y1, x2, y2));
  Changed(FigureArea(x1, y1, x2, y2));
}

void Canvas::MoveTo(int x, int y) {
  penX_ = x;
  penY_ = y;
}

void Canvas::LineTo(int x, int y) {
  if (!image_.isNull() && !Pen.None) {
    QPainter p(&image_);
    p.setPen(QPen(ToQColor(Pen.Color), std::max(1, Pen.Width), Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(penX_ + 0.5, penY_ + 0.5), QPointF(x + 0.5, y + 0.5));
    Changed(FigureArea(penX_, penY_, x, y));
  }
  penX_ = x;
  penY_ = y;
}

void Canvas::TextOut(int x, int y, const std::string& text) {
  if (image_.isNull() || text.empty()) return;
  QPainter p(&image_);
  p.setRenderHint(QPainter::TextAntialiasing);
  const QFont f = ToQFont(Font);
  p.setFont(f);
  p.setPen(ToQColor(FontColour));
  const QString shown = DisplayText(text, Font.Name);
  const QFontMetrics metrics(f);
  p.drawText(QPointF(x, y + QFontMetricsF(f).ascent()), shown);
  // The glyphs' own box, which may reach beyond the advance and the line,
  // and the line box itself, with a pixel for anti-aliasing.
  const QRect ink = TextInk(text).translated(x, y);
  const QRect line(x, y, metrics.horizontalAdvance(shown), metrics.height());
  if (g_textObserver) g_textObserver(*this, ink.united(line));
  Changed(ink.united(line).adjusted(-1, -1, 1, 1));
}

void Canvas::SetTextObserver(TextObserver observer) { g_textObserver = std::move(observer); }

int Canvas::TextWidth(const std::string& text) const {
  return QFontMetrics(ToQFont(Font)).horizontalAdvance(DisplayText(text, Font.Name));
}

int Canvas::TextHeight(const std::string&) const { return QFontMetrics(ToQFont(Font)).height(); }

QRect Canvas::TextInk(const std::string& text) const {
  const QFontMetrics metrics(ToQFont(Font));
  return metrics.boundingRect(DisplayText(text, Font.Name)).translated(0, metrics.ascent());
}

void Canvas::CopyRect(const QRect& dest, const Canvas& source, const QRect& sourceRect) {
  if (image_.isNull() || source.image_.isNull()) return;
  QPainter p(&image_);
  p.setCompositionMode(QPainter::CompositionMode_Source);
  const double sd = source.dpr_;
  const QRectF src(sourceRect.x() * sd, sourceRect.y() * sd, sourceRect.width() * sd, sourceRect.height() * sd);
  p.drawImage(QRectF(dest), source.image_, src);
  Changed(dest);
}

void Canvas::Draw(int x, int y, const QImage& picture) {
  if (image_.isNull() || picture.isNull()) return;
  QPainter p(&image_);
  p.drawImage(QPoint(x, y), picture);
  const double pdpr = picture.devicePixelRatio();
  Changed(QRect(x, y, static_cast<int>(std::ceil(picture.width() / pdpr)),
                static_cast<int>(std::ceil(picture.height() / pdpr))));
}

void Canvas::PaintWith(const std::function<void(QPainter&)>& paint) {
  if (image_.isNull()) return;
  {
    QPainter p(&image_);
    paint(p);
  }
  Changed(QRect(0, 0, width_, height_));
}

void Canvas::PaintTo(QPainter& painter, int x, int y) const {
  if (!image_.isNull()) painter.drawImage(QPoint(x, y), image_);
}

void Canvas::PaintTo(QPainter& painter, int x, int y, const QRect& part) const {
  if (image_.isNull()) return;
  const QRect r = part.intersected(QRect(0, 0, width_, height_));
  if (r.isEmpty()) return;
  const QRectF source(r.x() * dpr_, r.y() * dpr_, r.width() * dpr_, r.height() * dpr_);
  painter.drawImage(QRectF(r.translated(x, y)), image_, source);
}

}  // namespace tk
