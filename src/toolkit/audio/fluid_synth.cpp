#include "fluid_synth.h"

#include <fluidsynth.h>

#include <algorithm>
#include <mutex>

#include "midi_synth.h"
#include "mixer.h"

namespace tk::audio {

namespace {

void IgnoreFluidLog(int, const char*, void*) {}

void SilenceFluidSynth() {
  static std::once_flag once;
  std::call_once(once, [] {
    for (int level = 0; level < LAST_LOG_LEVEL; ++level) {
      fluid_set_log_function(level, IgnoreFluidLog, nullptr);
    }
  });
}

class FluidSynth final : public MidiSynth {
 public:
  FluidSynth(fluid_settings_t* settings, fluid_synth_t* synth, int soundfont)
      : settings_(settings), synth_(synth), soundfont_(soundfont) {}
  ~FluidSynth() override {
    Unload();
    delete_fluid_synth(synth_);
    delete_fluid_settings(settings_);
  }

  bool HasSoundFont() const override { return soundfont_ >= 0; }

  bool Load(const MidiData& midi) override {
    Unload();
    player_ = new_fluid_player(synth_);
    if (player_ && fluid_player_add_mem(player_, midi.bytes.data(), midi.bytes.size()) != FLUID_OK) {
      delete_fluid_player(player_);
      player_ = nullptr;
    }
    return player_ != nullptr;
  }

  void Unload() override {
    if (player_) {
      fluid_player_stop(player_);
      delete_fluid_player(player_);
      player_ = nullptr;
    }
    fluid_synth_all_sounds_off(synth_, -1);
  }

  void Play(std::int64_t tick) override {
    if (!player_) return;
    // The seek is taken up when the player starts (also when it has played
    // its file to the end, where play alone would start it over).
    fluid_player_seek(player_, static_cast<int>(tick));
    fluid_player_play(player_);
  }

  void Stop() override {
    if (player_) fluid_player_stop(player_);
  }

  std::int64_t Tick() const override {
    if (!player_) return 0;
    const int total = fluid_player_get_total_ticks(player_);
    std::int64_t tick = fluid_player_get_current_tick(player_);
    // After the last event FluidSynth keeps counting while notes die away.
    if (total > 0) tick = std::min<std::int64_t>(tick, total);
    return std::max<std::int64_t>(tick, 0);
  }

  bool Finished() const override { return player_ && fluid_player_get_status(player_) == FLUID_PLAYER_DONE; }

  bool Sounding() const override { return fluid_synth_get_active_voice_count(synth_) > 0; }

  void Render(float* left, float* right, int frames) override {
    fluid_synth_write_float(synth_, frames, left, 0, 1, right, 0, 1);
  }

 private:
  fluid_settings_t* settings_;
  fluid_synth_t* synth_;
  int soundfont_;
  fluid_player_t* player_ = nullptr;
};

}  // namespace

void ApplySynthSettings(fluid_settings_t* settings) {
  fluid_settings_setnum(settings, "synth.sample-rate", kSampleRate);
  // The five tunes sound at most 33 notes at once.
  fluid_settings_setint(settings, "synth.polyphony", 48);
  fluid_settings_setint(settings, "synth.chorus.active", 0);
  fluid_settings_setnum(settings, "synth.gain", 0.5);
  // Only the samples of the instruments a tune selects are read into
  // memory (a few hundred kilobytes of the SoundFont's six megabytes), and
  // let go when no channel plays them any more.
  fluid_settings_setint(settings, "synth.dynamic-sample-loading", 1);
}

std::unique_ptr<MidiSynth> CreateFluidSynth(const std::string& soundfont) {
  SilenceFluidSynth();
  fluid_settings_t* settings = new_fluid_settings();
  if (!settings) return nullptr;
  ApplySynthSettings(settings);
  fluid_synth_t* synth = new_fluid_synth(settings);
  if (!synth) {
    delete_fluid_settings(settings);
    return nullptr;
  }
  const int id = fluid_synth_sfload(synth, soundfont.c_str(), 1);
  return std::make_unique<FluidSynth>(settings, synth, id < 0 ? -1 : id);
}

}  // namespace tk::audio
