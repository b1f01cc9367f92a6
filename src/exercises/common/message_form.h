#pragma once
// The message form: a small modal question with two captioned buttons, in
// screen pixels as designed (never scaled or translated), centred on the
// screen. All its texts come from the caller.

#include <string>

#include "toolkit/forms.h"

namespace tamiro {

class TfrmMessage : public tk::Form {
 public:
  explicit TfrmMessage(tk::Component* owner);
  ~TfrmMessage() override;

  void imgKnapp1Click();
  void imgKnapp2Click();
  // Puts the message and both button faces on the form (ShowMessageForm
  // does this before it shows the form).
  void Prepare(const std::string& text, const std::string& caption1, const std::string& caption2);

  tk::Shape* Shape1;
  tk::Label* lblText;
  tk::Image* imgKnapp1;
  tk::Image* imgKnapp2;
};

extern TfrmMessage* frmMessage;

// Asks the question on the message form, modally: 1 when the first button
// was chosen, 2 when the second was or the form was closed otherwise
// (Escape, the desktop's close command). Timers and other events go on
// while it waits; the forms beneath take no input.
int ShowMessageForm(const std::string& text, const std::string& caption1, const std::string& caption2);

}  // namespace tamiro
