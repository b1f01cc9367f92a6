#include "toolkit/application.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <algorithm>
#include <exception>

#include "toolkit/code_page.h"
#include "toolkit/forms.h"
#include "toolkit/platform.h"

namespace tk {
namespace {

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
    if (event->key() == Qt::Key_F4 && (event->modifiers() & Qt::AltModifier)) {
      CloseRequest(form);
      return;
    }
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

 private:
  // The desktop's close command closes the form on top: an overlay goes
  // away, any other form closes as its Close says.
  static void CloseRequest(Form* form) {
    if (form->Overlay) {
      form->Release();
      return;
    }
    Application::Instance().Dispatch(form, [form] { form->Close(); });
  }
};

}  // namespace

Application& Application::Instance() {
  static Application app;
  return app;
}

QWidget* Application::Window() {
  if (!window_) window_ = new MainWindow();
  return window_;
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
  window->showFullScreen();
  window->activateWindow();
  window->setFocus();
  if (mainForm_ && !terminated_) mainForm_->Show();
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
