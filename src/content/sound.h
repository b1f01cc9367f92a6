#pragma once
// The program's music and sound effects: the two players, and everything
// that plays through them. Every form plays through these calls; none owns a
// player. Failures are silent: music and sound are a pleasure, never a
// failure.

#include <cstdint>
#include <memory>
#include <string>

#include "toolkit/forms.h"

namespace tk {
class MediaPlayer;
}

namespace tamiro {

// The two players for as long as the service lives. The main menu owns it,
// so they live for the whole run, and the desktop's media come and go with
// the menu.
class SoundService : public tk::Component {
 public:
  explicit SoundService(tk::Component* owner);
  ~SoundService() override;

  std::unique_ptr<tk::MediaPlayer> Music;    // MIDI, rewinds by hand to loop
  std::unique_ptr<tk::MediaPlayer> Effects;  // WAV, rewinds by itself
};

// Set while a piece of music is to start again when it ends.
extern bool MusicLoop;
void PlayMusic(const std::string& fileName, std::int64_t startPosition, bool loop);
void PlaySound(const std::string& fileName);
void StopMusic();
std::int64_t MusicPosition();

// The main menu's tune goes on where it stood when another form took over:
// SaveMusicPosition keeps the position (the menu losing activation),
// ResumeMusic plays the tune from there, looping (the menu active again).
extern std::int64_t MusicResumePosition;
void SaveMusicPosition();
void ResumeMusic(const std::string& fileName);

// The end of a playback that asked to be told: a looping piece starts again
// from its beginning.
void MusicEnded();

// The players the calls above drive (the service's; none before it exists).
// Tests may install others.
tk::MediaPlayer* MusicPlayer();
tk::MediaPlayer* EffectsPlayer();
void SetPlayersOverride(tk::MediaPlayer* music, tk::MediaPlayer* effects);

}  // namespace tamiro
