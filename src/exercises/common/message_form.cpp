#include "exercises/common/message_form.h"

#include "content/content_tables.h"
#include "content/helpers.h"
#include "content/sound.h"

namespace tamiro {

TfrmMessage* frmMessage = nullptr;

using namespace tk::colours;

namespace {
constexpr char kEscape = 27;
constexpr int kButtonFontSize = 16;  // the form is not scaled, nor are its sizes
}  // namespace

TfrmMessage::TfrmMessage(tk::Component* owner) : tk::Form(owner, "frmMessage", 415, 219) {
  Tag = 26;
  Color = 0x000000;
  Shape1 = new tk::Shape(this, "Shape1", 0, 0, 413, 217);
  Shape1->Brush.Clear = true;
  Shape1->Pen = {kWhite, 3, false};
  lblText = new tk::Label(this, "lblText", 12, 8, 389, 129);
  lblText->Font = {"Tamiro3", 18, 0};  // 24-pixel letters, whatever the language
  lblText->FontColour = kWhite;
  lblText->Align = tk::Alignment::Center;
  imgKnapp1 = new tk::Image(this, "imgKnapp1", 16, 140, 185, 57);
  imgKnapp2 = new tk::Image(this, "imgKnapp2", 216, 140, 181, 57);
  imgKnapp1->OnClick = [this] { imgKnapp1Click(); };
  imgKnapp2->OnClick = [this] { imgKnapp2Click(); };
  // Escape answers as the second button does, like the close command.
  OnKeyPress = [this](char key) {
    if (key == kEscape) imgKnapp2Click();
  };
  CentreOnScreen();
}

TfrmMessage::~TfrmMessage() {
  if (frmMessage == this) frmMessage = nullptr;
}

void TfrmMessage::imgKnapp1Click() { SetModalResult(1); }

void TfrmMessage::imgKnapp2Click() { SetModalResult(2); }

void TfrmMessage::Prepare(const std::string& text, const std::string& caption1, const std::string& caption2) {
  Color = 0x000000;
  CentreOnScreen();
  update();
  lblText->Caption = text;
  lblText->Invalidate();
  DrawButtonFace(*imgKnapp1, caption1, kWhite, ExerciseFont, kButtonFontSize, 30, 1);
  DrawButtonFace(*imgKnapp2, caption2, kWhite, ExerciseFont, kButtonFontSize, 30, 1);
}

int ShowMessageForm(const std::string& text, const std::string& caption1, const std::string& caption2) {
  if (!frmMessage) return 2;
  frmMessage->Prepare(text, caption1, caption2);
  // A child who cannot read yet hears the question.
  Speak(text);
  return frmMessage->ShowModal() == 1 ? 1 : 2;
}

}  // namespace tamiro
