#pragma once
// Answering the modal message form from inside its showing: once the form is
// up, the answer runs (a click, a key, a close request). A showing that the
// answer does not end is ended after two seconds with the first button, so
// that a failing test fails instead of hanging.

#include <QElapsedTimer>
#include <QTimer>
#include <functional>

#include "exercises/common/message_form.h"
#include "toolkit/forms.h"

namespace testing_support {

// A click as the user makes it: press and release at the control's centre.
inline void Click(tk::Control* control) {
  tk::Form* form = control->OwnerForm();
  const QPoint c = control->BoundsRect().center();
  form->DeliverMouseDown(tk::MouseButton::Left, 0, c.x(), c.y());
  form->DeliverMouseUp(tk::MouseButton::Left, 0, c.x(), c.y());
}

class MessageAnswer {
 public:
  explicit MessageAnswer(std::function<void()> answer) : answer_(std::move(answer)) {
    clock_.start();
    timer_.setInterval(5);
    QObject::connect(&timer_, &QTimer::timeout, [this] { Poll(); });
    timer_.start();
  }
  // The message form was shown while this answer waited.
  bool Asked() const { return asked_; }
  // The showing had to be ended by the watchdog.
  bool TimedOut() const { return timedOut_; }

 private:
  void Poll() {
    tamiro::TfrmMessage* form = tamiro::frmMessage;
    if (!form || !form->Visible()) return;
    if (!asked_) {
      asked_ = true;
      answer_();
    } else if (clock_.elapsed() > 2000) {
      timedOut_ = true;
      form->SetModalResult(1);
    }
  }
  std::function<void()> answer_;
  QTimer timer_;
  QElapsedTimer clock_;
  bool asked_ = false;
  bool timedOut_ = false;
};

}  // namespace testing_support
