#pragma once
// Helpers every form uses: scaling a form from the 640 x 480 design surface
// to the screen, drawing text and button faces on images, preparing an image
// for drawing, random numbers and letter case. Music and sound are in
// content/sound.h, the fonts in content/fonts.h.

#include <climits>
#include <cmath>
#include <cstdint>
#include <memory>
#include <string>

#include "toolkit/canvas.h"
#include "toolkit/forms.h"

class QImage;

namespace tamiro {

// Bits per pixel of the screen, and the palette reference bitmap that
// ClearImage gives an image on a screen with a palette (set at start-up).
extern int ColourDepth;
extern std::unique_ptr<QImage> PaletteBitmap;

inline constexpr int kDesignWidth = 640;
inline constexpr int kDesignHeight = 480;
inline constexpr tk::Colour kPaletteFlag = 0x02000000;

// Round to nearest with halves to even.
int RoundHalfEven(double value);

// A design rectangle (640 x 480) on a screen of the given size, as ScaleForm
// scales it.
QRect ScaledRect(const QRect& design, int screenWidth, int screenHeight);
void ScaleForm(tk::Form& form);
void DrawTextAt(int x, int y, tk::Image& image, const std::string& text, tk::Colour colour,
                const std::string& fontName, int fontSize);
void DrawTextCentred(int x, int y, tk::Image& image, const std::string& text, tk::Colour colour,
                     const std::string& fontName, int fontSize);
void DrawButtonFace(tk::Image& image, const std::string& caption, tk::Colour textColour, const std::string& fontName,
                    int fontSize, int cornerPercentage, int style);
int FitFontSize(int targetHeight, const std::string& fontName, tk::Canvas& canvas);
void ClearImage(tk::Image& image);
// Fills a rectangle of a canvas (x2, y2 excluded), or a whole image, with
// black.
void FillBlack(tk::Canvas& canvas, int x1, int y1, int x2, int y2);
void FillBlack(tk::Image& image);

// Truncation toward zero, as every size the forms compute is truncated.
inline int Trunc(double value) { return static_cast<int>(std::trunc(value)); }

// The program's random generator: a uniform real in [0, 1), reseeded from
// the clock (milliseconds since midnight, UTC).
void Randomize();
double Random();
// Trunc(Random() * n) + low.
int RandomIn(int low, int count);

// A value of low .. low + count - 1 that passes the test: drawn as
// RandomIn(low, count) up to `draws` times, as long as a child would wait;
// when every draw failed, the first value after the last draw that passes,
// round the range, so that no generator and no test can keep the search
// going. `none` when no value passes.
template <class Test>
int DrawValue(int low, int count, int draws, Test passes, int none = -1) {
  if (count <= 0) return none;
  int v = RandomIn(low, count);
  for (int draw = 1; draw < draws && !passes(v); ++draw) v = RandomIn(low, count);
  for (int k = 0; k < count && !passes(v); ++k) v = low + (v - low + 1) % count;
  return passes(v) ? v : none;
}

// Fills values[0..count-1] with distinct values from low to high - 1, none of
// them equal to excluded. When the range holds fewer such values than count,
// the places left over get kNoValue (an empty answer), so the call always
// ends and never gives the excluded value.
inline constexpr int kNoValue = INT_MIN;
void PickDistinctRandom(int* values, int count, int excluded, int low, int high);

std::string ApplyLetterCase(const std::string& text);

}  // namespace tamiro
