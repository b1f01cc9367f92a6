#include "music_source.h"

#include <dlfcn.h>
#include <malloc.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <mutex>

#include "../media_player.h"

namespace tk::audio {

namespace {

constexpr int kBlock = 512;

std::mutex factory_mutex;
SynthFactory factory;

// The music module beside the module (or program) this code is in.
std::unique_ptr<MidiSynth> LoadMusicModule(const std::string& soundfont) {
  using CreateFn = MidiSynth* (*)(const char* soundfont);
  static const CreateFn create = [] () -> CreateFn {
    Dl_info self{};
    if (!dladdr(reinterpret_cast<void*>(&LoadMusicModule), &self) || !self.dli_fname) return nullptr;
    std::string path = self.dli_fname;
    path = path.substr(0, path.find_last_of('/') + 1) + "libtamiro_music.so";
    // Its libraries stay out of the program's own symbol scope.
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    return handle ? reinterpret_cast<CreateFn>(dlsym(handle, "tamiro_music_create_synth")) : nullptr;
  }();
  return std::unique_ptr<MidiSynth>(create ? create(soundfont.c_str()) : nullptr);
}

}  // namespace

void SetSynthFactory(SynthFactory made) {
  std::lock_guard lock(factory_mutex);
  factory = std::move(made);
}

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

MusicSource::~MusicSource() { DropPlayer(); }

void MusicSource::Prepare() {
  if (prepared_) return;
  prepared_ = true;
  SynthFactory make;
  {
    std::lock_guard lock(factory_mutex);
    make = factory;
  }
  synth_ = make ? make(soundfont_path_) : LoadMusicModule(soundfont_path_);
  // Reading the SoundFont's directory leaves megabytes of freed memory in
  // this thread's heap; the system gets them back.
  malloc_trim(0);
}

void MusicSource::DropPlayer() {
  if (synth_) synth_->Unload();
  loaded_ = false;
  playing_ = false;
}

std::int64_t MusicSource::PlayerTick() const { return loaded_ ? synth_->Tick() : saved_tick_; }

bool MusicSource::Active() const { return playing_ || (synth_ && synth_->Sounding()); }

void MusicSource::Apply(const Command& command) {
  switch (command.kind) {
    case Command::Kind::Load:
      Prepare();
      DropPlayer();
      midi_ = std::static_pointer_cast<const MidiData>(command.payload);
      saved_tick_ = 0;
      at_end_ = false;
      loaded_ = synth_ && synth_->Load(*midi_);
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
      if (at_end_ || !loaded_) {
        // Nothing left to play (or nothing that could be played): the
        // playback ends at once.
        playing_ = false;
        ReachedEnd(playback_);
        break;
      }
      synth_->Play(saved_tick_);
      playing_ = true;
      break;
    }
    case Command::Kind::Stop:
      if (playing_ && loaded_) {
        saved_tick_ = PlayerTick();
        synth_->Stop();
      }
      playing_ = false;
      break;
    case Command::Kind::Seek:
      if (playing_ && loaded_) synth_->Stop();
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
    synth_->Render(left_.data(), right_.data(), n);
    float* dst = out + static_cast<ptrdiff_t>(done) * kChannels;
    for (int i = 0; i < n; ++i) {
      dst[2 * i] += left_[static_cast<size_t>(i)];
      dst[2 * i + 1] += right_[static_cast<size_t>(i)];
    }
    done += n;
  }
  if (playing_ && loaded_ && synth_->Finished()) {
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
