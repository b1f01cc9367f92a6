#include "speech_synth.h"

#include <espeak-ng/speak_lib.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <numbers>
#include <strings.h>
#include <thread>
#include <vector>

namespace tk::audio {

namespace {

// Words a minute: a little slower than the synthesiser's usual 175, for
// children who listen to every word.
constexpr int kWordsPerMinute = 150;
// The synthesiser hands over its samples in blocks of this many
// milliseconds, so the first ones come soon.
constexpr int kBlockMs = 20;
// Utterances that may wait to be synthesised; older ones are given up.
constexpr std::size_t kMaxQueued = 4;
// The library keeps its state in globals: one thread at a time may use it.
std::timed_mutex engine_in_use;

// --- libespeak-ng ---

class EspeakEngine final : public SpeechEngine {
 public:
  explicit EspeakEngine(int rate) : rate_(rate) {
    espeak_SetSynthCallback(&EspeakEngine::Callback);
    espeak_SetParameter(espeakRATE, kWordsPerMinute, 0);
  }
  ~EspeakEngine() override { espeak_Terminate(); }

  int SampleRate() const override { return rate_; }

  bool SelectVoice(const std::string& language) override {
    espeak_VOICE wanted{};
    wanted.languages = language.c_str();
    if (espeak_SetVoiceByProperties(&wanted) != EE_OK) return false;
    // The synthesiser falls back on a voice of a related language; only the
    // language's own voice will do.
    const espeak_VOICE* voice = espeak_GetCurrentVoice();
    if (!voice || !voice->languages) return false;
    // A list of (priority byte, name, NUL), ended by a priority of 0.
    for (const char* entry = voice->languages; *entry != 0; entry += std::strlen(entry + 1) + 2) {
      if (strcasecmp(entry + 1, language.c_str()) == 0) return true;
    }
    return false;
  }

  bool Synthesize(const std::string& text, const std::function<bool(const short*, int)>& take) override {
    take_ = &take;
    const espeak_ERROR result = espeak_Synth(text.c_str(), text.size() + 1, 0, POS_CHARACTER, 0,
                                             espeakCHARS_UTF8, nullptr, nullptr);
    take_ = nullptr;
    return result == EE_OK;
  }

 private:
  static int Callback(short* samples, int count, espeak_EVENT*) {
    if (!samples || count <= 0 || !take_) return 0;
    return (*take_)(samples, count) ? 0 : 1;  // 1 stops the synthesis
  }

  int rate_;
  // The engine is used on one thread, and only one exists.
  static inline const std::function<bool(const short*, int)>* take_ = nullptr;
};

// --- from the synthesiser's samples to the mix's rate ---

// Twice the rate, with a windowed-sinc half-band filter: the new samples
// between the old ones are interpolated from eight on either side. The even
// samples are the input itself, eight samples late.
class Doubler {
 public:
  Doubler() {
    double sum = 0;
    for (int k = 0; k < kTaps; ++k) {
      const double x = k + 0.5;
      const double window = 0.5 + 0.5 * std::cos(std::numbers::pi * x / (kTaps + 0.5));
      taps_[k] = std::sin(std::numbers::pi * x) / (std::numbers::pi * x) * window;
      sum += 2 * taps_[k];
    }
    for (double& t : taps_) t /= sum;  // a constant passes unchanged
  }

  void Push(float x, std::vector<float>& out) {
    history_[static_cast<std::size_t>(next_)] = x;
    next_ = (next_ + 1) % kHistory;
    // The history, oldest first: h(0) ... h(2 kTaps - 1), silence before the
    // first sample; the pair is made between h(kTaps - 1) and h(kTaps).
    const auto h = [&](int i) { return history_[static_cast<std::size_t>((next_ + i) % kHistory)]; };
    double between = 0;
    for (int k = 0; k < kTaps; ++k) between += taps_[k] * (h(kTaps - 1 - k) + h(kTaps + k));
    out.push_back(h(kTaps - 1));
    out.push_back(static_cast<float>(between));
  }

  // The last input samples, followed by silence.
  void Flush(std::vector<float>& out) {
    for (int i = 0; i < kTaps; ++i) Push(0.0f, out);
  }

 private:
  static constexpr int kTaps = 8;
  static constexpr int kHistory = 2 * kTaps;
  std::array<double, kTaps> taps_{};
  std::array<float, kHistory> history_{};
  int next_ = 0;
};

// Any other rate: linear interpolation.
class Stretcher {
 public:
  explicit Stretcher(int from) : step_(static_cast<double>(from) / kSampleRate) {}
  void Push(float x, std::vector<float>& out) {
    while (at_ <= 1.0) {
      out.push_back(static_cast<float>(previous_ + (x - previous_) * at_));
      at_ += step_;
    }
    at_ -= 1.0;
    previous_ = x;
  }

 private:
  double step_;
  double at_ = 0;
  float previous_ = 0;
};

// Turns the synthesiser's blocks into samples of the mix: the silence it
// starts with is dropped, but for a few milliseconds before the first sound,
// so the first word comes as soon as it can without losing its onset.
class Conversion {
 public:
  explicit Conversion(int rate)
      : rate_(rate), lead_length_(static_cast<std::size_t>(rate * kLeadInMs / 1000)), stretcher_(rate) {}

  // Returns the samples at kSampleRate made from this block.
  const std::vector<float>& Take(const short* samples, int count) {
    out_.clear();
    for (int i = 0; i < count; ++i) {
      const float x = static_cast<float>(samples[i]) / 32768.0f;
      if (!sounding_) {
        if (std::fabs(x) < kSilence) {
          // The lead-in keeps the last few milliseconds of the silence.
          if (lead_.size() == lead_length_) lead_.erase(lead_.begin());
          lead_.push_back(x);
          continue;
        }
        sounding_ = true;
        for (float y : lead_) Push(y);
      }
      Push(x);
    }
    return out_;
  }

  const std::vector<float>& Finish() {
    out_.clear();
    if (sounding_ && rate_ * 2 == kSampleRate) doubler_.Flush(out_);
    return out_;
  }

 private:
  static constexpr int kLeadInMs = 5;
  static constexpr float kSilence = 1.0f / 256;  // -48 dB

  void Push(float x) {
    if (rate_ == kSampleRate) {
      out_.push_back(x);
    } else if (rate_ * 2 == kSampleRate) {
      doubler_.Push(x, out_);
    } else {
      stretcher_.Push(x, out_);
    }
  }

  int rate_;
  std::size_t lead_length_;
  bool sounding_ = false;
  std::vector<float> lead_;
  Doubler doubler_;
  Stretcher stretcher_;
  std::vector<float> out_;
};

}  // namespace

std::unique_ptr<SpeechEngine> CreateEspeakEngine() {
  // Without DONT_EXIT the library ends the process when it finds no data.
  const int rate = espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, kBlockMs, nullptr, espeakINITIALIZE_DONT_EXIT);
  if (rate <= 0) return nullptr;
  return std::make_unique<EspeakEngine>(rate);
}

SpeechSynthesizer::SpeechSynthesizer(EngineFactory factory)
    : state_(std::make_shared<State>()), factory_(std::move(factory)) {}

SpeechSynthesizer::~SpeechSynthesizer() {
  std::unique_lock lock(state_->mutex);
  if (!started_) return;
  state_->quit = true;
  CancelLocked(*state_);
  state_->wake.notify_all();
  // The thread holds the state as long as it runs: one that does not end
  // in time is simply left to finish on its own.
  state_->ended.wait_for(lock, std::chrono::seconds(2), [this] { return state_->stopped; });
}

void SpeechSynthesizer::CancelLocked(State& state) {
  for (Job& job : state.jobs) {
    job.utterance->cancelled.store(true, std::memory_order_relaxed);
    job.utterance->Finish();
  }
  state.jobs.clear();
  if (state.working) state.working->cancelled.store(true, std::memory_order_relaxed);
}

void SpeechSynthesizer::CancelAll() {
  std::lock_guard lock(state_->mutex);
  CancelLocked(*state_);
}

void SpeechSynthesizer::Submit(std::shared_ptr<Utterance> utterance, std::string text, std::string language,
                               bool cut) {
  std::lock_guard lock(state_->mutex);
  if (cut) CancelLocked(*state_);
  if (state_->jobs.size() == kMaxQueued) {
    state_->jobs.front().utterance->Finish();
    state_->jobs.pop_front();
  }
  state_->jobs.push_back({std::move(utterance), std::move(text), std::move(language)});
  if (!started_) {
    started_ = true;
    std::thread(&SpeechSynthesizer::Run, state_, factory_).detach();
  }
  state_->wake.notify_one();
}

void SpeechSynthesizer::Run(std::shared_ptr<State> state, EngineFactory factory) {
  std::unique_lock<std::timed_mutex> in_use(engine_in_use, std::defer_lock);
  std::unique_ptr<SpeechEngine> engine;
  bool engine_tried = false;
  std::string voice;  // the language of the voice chosen last, if it was found
  for (;;) {
    Job job;
    {
      std::unique_lock lock(state->mutex);
      state->working.reset();
      state->wake.wait(lock, [&] { return state->quit || !state->jobs.empty(); });
      if (state->quit) break;
      job = std::move(state->jobs.front());
      state->jobs.pop_front();
      state->working = job.utterance;
    }
    Utterance& utterance = *job.utterance;
    if (!engine_tried) {
      engine_tried = true;
      // Another synthesiser that has not ended yet: this one stays silent.
      if (factory && in_use.try_lock_for(std::chrono::seconds(3))) engine = factory();
    }
    if (!engine || utterance.cancelled.load(std::memory_order_relaxed)) {
      utterance.Finish();
      continue;
    }
    if (job.language != voice) {
      voice = engine->SelectVoice(job.language) ? job.language : std::string();
    }
    if (voice.empty()) {
      utterance.Finish();  // no voice of this language: silence, never another voice
      continue;
    }
    Conversion conversion(engine->SampleRate());
    const bool spoken = engine->Synthesize(job.text, [&](const short* samples, int count) {
      if (utterance.cancelled.load(std::memory_order_relaxed)) return false;
      const std::vector<float>& out = conversion.Take(samples, count);
      utterance.Append(out.data(), out.size());
      return true;
    });
    const std::vector<float>& tail = conversion.Finish();
    utterance.Append(tail.data(), tail.size());
    utterance.Finish(spoken ? voice : std::string());
  }
  engine.reset();
  std::lock_guard lock(state->mutex);
  for (Job& job : state->jobs) job.utterance->Finish();
  state->jobs.clear();
  state->stopped = true;
  state->ended.notify_all();
}

}  // namespace tk::audio
