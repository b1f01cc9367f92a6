#include "content/sound.h"

#include "content/content_tables.h"
#include "content/settings.h"
#include "toolkit/application.h"
#include "toolkit/media.h"
#include "toolkit/media_player.h"

namespace tamiro {

bool MusicLoop = false;
std::int64_t MusicResumePosition = 0;

namespace {
SoundService* g_service = nullptr;
bool g_playersOverridden = false;
tk::MediaPlayer* g_music = nullptr;
tk::MediaPlayer* g_effects = nullptr;
}  // namespace

SoundService::SoundService(tk::Component* owner)
    : tk::Component(owner, "SoundService"),
      Music(tk::CreateMediaPlayer(tk::MediaKind::Music)),
      Effects(tk::CreateMediaPlayer(tk::MediaKind::Effects)) {
  Music->AutoRewind = false;
  Effects->AutoRewind = true;
  Music->OnNotify = [this] { tk::Application::Instance().Dispatch(OwnerForm(), [] { MusicEnded(); }); };
  MusicResumePosition = 0;
  g_service = this;
}

SoundService::~SoundService() {
  if (g_service == this) g_service = nullptr;
}

tk::MediaPlayer* MusicPlayer() {
  if (g_playersOverridden) return g_music;
  return g_service ? g_service->Music.get() : nullptr;
}

tk::MediaPlayer* EffectsPlayer() {
  if (g_playersOverridden) return g_effects;
  return g_service ? g_service->Effects.get() : nullptr;
}

void SetPlayersOverride(tk::MediaPlayer* music, tk::MediaPlayer* effects) {
  g_playersOverridden = music || effects;
  g_music = music;
  g_effects = effects;
}

void PlayMusic(const std::string& fileName, std::int64_t startPosition, bool loop) {
  if (!Music) return;
  tk::MediaPlayer* player = MusicPlayer();
  if (!player) return;
  try {
    MusicLoop = loop;
    player->SetFileName(ProgramFile(fileName));
    player->Notify = false;
    player->Open();
    player->Seek(startPosition);
    if (loop) player->Notify = true;
    player->Play();
  } catch (...) {
    // Music is a pleasure, never a failure.
  }
}

void PlaySound(const std::string& fileName) {
  if (!Sounds) return;
  tk::MediaPlayer* player = EffectsPlayer();
  if (!player) return;
  try {
    const std::string path = ProgramFile(fileName);
    if (path != player->FileName()) {
      player->SetFileName(path);
      player->Open();
    }
    player->Play();
  } catch (...) {
  }
}

void StopMusic() {
  if (!Music) return;
  tk::MediaPlayer* player = MusicPlayer();
  if (!player) return;
  try {
    MusicLoop = false;
    player->Notify = false;
    player->Stop();
  } catch (...) {
  }
}

std::int64_t MusicPosition() {
  if (!Music) return 0;
  tk::MediaPlayer* player = MusicPlayer();
  if (!player) return 0;
  try {
    return player->Position();
  } catch (...) {
    return 0;
  }
}

void SaveMusicPosition() { MusicResumePosition = MusicPosition(); }

void ResumeMusic(const std::string& fileName) { PlayMusic(fileName, MusicResumePosition, true); }

void MusicEnded() {
  tk::MediaPlayer* player = MusicPlayer();
  if (!player) return;
  try {
    if (player->Mode() != tk::MediaMode::Playing && MusicLoop) {
      player->Notify = false;
      player->Rewind();
      player->Notify = true;
      player->Play();
    }
  } catch (const tk::MediaError&) {
    // The music stops; nothing else happens.
  }
}

}  // namespace tamiro
