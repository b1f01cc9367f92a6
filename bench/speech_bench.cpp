// Spoken words through the program's own path: word memory on an offscreen
// screen, its cards turned as a click turns them, the real audio players and
// speaker, and the one output into the sound server of the environment (run
// it through bench/speech_bench.py, which starts one with a null sink).
//
// The latency of an event is the time from the card's turn to the first
// audible sample (above -40 dB) leaving the mixer, seen by the mixer's tap
// when it renders the block that holds it. A card turn both says its word and
// plays "VAND.WAV": speech is measured with sound effects off, the effect with
// speech off, the two taking turns so that both see the same machine. The
// gaps between turns are random, mostly short (the output runs) and every
// tenth longer than a second (the output has gone quiet and must resume).
//
//   speech_bench [--events 200] [--languages 1,2,...] [--record DIR] [--cpu]
// --record writes three utterances of each group of languages (and the
// counting tile's name with the question after it, and speech over the menu
// and rain music) as WAV files and prints their levels; --cpu measures the
// processor time while speaking and once silent, and how long a tile's click
// takes to open its game with speech on and off.

#include <QApplication>
#include <QElapsedTimer>
#include <QThread>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <ctime>
#include <fstream>
#include <mutex>
#include <random>

#include "audio_engine.h"
#include "audio_players.h"
#include "bench_support.h"
#include "content/content_tables.h"
#include "content/settings.h"
#include "content/sound.h"
#include "exercises/common/games.h"
#include "exercises/memory/memory_form.h"
#include "exercises/multiple_choice/mc_form.h"
#include "toolkit/media.h"

using namespace tamiro;
using Clock = std::chrono::steady_clock;

namespace {

constexpr float kAudible = 0.01f;  // -40 dB

// What the mixer's tap sees: the first audible block after an event, and the
// whole mix while recording.
struct Listener {
  std::atomic<std::int64_t> armed{0};  // the event's time, ns; 0 when none waits
  std::atomic<std::int64_t> heard{0};  // the latency found, ns
  std::atomic<std::int64_t> last_sound{0};
  std::mutex mutex;
  bool recording = false;
  std::vector<float> recorded;

  void Block(const float* mix, int frames) {
    const std::int64_t now = Clock::now().time_since_epoch().count();
    bool audible = false;
    for (int i = 0; i < frames * 2 && !audible; ++i) audible = std::fabs(mix[i]) > kAudible;
    if (audible) last_sound.store(now);
    std::int64_t event = armed.load();
    if (event != 0 && audible) {
      heard.store(now - event);  // before the event is marked heard
      armed.compare_exchange_strong(event, 0);
    }
    std::lock_guard lock(mutex);
    if (recording) recorded.insert(recorded.end(), mix, mix + frames * 2);
  }
};
Listener listener;

// Lets the events run for a while, pausing between them: briefly where a
// sound's first block is to be seen at once, longer where the processor
// time is measured and the waiting should cost next to nothing of it.
void Spin(int ms, int pause_us = 500) {
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < ms) {
    QCoreApplication::processEvents();
    QThread::usleep(pause_us);
  }
}
void Rest(int ms) { Spin(ms, 50000); }

// Waits for the event's first audible sample; its latency in ms, or -1.
double AwaitSound(int timeout_ms) {
  QElapsedTimer t;
  t.start();
  while (listener.armed.load() != 0 && t.elapsed() < timeout_ms) {
    QCoreApplication::processEvents();
    QThread::usleep(200);
  }
  if (listener.armed.exchange(0) != 0) return -1;
  return static_cast<double>(listener.heard.load()) / 1e6;
}

// Waits until the mix has been silent for a while.
void AwaitSilence(int quiet_ms, int timeout_ms) {
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < timeout_ms) {
    const auto since = Clock::now().time_since_epoch().count() - listener.last_sound.load();
    if (since > static_cast<std::int64_t>(quiet_ms) * 1000000) return;
    Spin(5);
  }
}

TfrmOvMemory* OpenWordMemory() {
  if (frmOvMemory) {
    frmOvMemory->Release();
    QCoreApplication::processEvents();
  }
  LaunchGame(frmHuvudmeny, 8);
  return frmOvMemory;
}

// Turns card i face up as a click on it does, all others face down first.
void TurnCard(TfrmOvMemory* form, int i) {
  for (int c = 0; c < memory::CardCount; ++c) memory::Cards[static_cast<std::size_t>(c)].FaceUp = false;
  memory::FirstCard = -1;
  memory::SecondCard = 1;
  const int x = i % memory::Columns * (memory::CardWidth + 6) + memory::CardWidth / 2;
  const int y = i / memory::Columns * (memory::CardHeight + 6) + memory::CardHeight / 2;
  form->Image1MouseDown(tk::MouseButton::Left, 0, x, y);
}

void UseLanguage(int language) {
  Language = language;
  LoadPictureCatalogue();
  LoadLanguageStrings();
}

struct Stats {
  double median, worst;
  int missed;
};
Stats Summarise(std::vector<double> ms, int missed) {
  std::sort(ms.begin(), ms.end());
  if (ms.empty()) return {0, 0, missed};
  return {ms[ms.size() / 2], ms.back(), missed};
}

void Latency(int events, const std::vector<int>& languages) {
  std::mt19937 random(7);
  std::vector<double> effects;
  int effectsMissed = 0;
  std::printf("%-24s %-6s %6s %9s %9s %7s\n", "language", "voice", "events", "median", "worst", "missed");
  // An effect event between speech events, spread over the languages: about
  // 200 in all, and at least one after every other speech event when few
  // languages are measured.
  const int effectsEvery = std::max(2, events * static_cast<int>(languages.size()) / 200);
  int sinceEffect = 0;
  for (int language : languages) {
    UseLanguage(language);
    TfrmOvMemory* form = OpenWordMemory();
    AwaitSilence(50, 2000);
    std::vector<double> speech;
    int missed = 0;
    for (int e = 0; e < events; ++e) {
      const bool effect = ++sinceEffect >= effectsEvery;
      if (effect) sinceEffect = 0;
      Spin(random() % 10 == 0 ? 1300 : 30 + static_cast<int>(random() % 250));
      Sounds = effect;
      Speech = !effect;
      listener.armed.store(Clock::now().time_since_epoch().count());
      TurnCard(form, e % memory::CardCount);
      const double ms = AwaitSound(1000);
      if (ms >= 0) (effect ? effects : speech).push_back(ms);
      else if (effect) ++effectsMissed;
      else ++missed;
      // The next turn cuts off the word; the effect plays to its end.
      if (!effect) StopSpeech();
      AwaitSilence(20, 1500);
      if (effect) --e;  // the effect is not one of the language's events
    }
    const Stats s = Summarise(speech, missed);
    std::printf("%-24s %-6s %6zu %6.1f ms %6.1f ms %7d\n", LanguageNames[static_cast<std::size_t>(language)].c_str(),
                SpeechLanguage(language).c_str(), speech.size(), s.median, s.worst, s.missed);
    std::fflush(stdout);
  }
  const Stats s = Summarise(effects, effectsMissed);
  std::printf("%-24s %-6s %6zu %6.1f ms %6.1f ms %7d\n", "sound effect VAND.WAV", "-", effects.size(), s.median,
              s.worst, s.missed);
  Sounds = Speech = true;
}

// The processor time of the whole process, every thread.
double CpuSeconds() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

void Cpu() {
  UseLanguage(1);
  TfrmOvMemory* form = OpenWordMemory();
  Sounds = false;
  // Speaking without a pause: a card turned every 0.4 s for ten seconds,
  // each word cutting off the one before.
  const double c0 = CpuSeconds();
  QElapsedTimer wall;
  wall.start();
  for (int i = 0; wall.elapsed() < 10000; ++i) {
    TurnCard(form, i % memory::CardCount);
    Rest(400);
  }
  const double speaking = (CpuSeconds() - c0) / (static_cast<double>(wall.elapsed()) / 1000) * 100;
  StopSpeech();
  Rest(2000);  // the output goes quiet after a second of silence
  const double c1 = CpuSeconds();
  Rest(5000);
  const double idle = (CpuSeconds() - c1) / 5 * 100;
  std::printf("CPU of the whole process: %.2f %% while a word is said every 0.4 s, %.2f %% once silent\n",
              speaking, idle);
  Sounds = true;
}

// Clicks the counting tile as the menu receives the click; returns how long
// the click took to open the game and draw its first question, in ms.
double ClickCountingTile() {
  for (const Game& g : Games()) {
    if (g.exercise != 1) continue;
    const QPoint c = frmHuvudmeny->shpOv[g.tile.number]->BoundsRect().center();
    QElapsedTimer t;
    t.start();
    frmHuvudmeny->DeliverMouseDown(tk::MouseButton::Left, 0, c.x(), c.y());
    const double ms = static_cast<double>(t.nsecsElapsed()) / 1e6;
    frmHuvudmeny->DeliverMouseUp(tk::MouseButton::Left, 0, c.x(), c.y());
    return ms;
  }
  return -1;
}

// Does saying the tile's name hold the game back? The click's own time to the
// game's first question drawn, with speech on and off, taking turns.
void TileDelay() {
  UseLanguage(1);
  Sounds = false;
  std::vector<double> on, off;
  for (int i = 0; i < 60; ++i) {
    Speech = i % 2 == 0;
    (Speech ? on : off).push_back(ClickCountingTile());
    if (frmOvMC) frmOvMC->Release();
    QCoreApplication::processEvents();
    StopSpeech();
    AwaitSilence(20, 3000);
  }
  bench::Report("tile click to game, speech on", on);
  bench::Report("tile click to game, speech off", off);
  Sounds = Speech = true;
}

void WriteWav(const std::string& path, const std::vector<float>& stereo) {
  std::ofstream out(path, std::ios::binary);
  const auto u32 = [&](std::uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
  const auto u16 = [&](std::uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
  const std::uint32_t bytes = static_cast<std::uint32_t>(stereo.size() * 2);
  out.write("RIFF", 4);
  u32(36 + bytes);
  out.write("WAVEfmt ", 8);
  u32(16);
  u16(1);
  u16(2);
  u32(44100);
  u32(44100 * 4);
  u16(4);
  u16(16);
  out.write("data", 4);
  u32(bytes);
  for (float x : stereo) {
    const auto s = static_cast<std::int16_t>(std::lround(std::clamp(x, -1.0f, 1.0f) * 32767));
    out.write(reinterpret_cast<const char*>(&s), 2);
  }
}

double Db(double x) { return x > 0 ? 20 * std::log10(x) : -999; }

// Records what the mixer sends while the action's words are said, and
// prints the levels: RMS and peak of the sounding part, samples at full
// scale, and the level of the last 10 ms of sound (an utterance cut off
// ends loud).
void Record(const std::string& dir, const std::string& name, const std::function<void()>& say, int lead_ms = 0) {
  {
    std::lock_guard lock(listener.mutex);
    listener.recorded.clear();
    listener.recording = true;
  }
  Spin(lead_ms);
  say();
  Spin(300);
  AwaitSilence(300, 5000);
  std::vector<float> mix;
  {
    std::lock_guard lock(listener.mutex);
    listener.recording = false;
    mix.swap(listener.recorded);
  }
  WriteWav(dir + "/" + name + ".wav", mix);
  std::size_t first = mix.size(), last = 0;
  for (std::size_t i = 0; i < mix.size(); ++i)
    if (std::fabs(mix[i]) > kAudible) first = std::min(first, i), last = i;
  if (first >= last) {
    std::printf("%-28s silent\n", name.c_str());
    return;
  }
  double energy = 0;
  float peak = 0;
  int clipped = 0;
  for (std::size_t i = first; i <= last; ++i) {
    energy += static_cast<double>(mix[i]) * mix[i];
    peak = std::max(peak, std::fabs(mix[i]));
    clipped += std::fabs(mix[i]) >= 0.999f;
  }
  double tail = 0;
  const std::size_t tail_from = last > 882 ? last - 882 : first;
  for (std::size_t i = tail_from; i <= last; ++i) tail += static_cast<double>(mix[i]) * mix[i];
  std::printf("%-28s %5.2f s  RMS %6.1f dBFS  peak %6.1f dBFS  clipped %d  last 10 ms %6.1f dBFS\n", name.c_str(),
              static_cast<double>(last - first) / 88200, Db(std::sqrt(energy / static_cast<double>(last + 1 - first))),
              Db(peak), clipped, Db(std::sqrt(tail / static_cast<double>(last + 1 - tail_from))));
  std::fflush(stdout);
}

void Recordings(const std::string& dir) {
  // Three utterances of each group: a counting question, a sum and a word
  // memory card, each from another language of the group.
  const std::vector<std::pair<const char*, std::vector<int>>> groups = {
      {"nordic", {1, 3, 4}}, {"finnic", {5, 8, 5}}, {"west-germanic", {2, 6, 14}},
      {"romance-iberian", {10, 11, 12}}, {"romance", {9, 17, 18}}, {"eastern", {7, 13, 16}}};
  Sounds = false;
  for (const auto& [group, languages] : groups) {
    UseLanguage(languages[0]);
    int counted = 1;
    while (Pictures[static_cast<std::size_t>(counted)].PluralName.empty()) ++counted;
    Record(dir, std::string(group) + "-1-" + SpeechLanguage(languages[0]) + "-question",
           [&] { Speak(CountingWords(counted) + "?"); });
    UseLanguage(languages[1]);
    Record(dir, std::string(group) + "-2-" + SpeechLanguage(languages[1]) + "-sum",
           [] { Speak(SpokenSum(7, '\xD7', 8)); });
    UseLanguage(languages[2]);
    TfrmOvMemory* form = OpenWordMemory();
    AwaitSilence(50, 2000);
    Record(dir, std::string(group) + "-3-" + SpeechLanguage(languages[2]) + "-card", [&] { TurnCard(form, 1); });
  }
  // The tile's name and the game's first question after it.
  UseLanguage(1);
  Record(dir, "tile-counting-sv", [] { ClickCountingTile(); });
  if (frmOvMC) frmOvMC->Release();
  QCoreApplication::processEvents();
  // Speech over the music, as the menu tile and the rain games have it.
  UseLanguage(1);
  Music = true;
  for (const char* tune : {"DIDELI.MID", "DROPPAR.MID"}) {
    PlayMusic(tune, 0, true);
    Spin(1500);
    Record(dir, std::string("music-") + tune, [] { Speak(LangString(Text::WordMemoryTile)); }, 1000);
    StopMusic();
  }
  Music = false;
  Sounds = true;
}

}  // namespace

int main(int argc, char** argv) {
  int events = 200;
  std::vector<int> languages;
  std::string record;
  bool cpu = false;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--events" && i + 1 < argc) events = std::atoi(argv[++i]);
    else if (a == "--languages" && i + 1 < argc) {
      for (const char* p = argv[++i]; *p;) {
        languages.push_back(std::atoi(p));
        while (*p && *p != ',') ++p;
        if (*p) ++p;
      }
    } else if (a == "--record" && i + 1 < argc) record = argv[++i];
    else if (a == "--cpu") cpu = true;
  }
  QTemporaryDir temp;
  bench::UseOffscreenScreen(temp, 1024, 768);
  QApplication app(argc, argv);
  bench::UseProgramFiles(temp);
  tk::SetMediaPlayerFactory([](tk::MediaKind kind) {
    return kind == tk::MediaKind::Music ? tk::CreateMusicPlayer() : tk::CreateEffectsPlayer();
  });
  tk::SetSpeakerFactory(tk::CreateSpeechPlayer);
  bench::StartProgram(false);
  // The players hold the engine; nothing has woken it yet.
  tk::audio::Engine::Shared()->mixer().tap = [](const float* mix, int frames) { listener.Block(mix, frames); };
  if (languages.empty())
    for (int n = 1; n <= kLanguageCount; ++n)
      if (!SpeechLanguage(n).empty()) languages.push_back(n);
  if (!record.empty()) {
    Recordings(record);
  } else if (cpu) {
    Cpu();
    TileDelay();
  } else {
    Latency(events, languages);
  }
  if (frmOvMemory) frmOvMemory->Release();
  QCoreApplication::processEvents();
  tk::Application::Instance().DestroyForms();
  return 0;
}
