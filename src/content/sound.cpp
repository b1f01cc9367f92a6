#include "content/sound.h"

#include "content/content_tables.h"
#include "content/settings.h"
#include "content/texts.h"
#include "toolkit/application.h"
#include "toolkit/code_page.h"
#include "toolkit/media.h"
#include "toolkit/media_player.h"

#include <QString>
#include <iterator>

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
      Effects(tk::CreateMediaPlayer(tk::MediaKind::Effects)),
      Voice(tk::CreateSpeaker()) {
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

namespace {

void SpeakInOrder(const std::string& text, tk::SpeechOrder order) {
  if (!Speech || !g_service || !g_service->Voice || text.empty()) return;
  const std::string language = SpeechLanguage(Language);
  if (language.empty()) return;
  try {
    g_service->Voice->Speak(SpokenText(text, Language), language, order);
  } catch (...) {
  }
}

}  // namespace

void Speak(const std::string& text) { SpeakInOrder(text, tk::SpeechOrder::Now); }

void SpeakAfter(const std::string& text) { SpeakInOrder(text, tk::SpeechOrder::AfterCurrent); }

void StopSpeech() {
  if (!g_service || !g_service->Voice) return;
  try {
    g_service->Voice->Stop();
  } catch (...) {
  }
}

std::string SpeechLanguage(int language) {
  // The voices of libespeak-ng by their language tags, in the order of the
  // language numbers. English is British, as the English texts are spelt.
  static const char* const kVoices[] = {"sv", "en-gb", "da", "nb", "fi", "de", "hr", "et", "fr-fr",
                                        "ca", "es", "es-419", "ro", "af", "", "pl", "it", "pt-br"};
  if (language < 1 || language > static_cast<int>(std::size(kVoices))) return {};
  return kVoices[language - 1];
}

std::string SpokenText(const std::string& text, int language) {
  QString unicode = tk::ToQString(text, CodePageForLanguage(language));
  if (language == 13) {
    // Romanian game text has the cedilla letters of its code page.
    static const char16_t kCedilla[] = u"\u015E\u015F\u0162\u0163";
    static const char16_t kCommaBelow[] = u"\u0218\u0219\u021A\u021B";
    for (int i = 0; i < 4; ++i) unicode.replace(QChar(kCedilla[i]), QChar(kCommaBelow[i]));
  }
  return unicode.toUtf8().toStdString();
}

std::string SpokenSum(int a, char op, int b) {
  // The synthesiser reads "+" in every language, but neither the minus
  // sign nor the multiplication sign.
  const std::string between = op == '+' ? "+" : LangString(op == '-' ? Text::Minus : Text::Times);
  return std::to_string(a) + " " + between + " " + std::to_string(b);
}

}  // namespace tamiro
