#pragma once
// The interface texts by name. Each name stands for the tag of its entry in
// the language string table (assets-src/README.md says what each holds);
// this is the one place that maps names to tags.

#include <string>

namespace tamiro {

enum class Text : int {
  CountingTile = 1,    // "Hur många?"
  Addition = 2,        // tile and heading
  Subtraction = 3,
  Multiplication = 4,
  PictureTile = 5,     // "Välj rätt bild"
  FirstLetterTile = 6, // "1:a bokstaven"
  About = 7,           // "Om Tamiro"
  HangmanTile = 8,
  AbcRainTile = 9,
  MemoryTile = 10,
  WordMemoryTile = 11,
  LetterRainTile = 12,
  SumRainTile = 13,
  Help = 14,
  Exit = 15,
  HowMany = 16,        // the opening of the counting question
  Start = 17,
  Cards = 18,          // after a number: "24 kort"
  Easy = 19,
  Hard = 20,
  Letters = 21,        // the first-letter game's and hangman's letters
  NewGameQuestion = 22,
  Yes = 23,
  No = 24,
  Minus = 25,          // the word said for the minus sign of a sum ("minus")
  Title = 26,          // the window caption
  BoardSizes = 27,     // the board-size captions whose words differ: "24 karty"
  Times = 28,          // the word said for the multiplication sign ("gånger")
  HangmanPairs = 32,   // letters that uncover others too
  RainAlphabet = 33,
  // The progress page; %1 and %2 stand for numbers.
  ProgressTitle = 34,
  ProgressLegend = 35,     // what the bars are
  NotPlayed = 36,
  ThisWeek = 37,           // "This week: %1 min"
  FirstTryMeasure = 38,    // what the line is, for each family
  CaughtMeasure = 39,
  WonMeasure = 40,
  PairsMeasure = 41,
  BestFirstTry = 42,       // the best result, for each family
  BestScore = 43,
  BestWrongLetters = 44,
  BestWin = 45,            // %1 the board ("24 cards"), %2 the turns
  Close = 46,
  ClearRecord = 47,
  ClearQuestion = 48,
  RecordingOff = 49,
  RecordUnreadable = 50,
};

constexpr int TagOf(Text text) { return static_cast<int>(text); }

// The text in the current language.
const std::string& LangString(Text text);

}  // namespace tamiro
