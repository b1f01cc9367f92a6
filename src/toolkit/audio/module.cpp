// The entry point of the audio module, which the program loads at run time.

#include "audio_players.h"

extern "C" __attribute__((visibility("default"))) tk::MediaPlayer* tamiro_audio_create_player(int kind) {
  auto player = kind == 0 ? tk::CreateMusicPlayer() : tk::CreateEffectsPlayer();
  return player.release();
}

extern "C" __attribute__((visibility("default"))) tk::Speaker* tamiro_audio_create_speaker() {
  return tk::CreateSpeechPlayer().release();
}
