#pragma once
// Hangman: the child guesses a word of the current language letter by
// letter, by clicking the letter grid or typing. Every wrong letter adds a
// piece to the drawing of the gallows and the figure; the eleventh completes
// it and the game is lost. Uncovering every letter first wins.

#include <array>
#include <optional>
#include <string>

#include "exercises/common/exercise_frame.h"
#include "toolkit/forms.h"

namespace tamiro {

class TfrmOvHangman : public tk::Form {
 public:
  explicit TfrmOvHangman(tk::Component* owner);
  ~TfrmOvHangman() override;

  void NewGame();
  void Guess(const std::string& letter);
  // The characters that the letter also uncovers (the language's pairs).
  std::string HangmanReplacements(const std::string& letter) const;
  void Redraw();
  void ShowGallows(int misses);
  void ShowWord(const std::string& text);
  void DrawLetterGrid();

  void FormCreate();
  void FormShow();
  void FormKeyPress(char key);
  void imgAlphaMouseDown(tk::MouseButton button, int shift, int x, int y);

  static constexpr int kPieceCount = 11;

  tk::Image* imgAlpha;
  tk::Shape* Shape1;
  tk::Image* imgWord;
  tk::Shape* Shape3;
  tk::Image* imgSol;
  tk::Image* imgStart;
  tk::Image* imgHelp;
  tk::Image* imgExit;
  tk::Image* imgFace;
  // The pieces in the order they appear: imgHm[1] (the ground) to imgHm[11]
  // (the left arm).
  std::array<tk::Image*, kPieceCount + 1> imgHm{};
  ExerciseFrame* frame;  // Help, Exit and Start
};

// The open form: the newest instance the menu created.
extern TfrmOvHangman* frmOvHangman;

// The hangman state. It lives for the whole run, outlives the form and is
// shared by every instance.
namespace hangman {
inline constexpr int kGridColumns = 4;
inline constexpr int kGridRows = 8;
inline constexpr int kGridCells = kGridColumns * kGridRows;
inline constexpr int kLetterFlags = 40;
inline constexpr int kMaxMisses = 11;
// Draws for an unused word before the last draw is taken as it is.
inline constexpr int kWordDraws = 31;

extern std::string SecretWord;  // upper case
extern std::string SpokenWord;  // the same word as it is written, to be said
extern std::string ShownWord;   // as far as it is uncovered; "_" elsewhere
extern std::string GridLetters;  // at most kGridCells letters
extern std::array<bool, kLetterFlags + 1> LetterUsed;  // 1..40, by position in GridLetters
extern int Misses;
extern bool GameActive;
extern int CellWidth;
extern int CellHeight;

// The characters of a word that are shown from the start.
bool ShownFromStart(char c);
// What the game comes to, for the record; nothing before the first letter.
std::optional<GameResult> Result(bool finished);
}  // namespace hangman

}  // namespace tamiro
