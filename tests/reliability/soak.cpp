#include "reliability/soak.h"

#include <pthread.h>
#include <time.h>
#include <unistd.h>

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMetaObject>
#include <QMouseEvent>
#include <QWidget>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <random>
#include <thread>

#include "app/about.h"
#include "app/main_menu.h"
#include "app/progress_page.h"
#include "content/settings.h"
#include "app/startup.h"
#include "content/content_tables.h"
#include "content/game_record.h"
#include "exercises/hangman/hangman_form.h"
#include "exercises/memory/memory_form.h"
#include "exercises/multiple_choice/mc_form.h"
#include "exercises/rain/rain_form.h"
#include "exercises/common/message_form.h"
#include "toolkit/application.h"
#include "toolkit/code_page.h"
#include "toolkit/help_viewer.h"
#include "toolkit/media.h"
#include "toolkit/platform.h"
#include "toolkit/profile.h"

namespace reliability {
namespace {

using namespace tamiro;

// ---- The forms the run knows ---------------------------------------------
// One row per form: how its events are counted (with the exercise or board
// it shows), what must hold while it is on the screen, and how often its
// controls are aimed at (1 by default). A new form gets a row here.
struct SoakForm {
  const char* name;
  std::function<std::string()> detail;
  std::function<std::string()> check;  // "" when all is well
  std::map<std::string, double> weights;
};

bool Alive(const tk::Form* form) {
  const auto& layers = tk::Application::Instance().Layers();
  return std::find(layers.begin(), layers.end(), form) != layers.end();
}

template <class T>
std::string ReferenceAlive(T* form, const char* name) {
  return !form || Alive(form) ? "" : std::string(name) + " points to a form that is gone";
}

const std::vector<SoakForm>& Forms() {
  static const std::vector<SoakForm> forms = {
      {"frmHuvudmeny", nullptr, nullptr, {{"lblExit", 0.15}, {"lblAbout", 1.5}}},
      {"frmOvMC", [] { return "exercise " + std::to_string(mc::Exercise); },
       [] {
         for (tk::Image* image : mc::AnswerImages)
           if (image && !Alive(image->OwnerForm())) return std::string("an answer slot of a form that is gone");
         return ReferenceAlive(frmOvMC, "frmOvMC");
       },
       {{"imgExit", 0.3}, {"imgHelp", 0.3}}},
      {"frmOvRegn", [] { return "exercise " + std::to_string(rain::Exercise); },
       [] {
         if (frmOvRegn && rain::ItemCount > 0 && (rain::CurrentItem < 1 || rain::CurrentItem > rain::ItemCount + 1))
           return std::string("the falling item is out of the game");
         return ReferenceAlive(frmOvRegn, "frmOvRegn");
       },
       {{"imgExit", 0.3}, {"imgHelp", 0.3}}},
      {"frmOvHangman", nullptr,
       [] {
         if (hangman::Misses < 0 || hangman::Misses > 11) return std::string("misses out of range");
         if (hangman::ShownWord.size() != hangman::SecretWord.size()) return std::string("the shown word lost its length");
         return ReferenceAlive(frmOvHangman, "frmOvHangman");
       },
       {{"imgExit", 0.3}, {"imgHelp", 0.3}, {"imgAlpha", 4}}},
      {"frmOvMemory",
       [] { return "exercise " + std::to_string(memory::Exercise) + ", " + std::to_string(memory::CardCount) + " cards"; },
       [] {
         if (memory::MatchedCards < 0 || memory::MatchedCards > memory::CardCount) return std::string("more pairs than cards");
         return ReferenceAlive(frmOvMemory, "frmOvMemory");
       },
       {{"imgExit", 0.3}, {"imgHelp", 0.3}, {"Image1", 6}}},
      {"frmMessage", [] { return frmProgress && frmProgress->Visible() ? "clearing the record" : ""; }, nullptr, {}},
      {"frmAbout", nullptr, nullptr, {{"cboLanguage", 4}, {"imgExit", 3}, {"imgProgress", 1.5}}},
      // The progress page: its clear button often, so that the record is
      // cleared under games being recorded.
      {"frmProgress", nullptr, [] { return ReferenceAlive(frmProgress, "frmProgress"); },
       {{"imgClear", 3}, {"imgClose", 0.5}}},
      {"frmHelp", nullptr, nullptr, {}},
  };
  return forms;
}

const SoakForm* Row(const tk::Form* form) {
  if (!form) return nullptr;
  for (const SoakForm& row : Forms())
    if (form->Name() == row.name) return &row;
  return nullptr;
}

// ---- Players that play nothing, whose music can come to its end ------------
class SoakPlayer : public tk::MediaPlayer {
 public:
  void SetFileName(const std::string& path) override { file_ = path; }
  std::string FileName() const override { return file_; }
  void Open() override {
    Ended();
    std::ifstream in(file_);
    if (!in) throw tk::MediaError("cannot open " + file_);
    mode_ = tk::MediaMode::Stopped;
    position_ = 0;
  }
  void Close() override {
    Ended();
    mode_ = tk::MediaMode::NotReady;
  }
  void Play() override {
    if (mode_ == tk::MediaMode::NotReady) throw tk::MediaError("not open");
    if (mode_ != tk::MediaMode::Playing) notify_ = Notify;
    mode_ = tk::MediaMode::Playing;
  }
  void Stop() override {
    if (mode_ == tk::MediaMode::Playing) mode_ = tk::MediaMode::Stopped;
    Ended();
  }
  void Rewind() override { position_ = 0; }
  void Seek(std::int64_t position) override {
    Ended();
    position_ = position;
  }
  std::int64_t Position() const override { return position_; }
  tk::MediaMode Mode() const override { return mode_; }
  // The piece plays on for a while, or comes to its end.
  void Advance(std::int64_t ticks) {
    if (mode_ != tk::MediaMode::Playing) return;
    position_ += ticks;
  }
  void ReachEnd() {
    if (mode_ != tk::MediaMode::Playing) return;
    mode_ = tk::MediaMode::Stopped;
    Ended();
  }
  ~SoakPlayer() override { *alive_ = false; }

 private:
  // The end of a playback asked to notify is told as a queued event.
  void Ended() {
    if (!notify_) return;
    notify_ = false;
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [this, alive = alive_] {
          if (*alive && OnNotify) OnNotify();
        },
        Qt::QueuedConnection);
  }
  std::string file_;
  tk::MediaMode mode_ = tk::MediaMode::NotReady;
  std::int64_t position_ = 0;
  bool notify_ = false;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

SoakPlayer* g_music = nullptr;

// ---- Time -----------------------------------------------------------------
std::int64_t Nanoseconds(clockid_t clock) {
  timespec t{};
  clock_gettime(clock, &t);
  return static_cast<std::int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
}

long ResidentKb() {
  std::ifstream statm("/proc/self/statm");
  long pages = 0, resident = 0;
  statm >> pages >> resident;
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// ---- The driver -------------------------------------------------------------
enum class Action { Click, Press, Release, ClickAnywhere, Key, SpecialKey, Tick, ProcessEvents, CloseRequest, MusicEnds };
const char* ActionName(Action a) {
  switch (a) {
    case Action::Click: return "click on a control";
    case Action::Press: return "press";
    case Action::Release: return "release";
    case Action::ClickAnywhere: return "click anywhere";
    case Action::Key: return "typed character";
    case Action::SpecialKey: return "key";
    case Action::Tick: return "timer ticks";
    case Action::ProcessEvents: return "events handled inside a handler";
    case Action::CloseRequest: return "close request";
    case Action::MusicEnds: return "music ends";
  }
  return "";
}

constexpr QEvent::Type kStepEvent = static_cast<QEvent::Type>(QEvent::User + 71);
constexpr QEvent::Type kLaterEvent = static_cast<QEvent::Type>(QEvent::User + 72);
// Steps that may run inside the handling of another (beyond the modal
// showings, whose loops always take steps).
constexpr int kNesting = 2;

// An input that waits in the queue, like one that the window system
// delivers later: it goes where it points when it is handled.
struct LaterEvent : QEvent {
  explicit LaterEvent(std::function<void()> deliver) : QEvent(kLaterEvent), deliver(std::move(deliver)) {}
  std::function<void()> deliver;
};

class Driver : public QObject {
 public:
  Driver(std::uint64_t seed, long events) : random_(seed), limit_(events) {
    result_.seed = seed;
    mainThread_ = pthread_self();
    pthread_getcpuclockid(mainThread_, &cpuClock_);
  }

  SoakResult Run() {
    QElapsedTimer wall;
    wall.start();
    result_.residentStartKb = ResidentKb();
    Progress();
    std::thread watchdog([this] { Watch(); });
    auto& app = tk::Application::Instance();
    while (!done_) {
      ++result_.starts;
      Progress();
      CreateApplicationForms();
      if (result_.starts == 1) QCoreApplication::postEvent(this, new QEvent(kStepEvent));
      Progress();
      const long endingBefore = endingInputs_;
      app.Run();  // until the menu's Exit or the end of the run
      Progress();
      if (!done_ && endingInputs_ == endingBefore) Fail("the program ended without its Exit");
    }
    stop_ = true;
    watchdog.join();
    result_.seconds = wall.elapsed() / 1000.0;
    result_.residentEndKb = ResidentKb();
    return result_;
  }

 protected:
  void customEvent(QEvent* event) override {
    if (event->type() == kLaterEvent) {
      // An input from the queue is an event too: a modal form it opens
      // (the About window, and the progress page over it) is one of its.
      ++depth_;
      static_cast<LaterEvent*>(event)->deliver();
      --depth_;
      return;
    }
    if (event->type() == kStepEvent) Step();
  }

 private:
  // ---- one step ------------------------------------------------------------
  void Step() {
    if (done_) return;
    auto& app = tk::Application::Instance();
    if (app.Terminated() && !done_) {
      // Between the end of the program and its next start.
      QCoreApplication::postEvent(this, new QEvent(kStepEvent));
      return;
    }
    if (depth_ - VisibleModals() >= kNesting) {
      QCoreApplication::postEvent(this, new QEvent(kStepEvent));
      return;
    }
    // Between events, released forms go before the next input is chosen, so
    // that the run does not depend on how soon the event loop gets to them.
    if (app.HandlersRunning() == 0 && ReleasedFormLeft()) {
      QCoreApplication::postEvent(this, new QEvent(kStepEvent));
      return;
    }
    // A desktop gives the activation back to the program's window once an
    // open list has closed; Qt's offscreen screen leaves it with the list.
    QWidget* window = app.Window();
    if (!QApplication::activePopupWidget() && !window->isActiveWindow()) window->activateWindow();
    ++depth_;
    const long n = ++result_.events;
    current_.store(n);
    QCoreApplication::postEvent(this, new QEvent(kStepEvent));
    const std::int64_t cpu0 = Nanoseconds(cpuClock_);
    Progress();
    Count(TopForm());
    const bool wasEnding = app.Terminated();
    const long endingBefore = endingInputs_;
    const Action action = Pick();
    currentAction_.store(static_cast<int>(action));
    Deliver(action);
    if (!wasEnding && app.Terminated() && !done_) {
      if (endingInputs_ == endingBefore) Fail(std::string("the program ended after a ") + ActionName(action));
    }
    Check(action);
    // The language changes only when the About form applies a choice (or a
    // start reads the one saved then).
    if (Language != language_) {
      language_ = Language;
      ++result_.languages[Language];
    }
    const double ms = (Nanoseconds(cpuClock_) - cpu0) / 1e6;
    result_.slowestEventMs = std::max(result_.slowestEventMs, ms);
    Progress();
    --depth_;
    if (result_.events >= limit_ && !done_) {
      done_ = true;
      app.Terminate();
    }
  }

  // True while a released form waits to be destroyed.
  static bool ReleasedFormLeft() {
    for (const tk::Form* form : tk::Application::Instance().Layers())
      if (form->Released()) return true;
    return false;
  }

  static int VisibleModals() {
    int n = 0;
    for (const tk::Form* form : {static_cast<const tk::Form*>(frmMessage), static_cast<const tk::Form*>(frmAbout),
                                 static_cast<const tk::Form*>(frmProgress)})
      if (form && form->Visible()) ++n;
    return n;
  }

  void Count(const tk::Form* form) {
    if (!form) return;
    const SoakForm* row = Row(form);
    std::string key = form->Name();
    if (row && row->detail)
      if (const std::string detail = row->detail(); !detail.empty()) key += " " + detail;
    if (QApplication::activePopupWidget()) key += ", its list open";
    ++result_.visited[key];
  }

  Action Pick() {
    static const std::vector<std::pair<Action, int>> weights = {
        {Action::Click, 44}, {Action::Press, 4}, {Action::Release, 4}, {Action::ClickAnywhere, 8},
        {Action::Key, 16},   {Action::SpecialKey, 6}, {Action::Tick, 13}, {Action::ProcessEvents, 3},
        {Action::CloseRequest, 1}, {Action::MusicEnds, 1}};
    int total = 0;
    for (const auto& [a, w] : weights) total += w;
    int r = Uniform(total);
    for (const auto& [a, w] : weights) {
      if (r < w) return a;
      r -= w;
    }
    return Action::Click;
  }

  int Uniform(int n) { return n <= 1 ? 0 : static_cast<int>(random_() % static_cast<std::uint64_t>(n)); }
  bool Chance(int percent) { return Uniform(100) < percent; }

  // The topmost form that takes input: the one a child's clicks reach.
  static tk::Form* TopForm() { return tk::Application::Instance().InputForm(); }

  // A point of a visible control of the top form, chosen by the row's
  // weights; the point in the window's coordinates.
  std::optional<QPoint> ControlPoint(std::string* name) {
    tk::Form* form = TopForm();
    if (!form) return std::nullopt;
    const SoakForm* row = Row(form);
    std::vector<std::pair<tk::Control*, double>> controls;
    double total = 0;
    for (tk::Component* c : form->Components()) {
      auto* control = dynamic_cast<tk::Control*>(c);
      if (!control || !control->Visible() || control->Width() <= 0 || control->Height() <= 0) continue;
      double w = 1;
      if (row) {
        auto it = row->weights.find(control->Name());
        if (it != row->weights.end()) w = it->second;
      }
      controls.push_back({control, w});
      total += w;
    }
    if (controls.empty()) return std::nullopt;
    // By name, so that a seed takes the same walk however a form orders its
    // controls.
    std::stable_sort(controls.begin(), controls.end(),
                     [](const auto& a, const auto& b) { return a.first->Name() < b.first->Name(); });
    double r = std::uniform_real_distribution<double>(0, total)(random_);
    tk::Control* chosen = controls.back().first;
    for (const auto& [control, w] : controls) {
      if (r < w) {
        chosen = control;
        break;
      }
      r -= w;
    }
    *name = chosen->Name();
    const QRect b = chosen->BoundsRect();
    return form->pos() + QPoint(b.left() + Uniform(b.width()), b.top() + Uniform(b.height()));
  }

  // A point of the open list (mostly its rows), in the window's coordinates.
  std::optional<QPoint> ListPoint() {
    QWidget* list = QApplication::activePopupWidget();
    if (!list || list->width() <= 0 || list->height() <= 0) return std::nullopt;
    const QPoint global = list->mapToGlobal(QPoint(Uniform(list->width()), Uniform(list->height())));
    return tk::Application::Instance().Window()->mapFromGlobal(global);
  }

  QPoint AnyPoint() {
    const tk::ScreenInfo screen = tk::Screen();
    return QPoint(Uniform(screen.width), Uniform(screen.height));
  }

  Qt::MouseButton AnyButton() {
    const int r = Uniform(100);
    return r < 82 ? Qt::LeftButton : r < 96 ? Qt::RightButton : Qt::MiddleButton;
  }

  // Sends a mouse event where the point lies now, as the window system does:
  // an open list takes every press and release while it is up (one outside
  // it closes it), as its grab does on a desktop.
  static void Mouse(QEvent::Type type, QPoint at, Qt::MouseButton button) {
    QWidget* window = tk::Application::Instance().Window();
    const QPoint global = window->mapToGlobal(at);
    QWidget* top = QApplication::activePopupWidget();
    if (!top) top = window;
    const QPoint inTop = top->mapFromGlobal(global);
    QWidget* target = top->rect().contains(inTop) ? top->childAt(inTop) : nullptr;
    if (!target) target = top;
    const QPointF local = target->mapFromGlobal(QPointF(global));
    const Qt::MouseButtons buttons = type == QEvent::MouseButtonPress ? Qt::MouseButtons(button) : Qt::NoButton;
    QMouseEvent event(type, local, QPointF(global), button, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &event);
  }

  // Keys go where the window system sends them: to the open list, else to
  // the control with the focus, else to the program's window, which hands
  // them to the form on top. A control passes on the keys it leaves.
  static void Key(int key, const QString& text, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWidget* target = QApplication::activePopupWidget();
    if (!target) target = QApplication::focusWidget();
    if (!target) target = tk::Application::Instance().Window();
    QKeyEvent event(QEvent::KeyPress, key, modifiers, text);
    QCoreApplication::sendEvent(target, &event);
  }

  // Now, or later from the queue (then it may well be handled in the middle
  // of another event's handler).
  void Send(std::function<void()> deliver) {
    if (Chance(15)) QCoreApplication::postEvent(this, new LaterEvent(std::move(deliver)));
    else deliver();
  }

  // Only the menu's Exit tile, or the desktop's close while the menu is the
  // active form, may end the program. Judged when the input is handled,
  // which for an input from the queue is later than when it was sent.
  void PressAt(QPoint p, Qt::MouseButton button) {
    if (TopForm() == frmHuvudmeny && frmHuvudmeny->shpExit &&
        frmHuvudmeny->shpExit->BoundsRect().translated(frmHuvudmeny->pos()).contains(p))
      ++endingInputs_;
    Mouse(QEvent::MouseButtonPress, p, button);
  }
  void CloseNow(bool byKey) {
    // The request goes to the form on top; with none, the program ends.
    tk::Form* top = tk::Application::Instance().InputForm();
    if (!top || top == frmHuvudmeny) ++endingInputs_;
    if (byKey) {
      Key(Qt::Key_F4, QString(), Qt::AltModifier);
    } else {
      QCloseEvent close;
      QCoreApplication::sendEvent(tk::Application::Instance().Window(), &close);
    }
  }

  void Deliver(Action action) {
    switch (action) {
      case Action::Click: {
        std::string name;
        // With a list open, mostly one of its rows.
        std::optional<QPoint> at;
        if (QApplication::activePopupWidget() && Chance(85)) at = ListPoint();
        if (!at) at = ControlPoint(&name);
        if (!at) break;
        const Qt::MouseButton button = AnyButton();
        const QPoint p = *at;
        Send([this, p, button] {
          PressAt(p, button);
          Mouse(QEvent::MouseButtonRelease, p, button);
        });
        break;
      }
      case Action::Press:
      case Action::Release:
      case Action::ClickAnywhere: {
        const QPoint p = AnyPoint();
        const Qt::MouseButton button = AnyButton();
        Send([this, p, button, action] {
          if (action != Action::Release) PressAt(p, button);
          if (action != Action::Press) Mouse(QEvent::MouseButtonRelease, p, button);
        });
        break;
      }
      case Action::Key: {
        // Any byte of the code page that types a character.
        int byte = 32 + Uniform(224);
        if (byte == 127) byte = 'A';
        const QString text(QChar(tk::ToUnicode(static_cast<unsigned char>(byte))));
        Send([text] { Key(0, text); });
        break;
      }
      case Action::SpecialKey: {
        static const std::pair<int, char16_t> keys[] = {{Qt::Key_Return, 13}, {Qt::Key_Escape, 27},
                                                         {Qt::Key_Backspace, 8}, {Qt::Key_Tab, 9},
                                                         {Qt::Key_F1, 0},        {Qt::Key_Up, 0},
                                                         {Qt::Key_Down, 0}};
        const auto [key, unit] = keys[Uniform(static_cast<int>(std::size(keys)))];
        Send([key = key, unit = unit] { Key(key, unit ? QString(QChar(unit)) : QString()); });
        break;
      }
      case Action::Tick: {
        // Mostly a step or two of the rain; now and then over a second.
        const int ms = Chance(80) ? 1 + Uniform(200) : 200 + Uniform(1400);
        if (g_music) g_music->Advance(ms);
        tk::AdvanceTimers(ms);
        break;
      }
      case Action::ProcessEvents:
        tk::Application::ProcessMessages();
        break;
      case Action::CloseRequest: {
        const bool byKey = Chance(50);
        Send([this, byKey] { CloseNow(byKey); });
        break;
      }
      case Action::MusicEnds:
        if (g_music) g_music->ReachEnd();
        break;
    }
  }

  // ---- what must hold after every event -------------------------------------
  void Check(Action action) {
    auto& app = tk::Application::Instance();
    if (!messages_->empty()) {
      Fail("a message box: " + messages_->front().text);
      messages_->clear();
    }
    if (app.Terminated()) return;
    tk::Form* active = app.ActiveForm();
    // In the middle of a handler (a form being shown, a card being turned)
    // the forms may be between two states; only a modal showing's own loop
    // counts as the outside.
    if (app.HandlersRunning() > VisibleModals()) {
      if (active && !Alive(active)) return Fail("the active form is gone");
      return;
    }
    if (!active) return Fail(std::string("no active form after a ") + ActionName(action));
    if (!Alive(active)) return Fail("the active form is gone");
    // A released form stays active until it is destroyed, once the event
    // loop comes round again (it takes no input meanwhile); it must not
    // linger.
    if (active->Released()) {
      if (!releasedActive_.isValid()) releasedActive_.start();
      if (releasedActive_.elapsed() > 2000) return Fail("the released form " + active->Name() + " stays active");
      return;
    }
    releasedActive_.invalidate();
    if (!active->Visible()) return Fail("the active form " + active->Name() + " is hidden");
    // On top: only the help layer may lie over it.
    const auto& layers = app.Layers();
    for (auto it = std::find(layers.begin(), layers.end(), active) + 1; it != layers.end(); ++it)
      if ((*it)->Visible() && !(*it)->Released() && (*it)->Name() != "frmHelp")
        return Fail("the active form " + active->Name() + " lies under " + (*it)->Name());
    if (app.IsBlocked(active)) return Fail("the active form " + active->Name() + " is blocked by a modal form");
    // Modal showings nest: each one open is inside a step that opened it.
    if (VisibleModals() > depth_) return Fail("more modal forms showing than events that opened them");
    if (VisibleModals() > 0 && active != frmMessage && active != frmAbout && active != frmProgress)
      return Fail("a modal form is showing but " + active->Name() + " is the active form");
    // The message form over the About window only through the progress
    // page's question.
    if (frmMessage && frmAbout && frmMessage->Visible() && frmAbout->Visible() && !(frmProgress && frmProgress->Visible()))
      return Fail("the message form and the About form at once");
    for (const SoakForm& row : Forms())
      if (row.check)
        if (const std::string problem = row.check(); !problem.empty()) return Fail(row.name + std::string(": ") + problem);
  }

  void Fail(const std::string& what) {
    const std::string text = "seed " + std::to_string(result_.seed) + ", event " + std::to_string(result_.events) + ": " + what;
    std::fprintf(stderr, "%s\n", text.c_str());
    result_.failures.push_back(text);
    if (!done_) {
      done_ = true;
      tk::Application::Instance().Terminate();
    }
  }

  // ---- the watchdog ------------------------------------------------------------
  void Progress() {
    lastCpu_.store(Nanoseconds(cpuClock_));
    lastWall_.store(Nanoseconds(CLOCK_MONOTONIC));
  }

  void Watch() {
    while (!stop_) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      const std::int64_t cpu = Nanoseconds(cpuClock_) - lastCpu_.load();
      const std::int64_t wall = Nanoseconds(CLOCK_MONOTONIC) - lastWall_.load();
      if (cpu > 1000000000LL || wall > 30000000000LL) {
        std::fprintf(stderr, "hang: seed %llu, event %ld (%s): %.1f s of CPU time, %.1f s in all\n",
                     static_cast<unsigned long long>(result_.seed), current_.load(),
                     ActionName(static_cast<Action>(currentAction_.load())), cpu / 1e9, wall / 1e9);
        std::fflush(stderr);
        std::_Exit(3);
      }
    }
  }

 public:
  std::vector<tk::MessageRequest>* messages_ = nullptr;

 private:
  std::mt19937_64 random_;
  long limit_;
  SoakResult result_;
  int depth_ = 0;
  bool done_ = false;
  long endingInputs_ = 0;
  int language_ = Language;
  QElapsedTimer releasedActive_;
  std::atomic<bool> stop_{false};
  std::atomic<long> current_{0};
  std::atomic<int> currentAction_{0};
  std::atomic<std::int64_t> lastCpu_{0}, lastWall_{0};
  pthread_t mainThread_;
  clockid_t cpuClock_{};
};

}  // namespace

std::vector<std::string> FormsToReach() {
  std::vector<std::string> forms = {"frmHuvudmeny", "frmHelp"};
  for (int n = 1; n <= 6; ++n) forms.push_back("frmOvMC exercise " + std::to_string(n));
  for (int n : {9, 10, 11}) forms.push_back("frmOvRegn exercise " + std::to_string(n));
  forms.push_back("frmOvHangman");
  // Both memory games in each of their sizes.
  for (const char* size : {"7, 16", "7, 24", "7, 36", "8, 12", "8, 18", "8, 28"})
    forms.push_back("frmOvMemory exercise " + std::string(size) + " cards");
  forms.push_back("frmMessage");
  forms.push_back("frmMessage clearing the record");
  for (const char* form : {"frmAbout", "frmAbout, its list open", "frmProgress"}) forms.push_back(form);
  return forms;
}

SoakResult RunSoak(std::uint64_t seed, long events) {
  static std::vector<tk::MessageRequest> messages;
  messages.clear();
  tk::SetMessageBoxHook([](const tk::MessageRequest& r) { messages.push_back(r); });
  // The web-site button opens no browser here.
  tk::SetOpenUrlHook([](const std::string&) {});
  // The built program's directory, or a copy of it that no build touches
  // while a long run goes on.
  const char* programDir = std::getenv("TAMIRO_SOAK_PROGRAM_DIR");
  tk::SetExecutablePathOverride(std::string(programDir ? programDir : TAMIRO_PROGRAM_DIR) + "/tamiro");
  const std::string settings = "/tmp/tamiro-soak-" + std::to_string(getpid()) + ".ini";
  std::remove(settings.c_str());
  tk::SetSettingsFileOverride(settings);
  // The games played go to a record of the run's own.
  const std::string record = "/tmp/tamiro-soak-" + std::to_string(getpid()) + "/progress.sqlite";
  tamiro::SetRecordFileOverride(record);
  tk::SetSystemSettingsFilesOverride(std::vector<std::string>{});
  tk::SetTestClockForTimers(true);
  std::int64_t clock = 0;
  tk::SetClockOverride([&clock] { return clock += 7919; });
  tk::SetMediaPlayerFactory([](tk::MediaKind kind) -> std::unique_ptr<tk::MediaPlayer> {
    auto player = std::make_unique<SoakPlayer>();
    if (kind == tk::MediaKind::Music) g_music = player.get();
    return player;
  });
  // The run goes by far faster than a child does: the letters typed into a
  // list each start a search of their own, and a release on an open list
  // picks a row however soon it follows the opening, as they do at a
  // child's pace.
  const int keyboardInterval = QApplication::keyboardInputInterval();
  const int doubleClickInterval = QApplication::doubleClickInterval();
  QApplication::setKeyboardInputInterval(0);
  QApplication::setDoubleClickInterval(0);
  Language = 1;
  Music = Sounds = true;
  Capital = false;
  PrepareFonts();
  SoakResult result;
  {
    Driver driver(seed, events);
    driver.messages_ = &messages;
    result = driver.Run();
  }
  tk::CloseHelp();
  tk::Application::Instance().DestroyForms();
  g_music = nullptr;
  tk::SetMediaPlayerFactory(nullptr);
  tk::SetClockOverride(nullptr);
  tk::SetTestClockForTimers(false);
  tk::SetSettingsFileOverride(std::nullopt);
  tk::SetSystemSettingsFilesOverride(std::nullopt);
  tk::SetExecutablePathOverride(std::nullopt);
  tk::SetOpenUrlHook(nullptr);
  QApplication::setKeyboardInputInterval(keyboardInterval);
  QApplication::setDoubleClickInterval(doubleClickInterval);
  std::remove(settings.c_str());
  tamiro::StopRecord();
  tamiro::SetRecordFileOverride(std::nullopt);
  std::error_code ignored;
  std::filesystem::remove_all(std::filesystem::path(record).parent_path(), ignored);
  return result;
}

}  // namespace reliability
