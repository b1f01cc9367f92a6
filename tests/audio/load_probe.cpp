// Plays music through the real output and prints what the process costs:
// resident memory, and CPU use while music plays and while nothing plays.
//   audio_load_probe [seconds]
#include <sys/resource.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <cstdio>
#include <fstream>
#include <string>

#include "audio_players.h"
#include "music_source.h"
#include "sound_files.h"

namespace {

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

long ResidentKiB() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  }
  return -1;
}

void Spin(int ms) {
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < ms) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    QThread::msleep(20);
  }
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  tk::audio::SetSynthFactory(tk::audio::CreateFluidSynth);
  const int seconds = argc > 1 ? std::stoi(argv[1]) : 10;
  tamiro_test::TempDir dir;
  std::vector<tamiro_test::Note> tune;
  for (int i = 0; i < 64; ++i) tune.push_back({60 + (i * 5) % 24, 240});
  tamiro_test::WriteMidi(dir.File("tune.mid"), tune, 0);

  auto music = tk::CreateMusicPlayer();
  music->SetFileName(dir.File("tune.mid"));
  music->Open();
  music->AutoRewind = true;
  music->Play();
  Spin(1000);  // device and SoundFont come up

  double cpu = CpuSeconds();
  QElapsedTimer wall;
  wall.start();
  while (wall.elapsed() < seconds * 1000) {
    if (music->Mode() != tk::MediaMode::Playing) music->Play();
    Spin(200);
  }
  const double playing = (CpuSeconds() - cpu) / (static_cast<double>(wall.elapsed()) / 1000);
  const long rss_playing = ResidentKiB();
  const long position = static_cast<long>(music->Position());

  music->Stop();
  Spin(2000);  // the output goes quiet after a second of silence
  cpu = CpuSeconds();
  wall.restart();
  Spin(seconds * 1000);
  const double idle = (CpuSeconds() - cpu) / (static_cast<double>(wall.elapsed()) / 1000);

  std::printf("resident while playing: %.1f MiB\n", static_cast<double>(rss_playing) / 1024);
  std::printf("cpu while playing: %.2f %% of a core\n", playing * 100);
  std::printf("cpu while idle: %.2f %% of a core\n", idle * 100);
  std::printf("music position at the end: %ld ticks\n", position);
  return 0;
}
