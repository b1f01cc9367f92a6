#include "content/message_form.h"

namespace tamiro {

TfrmMessage* frmMessage = nullptr;

TfrmMessage::TfrmMessage(tk::Component* owner) : tk::Form(owner, "frmMessage", 415, 219) {
  Tag = 26;
  Color = 0x000000;
  CentreOnScreen();
}

TfrmMessage::~TfrmMessage() {
  if (frmMessage == this) frmMessage = nullptr;
}

}  // namespace tamiro
