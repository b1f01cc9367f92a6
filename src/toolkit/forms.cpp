#include "toolkit/forms.h"

#include <QEvent>
#include <QEventLoop>
#include <QFile>
#include <QFontMetrics>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QSvgRenderer>
#include <QTimer>
#include <QToolTip>
#include <algorithm>
#include <cmath>

#include "toolkit/application.h"
#include "toolkit/code_page.h"

namespace tk {

// ---- Component --------------------------------------------------------------

Component::Component(Component* owner, std::string name) : owner_(owner), name_(std::move(name)) {
  if (owner_) owner_->components_.push_back(this);
}

Component::~Component() {
  destroying_ = true;
  // Owned components go first, the last created first.
  while (!components_.empty()) {
    Component* child = components_.back();
    components_.pop_back();
    child->owner_ = nullptr;
    delete child;
  }
  if (owner_) owner_->Detach(this);
}

void Component::Detach(Component* child) {
  if (destroying_) return;
  components_.erase(std::remove(components_.begin(), components_.end(), child), components_.end());
}

Form* Component::OwnerForm() {
  for (Component* c = this; c; c = c->owner_)
    if (auto* form = dynamic_cast<Form*>(c)) return form;
  return nullptr;
}

// ---- Control ----------------------------------------------------------------

Control::Control(Form* owner, std::string name, int left, int top, int width, int height)
    : Component(owner, std::move(name)), left_(left), top_(top), width_(width), height_(height) {}

void Control::SetBounds(int left, int top, int width, int height) {
  const QRect old = BoundsRect();
  left_ = left;
  top_ = top;
  width_ = std::max(0, width);
  height_ = std::max(0, height);
  if (Form* form = OwnerForm()) form->MarkChanged(old.united(BoundsRect()));
}

void Control::SetVisible(bool visible) {
  if (visible_ == visible) return;
  visible_ = visible;
  Invalidate();
}

void Control::Invalidate() {
  if (Form* form = OwnerForm()) form->MarkChanged(BoundsRect());
}

// ---- Image ------------------------------------------------------------------

Image::Image(Form* owner, std::string name, int left, int top, int width, int height)
    : Control(owner, std::move(name), left, top, width, height) {}

Image::~Image() = default;

tk::Canvas& Image::Canvas() {
  if (!canvas_) {
    Form* form = OwnerForm();
    const double dpr = form ? form->devicePixelRatioF() : 1.0;
    canvas_ = std::make_unique<tk::Canvas>(Width(), Height(), dpr);
    // What is drawn repaints only the part of the control it changed.
    canvas_->OnChanged = [this](const QRect& area) {
      if (Form* f = OwnerForm(); f && Visible())
        f->MarkChanged(area.translated(Left(), Top()).intersected(BoundsRect()));
    };
  }
  return *canvas_;
}

bool Image::LoadPicture(const std::string& path) {
  QFile file(QString::fromStdString(path));
  if (!file.open(QIODevice::ReadOnly)) return false;
  SetPictureData(file.readAll());
  return !pictureData_.isEmpty();
}

void Image::SetPictureData(const QByteArray& svg) {
  // The picture is read when it is first rendered, on a worker thread when
  // it is prepared; a picture that cannot be read shows nothing.
  picture_.reset();
  pictureData_ = svg;
  pictureCache_ = QImage();
  prepared_ = {};
  Invalidate();
}

namespace {
QImage RenderPicture(QSvgRenderer& renderer, QSize pixels, double dpr) {
  QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  renderer.render(&p, QRectF(0, 0, pixels.width(), pixels.height()));
  p.end();
  image.setDevicePixelRatio(dpr);
  return image;
}

QSize PixelSize(int width, int height, double dpr) {
  return QSize(static_cast<int>(std::ceil(width * dpr)), static_cast<int>(std::ceil(height * dpr)));
}
}  // namespace

void Image::PreparePicture(int width, int height, double devicePixelRatio) {
  if (pictureData_.isEmpty() || width <= 0 || height <= 0) return;
  const QSize pixels = PixelSize(width, height, devicePixelRatio);
  // The worker renders with a renderer of its own, from its own copy of the
  // picture.
  prepared_ = std::async(std::launch::async, [data = pictureData_, pixels, devicePixelRatio] {
    QSvgRenderer renderer(data);
    return renderer.isValid() ? RenderPicture(renderer, pixels, devicePixelRatio) : QImage();
  });
}

void Image::SetBounds(int left, int top, int width, int height) {
  Control::SetBounds(left, top, width, height);
  if (canvas_) canvas_->Resize(Width(), Height());
}

const QImage& Image::Picture(double dpr) {
  static const QImage none;
  if (pictureData_.isEmpty() || Width() <= 0 || Height() <= 0) return none;
  // Vector pictures are rendered once for each size and pixel ratio.
  const QSize pixels = PixelSize(Width(), Height(), dpr);
  if (prepared_.valid()) {
    QImage ready = prepared_.get();
    if (ready.size() == pixels) pictureCache_ = std::move(ready);
  }
  if (pictureCache_.size() != pixels) {
    if (!picture_) picture_ = std::make_unique<QSvgRenderer>(pictureData_);
    if (!picture_->isValid()) {
      pictureData_.clear();
      picture_.reset();
      return none;
    }
    pictureCache_ = RenderPicture(*picture_, pixels, dpr);
  }
  return pictureCache_;
}

int Image::PictureInkLeft(int top, int bottom, double dpr) {
  const QImage& picture = Picture(dpr);
  if (picture.isNull()) return Width();
  const int from = std::max(0, static_cast<int>(top * dpr));
  const int to = std::min(picture.height(), static_cast<int>(std::ceil(bottom * dpr)));
  int left = picture.width();
  for (int y = from; y < to; ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
    for (int x = 0; x < left; ++x) {
      if (qAlpha(line[x]) > 32) {
        left = x;
        break;
      }
    }
  }
  return left >= picture.width() ? Width() : static_cast<int>(left / dpr);
}

void Image::Paint(QPainter& painter) {
  if (canvas_) canvas_->PaintTo(painter, Left(), Top());
  const QImage& picture = Picture(painter.device() ? painter.device()->devicePixelRatioF() : 1.0);
  if (!picture.isNull()) painter.drawImage(QPoint(Left(), Top()), picture);
}

// ---- Label ------------------------------------------------------------------

Label::Label(Form* owner, std::string name, int left, int top, int width, int height)
    : Control(owner, std::move(name), left, top, width, height) {}

QString Label::ShownText() const {
  QString text = DisplayText(Caption, Font.Name);
  text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  return text;
}

int Label::TextFlags() const {
  const int flags = Qt::AlignTop | Qt::TextDontClip;
  return flags | (Align == Alignment::Right    ? Qt::AlignRight
                  : Align == Alignment::Center ? Qt::AlignHCenter
                                               : Qt::AlignLeft);
}

QRect Label::CaptionRect() const {
  return QFontMetrics(ToQFont(Font)).boundingRect(BoundsRect(), TextFlags(), ShownText());
}

void Label::Paint(QPainter& painter) {
  const QRect r = BoundsRect();
  painter.save();
  painter.setClipRect(r);
  if (!Transparent) painter.fillRect(r, ToQColor(Color));
  painter.setFont(ToQFont(Font));
  painter.setPen(ToQColor(FontColour));
  painter.setRenderHint(QPainter::TextAntialiasing);
  painter.drawText(r, TextFlags(), ShownText());
  painter.restore();
}

// ---- Shape ------------------------------------------------------------------

Shape::Shape(Form* owner, std::string name, int left, int top, int width, int height)
    : Control(owner, std::move(name), left, top, width, height) {
  Brush.Color = 0xFFFFFF;
}

void Shape::Paint(QPainter& painter) {
  const int pw = Pen.None ? 0 : std::max(0, Pen.Width);
  int x = pw / 2, y = x;
  int w = Width() - pw + 1, h = Height() - pw + 1;
  if (pw == 0) {
    --w;
    --h;
  }
  const int s = std::min(w, h);
  if (Type == ShapeType::Circle) {
    x += (w - s) / 2;
    y += (h - s) / 2;
    w = h = s;
  }
  painter.save();
  painter.translate(Left(), Top());
  if (pw > 0) {
    QPen pen(ToQColor(Pen.Color), pw);
    pen.setJoinStyle(Qt::MiterJoin);
    painter.setPen(pen);
  } else {
    painter.setPen(Qt::NoPen);
  }
  painter.setBrush(Brush.Clear ? QBrush(Qt::NoBrush) : QBrush(ToQColor(Brush.Color)));
  // With a pen, the path runs through the pen's centre, one pixel inside the
  // figure's far edges; without one, the filled area is the figure itself.
  const QRectF figure = pw > 0 ? QRectF(x, y, std::max(0, w - 1), std::max(0, h - 1))
                               : QRectF(x, y, std::max(0, w), std::max(0, h));
  switch (Type) {
    case ShapeType::Rectangle:
      painter.drawRect(figure);
      break;
    case ShapeType::RoundRect: {
      painter.setRenderHint(QPainter::Antialiasing);
      const double corner = (s / 4) / 2.0;
      painter.drawRoundedRect(figure, corner, corner);
      break;
    }
    case ShapeType::Circle:
    case ShapeType::Ellipse:
      painter.setRenderHint(QPainter::Antialiasing);
      painter.drawEllipse(figure);
      break;
  }
  painter.restore();
}

// ---- Timer ------------------------------------------------------------------

namespace {
bool g_testClock = false;
long long g_testNow = 0;
std::vector<Timer*>& AllTimers() {
  static std::vector<Timer*> timers;
  return timers;
}
}  // namespace

Timer::Timer(Component* owner, std::string name)
    : Component(owner, std::move(name)), timer_(std::make_unique<QTimer>()) {
  QObject::connect(timer_.get(), &QTimer::timeout, [this] { Fire(); });
  AllTimers().push_back(this);
  Restart();
}

Timer::~Timer() {
  timer_->stop();
  auto& all = AllTimers();
  all.erase(std::remove(all.begin(), all.end(), this), all.end());
}

void Timer::Fire() {
  Form* form = OwnerForm();
  if (form && form->Released()) return;
  if (OnTimer) Application::Instance().Dispatch(form, OnTimer);
}

void SetTestClockForTimers(bool on) {
  g_testClock = on;
  g_testNow = 0;
}

void AdvanceTimers(int milliseconds) {
  const long long until = g_testNow + std::max(0, milliseconds);
  // Each tick moves its timer's next tick on by at least a millisecond, so
  // the loop ends; timers made or destroyed by a tick are seen at once.
  for (;;) {
    Timer* next = nullptr;
    for (Timer* timer : AllTimers())
      if (timer->due_ >= 0 && timer->due_ <= until && (!next || timer->due_ < next->due_)) next = timer;
    if (!next) break;
    g_testNow = next->due_;
    next->due_ += next->interval_;
    next->Fire();
  }
  g_testNow = until;
}

void Timer::SetInterval(int milliseconds) {
  // The same interval again leaves a running timer alone.
  if (interval_ == milliseconds) return;
  interval_ = milliseconds;
  Restart();
}

void Timer::SetEnabled(bool enabled) {
  if (enabled_ == enabled) return;
  enabled_ = enabled;
  Restart();
}

int Timer::RemainingTime() const {
  if (g_testClock) return due_ >= 0 ? static_cast<int>(due_ - g_testNow) : -1;
  return timer_->isActive() ? timer_->remainingTime() : -1;
}

void Timer::Restart() {
  timer_->stop();
  due_ = -1;
  if (!enabled_ || interval_ <= 0) return;
  if (g_testClock) due_ = g_testNow + interval_;
  else timer_->start(interval_);
}

// ---- Form -------------------------------------------------------------------

namespace {
// The keyboard focus follows the top layer: it goes to the first control
// there that the Tab key stops at, or to the window, which hands typed keys
// to the active form. Forms without such controls leave it with the window.
void SettleFocus() {
  auto& app = Application::Instance();
  QWidget* window = app.Window();
  Form* top = nullptr;
  for (auto it = app.Layers().rbegin(); it != app.Layers().rend(); ++it)
    if ((*it)->Visible() && !(*it)->Released()) {
      top = *it;
      break;
    }
  QWidget* current = window->focusWidget();
  if (top && current && top->isAncestorOf(current)) return;
  QWidget* wanted = window;
  if (top) {
    const QList<QWidget*> stops = top->TabStops();
    if (!stops.isEmpty()) wanted = stops.first();
  }
  if (current != wanted) wanted->setFocus(Qt::OtherFocusReason);
}
}  // namespace

Form::Form(Component* owner, std::string name, int width, int height)
    : QWidget(Application::Instance().Window()), Component(owner, std::move(name)) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(false);
  resize(width, height);
  QWidget::hide();
  Application::Instance().layers_.push_back(this);
}

Form::~Form() {
  // Destroy the controls while the form is still whole.
  while (!Components().empty()) {
    Component* child = Components().back();
    delete child;
  }
  Application::Instance().RemoveLayer(this);
  SettleFocus();
}

void Form::SetWidth(int v) { resize(v, height()); }
void Form::SetHeight(int v) { resize(width(), v); }

void Form::CentreOnScreen() {
  if (QWidget* w = parentWidget()) move((w->width() - width()) / 2, (w->height() - height()) / 2);
}

tk::Canvas& Form::Canvas() {
  if (!surface_) {
    surface_ = std::make_unique<tk::Canvas>(width(), height(), devicePixelRatioF());
    surface_->OnChanged = [this](const QRect& area) { MarkChanged(area); };
  }
  return *surface_;
}

void Form::MarkChanged(const QRect& area) {
  // A hidden form is painted whole when it shows.
  if (!isVisible()) return;
  changed_ += area;
  update(area);
}

void Form::PaintChanges() {
  if (!changed_.isEmpty()) repaint(changed_);
}

void Form::resizeEvent(QResizeEvent*) {
  if (surface_) surface_->Resize(width(), height());
}

void Form::Show() {
  if (released_) return;
  auto& app = Application::Instance();
  const bool wasVisible = shown_;
  shown_ = true;
  app.BringToTop(this);
  QWidget::show();
  raise();
  if (!wasVisible && OnShow) app.Dispatch(this, OnShow);
  app.UpdateActiveForm();
  SettleFocus();
}

void Form::Hide() {
  if (!shown_) return;
  shown_ = false;
  QWidget::hide();
  Application::Instance().UpdateActiveForm();
  SettleFocus();
}

int Form::ShowModal() {
  modalResult_ = mrNone;
  modal_ = true;
  Show();
  // The nested loop ends when a result is set, the form is released or the
  // program ends (each of them wakes it up).
  QEventLoop loop;
  modalLoop_ = &loop;
  while (!ModalShowingEnds()) loop.exec();
  modalLoop_ = nullptr;
  modal_ = false;
  Hide();
  const int result = modalResult_ == mrNone ? mrCancel : modalResult_;
  return result;
}

bool Form::ModalShowingEnds() const {
  return modalResult_ != mrNone || released_ || Application::Instance().Terminated();
}

void Form::WakeModalLoop() {
  if (modalLoop_) modalLoop_->quit();
}

void Form::SetModalResult(int result) {
  modalResult_ = result;
  WakeModalLoop();
}

void Form::Close() {
  auto& app = Application::Instance();
  if (CanClose && !CanClose()) return;
  if (this == app.MainForm()) {
    app.Terminate();
    return;
  }
  if (modal_) {
    if (modalResult_ == mrNone) SetModalResult(mrCancel);
    return;  // ShowModal hides the form
  }
  Hide();
  if (FreeOnClose) Release();
}

void Form::Release() {
  if (released_) return;
  released_ = true;
  WakeModalLoop();
  ScheduleDestroy();
  SettleFocus();
}

void Form::ScheduleDestroy(int delay) {
  // Code still running on this form (a handler that lets events be
  // processed in the middle of its work) must finish before it goes away;
  // until then the form looks again every few milliseconds.
  QTimer::singleShot(delay, this, [this] {
    if (busy_ > 0) {
      ScheduleDestroy(10);
      return;
    }
    delete this;
  });
}

FormBusy::FormBusy(Form* form) : form_(form) {
  if (form_) ++form_->busy_;
}

FormBusy::~FormBusy() {
  if (form_) --form_->busy_;
}

Control* Form::ControlAt(int x, int y) const {
  const auto& list = Components();
  for (auto it = list.rbegin(); it != list.rend(); ++it) {
    auto* control = dynamic_cast<Control*>(*it);
    if (!control || !control->Visible() || !control->Enabled) continue;
    if (control->BoundsRect().contains(x, y)) return control;
  }
  return nullptr;
}

QList<QWidget*> Form::TabStops() const {
  QList<QWidget*> stops;
  for (QWidget* w : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
    if ((w->focusPolicy() & Qt::TabFocus) && w->isVisibleTo(this) && w->isEnabled()) stops << w;
  return stops;
}

bool Form::focusNextPrevChild(bool next) {
  const QList<QWidget*> stops = TabStops();
  if (stops.isEmpty() || !isVisible()) return QWidget::focusNextPrevChild(next);
  const int n = static_cast<int>(stops.size());
  const int i = static_cast<int>(stops.indexOf(window()->focusWidget()));
  const int j = i < 0 ? (next ? 0 : n - 1) : (i + (next ? 1 : n - 1)) % n;
  stops[j]->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
  return true;
}

static int ShiftOf(Qt::KeyboardModifiers mods, Qt::MouseButtons buttons) {
  int shift = 0;
  if (mods & Qt::ShiftModifier) shift |= ssShift;
  if (mods & Qt::AltModifier) shift |= ssAlt;
  if (mods & Qt::ControlModifier) shift |= ssCtrl;
  if (buttons & Qt::LeftButton) shift |= ssLeft;
  if (buttons & Qt::RightButton) shift |= ssRight;
  if (buttons & Qt::MiddleButton) shift |= ssMiddle;
  return shift;
}

static MouseButton ButtonOf(Qt::MouseButton b) {
  return b == Qt::RightButton ? MouseButton::Right : b == Qt::MiddleButton ? MouseButton::Middle : MouseButton::Left;
}

void Form::DeliverMouseDown(MouseButton button, int shift, int x, int y) {
  auto& app = Application::Instance();
  if (released_ || !enabled_ || app.IsBlocked(this)) return;
  Control* control = ControlAt(x, y);
  pressed_ = control;
  pressedForm_ = control == nullptr;
  pressedButton_ = button;
  if (control) {
    if (control->OnMouseDown) {
      auto handler = control->OnMouseDown;
      app.Dispatch(this, [&] { handler(button, shift, x - control->Left(), y - control->Top()); });
    }
  } else if (OnMouseDown) {
    auto handler = OnMouseDown;
    app.Dispatch(this, [&] { handler(button, shift, x, y); });
  }
}

void Form::DeliverMouseUp(MouseButton button, int, int x, int y) {
  auto& app = Application::Instance();
  Control* pressed = pressed_;
  const bool pressedForm = pressedForm_;
  const MouseButton pressedButton = pressedButton_;
  pressed_ = nullptr;
  pressedForm_ = false;
  if (released_ || !enabled_ || app.IsBlocked(this)) return;
  // Clicks are made with the left button, as everywhere on the desktop.
  if (button != MouseButton::Left || pressedButton != MouseButton::Left) return;
  // A click is a press and a release on the same control, which must still
  // exist (the press handler may have changed the form).
  if (pressed) {
    const auto& list = Components();
    if (std::find(list.begin(), list.end(), pressed) == list.end()) return;
    if (pressed->Visible() && pressed->BoundsRect().contains(x, y) && pressed->OnClick) {
      auto handler = pressed->OnClick;
      app.Dispatch(this, handler);
    }
  } else if (pressedForm && ControlAt(x, y) == nullptr && OnClick) {
    auto handler = OnClick;
    app.Dispatch(this, handler);
  }
}

// A key goes to its handler (a copy: the handler may change the form) unless
// the form takes no input now.
template <class Key>
static void DeliverTo(Form* form, bool takesInput, const std::function<void(Key)>& handler, Key key) {
  auto& app = Application::Instance();
  if (!takesInput || app.IsBlocked(form) || !handler) return;
  auto copy = handler;
  app.Dispatch(form, [&] { copy(key); });
}

void Form::DeliverKey(char key) { DeliverTo(this, !released_ && enabled_, OnKeyPress, key); }

void Form::DeliverKeyDown(int key) { DeliverTo(this, !released_ && enabled_, OnKeyDown, key); }

void Form::mousePressEvent(QMouseEvent* event) {
  const QPoint p = event->position().toPoint();
  DeliverMouseDown(ButtonOf(event->button()), ShiftOf(event->modifiers(), event->buttons()), p.x(), p.y());
}

void Form::mouseReleaseEvent(QMouseEvent* event) {
  const QPoint p = event->position().toPoint();
  DeliverMouseUp(ButtonOf(event->button()), ShiftOf(event->modifiers(), event->buttons()), p.x(), p.y());
}

bool Form::event(QEvent* event) {
  if (event->type() == QEvent::ToolTip) {
    auto* help = static_cast<QHelpEvent*>(event);
    const QPoint p = help->pos();
    Control* control = nullptr;
    for (auto it = Components().rbegin(); it != Components().rend(); ++it) {
      auto* c = dynamic_cast<Control*>(*it);
      if (c && c->Visible() && c->BoundsRect().contains(p)) {
        control = c;
        break;
      }
    }
    if (control && !control->Hint.empty()) QToolTip::showText(help->globalPos(), QString::fromStdString(control->Hint), this);
    else QToolTip::hideText();
    return true;
  }
  return QWidget::event(event);
}

void Form::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  const QRect dirty = event->rect();
  changed_ -= event->region();
  painter.fillRect(dirty, ToQColor(Color));
  if (surface_) surface_->PaintTo(painter, 0, 0, dirty);
  // Only the controls that lie in the part to repaint.
  for (Component* c : Components()) {
    auto* control = dynamic_cast<Control*>(c);
    if (control && control->Visible() && control->BoundsRect().intersects(dirty)) control->Paint(painter);
  }
}

void RunCreateHandler(Form* form) {
  if (form->OnCreate) Application::Instance().Dispatch(form, form->OnCreate);
}

}  // namespace tk
