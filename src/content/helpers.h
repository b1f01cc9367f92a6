#pragma once
// Helpers every form uses: scaling a form from the 640 x 480 design surface
// to the screen, drawing text and button faces on images, preparing an image
// for drawing, distinct random numbers, letter case, music and sound.

#include <climits>
#include <cstdint>
#include <string>

#include "toolkit/canvas.h"
#include "toolkit/forms.h"

namespace tk {
class MediaPlayer;
}

namespace tamiro {

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

// The program's random generator: a uniform real in [0, 1), reseeded from
// the clock (milliseconds since midnight, UTC).
void Randomize();
double Random();
// Trunc(Random() * n) + low.
int RandomIn(int low, int count);

// Fills values[0..count-1] with distinct values from low to high - 1, none of
// them equal to excluded. When the range holds fewer such values than count,
// the places left over get kNoValue (an empty answer), so the call always
// ends and never gives the excluded value.
inline constexpr int kNoValue = INT_MIN;
void PickDistinctRandom(int* values, int count, int excluded, int low, int high);

std::string ApplyLetterCase(const std::string& text);

// Music and sound effects through the main menu's two players. Failures are
// silent.
extern bool MusicLoop;
void PlayMusic(const std::string& fileName, std::int64_t startPosition, bool loop);
void PlaySound(const std::string& fileName);
void StopMusic();
std::int64_t MusicPosition();

// The players the sound helpers drive (the main menu's; none before it
// exists). Tests may install others.
tk::MediaPlayer* MusicPlayer();
tk::MediaPlayer* EffectsPlayer();
void SetPlayersOverride(tk::MediaPlayer* music, tk::MediaPlayer* effects);

}  // namespace tamiro
