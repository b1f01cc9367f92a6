#pragma once
// The message form: a small modal question with two captioned buttons.

#include "toolkit/forms.h"

namespace tamiro {

class TfrmMessage : public tk::Form {
 public:
  explicit TfrmMessage(tk::Component* owner);
  ~TfrmMessage() override;
};

extern TfrmMessage* frmMessage;

}  // namespace tamiro
