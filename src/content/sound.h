#pragma once
// The program's music, sound effects and spoken words: the two players and
// the speaker, and everything that plays through them. Every form plays and
// speaks through these calls; none owns a player. Failures are silent:
// music, sound and speech are a help and a pleasure, never a failure.

#include <cstdint>
#include <memory>
#include <string>

#include "toolkit/forms.h"

namespace tk {
class MediaPlayer;
class Speaker;
}

namespace tamiro {

// The two players and the speaker for as long as the service lives. The main menu owns it,
// so they live for the whole run, and the desktop's media come and go with
// the menu.
class SoundService : public tk::Component {
 public:
  explicit SoundService(tk::Component* owner);
  ~SoundService() override;

  std::unique_ptr<tk::MediaPlayer> Music;    // MIDI, rewinds by hand to loop
  std::unique_ptr<tk::MediaPlayer> Effects;  // WAV, rewinds by itself
  std::unique_ptr<tk::Speaker> Voice;        // spoken words
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

// Spoken words, for children who cannot read yet. Speak says game text (in
// the code page) in the current language and cuts off what was being said;
// SpeakAfter lets what is being said end first (a game's first words follow
// the name of its tile). Nothing is said while the Speech setting is off or
// in a language without a voice. Sounds off leaves speech on. The text is
// given as the word is written, never as the capital-letters setting draws
// it, so that the setting does not change what is heard.
void Speak(const std::string& text);
void SpeakAfter(const std::string& text);
void StopSpeech();

// The synthesiser's voice for a language, as a language tag; empty for
// Breton, which has none.
std::string SpeechLanguage(int language);
// Game text as the synthesiser reads it: UTF-8 from the language's code
// page, Romanian with the comma-below letters that the voice reads right.
std::string SpokenText(const std::string& text, int language);
// A sum to say: "3 + 4", "5 minus 2", "3 mal 4", in the current language
// (op is '+', '-' or the multiplication sign).
std::string SpokenSum(int a, char op, int b);

// The players the calls above drive (the service's; none before it exists).
// Tests may install others.
tk::MediaPlayer* MusicPlayer();
tk::MediaPlayer* EffectsPlayer();
void SetPlayersOverride(tk::MediaPlayer* music, tk::MediaPlayer* effects);

}  // namespace tamiro
