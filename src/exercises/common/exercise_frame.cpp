#include "exercises/common/exercise_frame.h"

#include <string>

#include "content/content_tables.h"
#include "content/helpers.h"
#include "content/sound.h"
#include "toolkit/application.h"

namespace tamiro {

namespace {
constexpr const char* kClick = "KLICK3.WAV";
constexpr int kCorner = 30;  // percent of the width
constexpr int kStyle = 1;    // a grey frame
// A Start caption longer than this takes a smaller size, so that it fits.
constexpr std::size_t kLongStartCaption = 9;
}  // namespace

ExerciseFrame::ExerciseFrame(tk::Form* form, Buttons buttons, std::function<void()> newGame)
    : tk::Component(form, "ExerciseFrame"), form_(form), buttons_(buttons), newGame_(std::move(newGame)) {
  if (buttons_.help) buttons_.help->OnClick = [this] { HelpClick(); };
  if (buttons_.exit) buttons_.exit->OnClick = [this] { ExitClick(); };
  if (buttons_.start) buttons_.start->OnClick = [this] { StartClick(); };
}

void ExerciseFrame::DrawButtons() {
  const auto face = [](tk::Image* image, const std::string& caption, int size) {
    if (image) DrawButtonFace(*image, caption, tk::colours::kWhite, ExerciseFont, size, kCorner, kStyle);
  };
  face(buttons_.help, LangString(Text::Help), buttons_.largeHelp ? 2 * ButtonFontSize : ButtonFontSize);
  face(buttons_.exit, LangString(Text::Exit), ButtonFontSize);
  const std::string& start = LangString(Text::Start);
  face(buttons_.start, start, start.size() > kLongStartCaption ? ButtonFontSize - 3 : ButtonFontSize);
}

void ExerciseFrame::ShowScore(int score) {
  tk::Image* box = buttons_.score;
  if (!box) return;
  FillBlack(*box);
  DrawTextCentred(box->Width() / 2, box->Height() / 2, *box, std::to_string(score), tk::colours::kWhite, ExerciseFont,
                  LargeFontSize / 2);
}

void ExerciseFrame::HelpClick() {
  PlaySound(kClick);
  tk::Application::Instance().ShowHelp(form_->HelpContext);
}

void ExerciseFrame::ExitClick() {
  PlaySound(kClick);
  form_->Release();
}

void ExerciseFrame::StartClick() {
  PlaySound(kClick);
  if (newGame_) newGame_();
}

}  // namespace tamiro
