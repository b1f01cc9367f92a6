// The long random-input soak, as a program of its own:
//
//   tamiro_soak [--events N] [--seed S]
//
// runs N events (default 1,000,000) and prints the events per second, the
// forms visited, the resident memory at the start and at the end, and every
// failure. Exit code 0 when nothing failed. TAMIRO_SOAK_PROGRAM_DIR names a
// copy of the program directory to run on.

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "reliability/soak.h"
#include "toolkit/application.h"

int main(int argc, char** argv) {
  long events = 1000000;
  std::uint64_t seed = 1;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--events") == 0) events = std::atol(argv[i + 1]);
    else if (std::strcmp(argv[i], "--seed") == 0) seed = std::strtoull(argv[i + 1], nullptr, 10);
  }
  if (!std::getenv("QT_QPA_PLATFORM"))
    setenv("QT_QPA_PLATFORM", "offscreen:configfile=" TAMIRO_SOURCE_DIR "/tests/screens/1024x768.json", 1);
  if (!std::getenv("QT_QPA_FONTDIR")) setenv("QT_QPA_FONTDIR", "/usr/share/fonts", 1);
  QApplication app(argc, argv);
  const reliability::SoakResult r = reliability::RunSoak(seed, events);
  tk::Application::Instance().Shutdown();
  std::printf("seed %llu: %ld events in %.1f s, %.0f events per second, %ld program starts\n",
              static_cast<unsigned long long>(r.seed), r.events, r.seconds, r.events / r.seconds, r.starts);
  std::printf("slowest event: %.1f ms of CPU time\n", r.slowestEventMs);
  std::printf("resident memory: %ld kB at the start, %ld kB at the end\n", r.residentStartKb, r.residentEndKb);
  std::printf("forms visited (events while on top):\n");
  for (const auto& [form, count] : r.visited) std::printf("  %-40s %ld\n", form.c_str(), count);
  std::printf("language changes (through the About form):");
  for (const auto& [language, count] : r.languages) std::printf(" %d:%ld", language, count);
  std::printf("\n");
  std::printf("%zu failures\n", r.failures.size());
  for (const std::string& f : r.failures) std::printf("  %s\n", f.c_str());
  return r.failures.empty() ? 0 : 1;
}
