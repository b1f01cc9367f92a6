#include "audio_engine.h"

#include <pulse/context.h>
#include <pulse/mainloop.h>
#include <pulse/stream.h>
#include <pulse/timeval.h>

#include <QThread>
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <vector>

namespace tk::audio {

namespace {

// The server holds a tenth of a second: the delay of a new sound. It asks
// for more a quarter of that at a time, so the thread wakes 40 times a second
// while sound plays.
constexpr int kBufferMs = 100;
constexpr int kRequestMs = 25;
constexpr int kIdleCheckMs = 250;
constexpr auto kSuspendAfter = std::chrono::milliseconds(1000);
constexpr int kClockMs = 20;
constexpr int kServerTimeoutMs = 3000;
constexpr int kFrameBytes = kChannels * 2;  // 16-bit stereo

using Clock = std::chrono::steady_clock;

std::uint32_t Bytes(int ms) { return static_cast<std::uint32_t>(kSampleRate / 1000 * ms * kFrameBytes); }

}  // namespace

// Lives on the audio thread: owns the connection to the sound server and the
// stream, or the clock that stands in for them when there is no server.
class Output {
 public:
  explicit Output(std::shared_ptr<EngineCore> core)
      : core_(std::move(core)), api_(pa_mainloop_get_api(core_->loop)) {}

  void Run() {
    clock_ = api_->time_new(api_, nullptr, &Output::Tick<&Output::RunClock>, this);
    idle_check_ = api_->time_new(api_, nullptr, &Output::Tick<&Output::CheckIdle>, this);
    deadline_ = api_->time_new(api_, nullptr, &Output::Tick<&Output::GiveUpServer>, this);
    while (!core_->quit.load(std::memory_order_acquire)) {
      if (core_->wake_posted.exchange(false, std::memory_order_acq_rel)) Wake();
      if (pa_mainloop_iterate(core_->loop, 1, nullptr) < 0) break;
      if (lost_server_) UseClock();
    }
    DropServer();
    for (pa_time_event* timer : {clock_, idle_check_, deadline_}) api_->time_free(timer);
  }

 private:
  enum class State { New, Connecting, Streaming, Clock };

  template <void (Output::*handler)()>
  static void Tick(pa_mainloop_api*, pa_time_event*, const timeval*, void* self) {
    (static_cast<Output*>(self)->*handler)();
  }

  void Arm(pa_time_event* timer, int ms) {
    timeval when;
    pa_gettimeofday(&when);
    pa_timeval_add(&when, static_cast<pa_usec_t>(ms) * PA_USEC_PER_MSEC);
    api_->time_restart(timer, &when);
  }
  void Disarm(pa_time_event* timer) { api_->time_restart(timer, nullptr); }

  // A request came: set up the output the first time, resume it after a
  // pause.
  void Wake() {
    if (core_->music.Wanted()) core_->music.Prepare();
    if (state_ == State::New) Connect();
    idle_since_.reset();
    if (state_ == State::Streaming && corked_) {
      // What the server still holds is the silence from before the pause.
      pa_operation_unref(pa_stream_flush(stream_, nullptr, nullptr));
      pa_operation_unref(pa_stream_cork(stream_, 0, nullptr, nullptr));
      corked_ = false;
    } else if (state_ == State::Clock && !clock_running_) {
      clock_time_ = Clock::now();
      clock_running_ = true;
      Arm(clock_, kClockMs);
    }
    StartIdleCheck();
  }

  // Asks the default server (PULSE_SERVER, client.conf) without starting one;
  // it has a few seconds to answer. A server that takes the connection and
  // then says nothing would otherwise hold sound back for good.
  void Connect() {
    state_ = State::Connecting;
    context_ = pa_context_new(api_, "Tamiro");
    if (!context_) return UseClock();
    pa_context_set_state_callback(context_, &Output::ContextChanged, this);
    if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) return UseClock();
    Arm(deadline_, kServerTimeoutMs);
  }

  static void ContextChanged(pa_context* context, void* self) {
    auto* output = static_cast<Output*>(self);
    switch (pa_context_get_state(context)) {
      case PA_CONTEXT_READY:
        output->Disarm(output->deadline_);
        output->OpenStream();
        break;
      case PA_CONTEXT_FAILED:
      case PA_CONTEXT_TERMINATED:
        output->lost_server_ = true;  // dropped once the callback has returned
        break;
      default:
        break;
    }
  }

  void GiveUpServer() {
    if (state_ == State::Connecting) lost_server_ = true;
  }

  void OpenStream() {
    const pa_sample_spec format{PA_SAMPLE_S16NE, kSampleRate, kChannels};
    stream_ = pa_stream_new(context_, "Tamiro", &format, nullptr);
    if (!stream_) {
      lost_server_ = true;
      return;
    }
    pa_stream_set_state_callback(stream_, &Output::StreamChanged, this);
    pa_stream_set_write_callback(stream_, &Output::Write, this);
    pa_buffer_attr attr;
    attr.maxlength = static_cast<std::uint32_t>(-1);
    attr.tlength = Bytes(kBufferMs);
    attr.prebuf = static_cast<std::uint32_t>(-1);
    attr.minreq = Bytes(kRequestMs);
    attr.fragsize = static_cast<std::uint32_t>(-1);
    if (pa_stream_connect_playback(stream_, nullptr, &attr, PA_STREAM_ADJUST_LATENCY, nullptr, nullptr) < 0) {
      lost_server_ = true;
      return;
    }
    state_ = State::Streaming;
    corked_ = false;
    StartIdleCheck();
  }

  static void StreamChanged(pa_stream* stream, void* self) {
    const pa_stream_state_t state = pa_stream_get_state(stream);
    if (state == PA_STREAM_FAILED || state == PA_STREAM_TERMINATED) static_cast<Output*>(self)->lost_server_ = true;
  }

  // The server wants more: the mix, as 16-bit stereo, straight into its
  // buffer.
  static void Write(pa_stream* stream, size_t bytes, void* self) {
    auto* output = static_cast<Output*>(self);
    void* data = nullptr;
    if (pa_stream_begin_write(stream, &data, &bytes) < 0 || !data) return;
    const int frames = static_cast<int>(bytes / kFrameBytes);
    if (frames <= 0) {
      pa_stream_cancel_write(stream);
      return;
    }
    std::vector<float>& mix = output->mix_;
    mix.resize(static_cast<size_t>(frames) * kChannels);
    output->core_->mixer.Render(mix.data(), frames);
    auto* out = static_cast<std::int16_t*>(data);
    for (size_t i = 0; i < mix.size(); ++i) out[i] = static_cast<std::int16_t>(mix[i] * 32767.0f);
    pa_stream_write(stream, data, static_cast<size_t>(frames) * kFrameBytes, nullptr, 0, PA_SEEK_RELATIVE);
  }

  void DropServer() {
    if (stream_) {
      pa_stream_set_state_callback(stream_, nullptr, nullptr);
      pa_stream_set_write_callback(stream_, nullptr, nullptr);
      pa_stream_disconnect(stream_);
      pa_stream_unref(stream_);
      stream_ = nullptr;
    }
    if (context_) {
      pa_context_set_state_callback(context_, nullptr, nullptr);
      pa_context_disconnect(context_);
      pa_context_unref(context_);
      context_ = nullptr;
    }
  }

  // No server, or it went away: go on with the clock, so playbacks still end.
  void UseClock() {
    lost_server_ = false;
    DropServer();
    Disarm(deadline_);
    state_ = State::Clock;
    clock_time_ = Clock::now();
    clock_running_ = true;
    Arm(clock_, kClockMs);
    StartIdleCheck();
  }

  void RunClock() {
    const Clock::time_point now = Clock::now();
    const auto elapsed = std::min<std::int64_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(now - clock_time_).count(), 200);
    clock_time_ = now;
    const int frames = static_cast<int>(elapsed * kSampleRate / 1000);
    scratch_.resize(static_cast<size_t>(std::max(frames, 1)) * kChannels);
    core_->mixer.Render(scratch_.data(), frames);
    Arm(clock_, kClockMs);
  }

  void StartIdleCheck() {
    if (idle_check_running_) return;
    idle_check_running_ = true;
    Arm(idle_check_, kIdleCheckMs);
  }

  void CheckIdle() {
    idle_check_running_ = false;
    if (!core_->mixer.Idle()) {
      idle_since_.reset();
    } else if (!idle_since_) {
      idle_since_ = Clock::now();
    } else if (Clock::now() - *idle_since_ >= kSuspendAfter) {
      // A second of silence: nothing more until the next request.
      if (state_ == State::Streaming && !corked_) {
        pa_operation_unref(pa_stream_cork(stream_, 1, nullptr, nullptr));
        corked_ = true;
      }
      if (state_ != State::Connecting) {
        Disarm(clock_);
        clock_running_ = false;
        return;
      }
    }
    StartIdleCheck();
  }

  std::shared_ptr<EngineCore> core_;
  pa_mainloop_api* api_;
  State state_ = State::New;
  pa_context* context_ = nullptr;
  pa_stream* stream_ = nullptr;
  bool corked_ = false;
  bool lost_server_ = false;
  pa_time_event* clock_ = nullptr;
  pa_time_event* idle_check_ = nullptr;
  pa_time_event* deadline_ = nullptr;
  bool clock_running_ = false;
  bool idle_check_running_ = false;
  Clock::time_point clock_time_;
  std::optional<Clock::time_point> idle_since_;
  std::vector<float> mix_;
  std::vector<float> scratch_;
};

EngineCore::EngineCore() : loop(pa_mainloop_new()) {
  mixer.AddSource(&effects);
  mixer.AddSource(&music);
  mixer.AddSource(&speech);
}

EngineCore::~EngineCore() {
  if (loop) pa_mainloop_free(loop);
}

std::shared_ptr<Engine> Engine::Shared() {
  static std::mutex mutex;
  static std::weak_ptr<Engine> shared;
  std::lock_guard lock(mutex);
  std::shared_ptr<Engine> engine = shared.lock();
  if (!engine) {
    engine.reset(new Engine);
    shared = engine;
  }
  return engine;
}

Engine::Engine() : core_(std::make_shared<EngineCore>()) {}

Engine::~Engine() {
  if (!thread_) return;
  core_->quit.store(true, std::memory_order_release);
  pa_mainloop_wakeup(core_->loop);
  // The audio thread may be stuck (in loading a SoundFont from a disk that
  // does not answer, say); then leave it behind, with what it uses, rather
  // than hang the program.
  if (thread_->wait(2000)) delete thread_;
}

void Engine::Wake() {
  if (!core_->loop) return;
  if (!thread_) {
    // The thread holds the core as long as it runs.
    thread_ = QThread::create([core = core_] { Output(core).Run(); });
    thread_->setObjectName("tamiro-audio");
    thread_->start();
  }
  if (!core_->wake_posted.exchange(true, std::memory_order_acq_rel)) pa_mainloop_wakeup(core_->loop);
}

}  // namespace tk::audio
