#pragma once
// A drawing surface that keeps its pixels: the canvas of an image control or
// the form's own surface beneath its controls. Coordinates are logical pixels;
// on a HiDPI screen the pixels behind them are finer, so text and pictures
// stay sharp. Right and bottom edges of rectangles are exclusive.

#include <QImage>
#include <QRect>
#include <cstdint>
#include <functional>
#include <string>

class QFont;
class QPainter;

namespace tk {

// Colours are 0x00BBGGRR (red in the low byte). Bit 25, the palette-relative
// flag, makes no difference on a true-colour display and is ignored.
using Colour = std::uint32_t;

// The named colours the forms use.
namespace colours {
inline constexpr Colour kBlack = 0x000000;
inline constexpr Colour kWhite = 0xFFFFFF;
inline constexpr Colour kGrey = 0x808080;
inline constexpr Colour kDarkGrey = 0x404040;
inline constexpr Colour kSilver = 0xC0C0C0;
inline constexpr Colour kNavy = 0x800000;
inline constexpr Colour kRed = 0x0000FF;
inline constexpr Colour kLightYellow = 0x80FFFF;
}  // namespace colours
QColor ToQColor(Colour colour);

enum FontStyle : int { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };

struct Font {
  std::string Name = "Arial";
  int Size = 8;  // points; drawn at 96 pixels per inch on every screen
  int Style = 0;
};

struct Brush {
  Colour Color = 0xFFFFFF;
  bool Clear = false;  // a clear brush fills nothing
};

struct Pen {
  Colour Color = 0x000000;
  int Width = 1;
  bool None = false;  // no outline at all
};

// The pixel height of a font size in points, at 96 pixels per inch.
int PixelsForPoints(int points);
// The Qt font for a font description (the face is resolved by family name).
QFont ToQFont(const Font& font);
// The text as the font draws it: code-page text, or byte for byte in a
// symbol font.
QString DisplayText(const std::string& text, const std::string& fontName);

class Canvas {
 public:
  Canvas() = default;
  Canvas(int width, int height, double devicePixelRatio);

  tk::Font Font;
  tk::Brush Brush;
  tk::Pen Pen;

  int Width() const { return width_; }
  int Height() const { return height_; }

  // Changes the size; the pixels that still fit are kept, new ones are
  // transparent.
  void Resize(int width, int height);
  void Clear(Colour colour);  // the whole surface, opaque

  void FillRect(int x1, int y1, int x2, int y2);   // with the brush colour
  void FrameRect(int x1, int y1, int x2, int y2);  // one pixel, brush colour
  void Rectangle(int x1, int y1, int x2, int y2);  // brush fill, pen outline
  void RoundRect(int x1, int y1, int x2, int y2, int cornerWidth, int cornerHeight);
  void Ellipse(int x1, int y1, int x2, int y2);
  void MoveTo(int x, int y);
  void LineTo(int x, int y);

  // Anti-aliased text with a transparent background, top-left at (x, y), in
  // the font's colour (the pen colour is not used for text).
  void TextOut(int x, int y, const std::string& text);
  int TextWidth(const std::string& text) const;
  int TextHeight(const std::string& text) const;
  // The box of the glyphs' ink for the text put out at (0, 0); it may reach
  // beyond the advance and the line.
  QRect TextInk(const std::string& text) const;
  Colour FontColour = 0x000000;

  // Copies a rectangle of another surface onto this one, same size.
  void CopyRect(const QRect& dest, const Canvas& source, const QRect& sourceRect);
  void Draw(int x, int y, const QImage& picture);

  // Paints on the surface with a painter of one's own; the whole surface
  // counts as changed.
  void PaintWith(const std::function<void(QPainter&)>& paint);

  const QImage& Image() const { return image_; }
  // Paints the surface with its top-left at (x, y) of a painter; with a part
  // given (in the surface's own pixels), only that part.
  void PaintTo(QPainter& painter, int x, int y) const;
  void PaintTo(QPainter& painter, int x, int y, const QRect& part) const;

  // Told of the rectangle each drawing operation changed (clipped to the
  // surface), so that its owner repaints only that part of the screen.
  std::function<void(const QRect&)> OnChanged;

  // Told of every text drawn on any canvas, with the box it covers there (its
  // glyphs and its line, not clipped to the surface): a test sees with it
  // whether a caption fits the image it is drawn on.
  using TextObserver = std::function<void(const Canvas& canvas, const QRect& box)>;
  static void SetTextObserver(TextObserver observer);

 private:
  void Outline(QPainter& painter) const;
  void Changed(const QRect& area);
  // The rectangle a figure with the current pen covers.
  QRect FigureArea(int x1, int y1, int x2, int y2) const;
  int width_ = 0;
  int height_ = 0;
  double dpr_ = 1.0;
  QImage image_;
  int penX_ = 0;
  int penY_ = 0;
};

}  // namespace tk
