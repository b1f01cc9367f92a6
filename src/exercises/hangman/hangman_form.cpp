#include "exercises/hangman/hangman_form.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "content/content_tables.h"
#include "content/helpers.h"
#include "content/sound.h"
#include "toolkit/application.h"
#include "toolkit/code_page.h"

namespace tamiro {

TfrmOvHangman* frmOvHangman = nullptr;

namespace hangman {
std::string SecretWord;
std::string SpokenWord;
std::string ShownWord;
std::string GridLetters;
std::array<bool, kLetterFlags + 1> LetterUsed{};
int Misses = 0;
bool GameActive = false;
int CellWidth = 0;
int CellHeight = 0;

bool ShownFromStart(char c) { return c == ' ' || c == '\'' || c == ',' || c == '-'; }

std::optional<GameResult> Result(bool finished) {
  if (std::find(LetterUsed.begin(), LetterUsed.end(), true) == LetterUsed.end()) return std::nullopt;
  GameResult game;
  game.exercise = 0;
  game.outcome = !finished ? GameOutcome::Left : Misses >= kMaxMisses ? GameOutcome::Lost : GameOutcome::Won;
  game.wrongLetters = Misses;
  return game;
}
}  // namespace hangman

using namespace hangman;

using namespace tk::colours;

namespace {

constexpr char kHappyFace = static_cast<char>(0xFE);
constexpr char kSadFace = static_cast<char>(0xFF);

struct PiecePlace {
  const char* name;
  int left, top, width, height;
};
// The pieces of the drawing, in the order the misses bring them.
constexpr PiecePlace kPieces[TfrmOvHangman::kPieceCount] = {
    {"imgHm1", 236, 308, 145, 63},  // the ground, a mound
    {"imgHm2", 300, 12, 11, 297},   // the post
    {"imgHM3", 304, 8, 129, 7},     // the beam
    {"imgHm4", 304, 8, 65, 57},     // the brace between post and beam
    {"imgHM5", 428, 12, 5, 50},     // the rope
    {"imgHM6", 404, 60, 53, 53},    // the head, a ring
    {"imgHM7", 428, 112, 9, 97},    // the body
    {"imgHM8", 428, 208, 49, 77},   // the right leg
    {"imgHM9", 380, 208, 53, 77},   // the left leg
    {"imgHM10", 432, 128, 45, 37},  // the right arm
    {"imgHM11", 388, 128, 45, 41},  // the left arm
};

std::string PieceFile(int piece) {
  char name[32];
  std::snprintf(name, sizeof name, "hangman%02d.svg", piece);
  return ProgramFile(name);
}

// A face in the head: drawn on imgFace, which lies under the ring.
void DrawFace(tk::Image& face, char glyph, tk::Colour colour) {
  DrawTextCentred(face.Width() / 2, Trunc(face.Height() * 0.52), face, std::string(1, glyph),
                  colour, SymbolFont, Trunc(LargeFontSize * 0.8));
}

// Chooses the entry of the next word: the first unused one of up to
// kWordDraws draws, or the last draw. 0 when the language has no words.
int ChooseWord() {
  const int count = std::min(HangmanWordCount, kHangmanCapacity);
  if (count < 1) return 0;
  int k = 0;
  for (int draw = 1; draw <= kWordDraws; ++draw) {
    k = RandomIn(1, count);
    if (!HangmanWords[static_cast<std::size_t>(k)].Used) break;
  }
  return k;
}

}  // namespace

TfrmOvHangman::TfrmOvHangman(tk::Component* owner) : tk::Form(owner, "frmOvHangman", 640, 480) {
  Tag = 26;
  HelpContext = 101;
  imgAlpha = new tk::Image(this, "imgAlpha", 8, 4, 217, 369);
  Shape1 = new tk::Shape(this, "Shape1", 8, 382, 489, 1);
  imgWord = new tk::Image(this, "imgWord", 8, 392, 489, 77);
  Shape3 = new tk::Shape(this, "Shape3", 504, 0, 2, 477);
  for (tk::Shape* line : {Shape1, Shape3}) {
    line->Brush.Color = kGrey;
    line->Pen.None = true;
  }
  imgSol = new tk::Image(this, "imgSol", 512, 4, 117, 105);
  imgStart = new tk::Image(this, "imgStart", 512, 116, 113, 45);
  imgHelp = new tk::Image(this, "imgHelp", 512, 356, 113, 57);
  imgExit = new tk::Image(this, "imgExit", 512, 420, 113, 53);
  // The face lies under the head: every piece is drawn over it.
  imgFace = new tk::Image(this, "imgFace", 404, 60, 53, 53);
  for (int j = 1; j <= kPieceCount; ++j) {
    const PiecePlace& p = kPieces[j - 1];
    tk::Image* piece = new tk::Image(this, p.name, p.left, p.top, p.width, p.height);
    piece->LoadPicture(PieceFile(j));  // a missing picture leaves the piece empty
    piece->SetVisible(false);
    imgHm[static_cast<std::size_t>(j)] = piece;
  }

  imgAlpha->OnMouseDown = [this](tk::MouseButton b, int shift, int x, int y) { imgAlphaMouseDown(b, shift, x, y); };
  frame = new ExerciseFrame(this, {imgHelp, true, imgExit, imgStart}, [this] { NewGame(); });
  frame->SetGameReport(Result);
  OnCreate = [this] { FormCreate(); };
  OnShow = [this] { FormShow(); };
  OnKeyPress = [this](char key) { FormKeyPress(key); };
}

TfrmOvHangman::~TfrmOvHangman() {
  if (frmOvHangman == this) frmOvHangman = nullptr;
}

void TfrmOvHangman::FormCreate() {
  ScaleForm(*this);
  // Every launch plays the words of the language chosen at that moment; the
  // Used marks stay as they are.
  LoadHangmanWords();
}

void TfrmOvHangman::FormShow() {
  StopMusic();
  ClearImage(*imgAlpha);
  ClearImage(*imgFace);
  ClearImage(*imgSol);
  DrawTextAt(0, 0, *imgSol, GlyphText(4), Pictures[4].Colour, SymbolFont, 3 * LargeFontSize);
  ClearImage(*imgWord);
  frame->DrawButtons();
}

void TfrmOvHangman::NewGame() {
  // A game still going on was left.
  frame->GameBegins();
  Randomize();
  StopMusic();
  // No guess reaches the old word while the new game is being set up.
  GameActive = false;
  FillBlack(*imgFace);
  Misses = 0;
  Show();
  // The grid has 32 cells: a longer letter set offers its first 32 letters.
  GridLetters = LangString(Text::Letters).substr(0, kGridCells);
  LetterUsed.fill(false);
  SecretWord.clear();
  SpokenWord.clear();
  if (const int k = ChooseWord(); k > 0) {
    THangmanEntry& entry = HangmanWords[static_cast<std::size_t>(k)];
    // Words are always shown in capitals, whatever the Capital setting; they
    // are said as they are written.
    SecretWord = tk::UpperCase(entry.Word);
    SpokenWord = entry.Word;
    entry.Used = true;
  }
  ShownWord = SecretWord;
  for (char& c : ShownWord)
    if (!ShownFromStart(c)) c = '_';
  // The game is ready before it is first drawn, so that a letter typed while
  // it is drawn counts for it. Without words there is no game.
  GameActive = !SecretWord.empty();
  Redraw();
}

void TfrmOvHangman::Redraw() {
  // Events waiting meanwhile are handled between the steps; each reads the
  // state as it is then.
  ShowGallows(Misses);
  tk::Application::ProcessMessages();
  ShowWord(ShownWord);
  tk::Application::ProcessMessages();
  DrawLetterGrid();
  tk::Application::ProcessMessages();
}

void TfrmOvHangman::ShowGallows(int misses) {
  for (int j = 1; j <= kPieceCount; ++j) imgHm[static_cast<std::size_t>(j)]->SetVisible(misses >= j);
}

void TfrmOvHangman::ShowWord(const std::string& text) {
  FillBlack(*imgWord);
  const int w = imgWord->Width(), h = imgWord->Height();
  const int length = static_cast<int>(text.size());
  // A row of at least ten cells across 90 % of the image, from 5 % of its
  // width; a word of fewer letters stands in its middle.
  const int n = std::max(length, 10);
  const int cell = Trunc(w * 0.9) / n;
  const int size = Trunc(LargeFontSize * 10.0 / n);
  const int margin = Trunc(w * 0.05);
  for (int i = 1; i <= length; ++i) {
    const int x = Trunc(((n - length) / 2.0 + i - 0.5) * cell) + margin;
    DrawTextCentred(x, h / 2, *imgWord, text.substr(static_cast<std::size_t>(i - 1), 1), kLightYellow, ExerciseFont,
                    size);
  }
}

void TfrmOvHangman::DrawLetterGrid() {
  const int w = imgAlpha->Width(), h = imgAlpha->Height();
  CellWidth = w / kGridColumns;
  CellHeight = h / kGridRows;
  FillBlack(*imgAlpha);
  tk::Canvas& canvas = imgAlpha->Canvas();
  canvas.Pen = {kGrey, 1, false};
  for (int c = 1; c < kGridColumns; ++c) {
    canvas.MoveTo(CellWidth * c, 0);
    canvas.LineTo(CellWidth * c, h);
  }
  for (int r = 1; r < kGridRows; ++r) {
    canvas.MoveTo(0, CellHeight * r);
    canvas.LineTo(w, CellHeight * r);
  }
  const int size = Trunc(LargeFontSize / 1.5);
  const int letters = std::min(static_cast<int>(GridLetters.size()), kGridCells);
  for (int p = 1; p <= letters; ++p) {
    const int column = (p - 1) % kGridColumns, row = (p - 1) / kGridColumns;
    DrawTextCentred(Trunc((column + 0.5) * CellWidth),
                    Trunc((row + 0.5) * CellHeight), *imgAlpha,
                    GridLetters.substr(static_cast<std::size_t>(p - 1), 1),
                    LetterUsed[static_cast<std::size_t>(p)] ? kDarkGrey : kWhite, ExerciseFont, size);
  }
}

void TfrmOvHangman::imgAlphaMouseDown(tk::MouseButton, int, int x, int y) {
  // Until the grid has been drawn once it has no cells to hit.
  if (CellWidth > 0 && CellHeight > 0 && x >= 0 && y >= 0) {
    const int column = x / CellWidth, row = y / CellHeight;
    const int p = row * kGridColumns + column + 1;
    // The pixels right of the last column and below the last row that the
    // division leaves over belong to no cell, nor do cells without a letter.
    if (column < kGridColumns && row < kGridRows && p <= static_cast<int>(GridLetters.size()))
      Guess(GridLetters.substr(static_cast<std::size_t>(p - 1), 1));
  }
  Redraw();
}

void TfrmOvHangman::FormKeyPress(char key) {
  Guess(tk::UpperCase(std::string(1, key)));
  Redraw();
}

std::string TfrmOvHangman::HangmanReplacements(const std::string& letter) const {
  std::string result;
  if (letter.size() != 1) return result;
  const std::string& pairs = LangString(Text::HangmanPairs);
  for (std::size_t i = 0; i + 1 < pairs.size(); i += 2)
    if (pairs[i] == letter[0]) result += pairs[i + 1];
  return result;
}

void TfrmOvHangman::Guess(const std::string& letter) {
  if (!GameActive || letter.size() != 1) return;
  const std::size_t position = GridLetters.find(letter[0]);
  if (position == std::string::npos) return;
  const std::string also = HangmanReplacements(letter);
  int hits = 0;
  for (std::size_t i = 0; i < SecretWord.size() && i < ShownWord.size(); ++i) {
    const char c = SecretWord[i];
    if (c == letter[0] || also.find(c) != std::string::npos) {
      ShownWord[i] = c;
      ++hits;
    }
  }
  if (hits == 0) {
    ++Misses;
    PlaySound("GNIRR5.WAV");
  } else {
    PlaySound("PLOPP2.WAV");
  }
  LetterUsed[position + 1] = true;
  // The letter guessed is said, unless the word itself is about to be.
  if (ShownWord != SecretWord && Misses < kMaxMisses) Speak(letter);

  // The game's state is complete before anything is drawn: events handled
  // during the drawing (another letter, a new game) find it settled.
  if (ShownWord == SecretWord) {
    GameActive = false;
    frame->GameEnds();
    PlayMusic("YAHOO.MID", 0, false);
    Speak(SpokenWord);
    if (Misses >= 6) DrawFace(*imgFace, kHappyFace, 0x008000);  // the head is there
    Redraw();
  } else if (Misses >= kMaxMisses) {
    GameActive = false;
    ShownWord = SecretWord;  // the whole word is shown, and said
    frame->GameEnds();
    PlayMusic("HUNG_UP.MID", 0, false);
    Speak(SpokenWord);
    DrawFace(*imgFace, kSadFace, 0x0000FF);
    Redraw();
  }
}

}  // namespace tamiro
