#pragma once
// Forms and their components.
//
// Every component has an owner, a name and a tag; an owner keeps its
// components in ownership (creation) order and destroys them with itself.
// A form is a layer of the program's one full-screen window: forms shown
// later lie over earlier ones, and a modal form blocks every layer beneath
// it. Controls (images, labels, shapes) are drawn by their form in ownership
// order, so a control created later lies over earlier ones.
//
// Every event reaches the program through Application::Dispatch, which shows
// an exception that leaves a handler in the standard error box and goes on.

#include <QWidget>
#include <functional>
#include <future>
#include <memory>
#include <string>
#include <vector>

#include "toolkit/canvas.h"

class QEventLoop;
class QSvgRenderer;
class QTimer;

namespace tk {

class Form;

enum class MouseButton { Left, Right, Middle };
enum ShiftState : int { ssShift = 1, ssAlt = 2, ssCtrl = 4, ssLeft = 8, ssRight = 16, ssMiddle = 32 };

using MouseHandler = std::function<void(MouseButton button, int shift, int x, int y)>;
using NotifyHandler = std::function<void()>;

class Component {
 public:
  Component(Component* owner, std::string name);
  virtual ~Component();
  Component(const Component&) = delete;
  Component& operator=(const Component&) = delete;

  Component* Owner() const { return owner_; }
  const std::string& Name() const { return name_; }
  // Owned components, in the order they were created.
  const std::vector<Component*>& Components() const { return components_; }
  // The form this component belongs to (itself for a form).
  Form* OwnerForm();

  int Tag = 0;

 private:
  friend class Form;
  void Detach(Component* child);
  Component* owner_;
  std::string name_;
  std::vector<Component*> components_;
  bool destroying_ = false;
};

// A visible component of a form, with a rectangle in its form's pixels.
class Control : public Component {
 public:
  Control(Form* owner, std::string name, int left, int top, int width, int height);

  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  void SetLeft(int v) { SetBounds(v, top_, width_, height_); }
  void SetTop(int v) { SetBounds(left_, v, width_, height_); }
  void SetWidth(int v) { SetBounds(left_, top_, v, height_); }
  void SetHeight(int v) { SetBounds(left_, top_, width_, v); }
  virtual void SetBounds(int left, int top, int width, int height);
  QRect BoundsRect() const { return QRect(left_, top_, width_, height_); }

  bool Visible() const { return visible_; }
  virtual void SetVisible(bool visible);
  // A disabled control takes no mouse input: the press goes to what lies
  // beneath it, or to the form.
  bool Enabled = true;

  MouseHandler OnMouseDown;
  NotifyHandler OnClick;  // a left-button press and release on the control

  // Hints are shown on hover by the toolkit (plain UTF-8 text).
  std::string Hint;

  virtual void Paint(QPainter& painter) = 0;
  // Repaints the control's rectangle (after drawing on it).
  void Invalidate();

 private:
  int left_, top_, width_, height_;
  bool visible_ = true;
};

// An image control: a canvas of the control's size that keeps its pixels, or
// a vector picture stretched to the control.
class Image : public Control {
 public:
  Image(Form* owner, std::string name, int left, int top, int width, int height);
  ~Image() override;

  // The canvas, created at the control's current size at first use; it
  // follows later size changes and keeps what it holds.
  tk::Canvas& Canvas();
  // Shows a vector picture (SVG), stretched to the control, over the canvas.
  // LoadPicture is false for a file that cannot be read; a file that is no
  // picture shows nothing.
  bool LoadPicture(const std::string& path);
  void SetPictureData(const QByteArray& svg);
  // Starts rendering the picture for a size the control is about to take, on
  // a worker thread, so that its first painting finds it ready.
  void PreparePicture(int width, int height, double devicePixelRatio);

  // The leftmost column, in the control's pixels, where the picture as
  // painted at this pixel ratio has ink between rows top and bottom; the
  // control's width where it has none there.
  int PictureInkLeft(int top, int bottom, double devicePixelRatio);

  void SetBounds(int left, int top, int width, int height) override;
  void Paint(QPainter& painter) override;

 private:
  // The picture rendered at the control's size, empty without a picture.
  const QImage& Picture(double devicePixelRatio);

  std::unique_ptr<tk::Canvas> canvas_;
  std::unique_ptr<QSvgRenderer> picture_;
  QByteArray pictureData_;
  QImage pictureCache_;  // the picture rendered at the control's size
  std::future<QImage> prepared_;
};

enum class Alignment { Left, Right, Center };

// A label: one caption, clipped to its rectangle, never resized or wrapped by
// itself; a line break in the caption starts a new line.
class Label : public Control {
 public:
  Label(Form* owner, std::string name, int left, int top, int width, int height);

  std::string Caption;  // code-page text
  tk::Font Font;
  Colour FontColour = 0x000000;
  Alignment Align = Alignment::Left;
  bool Transparent = true;
  Colour Color = 0x000000;  // background when not transparent
  // The font stays as designed when the form takes another language's
  // fonts.
  bool FixedFont = false;

  void Paint(QPainter& painter) override;
  // Where the caption lies when painted, in the form's pixels, not clipped to
  // the label: wider or taller than the label where the caption does not fit.
  QRect CaptionRect() const;

 private:
  QString ShownText() const;
  int TextFlags() const;
};

enum class ShapeType { Rectangle, RoundRect, Circle, Ellipse };

// A shape, drawn as the platform's shape control draws it: the pen lies
// inside the rectangle; a circle's diameter is the shorter side and it sits
// centred; a rounded rectangle's corner ellipse is a quarter of the shorter
// side.
class Shape : public Control {
 public:
  Shape(Form* owner, std::string name, int left, int top, int width, int height);

  ShapeType Type = ShapeType::Rectangle;
  tk::Pen Pen;
  tk::Brush Brush;

  void Paint(QPainter& painter) override;
};

class Timer : public Component {
 public:
  Timer(Component* owner, std::string name);
  ~Timer() override;

  int Interval() const { return interval_; }
  void SetInterval(int milliseconds);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  // Milliseconds until the next tick; -1 when the timer does not run.
  int RemainingTime() const;
  NotifyHandler OnTimer;

 private:
  friend void AdvanceTimers(int milliseconds);
  void Restart();
  void Fire();
  int interval_ = 1000;
  bool enabled_ = true;
  std::unique_ptr<QTimer> timer_;
  long long due_ = -1;  // on the test clock: when the next tick is due
};

// Timers run on the system's clock. A test may run every timer on a clock of
// its own instead: from then on timers tick only when AdvanceTimers moves
// that clock on, in the order their ticks fall due, so that a run does not
// depend on how fast the machine is. Set it before any timer exists.
void SetTestClockForTimers(bool on);
// Moves the test clock on, firing every tick that falls due on the way.
void AdvanceTimers(int milliseconds);

// Modal results.
inline constexpr int mrNone = 0;
inline constexpr int mrOk = 1;
inline constexpr int mrCancel = 2;

class Form : public QWidget, public Component {
 public:
  // Forms owned by the application pass nullptr as owner.
  Form(Component* owner, std::string name, int width, int height);
  ~Form() override;

  std::string Caption;  // code-page text
  int HelpContext = 0;
  Colour Color = 0x000000;
  // An overlay (the help layer) lies over the program's forms and takes the
  // keys while it is up, but it is not one of the program's forms: its
  // coming and going activates and deactivates nothing.
  bool Overlay = false;

  int Left() const { return x(); }
  int Top() const { return y(); }
  int Width() const { return width(); }
  int Height() const { return height(); }
  int ClientWidth() const { return width(); }
  int ClientHeight() const { return height(); }
  void SetLeft(int v) { move(v, y()); }
  void SetTop(int v) { move(x(), v); }
  void SetWidth(int v);
  void SetHeight(int v);
  void CentreOnScreen();

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled) { enabled_ = enabled; }
  bool Visible() const { return shown_; }

  // Shows the form over every other, non-modally; its show handler runs, then
  // it becomes the active form.
  void Show();
  void Hide();
  // Shows the form modally: returns the modal result once it is set.
  int ShowModal();
  int ModalResult() const { return modalResult_; }
  void SetModalResult(int result);
  // Closes the form: hides it (a modal showing ends with mrCancel); closing
  // the main form ends the program. A form that frees itself on close is
  // released as well.
  void Close();
  bool FreeOnClose = false;
  // Asked before the form closes (its Close, the desktop's close request):
  // false keeps it open.
  std::function<bool()> CanClose;
  // Destroys the form once the event being handled is over; until then it
  // takes no input and its timers do not fire.
  void Release();
  bool Released() const { return released_; }

  // The form's own drawing surface, beneath its controls.
  tk::Canvas& Canvas();
  // Marks a part of the form as changed: it is repainted with the next
  // paint, or at once by PaintChanges.
  void MarkChanged(const QRect& area);
  // Paints now every part marked as changed since the form was last painted
  // there, without waiting for the event loop (a refresh in the middle of
  // a handler).
  void PaintChanges();

  NotifyHandler OnCreate;
  NotifyHandler OnShow;
  NotifyHandler OnActivate;
  NotifyHandler OnDeactivate;
  MouseHandler OnMouseDown;
  NotifyHandler OnClick;
  std::function<void(char key)> OnKeyPress;  // the typed character, code page
  // A key that types no character (the arrows, Page Up, Home...), as Qt's
  // key code.
  std::function<void(int key)> OnKeyDown;

  // The form's input controls that the Tab key stops at, in creation order.
  QList<QWidget*> TabStops() const;

  // Delivers a key typed while this form is active (the toolkit calls it).
  void DeliverKey(char key);
  void DeliverKeyDown(int key);
  // Delivers a mouse press at a point of the form (tests use it too).
  void DeliverMouseDown(MouseButton button, int shift, int x, int y);
  void DeliverMouseUp(MouseButton button, int shift, int x, int y);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  bool event(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  // Tab goes round the form's own controls that it stops at.
  bool focusNextPrevChild(bool next) override;

 private:
  friend class Application;
  friend class FormBusy;
  Control* ControlAt(int x, int y) const;
  void ScheduleDestroy(int delay = 0);
  bool ModalShowingEnds() const;
  void WakeModalLoop();
  QEventLoop* modalLoop_ = nullptr;
  std::unique_ptr<tk::Canvas> surface_;
  QRegion changed_;  // marked, not yet painted
  Control* pressed_ = nullptr;
  bool pressedForm_ = false;
  MouseButton pressedButton_ = MouseButton::Left;
  bool enabled_ = true;
  bool released_ = false;
  bool shown_ = false;
  bool modal_ = false;
  int modalResult_ = mrNone;
  int busy_ = 0;
};

// Marks a form as in use while code outside its own handlers works on it
// (the menu starting an exercise form): a release during that time waits
// until the code is done.
class FormBusy {
 public:
  explicit FormBusy(Form* form);
  ~FormBusy();
  FormBusy(const FormBusy&) = delete;
  FormBusy& operator=(const FormBusy&) = delete;

 private:
  Form* form_;
};

// Creates a form owned by owner and runs its creation handler through the
// standard error handler: a failing creation still leaves a usable form.
template <class T, class... Args>
T* CreateForm(Component* owner, Args&&... args) {
  T* form = new T(owner, std::forward<Args>(args)...);
  extern void RunCreateHandler(Form*);
  RunCreateHandler(form);
  return form;
}
void RunCreateHandler(Form* form);

}  // namespace tk
