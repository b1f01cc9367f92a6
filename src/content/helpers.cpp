#include "content/helpers.h"

#include <QImage>
#include <algorithm>
#include <cfenv>
#include <cmath>
#include <map>
#include <vector>

#include "content/content_tables.h"
#include "content/settings.h"
#include "toolkit/application.h"
#include "toolkit/code_page.h"
#include "toolkit/platform.h"

namespace tamiro {

int ColourDepth = 0;
std::unique_ptr<QImage> PaletteBitmap;

namespace {
// Pixels between a button's caption and the sides of its face: the frame
// lies two pixels in.
constexpr int kCaptionInset = 3;
std::uint32_t g_seed = 0;

void SetCanvasFont(tk::Canvas& canvas, const std::string& fontName, int fontSize) {
  canvas.Font.Size = fontSize;
  canvas.Font.Name = fontName;
  canvas.Font.Style = 0;
}
}  // namespace

int RoundHalfEven(double value) {
  const int old = std::fegetround();
  std::fesetround(FE_TONEAREST);
  const double r = std::nearbyint(value);
  std::fesetround(old);
  return static_cast<int>(r);
}

QRect ScaledRect(const QRect& design, int screenWidth, int screenHeight) {
  // The ratio first, in floating point, then the design value.
  const double x = screenWidth / static_cast<double>(kDesignWidth);
  const double y = screenHeight / static_cast<double>(kDesignHeight);
  return QRect(RoundHalfEven(x * design.left()), RoundHalfEven(y * design.top()), RoundHalfEven(x * design.width()),
               RoundHalfEven(y * design.height()));
}

void ScaleForm(tk::Form& form) {
  const tk::ScreenInfo screen = tk::Screen();
  form.SetHeight(screen.height);
  form.SetWidth(screen.width);
  form.Color = 0;
  form.SetTop(0);
  form.SetLeft(0);
  for (tk::Component* component : form.Components()) {
    auto* control = dynamic_cast<tk::Control*>(component);
    if (control && (dynamic_cast<tk::Image*>(control) || dynamic_cast<tk::Shape*>(control) ||
                    dynamic_cast<tk::Label*>(control))) {
      const QRect r = ScaledRect(control->BoundsRect(), form.ClientWidth(), form.ClientHeight());
      control->SetBounds(r.left(), r.top(), r.width(), r.height());
    }
    if (auto* shape = dynamic_cast<tk::Shape*>(component))
      shape->Pen.Width = RoundHalfEven(form.ClientWidth() / 640.0 * shape->Pen.Width);
    if (auto* label = dynamic_cast<tk::Label*>(component))
      label->Font.Size = RoundHalfEven(form.ClientWidth() / 640.0 * label->Font.Size);
  }
  TranslateForm(form);
}

void DrawTextAt(int x, int y, tk::Image& image, const std::string& text, tk::Colour colour,
                const std::string& fontName, int fontSize) {
  tk::Canvas& canvas = image.Canvas();
  SetCanvasFont(canvas, fontName, fontSize);
  canvas.Brush.Clear = true;
  canvas.FontColour = colour | kPaletteFlag;
  canvas.TextOut(x, y, text);
}

void DrawTextCentred(int x, int y, tk::Image& image, const std::string& text, tk::Colour colour,
                     const std::string& fontName, int fontSize) {
  tk::Canvas& canvas = image.Canvas();
  SetCanvasFont(canvas, fontName, fontSize);
  const int h = canvas.TextHeight(text);
  const int w = canvas.TextWidth(text);
  DrawTextAt(x - w / 2, y - h / 2, image, text, colour, fontName, fontSize);
}

void DrawButtonFace(tk::Image& image, const std::string& caption, tk::Colour textColour, const std::string& fontName,
                    int fontSize, int cornerPercentage, int style) {
  tk::Canvas& canvas = image.Canvas();
  const int width = image.Width();
  const int height = image.Height();
  canvas.Brush.Clear = false;
  canvas.Brush.Color = kPaletteFlag;
  canvas.FillRect(0, 0, width, height);
  canvas.Brush.Clear = true;
  const int f = static_cast<int>(std::trunc(width * static_cast<double>(cornerPercentage) / 100.0));
  const int corner = std::max(0, f);
  if (style == 1) {
    canvas.Pen = {0x808080, 1, false};
    canvas.RoundRect(2, 2, width - 3, height - 3, corner, corner);
  } else if (style == 2) {
    const int w = (tk::Screen().height / 480) * 2;
    canvas.Pen = {0x02808080, w + 1, false};
    canvas.RoundRect(2, 2, width - 3, height - 3, corner, corner);
    canvas.Pen = {0x02FFFFFF, w, false};
    canvas.RoundRect(2, 2, width - 3, height - 3, corner, corner);
  }
  SetCanvasFont(canvas, fontName, fontSize);
  // A caption never leaves its face: one wider than the face within its
  // frame (the font size follows the screen's height, the face its width) is
  // drawn at the largest smaller size that fits.
  if (!tk::IsSymbolFontFamily(fontName))
    while (fontSize > 1 && canvas.TextWidth(caption) > width - 2 * kCaptionInset)
      SetCanvasFont(canvas, fontName, --fontSize);
  const int th = canvas.TextHeight(caption);
  const int tw = canvas.TextWidth(caption);
  const int y = (height - th) / 2;
  const int x = (width - tw) / 2;
  DrawTextAt(x, y, image, caption, textColour, fontName, fontSize);
}

int FitFontSize(int targetHeight, const std::string& fontName, tk::Canvas& canvas) {
  canvas.Font.Name = fontName;
  const std::string reference = GlyphText(1);
  const auto height = [&](int size) {
    canvas.Font.Size = size;
    return canvas.TextHeight(reference);
  };
  // The smallest size whose text height reaches the target, as counting up
  // from 1 finds it. Heights grow in proportion to the size, so the height
  // at one size (measured once per font) gives a close first guess and a
  // step or two settle it. The bound only guards against a font that reports
  // no height at all.
  constexpr int kLargest = 4096;
  constexpr int kProbe = 64;
  if (targetHeight <= 1) return 1;
  static std::map<std::string, int> probeHeights;
  auto probe = probeHeights.find(fontName);
  if (probe == probeHeights.end()) probe = probeHeights.emplace(fontName, std::max(1, height(kProbe))).first;
  int size = std::clamp(static_cast<int>(static_cast<long long>(targetHeight) * kProbe / probe->second), 1, kLargest);
  while (size < kLargest && height(size) < targetHeight) ++size;
  while (size > 1 && height(size - 1) >= targetHeight) --size;
  canvas.Font.Size = size;
  return size;
}

void ClearImage(tk::Image& image) {
  tk::Application::ProcessMessages();
  tk::Canvas& canvas = image.Canvas();
  // On a display with a palette the image takes over the palette of the
  // reference bitmap; true-colour displays need nothing of it.
  if (ColourDepth < 16 && PaletteBitmap && !PaletteBitmap->isNull()) canvas.Draw(0, 0, *PaletteBitmap);
  FillBlack(canvas, 0, 0, image.Width(), image.Height());
}

void FillBlack(tk::Canvas& canvas, int x1, int y1, int x2, int y2) {
  canvas.Brush = {0, false};
  canvas.FillRect(x1, y1, x2, y2);
}

void FillBlack(tk::Image& image) { FillBlack(image.Canvas(), 0, 0, image.Width(), image.Height()); }

void Randomize() { g_seed = static_cast<std::uint32_t>(tk::MillisecondsSinceMidnightUtc()); }

double Random() {
  g_seed = g_seed * 134775813u + 1u;
  return g_seed / 4294967296.0;
}

int RandomIn(int low, int count) { return static_cast<int>(std::trunc(Random() * count)) + low; }

// Draws of one value before PickDistinctRandom looks for a free one in turn.
constexpr int kDrawsBeforeScan = 1000;

void PickDistinctRandom(int* values, int count, int excluded, int low, int high) {
  Randomize();
  if (count <= 0) return;
  const int available = std::max(0, high - low) - (excluded >= low && excluded < high ? 1 : 0);
  const int distinct = std::min(count, available);
  const int range = high - low;
  for (int i = 0; i < distinct; ++i) {
    // A free value exists, so the draw always finds one.
    values[i] = DrawValue(low, range, kDrawsBeforeScan,
                          [&](int v) { return v != excluded && std::find(values, values + i, v) == values + i; });
  }
  // Fewer values than asked for: the rest stay empty.
  for (int i = distinct; i < count; ++i) values[i] = kNoValue;
}

std::string ApplyLetterCase(const std::string& text) { return Capital ? tk::UpperCase(text) : text; }

}  // namespace tamiro
