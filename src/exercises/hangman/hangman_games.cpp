// Hangman, its menu tile and its screen: hangman at a moment of play
// (--state new|play|win|lose; a win has seven misses, so the head shows the
// happy face), with the word the game chose or the one --mark names (UTF-8,
// any case; it needs not be in the word list).

#include <QString>
#include <string>

#include "exercises/common/games.h"
#include "exercises/hangman/hangman_form.h"
#include "toolkit/code_page.h"

namespace tamiro {
namespace {

namespace hm = hangman;

// The grid letter that uncovers a character of the word, or 0.
char LetterFor(char c, const TfrmOvHangman& form) {
  if (hm::GridLetters.find(c) != std::string::npos) return c;
  for (char letter : hm::GridLetters)
    if (form.HangmanReplacements(std::string(1, letter)).find(c) != std::string::npos) return letter;
  return 0;
}

// Guesses the letters that uncover the word's hidden characters, in the
// word's order, stopping before the last one when keepOne is set.
void GuessRight(TfrmOvHangman& form, int count, bool keepOne) {
  for (int done = 0; done < count;) {
    std::size_t hidden = hm::ShownWord.find('_');
    if (hidden == std::string::npos) return;
    if (keepOne && hm::ShownWord.find('_', hidden + 1) == std::string::npos) return;
    const char letter = LetterFor(hm::SecretWord[hidden], form);
    if (!letter) return;
    form.Guess(std::string(1, letter));
    ++done;
  }
}

// Guesses grid letters that uncover nothing, from the end of the alphabet.
void GuessWrong(TfrmOvHangman& form, int count) {
  for (auto it = hm::GridLetters.rbegin(); it != hm::GridLetters.rend() && count > 0; ++it) {
    bool uncovers = false;
    for (char c : hm::SecretWord) uncovers = uncovers || LetterFor(c, form) == *it;
    if (uncovers) continue;
    form.Guess(std::string(1, *it));
    --count;
  }
}

bool Screen(const std::string& name, const ScreenOptions& o) {
  if (name != "hangman") return false;
  LaunchGame(o.menu, 0);
  if (!frmOvHangman) return true;
  TfrmOvHangman& form = *frmOvHangman;
  if (!o.mark.empty()) {
    hm::SecretWord = tk::UpperCase(tk::FromQString(QString::fromUtf8(o.mark.c_str())));
    hm::ShownWord = hm::SecretWord;
    for (char& c : hm::ShownWord)
      if (!hm::ShownFromStart(c)) c = '_';
  }
  if (o.state == "play") {
    GuessRight(form, 2, true);
    GuessWrong(form, 4);
  } else if (o.state == "win") {
    GuessWrong(form, 7);
    GuessRight(form, 50, false);
  } else if (o.state == "lose") {
    GuessRight(form, 2, true);
    GuessWrong(form, hm::kMaxMisses);
  }
  form.Redraw();
  return true;
}

// Hangman has no exercise number: its entry operation takes none.
const GameRegistration hangmanGame({.exercise = 0,
                                    .tile = {8, "Hänga gubbe", 1, 2, 4},
                                    .helpContext = 122,
                                    .launch = FormLauncher(frmOvHangman, [](TfrmOvHangman& form, int) { form.NewGame(); }),
                                    .screenUsage = "hangman [--state new|play|win|lose] [--mark WORD]",
                                    .screens = Screen});

}  // namespace
}  // namespace tamiro
