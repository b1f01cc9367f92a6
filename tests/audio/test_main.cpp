// Runs the audio tests inside a QCoreApplication, so that the players'
// notifications (queued events) can be delivered, with the synthesizer
// linked in.
#include <gtest/gtest.h>

#include <QCoreApplication>

#include "music_source.h"

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  tk::audio::SetSynthFactory(tk::audio::CreateFluidSynth);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
