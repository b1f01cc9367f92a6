#pragma once
// The multiple-choice exercises: counting (1), addition (2), subtraction (3),
// multiplication (4), first letter (5) and choose the picture (6). Each
// question offers four answer slots; a right answer is marked and the next
// question follows a second later, a wrong one is marked and the child tries
// again.

#include <array>
#include <optional>
#include <string>

#include "exercises/common/exercise_frame.h"
#include "toolkit/forms.h"

namespace tamiro {

class TfrmOvMC : public tk::Form {
 public:
  explicit TfrmOvMC(tk::Component* owner);
  ~TfrmOvMC() override;

  void Start(int exercise);
  void NewQuestion();
  void PlaceObjects();
  void CheckAnswer(tk::Image* image, int slot);
  void DrawLevelButtons();
  void ClearQuestionArea();

  void FormCreate();
  void FormShow();
  void FormKeyPress(char key);
  void imgEasyClick();
  void imgHardClick();
  void tmrNewTimer();

  tk::Label* lblRubrik;
  tk::Image* Image1;
  std::array<tk::Image*, 9> imgSvar{};  // 1..8
  tk::Image* imgBild1;
  tk::Image* imgHard;
  tk::Image* imgEasy;
  tk::Image* imgHelp;
  tk::Image* imgExit;
  tk::Timer* tmrNew;
  ExerciseFrame* frame;  // Help and Exit

 private:
  void CountingQuestion();
  void ArithmeticQuestion();
  void FirstLetterQuestion();
  void PictureQuestion();
  void BlankQuestion();
  // Says the question: the first one after the name of the game's tile,
  // every later one at once.
  void SayQuestion(const std::string& text);

  bool firstQuestion_ = true;
};

// The open form: the newest instance the menu created.
extern TfrmOvMC* frmOvMC;

// The counting question's words for a picture, without its marks: "Hur
// många katter", "Quanti gatti", "Combien de chats".
std::string CountingWords(int picture);

// The multiple-choice state. It lives for the whole run, outlives the form,
// and is shared by every instance and exercise number.
namespace mc {
struct Point {
  int x = 0;
  int y = 0;
};
extern int Exercise;
extern std::array<tk::Image*, 5> AnswerImages;  // 1..4
extern std::array<int, 5> AnswerValues;
extern std::array<std::string, 5> AnswerTexts;
extern std::array<tk::Colour, 5> AnswerColours;
extern int RightSlot;
extern std::string AnswerFont;
extern int AnswerFontSize;
extern int MarkFontSize;
extern bool Easy;
extern bool LevelChoice;
extern int ObjectCount;
extern int PictureId;
extern int ObjectSize;
extern tk::Colour ObjectColour;
extern std::array<Point, 10> ObjectPositions;  // 1..9
extern int OperandA, OperandB;
extern int PreviousCount, PreviousPicture, PreviousA, PreviousB;
extern std::string AnswerWord;
// This game's record: questions answered, answered right at the first try,
// wrong answers in all, and how many of the questions answered were built
// at the hard level.
extern int QuestionsAnswered, FirstTryRight, WrongAnswers, HardQuestions;
extern bool Answered;   // the question on the screen has had an answer
extern bool BuiltEasy;  // the level the question on the screen was built at
// What the game comes to, for the record; nothing before an answer.
std::optional<GameResult> Result(bool finished);
}  // namespace mc

}  // namespace tamiro
