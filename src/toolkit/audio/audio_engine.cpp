#include "audio_engine.h"

#include "sound_server.h"

#include <alsa/asoundlib.h>

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QElapsedTimer>
#include <QIODevice>
#include <QLoggingCategory>
#include <QMediaDevices>
#include <QMetaObject>
#include <QThread>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <vector>

namespace tk::audio {

namespace {

constexpr int kBufferMs = 100;
constexpr int kIdleCheckMs = 250;
constexpr qint64 kSuspendAfterMs = 1000;
constexpr int kClockMs = 20;
constexpr int kServerTimeoutMs = 3000;

QLoggingCategory::CategoryFilter previous_filter = nullptr;

void QuietMultimedia(QLoggingCategory* category) {
  if (std::strncmp(category->categoryName(), "qt.multimedia", 13) == 0) {
    category->setEnabled(QtDebugMsg, false);
    category->setEnabled(QtInfoMsg, false);
    category->setEnabled(QtWarningMsg, false);
    category->setEnabled(QtCriticalMsg, false);
  } else if (previous_filter) {
    previous_filter(category);
  }
}

void IgnoreAlsaError(const char*, int, const char*, int, const char*, ...) {}

// Qt's PulseAudio code also warns through uncategorized messages (for example
// when there is no server). Those, and anything said on the audio thread, are
// dropped; everything else goes on to the handler installed before.
QtMessageHandler previous_handler = nullptr;
std::atomic<QThread*> audio_thread{nullptr};

bool IsAudioMessage(const QMessageLogContext& context, const QString& message) {
  if (QThread::currentThread() == audio_thread.load(std::memory_order_relaxed)) return true;
  if (context.category && std::strncmp(context.category, "qt.multimedia", 13) == 0) return true;
  static const char* const kPrefixes[] = {"PulseAudioService", "QAudioSink", "QAudioSource",
                                          "QPulseAudio", "QAudioDevice", "QMediaDevices"};
  for (const char* prefix : kPrefixes) {
    if (message.startsWith(QLatin1String(prefix))) return true;
  }
  return false;
}

void FilterMessage(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (type != QtFatalMsg && IsAudioMessage(context, message)) return;
  if (previous_handler) {
    previous_handler(type, context, message);
  } else {
    std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
  }
}

// The mix as a sequential device that the sink pulls from: 16-bit stereo.
class MixDevice final : public QIODevice {
 public:
  explicit MixDevice(Mixer& mixer) : mixer_(mixer) {}
  bool isSequential() const override { return true; }
  qint64 bytesAvailable() const override { return 1 << 20; }

 protected:
  qint64 readData(char* data, qint64 maxlen) override {
    const int frames = static_cast<int>(maxlen / (kChannels * 2));
    if (frames <= 0) return 0;
    mix_.resize(static_cast<size_t>(frames) * kChannels);
    mixer_.Render(mix_.data(), frames);
    auto* out = reinterpret_cast<qint16*>(data);
    for (size_t i = 0; i < mix_.size(); ++i) {
      out[i] = static_cast<qint16>(mix_[i] * 32767.0f);
    }
    return static_cast<qint64>(frames) * kChannels * 2;
  }
  qint64 writeData(const char*, qint64) override { return -1; }

 private:
  Mixer& mixer_;
  std::vector<float> mix_;
};

}  // namespace

// Lives on the audio thread: owns the sink, or the clock that stands in for
// it when there is no device.
class Output final : public QObject {
 public:
  explicit Output(std::shared_ptr<EngineCore> core) : core_(std::move(core)) {}

  void Wake() {
    core_->wake_posted.store(false, std::memory_order_release);
    if (core_->music.Wanted()) core_->music.Prepare();
    if (!initialized_) Initialize();
    idle_for_.invalidate();
    if (sink_) {
      if (sink_->state() == QAudio::SuspendedState) sink_->resume();
    } else if (!clock_->isActive()) {
      clock_time_.start();
      clock_->start();
    }
    if (!idle_timer_->isActive()) idle_timer_->start();
  }

  void Shutdown() {
    if (sink_) {
      sink_->stop();
      delete sink_;
      sink_ = nullptr;
    }
    delete device_;
    device_ = nullptr;
    delete clock_;
    clock_ = nullptr;
    delete idle_timer_;
    idle_timer_ = nullptr;
    QThread::currentThread()->quit();
  }

 private:
  void Initialize() {
    initialized_ = true;
    clock_ = new QTimer(this);
    clock_->setInterval(kClockMs);
    clock_->setTimerType(Qt::PreciseTimer);
    connect(clock_, &QTimer::timeout, this, [this] { RunClock(); });
    idle_timer_ = new QTimer(this);
    idle_timer_->setInterval(kIdleCheckMs);
    connect(idle_timer_, &QTimer::timeout, this, [this] { CheckIdle(); });

    if (!SoundServerAnswers(kServerTimeoutMs)) return;
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull()) return;
    QAudioFormat format;
    format.setSampleRate(kSampleRate);
    format.setChannelCount(kChannels);
    format.setSampleFormat(QAudioFormat::Int16);
    device_ = new MixDevice(core_->mixer);
    device_->open(QIODevice::ReadOnly);
    sink_ = new QAudioSink(device, format, this);
    sink_->setBufferSize(kSampleRate * kChannels * 2 * kBufferMs / 1000);
    connect(sink_, &QAudioSink::stateChanged, this, [this](QAudio::State state) {
      if (state == QAudio::StoppedState && sink_ && sink_->error() != QAudio::NoError &&
          sink_->error() != QAudio::UnderrunError) {
        DropSink();
      }
    });
    sink_->start(device_);
    // A sink that fails at once may already have been dropped by its state
    // change.
    if (sink_ && sink_->error() != QAudio::NoError && sink_->error() != QAudio::UnderrunError) DropSink();
  }

  // The device failed: go on with the clock, so playbacks still end.
  void DropSink() {
    sink_->disconnect(this);
    sink_->deleteLater();
    sink_ = nullptr;
    clock_time_.start();
    clock_->start();
  }

  void RunClock() {
    const qint64 elapsed_ms = std::min<qint64>(clock_time_.restart(), 200);
    const int frames = static_cast<int>(elapsed_ms * kSampleRate / 1000);
    scratch_.resize(static_cast<size_t>(std::max(frames, 1)) * kChannels);
    core_->mixer.Render(scratch_.data(), frames);
  }

  void CheckIdle() {
    if (!core_->mixer.Idle()) {
      idle_for_.invalidate();
      return;
    }
    if (!idle_for_.isValid()) {
      idle_for_.start();
      return;
    }
    if (idle_for_.elapsed() < kSuspendAfterMs) return;
    // A second of silence: stop pulling until the next request.
    if (sink_ && sink_->state() == QAudio::ActiveState) sink_->suspend();
    if (!sink_ || sink_->state() != QAudio::ActiveState) {
      clock_->stop();
      idle_timer_->stop();
    }
  }

  std::shared_ptr<EngineCore> core_;
  bool initialized_ = false;
  MixDevice* device_ = nullptr;
  QAudioSink* sink_ = nullptr;
  QTimer* clock_ = nullptr;
  QTimer* idle_timer_ = nullptr;
  QElapsedTimer clock_time_;
  QElapsedTimer idle_for_;
  std::vector<float> scratch_;
};

EngineCore::EngineCore() {
  mixer.AddSource(&effects);
  mixer.AddSource(&music);
}

void Engine::SilenceLibraries() {
  static std::once_flag once;
  std::call_once(once, [] {
    previous_filter = QLoggingCategory::installFilter(QuietMultimedia);
    previous_handler = qInstallMessageHandler(FilterMessage);
    snd_lib_error_set_handler(IgnoreAlsaError);
  });
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

Engine::Engine() : core_(std::make_shared<EngineCore>()) { SilenceLibraries(); }

Engine::~Engine() {
  if (!thread_) return;
  QMetaObject::invokeMethod(output_, [output = output_] { output->Shutdown(); }, Qt::QueuedConnection);
  // The audio thread may be stuck in a sound server that does not answer;
  // then leave it (and what it uses) behind rather than hang the program.
  if (thread_->wait(2000)) {
    delete output_;
    delete thread_;
  } else {
    new std::shared_ptr<EngineCore>(core_);  // intentionally kept alive
  }
}

void Engine::Wake() {
  if (!thread_) {
    thread_ = new QThread;
    thread_->setObjectName("tamiro-audio");
    audio_thread.store(thread_, std::memory_order_relaxed);
    output_ = new Output(core_);
    output_->moveToThread(thread_);
    thread_->start();
  }
  if (!core_->wake_posted.exchange(true, std::memory_order_acq_rel)) {
    QMetaObject::invokeMethod(output_, [output = output_] { output->Wake(); }, Qt::QueuedConnection);
  }
}

}  // namespace tk::audio
