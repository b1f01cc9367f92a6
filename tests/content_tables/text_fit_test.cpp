// Every text the program draws in a box of fixed width fits its box, in every
// language, on screens of each shape at a small and a large size: font sizes
// follow the screen's height while the boxes follow its width, so a caption
// that fits on a wide screen may not on a narrow one. The forms are the real
// ones, drawn as the program draws them; what they draw is measured where it
// is drawn.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <map>

#include "app/about.h"
#include "app/main_menu.h"
#include "content/content_tables.h"
#include "exercises/common/games.h"
#include "exercises/common/message_form.h"
#include "exercises/hangman/hangman_form.h"
#include "exercises/memory/memory_form.h"
#include "exercises/multiple_choice/mc_form.h"
#include "exercises/rain/rain_form.h"
#include "support/program_fixture.h"
#include "toolkit/application.h"
#include "toolkit/input_controls.h"
#include "toolkit/platform.h"

using namespace tamiro;

namespace {

// A caption may come no closer than this to the sides of its image: the
// framed buttons draw their frame two pixels in.
constexpr int kMargin = 3;

class TextFit : public testing_support::ProgramFixture {
 protected:
  void SetUp() override {
    tk::Canvas::SetTextObserver([this](const tk::Canvas& canvas, const QRect& box) { drawn[&canvas] = box; });
  }
  void TearDown() override {
    tk::Canvas::SetTextObserver(nullptr);
    ProgramFixture::TearDown();
  }

  void Fault(const std::string& where, const QRect& need, const QRect& have) {
    faults.push_back(where + ": " + std::to_string(need.width()) + " x " + std::to_string(need.height()) + " in " +
                     std::to_string(have.width()) + " x " + std::to_string(have.height()));
  }
  // The caption last drawn on the image lies within it.
  void Image(const std::string& where, tk::Image* image) {
    const auto it = drawn.find(&image->Canvas());
    if (it == drawn.end()) {
      faults.push_back(where + ": " + image->Name() + " has no caption");
      return;
    }
    const QRect inside(kMargin, 0, image->Width() - 2 * kMargin, image->Height());
    if (!inside.contains(it->second)) Fault(where + " " + image->Name(), it->second, inside);
  }
  void Label(const std::string& where, const tk::Label* label) {
    if (!label->BoundsRect().contains(label->CaptionRect()))
      Fault(where + " " + label->Name() + " \"" + label->Caption + "\"", label->CaptionRect(), label->BoundsRect());
  }
  void Labels(const std::string& where, tk::Form& form) {
    for (tk::Component* c : form.Components())
      // The pictures of the symbol font are sized to their glyphs.
      if (auto* label = dynamic_cast<tk::Label*>(c);
          label && !label->Caption.empty() && !tk::IsSymbolFontFamily(label->Font.Name))
        Label(where, label);
  }
  void Images(const std::string& where, std::initializer_list<tk::Image*> images) {
    for (tk::Image* image : images) Image(where, image);
  }
  // The mascot stands over the right ends of the lower right-hand tiles: no
  // caption runs under its ink.
  void ClearOfMascot(const std::string& where) {
    tk::Image* mascot = frmHuvudmeny->imgTamiro;
    for (const auto& [number, label] : frmHuvudmeny->lblOv) {
      const QRect caption = label->CaptionRect();
      const int top = caption.top() - mascot->Top();
      const int ink = mascot->Left() + mascot->PictureInkLeft(top, top + caption.height(), 1.0);
      if (caption.right() >= ink)
        faults.push_back(where + " " + label->Name() + " \"" + label->Caption + "\" ends at " +
                         std::to_string(caption.right()) + ", the mascot begins at " + std::to_string(ink));
    }
  }
  static void Leave(tk::Form* form) {
    form->Release();
    tk::Application::ProcessMessages();
  }

  std::map<const tk::Canvas*, QRect> drawn;
  std::vector<std::string> faults;
};

}  // namespace

TEST_F(TextFit, EveryCaptionFitsItsBoxInEveryLanguageOnScreensOfEachShape) {
  const tk::ScreenInfo screens[] = {
      {640, 480, 32},  {1600, 1200, 32},  // 4:3
      {800, 640, 32},  {1280, 1024, 32},  // 5:4, the narrowest
      {1024, 576, 32}, {3840, 2160, 32},  // 16:9, the widest
  };
  for (const tk::ScreenInfo& screen : screens) {
    tk::SetScreenOverride(screen);
    StartProgram();
    for (int language = 1; language <= kLanguageCount; ++language) {
      const std::string where = std::to_string(screen.width) + "x" + std::to_string(screen.height) + " language " +
                                std::to_string(language);
      Language = language;
      LoadLanguageStrings();
      frmHuvudmeny->Translate();
      Labels(where + " menu", *frmHuvudmeny);
      ClearOfMascot(where + " menu");

      // The arithmetic games show the heading and the level buttons.
      LaunchGame(frmHuvudmeny, 2);
      Labels(where + " sums", *frmOvMC);
      Images(where + " sums", {frmOvMC->imgHelp, frmOvMC->imgExit, frmOvMC->imgEasy, frmOvMC->imgHard});
      Leave(frmOvMC);
      LaunchGame(frmHuvudmeny, 9);
      Images(where + " rain", {frmOvRegn->imgStart, frmOvRegn->imgHelp, frmOvRegn->imgExit});
      Leave(frmOvRegn);
      LaunchGame(frmHuvudmeny, 0);
      Images(where + " hangman", {frmOvHangman->imgStart, frmOvHangman->imgHelp, frmOvHangman->imgExit});
      Leave(frmOvHangman);
      // Each board size chosen in turn: the chosen caption is drawn larger.
      for (int exercise : {7, 8}) {
        LaunchGame(frmHuvudmeny, exercise);
        TfrmOvMemory* form = frmOvMemory;
        const std::string game = where + " memory " + std::to_string(exercise);
        Images(game, {form->imgStart, form->imgHelp, form->imgExit});
        for (auto choose : {&TfrmOvMemory::imgCards1Click, &TfrmOvMemory::imgCards2Click,
                            &TfrmOvMemory::imgCards3Click}) {
          (form->*choose)();
          Images(game, {form->imgCards1, form->imgCards2, form->imgCards3});
        }
        Leave(form);
      }
      // The question before a new game: neither scaled nor translated.
      frmMessage->Prepare(LangStrings[22], LangStrings[23], LangStrings[24]);
      Labels(where + " question", *frmMessage);
      Images(where + " question", {frmMessage->imgKnapp1, frmMessage->imgKnapp2});
    }
    tk::Application::Instance().DestroyForms();
  }

  // The About window has one size and English texts.
  StartProgram();
  frmAbout->Show();
  Labels("About", *frmAbout);
  for (tk::Component* c : frmAbout->Components()) {
    if (auto* image = dynamic_cast<tk::Image*>(c)) Image("About", image);
    if (auto* box = dynamic_cast<tk::CheckBox*>(c); box && box->Box()->sizeHint().width() > box->Width())
      Fault("About " + box->Name(), QRect(QPoint(), box->Box()->sizeHint()), box->BoundsRect());
  }
  std::string all;
  for (const std::string& fault : faults) all += fault + "\n";
  EXPECT_TRUE(faults.empty()) << faults.size() << " texts do not fit:\n" << all;
}
