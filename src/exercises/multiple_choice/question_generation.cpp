// How each multiple-choice exercise builds, draws and answers its question.

#include <cmath>
#include <cstdlib>

#include "content/content_tables.h"
#include "content/helpers.h"
#include "content/sound.h"
#include "exercises/multiple_choice/mc_form.h"
#include "toolkit/application.h"
#include "toolkit/code_page.h"

namespace tamiro {

using namespace mc;

using namespace tk::colours;

namespace {

std::size_t At(int i) { return static_cast<std::size_t>(i); }

// A picture that suits the question, drawn at random as long as a child
// would wait (a few thousand draws), then the first suitable one after the
// last draw, so no catalogue can make the search hang. 0 when no picture
// suits.
template <class Suitable>
int FindPicture(Suitable suitable) {
  return DrawValue(1, kPictureCount, 5000, suitable, 0);
}

// The same, preferring a picture other than the previous question's; a
// catalogue with a single suitable picture repeats it rather than failing.
template <class Suitable>
int FindNewPicture(Suitable suitable) {
  const int id = FindPicture([&](int p) { return p != PreviousPicture && suitable(p); });
  return id != 0 ? id : FindPicture(suitable);
}

// A number from low upwards (count values) other than the previous one;
// the only number there is when there is one.
int DrawOther(int low, int count, int previous) {
  return DrawValue(low, count, 1000, [&](int v) { return v != previous; }, low);
}

void SetSlotTexts(const std::string& font, int size) {
  for (int k = 1; k <= 4; ++k) {
    const int v = AnswerValues[At(k)];
    AnswerTexts[At(k)] = v == kNoValue ? std::string() : std::to_string(v);
    AnswerColours[At(k)] = kWhite;
  }
  AnswerFont = font;
  AnswerFontSize = size;
}

}  // namespace

void TfrmOvMC::NewQuestion() {
  Answered = false;
  BuiltEasy = Easy;
  Randomize();
  ClearQuestionArea();
  switch (Exercise) {
    case 1: CountingQuestion(); break;
    case 2:
    case 3:
    case 4: ArithmeticQuestion(); break;
    case 5: FirstLetterQuestion(); break;
    case 6: PictureQuestion(); break;
    default: BlankQuestion(); break;
  }
  firstQuestion_ = false;
  for (int k = 1; k <= 4; ++k) {
    if (tk::Image* slot = AnswerImages[At(k)])
      DrawButtonFace(*slot, AnswerTexts[At(k)], AnswerColours[At(k)], AnswerFont, AnswerFontSize, 90, 2);
  }
}

// Content that cannot make a question: empty slots, none of them right.
void TfrmOvMC::BlankQuestion() {
  RightSlot = 0;
  for (int k = 1; k <= 4; ++k) {
    AnswerValues[At(k)] = 0;
    AnswerTexts[At(k)].clear();
    AnswerColours[At(k)] = kWhite;
  }
  AnswerFont = ExerciseFont;
  AnswerFontSize = ButtonFontSize;
}

void TfrmOvMC::CountingQuestion() {
  const int h = Image1->Height();
  PreviousCount = ObjectCount;
  ObjectCount = DrawOther(1, 9, PreviousCount);
  PreviousPicture = PictureId;
  const int picture = FindNewPicture([](int p) { return !Pictures[At(p)].PluralName.empty(); });
  if (picture == 0) {
    lblRubrik->Caption.clear();
    lblRubrik->Invalidate();
    BlankQuestion();
    return;
  }
  PictureId = picture;
  ObjectSize = Trunc(h / 1.5) - (h / 35) * ObjectCount;
  PlaceObjects();
  const TPictureEntry& entry = Pictures[At(PictureId)];
  ObjectColour = entry.Colour;
  lblRubrik->Caption = ApplyLetterCase("~ " + CountingWords(PictureId) + " ? ~");
  lblRubrik->Invalidate();
  SayQuestion(CountingWords(PictureId) + "?");
  for (int i = 1; i <= ObjectCount; ++i)
    DrawTextAt(ObjectPositions[At(i)].x, ObjectPositions[At(i)].y, *Image1, GlyphText(PictureId), ObjectColour,
               SymbolFont, ObjectSize);
  // The pictures show at once; a click handled now is judged against the
  // answers of the question being replaced.
  tk::Application::ProcessMessages();
  PickDistinctRandom(&AnswerValues[1], 4, ObjectCount, 1, 10);
  RightSlot = RandomIn(1, 4);
  AnswerValues[At(RightSlot)] = ObjectCount;
  SetSlotTexts(ExerciseFont, Trunc(LargeFontSize * 1.3));
}

void TfrmOvMC::PlaceObjects() {
  const int n = ObjectCount;
  const int w = Image1->Width(), h = Image1->Height();
  const int m = h / 4;
  const auto place = [&](int i) {
    const int s = ObjectSize;
    ObjectPositions[At(i)].x = Trunc(Random() * (w - s - m)) + m / 2;
    ObjectPositions[At(i)].y = Trunc(Random() * (h - s - m)) + m / 2;
  };
  for (int i = 1; i <= n; ++i) place(i);
  for (int c = 1;; ++c) {
    bool moved = false;
    for (int i = 1; i <= n; ++i) {
      for (int j = 1; j <= n; ++j) {
        const double near = 0.9 * ObjectSize;
        if (i != j && std::abs(ObjectPositions[At(i)].x - ObjectPositions[At(j)].x) < near &&
            std::abs(ObjectPositions[At(i)].y - ObjectPositions[At(j)].y) < near) {
          place(i);
          moved = true;
          break;
        }
      }
    }
    if (c % 100 == 0) ObjectSize = Trunc(ObjectSize * 0.9);
    if (!moved || c == 14000) break;
  }
}

void TfrmOvMC::ArithmeticQuestion() {
  const int w = Image1->Width(), h = Image1->Height();
  const int low = Easy ? 1 : 5;
  const int top = Easy ? 6 : 12;
  PreviousA = OperandA;
  PreviousB = OperandB;
  for (int tries = 0;; ++tries) {
    OperandA = RandomIn(low, top - low);
    OperandB = RandomIn(low, top - low);
    if ((OperandA != PreviousA && OperandB != PreviousB) || tries == 1000) break;
  }
  AnswerFontSize = Trunc(LargeFontSize * 1.3);
  RightSlot = RandomIn(1, 4);
  std::string text;
  char sign = '+';
  int right = 0;
  if (Exercise == 2) {
    text = std::to_string(OperandA) + " + " + std::to_string(OperandB);
    right = OperandA + OperandB;
    PickDistinctRandom(&AnswerValues[1], 4, right, 1, 2 * top);
  } else if (Exercise == 3) {
    if (OperandA < OperandB) std::swap(OperandA, OperandB);
    text = std::to_string(OperandA) + " - " + std::to_string(OperandB);
    sign = '-';
    right = OperandA - OperandB;
    PickDistinctRandom(&AnswerValues[1], 4, right, 1, top);
  } else {
    text = std::to_string(OperandA) + " \xD7 " + std::to_string(OperandB);  // the multiplication sign
    sign = '\xD7';
    right = OperandA * OperandB;
    PickDistinctRandom(&AnswerValues[1], 4, right, 1, top * top);
  }
  AnswerValues[At(RightSlot)] = right;
  DrawTextCentred(w / 2, Trunc(h * 0.5), *Image1, text, 0x70FFFF, ExerciseFont, Trunc(LargeFontSize * 1.5));
  SayQuestion(SpokenSum(OperandA, sign, OperandB));
  SetSlotTexts(ExerciseFont, AnswerFontSize);
}

void TfrmOvMC::FirstLetterQuestion() {
  const int w = Image1->Width(), h = Image1->Height();
  const std::string& alphabet = LangString(Text::Letters);
  const int letters = static_cast<int>(alphabet.size());
  const auto initial = [&](int p) -> std::size_t {
    const std::string& name = Pictures[At(p)].Name;
    if (name.empty()) return std::string::npos;
    return alphabet.find(tk::UpperCase(name.substr(0, 1))[0]);
  };
  PreviousPicture = PictureId;
  const int picture = FindNewPicture([&](int p) { return initial(p) != std::string::npos; });
  if (picture == 0) {
    BlankQuestion();
    return;
  }
  PictureId = picture;
  const int position = static_cast<int>(initial(PictureId)) + 1;
  PickDistinctRandom(&AnswerValues[1], 4, position, 1, letters);
  RightSlot = RandomIn(1, 4);
  AnswerValues[At(RightSlot)] = position;

  const TPictureEntry& entry = Pictures[At(PictureId)];
  DrawTextCentred(w / 2, Trunc(h * 0.3), *Image1, GlyphText(PictureId), entry.Colour, SymbolFont, 5 * LargeFontSize);
  const std::string t = ApplyLetterCase(entry.Name);
  AnswerWord = t;
  AnswerWord[0] = tk::UpperCase(t.substr(0, 1))[0];
  std::string dashed = AnswerWord;
  dashed[0] = '-';
  // Placed so that the letters after the dash stand exactly where they stand
  // in the whole word drawn centred, as the right answer draws it.
  const int size = Trunc(LargeFontSize * 1.5);
  tk::Canvas& canvas = Image1->Canvas();
  canvas.Font = {ExerciseFont, size, 0};
  const int tw = canvas.TextWidth(AnswerWord);
  const int th = canvas.TextHeight(AnswerWord);
  const int wd = canvas.TextWidth("-");
  const int wi = canvas.TextWidth(AnswerWord.substr(0, 1));
  DrawTextAt(w / 2 - tw / 2 - (wd - wi), Trunc(h * 0.8) - th / 2, *Image1, dashed, kWhite, ExerciseFont, size);
  // The child hears the word whose first letter to find.
  SayQuestion(entry.Name);

  for (int k = 1; k <= 4; ++k) {
    const int v = AnswerValues[At(k)];
    AnswerTexts[At(k)] = v >= 1 && v <= letters ? alphabet.substr(At(v - 1), 1) : std::string();
    AnswerColours[At(k)] = kWhite;
  }
  AnswerFont = ExerciseFont;
  AnswerFontSize = size;
}

void TfrmOvMC::PictureQuestion() {
  const int w = Image1->Width(), h = Image1->Height();
  PreviousPicture = PictureId;
  const int picture = FindNewPicture([](int p) { return !Pictures[At(p)].Name.empty(); });
  if (picture == 0) {
    BlankQuestion();
    return;
  }
  PictureId = picture;
  PickDistinctRandom(&AnswerValues[1], 4, PictureId, 1, kPictureCount);
  RightSlot = RandomIn(1, 4);
  AnswerValues[At(RightSlot)] = PictureId;
  DrawTextCentred(w / 2, Trunc(h * 0.4), *Image1, ApplyLetterCase(Pictures[At(PictureId)].Name), kWhite,
                  ExerciseFont, Trunc(LargeFontSize * 1.3));
  for (int k = 1; k <= 4; ++k) {
    const int v = AnswerValues[At(k)];
    AnswerTexts[At(k)] = v >= 1 && v <= kPictureCount ? GlyphText(v) : std::string();
    AnswerColours[At(k)] = v >= 1 && v <= kPictureCount ? Pictures[At(v)].Colour : kWhite;
  }
  AnswerFont = SymbolFont;
  AnswerFontSize = Trunc(LargeFontSize * 3.5);
}

std::string CountingWords(int picture) {
  // Where the counting form carries the whole question ("Quanti gatti") the
  // opening words are empty, and so is the blank after them.
  const std::string& opening = LangString(Text::HowMany);
  const std::string& plural = picture >= 1 && picture <= kPictureCount ? Pictures[At(picture)].PluralName : "";
  return (opening.empty() ? std::string() : opening + " ") + plural;
}

void TfrmOvMC::SayQuestion(const std::string& text) {
  if (firstQuestion_) {
    SpeakAfter(text);
  } else {
    Speak(text);
  }
}

}  // namespace tamiro
