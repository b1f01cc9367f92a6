#pragma once
// The application: its title and help file, the one full-screen window that
// holds every form as a layer, the message loop, the active form, and the
// standard error handler at the boundary of every event.

#include <QPoint>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

namespace tk {

class Form;

class Application {
 public:
  static Application& Instance();

  std::string Title = "";     // UTF-8; the caption of error boxes
  // Sets the title, which also names the window and the program on the
  // desktop (taskbar, window switcher).
  void SetTitle(const std::string& title);
  std::string HelpFile = "";  // path of the help file

  // Forms owned by the application, destroyed at the end in reverse order.
  // The first one added is the main form: closing it ends the program.
  void AddForm(Form* form);
  Form* MainForm() const { return mainForm_; }

  // The full-screen, borderless window that holds the forms.
  QWidget* Window();

  // Shows the main form and runs the message loop until the main form
  // closes. Returns the exit code.
  int Run();
  // Runs once the main form is first on the screen: work that the first
  // frame need not wait for.
  std::function<void()> OnFirstShown;
  void Terminate();
  // From now on SIGTERM, SIGINT and SIGHUP end the program as Terminate
  // does, from the event loop: the handler only writes to a pipe that the
  // loop watches. Call once, after the QApplication exists.
  void TerminateOnSignals();
  bool Terminated() const { return terminated_; }

  // Lets pending events be handled now; handlers may run nested inside the
  // caller.
  static void ProcessMessages();

  // Runs a handler of a form (or of no form) at the event boundary: an
  // exception that leaves it is shown in the error box and goes no further.
  // Events of a released form are dropped.
  // The handler runs from a copy of its own, so that it may replace the
  // event's handler while it runs.
  void Dispatch(Form* form, std::function<void()> handler);
  // How many handlers are under way (more than one when events are handled
  // in the middle of a handler, or under a modal showing).
  int HandlersRunning() const { return handlersRunning_; }
  void ShowException(const std::string& message);

  // Forms in layer order, bottom first (visible or not).
  const std::vector<Form*>& Layers() const { return layers_; }
  // The active form: the topmost visible form of the program, overlays (the
  // help layer) not counted. Activation moves only between these forms.
  Form* ActiveForm() const { return active_; }
  // Where typed keys go: the topmost visible form, overlay or not.
  Form* InputForm() const;
  // True when a modal form lies over the form.
  bool IsBlocked(const Form* form) const;

  // Help: the help key opens the active form's help context through this
  // viewer; nothing happens until one is set.
  std::function<void(int context)> HelpViewer;
  void ShowHelp(int context);

  // Destroys every form (called at the end of Run; tests call it between
  // cases).
  void DestroyForms();
  // Destroys every form and the window; call before the QApplication ends.
  void Shutdown();

 private:
  friend class Form;
  friend class InputFilter;
  // Input seen before any widget of the window takes it: the close keys, and
  // the presses of a double click whose first click changed the top form.
  bool FilterInput(QObject* target, QEvent* event);
  bool HoldsBackPress(QEvent* press);
  bool OwnsWidget(const QObject* object) const;
  void BringToTop(Form* form);
  void RemoveLayer(Form* form);
  void UpdateActiveForm();
  Form* mainForm_ = nullptr;
  std::vector<Form*> appForms_;
  std::vector<Form*> layers_;
  Form* active_ = nullptr;
  QWidget* window_ = nullptr;
  bool terminated_ = false;
  int activationDepth_ = 0;
  bool destroying_ = false;
  int handlersRunning_ = 0;
  // The last press that reached the window: when, where, and the form that
  // was on top as it came.
  struct Press {
    bool seen = false;
    quint64 time = 0;
    QPoint at;
    QPointer<QWidget> top;
  };
  Press lastPress_;
  bool holdRelease_ = false;
};

}  // namespace tk
