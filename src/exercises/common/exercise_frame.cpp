#include "exercises/common/exercise_frame.h"

#include <algorithm>
#include <string>

#include "content/content_tables.h"
#include "content/game_record.h"
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

ExerciseFrame::~ExerciseFrame() {
  // A form taken down with a game in progress (the desktop's close, the end
  // of the program): the game was left. The record is never worth a crash.
  try {
    Report(false);
  } catch (...) {
  }
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
  Report(false);
  form_->Release();
}

void ExerciseFrame::StartClick() {
  PlaySound(kClick);
  if (newGame_) newGame_();
}


void ExerciseFrame::GameBegins() {
  Report(false);
  playing_ = true;
  started_ = RecordClock();
}

void ExerciseFrame::GameEnds() { Report(true); }

void ExerciseFrame::Report(bool finished) {
  if (!playing_) return;
  playing_ = false;
  if (!report_) return;
  std::optional<GameResult> game = report_(finished);
  if (!game) return;
  game->started = started_ / 1000;
  game->seconds = static_cast<int>(std::max<std::int64_t>(0, RecordClock() - started_ + 500) / 1000);
  RecordGame(*game);
}

}  // namespace tamiro
