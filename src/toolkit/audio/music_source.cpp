#include "music_source.h"

#include <fluidsynth.h>

#include <algorithm>
#include <fstream>
#include <iterator>

#include "../media_player.h"

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

constexpr int kBlock = 512;

}  // namespace

std::shared_ptr<const MidiData> ReadMidiFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw MediaError("cannot open MIDI file " + path);
  auto data = std::make_shared<MidiData>();
  data->bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (in.bad()) throw MediaError("cannot read MIDI file " + path);
  const auto& b = data->bytes;
  // A standard MIDI file starts with an "MThd" chunk of at least six bytes
  // followed by at least one track chunk.
  if (b.size() < 22 || !std::equal(b.begin(), b.begin() + 4, "MThd") ||
      std::search(b.begin() + 14, b.end(), "MTrk", "MTrk" + 4) == b.end()) {
    throw MediaError("not a MIDI file: " + path);
  }
  return data;
}

MusicSource::MusicSource(std::string soundfont) : soundfont_path_(std::move(soundfont)) {}

MusicSource::~MusicSource() {
  DropPlayer();
  if (synth_) delete_fluid_synth(synth_);
  if (settings_) delete_fluid_settings(settings_);
}

void MusicSource::Prepare() {
  if (prepared_) return;
  prepared_ = true;
  SilenceFluidSynth();
  settings_ = new_fluid_settings();
  if (!settings_) return;
  fluid_settings_setnum(settings_, "synth.sample-rate", kSampleRate);
  fluid_settings_setint(settings_, "synth.polyphony", 64);
  fluid_settings_setint(settings_, "synth.chorus.active", 0);
  fluid_settings_setnum(settings_, "synth.gain", 0.5);
  synth_ = new_fluid_synth(settings_);
  if (!synth_) return;
  soundfont_id_ = fluid_synth_sfload(synth_, soundfont_path_.c_str(), 1);
  if (soundfont_id_ < 0) soundfont_id_ = -1;
}

void MusicSource::DropPlayer() {
  if (player_) {
    fluid_player_stop(player_);
    delete_fluid_player(player_);
    player_ = nullptr;
  }
  if (synth_) fluid_synth_all_sounds_off(synth_, -1);
  playing_ = false;
}

std::int64_t MusicSource::PlayerTick() const {
  if (!player_) return saved_tick_;
  const int total = fluid_player_get_total_ticks(player_);
  std::int64_t tick = fluid_player_get_current_tick(player_);
  // After the last event FluidSynth keeps counting while notes die away.
  if (total > 0) tick = std::min<std::int64_t>(tick, total);
  return std::max<std::int64_t>(tick, 0);
}

bool MusicSource::Active() const {
  return playing_ || (synth_ && fluid_synth_get_active_voice_count(synth_) > 0);
}

void MusicSource::Apply(const Command& command) {
  switch (command.kind) {
    case Command::Kind::Load:
      Prepare();
      DropPlayer();
      midi_ = std::static_pointer_cast<const MidiData>(command.payload);
      saved_tick_ = 0;
      at_end_ = false;
      if (synth_) {
        player_ = new_fluid_player(synth_);
        if (player_ && fluid_player_add_mem(player_, midi_->bytes.data(), midi_->bytes.size()) != FLUID_OK) {
          delete_fluid_player(player_);
          player_ = nullptr;
        }
      }
      break;
    case Command::Kind::Unload:
      DropPlayer();
      midi_.reset();
      saved_tick_ = 0;
      at_end_ = false;
      break;
    case Command::Kind::Play: {
      if (!midi_) break;
      playback_ = command.playback;
      if (command.position >= 0) {
        saved_tick_ = command.position;
        at_end_ = false;
      }
      if (at_end_ || !player_) {
        // Nothing left to play (or nothing that could be played): the
        // playback ends at once.
        playing_ = false;
        ReachedEnd(playback_);
        break;
      }
      // The seek is taken up when the player starts (also when it has played
      // its file to the end, where play alone would start it over).
      fluid_player_seek(player_, static_cast<int>(saved_tick_));
      fluid_player_play(player_);
      playing_ = true;
      break;
    }
    case Command::Kind::Stop:
      if (playing_ && player_) {
        saved_tick_ = PlayerTick();
        fluid_player_stop(player_);
      }
      playing_ = false;
      break;
    case Command::Kind::Seek:
      if (playing_ && player_) fluid_player_stop(player_);
      playing_ = false;
      saved_tick_ = std::max<std::int64_t>(command.position, 0);
      at_end_ = false;
      break;
  }
}

void MusicSource::RenderInto(float* out, int frames) {
  if (!synth_ || !Active()) return;
  left_.resize(kBlock);
  right_.resize(kBlock);
  for (int done = 0; done < frames;) {
    const int n = std::min(kBlock, frames - done);
    fluid_synth_write_float(synth_, n, left_.data(), 0, 1, right_.data(), 0, 1);
    float* dst = out + static_cast<ptrdiff_t>(done) * kChannels;
    for (int i = 0; i < n; ++i) {
      dst[2 * i] += left_[static_cast<size_t>(i)];
      dst[2 * i + 1] += right_[static_cast<size_t>(i)];
    }
    done += n;
  }
  if (playing_ && player_ && fluid_player_get_status(player_) == FLUID_PLAYER_DONE) {
    saved_tick_ = PlayerTick();
    playing_ = false;
    at_end_ = true;
    ReachedEnd(playback_);
  }
}

std::int64_t MusicSource::CurrentPosition() const {
  return playing_ ? PlayerTick() : saved_tick_;
}

}  // namespace tk::audio
