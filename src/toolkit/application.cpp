#include "toolkit/application.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>
#include <QStyleHints>
#include <QSocketNotifier>
#include <QWindow>
#include <algorithm>
#include <cerrno>
#include <exception>
#ifndef _WIN32
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>
#endif

#include "toolkit/code_page.h"
#include "toolkit/forms.h"
#include "toolkit/platform.h"

namespace tk {
namespace {

// The desktop's close command closes the form on top: an overlay goes away,
// any other form closes as its Close says.
void CloseRequest(Form* form) {
  if (form->Overlay) {
    form->Release();
    return;
  }
  Application::Instance().Dispatch(form, [form] { form->Close(); });
}

// The top-level window: full screen, borderless, black. Keys go to the
// active form; closing the window closes the active form.
class MainWindow : public QWidget {
 public:
  MainWindow() {
    setWindowFlag(Qt::FramelessWindowHint);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::black);
    setPalette(pal);
    setFocusPolicy(Qt::StrongFocus);
    const ScreenInfo screen = Screen();
    setGeometry(0, 0, screen.width, screen.height);
  }

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    auto& app = Application::Instance();
    Form* form = app.InputForm();
    if (!form) return;
    if (event->key() == Qt::Key_F1 && event->modifiers() == Qt::NoModifier) {
      // The help of the active form; over help, the same key closes it.
      Form* active = app.ActiveForm();
      if (active && active->HelpContext != 0) app.ShowHelp(active->HelpContext);
      return;
    }
    if (event->text().isEmpty()) form->DeliverKeyDown(event->key());
    for (QChar c : event->text()) {
      // Character keys only: printable characters and the control keys that
      // type a character (Backspace, Tab, Enter, Escape).
      const char16_t unit = c.unicode();
      if (unit < 0x20 && unit != 8 && unit != 9 && unit != 13 && unit != 27) continue;
      if (unit == 0x7F) continue;
      form->DeliverKey(static_cast<char>(FromUnicode(unit)));
      if (form->Released()) break;
    }
  }
  void closeEvent(QCloseEvent* event) override {
    event->ignore();
    if (Form* form = Application::Instance().InputForm()) CloseRequest(form);
    else Application::Instance().Terminate();
  }
};

}  // namespace

// Sees every event of the program before its receiver does.
class InputFilter : public QObject {
 public:
  using QObject::QObject;
  bool eventFilter(QObject* target, QEvent* event) override {
    return Application::Instance().FilterInput(target, event);
  }
};

Application& Application::Instance() {
  static Application app;
  return app;
}

QWidget* Application::Window() {
  if (!window_) {
    window_ = new MainWindow();
    QCoreApplication::instance()->installEventFilter(new InputFilter(window_));
  }
  return window_;
}

bool Application::OwnsWidget(const QObject* object) const {
  // The window, the controls on it and the lists that open from them.
  for (auto* w = qobject_cast<const QWidget*>(object); w; w = w->parentWidget())
    if (w == window_) return true;
  return false;
}

bool Application::FilterInput(QObject* target, QEvent* event) {
  switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
      // The window system's presses reach the window before the widget under
      // the pointer, each of them once.
      return window_ && target == window_->windowHandle() && HoldsBackPress(event);
    case QEvent::MouseButtonRelease:
      if (!window_ || target != window_->windowHandle() || !holdRelease_) return false;
      holdRelease_ = false;
      return true;
    case QEvent::KeyPress:
      break;
    default:
      return false;
  }
  // The close keys act whatever control has the focus: a control never
  // sees them, so none can keep them from the form.
  const auto* key = static_cast<QKeyEvent*>(event);
  const bool altF4 = key->key() == Qt::Key_F4 && (key->modifiers() & Qt::AltModifier);
  const bool escape = key->key() == Qt::Key_Escape;
  if ((!altF4 && !escape) || !OwnsWidget(target)) return false;
  // An open list is a window of its own. It closes on Escape before the key
  // itself arrives, so a key sent to it is its own even once it has closed.
  QWidget* list = static_cast<QWidget*>(target)->window();
  if (list == window_ || list->windowType() != Qt::Popup) list = nullptr;
  Form* form = InputForm();
  if (escape) {
    // With a list open, Escape closes the list alone, as everywhere on the
    // desktop; the next one reaches the form.
    if (list) return false;
    if (form) form->DeliverKey(27);
    return true;
  }
  if (list) list->close();
  if (form) CloseRequest(form);
  return true;
}

bool Application::HoldsBackPress(QEvent* event) {
  // Children double-click everything. When the first click of a double
  // click closes or opens a form, its second press would land on whatever
  // now lies under the pointer, so it is held back, with its release: a
  // press within the platform's double-click time and distance of the one
  // before, with another form on top than when that one came. A double
  // click within one form goes through. While quick presses go on at the
  // same place, the form on top before the change stays the one compared.
  const auto* press = static_cast<QMouseEvent*>(event);
  const quint64 time = press->timestamp();
  const QPoint at = press->globalPosition().toPoint();
  const QStyleHints* hints = QGuiApplication::styleHints();
  QWidget* top = InputForm();
  const bool soon = lastPress_.seen && time >= lastPress_.time &&
                    time - lastPress_.time <= static_cast<quint64>(hints->mouseDoubleClickInterval()) &&
                    (at - lastPress_.at).manhattanLength() <= hints->mouseDoubleClickDistance();
  lastPress_.seen = true;
  lastPress_.time = time;
  lastPress_.at = at;
  if (soon && top != lastPress_.top) {
    holdRelease_ = true;
    return true;
  }
  lastPress_.top = top;
  holdRelease_ = false;
  return false;
}

void Application::SetTitle(const std::string& title) {
  Title = title;
  Window()->setWindowTitle(QString::fromStdString(title));
  QGuiApplication::setApplicationDisplayName(QString::fromStdString(title));
}

void Application::AddForm(Form* form) {
  if (!mainForm_) mainForm_ = form;
  appForms_.push_back(form);
}

int Application::Run() {
  terminated_ = false;
  QWidget* window = Window();
  // The main form shows itself and draws what it shows before the window
  // comes on the screen, so that the first frame is the whole form, painted
  // once.
  if (mainForm_ && !terminated_) mainForm_->Show();
  window->showFullScreen();
  window->activateWindow();
  if (!window->focusWidget()) window->setFocus();
  ProcessMessages();  // the first frame
  if (OnFirstShown) OnFirstShown();
  while (!terminated_) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
  DestroyForms();
  return 0;
}

void Application::Terminate() {
  terminated_ = true;
  for (Form* form : layers_) form->WakeModalLoop();  // modal showings end too
  QCoreApplication::postEvent(QCoreApplication::instance(), new QEvent(QEvent::None));
}

#ifndef _WIN32
namespace {
int g_signalPipe[2] = {-1, -1};
void OnEndSignal(int) {
  const int saved = errno;
  const char byte = 1;
  [[maybe_unused]] const ssize_t written = ::write(g_signalPipe[1], &byte, 1);
  errno = saved;
}
}  // namespace
#endif

void Application::TerminateOnSignals() {
#ifndef _WIN32
  // Neither end is left to the programs the program starts (the browser).
  if (g_signalPipe[0] >= 0 || ::pipe(g_signalPipe) != 0) return;
  for (int fd : g_signalPipe) {
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    ::fcntl(fd, F_SETFD, ::fcntl(fd, F_GETFD) | FD_CLOEXEC);
  }
  auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, QCoreApplication::instance());
  QObject::connect(notifier, &QSocketNotifier::activated, [this] {
    char bytes[16];
    while (::read(g_signalPipe[0], bytes, sizeof bytes) > 0) {
    }
    Terminate();
  });
  struct sigaction action = {};
  action.sa_handler = OnEndSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int signal : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(signal, &action, nullptr);
#endif
}

void Application::ProcessMessages() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

void Application::Dispatch(Form* form, std::function<void()> handler) {
  if (form && form->Released()) return;
  if (form) ++form->busy_;
  ++handlersRunning_;
  try {
    handler();
  } catch (const std::exception& e) {
    ShowException(e.what());
  } catch (...) {
    ShowException("Unknown error");
  }
  --handlersRunning_;
  if (form) --form->busy_;
}

void Application::ShowException(const std::string& message) {
  std::string text = message;
  if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') text += '.';
  ShowMessageBox({text, Title, MessageIcon::Error});
}

bool Application::IsBlocked(const Form* form) const {
  auto it = std::find(layers_.begin(), layers_.end(), form);
  if (it == layers_.end()) return false;
  for (++it; it != layers_.end(); ++it)
    if ((*it)->Visible() && (*it)->modal_) return true;
  return false;
}

void Application::ShowHelp(int context) {
  if (HelpViewer) {
    auto viewer = HelpViewer;
    Dispatch(nullptr, [&] { viewer(context); });
  }
}

void Application::BringToTop(Form* form) {
  layers_.erase(std::remove(layers_.begin(), layers_.end(), form), layers_.end());
  layers_.push_back(form);
}

void Application::RemoveLayer(Form* form) {
  layers_.erase(std::remove(layers_.begin(), layers_.end(), form), layers_.end());
  appForms_.erase(std::remove(appForms_.begin(), appForms_.end(), form), appForms_.end());
  if (mainForm_ == form) mainForm_ = nullptr;
  if (active_ == form) active_ = nullptr;
  UpdateActiveForm();
}

Form* Application::InputForm() const {
  for (auto it = layers_.rbegin(); it != layers_.rend(); ++it)
    if ((*it)->Visible() && !(*it)->Released()) return *it;
  return nullptr;
}

void Application::UpdateActiveForm() {
  // Activation handlers may show or hide forms, also modally (a modal
  // showing runs its own loop inside the handler), so the update may run
  // nested inside itself; each run settles the forms as they are then. The
  // depth bound only stops handlers that would show and hide forms forever.
  if (destroying_ || activationDepth_ >= 8) return;
  ++activationDepth_;
  for (int guard = 0; guard < 16; ++guard) {
    Form* top = nullptr;
    for (auto it = layers_.rbegin(); it != layers_.rend(); ++it)
      if ((*it)->Visible() && !(*it)->Released() && !(*it)->Overlay) {
        top = *it;
        break;
      }
    if (top == active_) break;
    Form* old = active_;
    active_ = top;
    if (old && old->OnDeactivate) Dispatch(old, old->OnDeactivate);
    if (active_ == top && top && top->OnActivate) Dispatch(top, top->OnActivate);
  }
  --activationDepth_;
}

void Application::DestroyForms() {
  destroying_ = true;
  while (!appForms_.empty()) {
    Form* form = appForms_.back();
    appForms_.pop_back();
    delete form;
  }
  // Forms that no one owns any more (released, not yet destroyed).
  while (!layers_.empty()) {
    Form* form = layers_.back();
    layers_.pop_back();
    delete form;
  }
  mainForm_ = nullptr;
  active_ = nullptr;
  destroying_ = false;
  terminated_ = false;  // with its forms gone, the program may start again
}

void Application::Shutdown() {
  DestroyForms();
  delete window_;
  window_ = nullptr;
}

}  // namespace tk
