// The players through the real output: a PulseAudio stream into a server
// that the test starts for itself, with a null sink whose monitor the test
// records. The recording shows what a child would have heard.
#include <gtest/gtest.h>
#include <signal.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <optional>
#include <string>
#include <vector>

#include "event_loop.h"
#include "audio_players.h"
#include "sound_files.h"

extern char** environ;

using tamiro_test::SpinUntil;
using tamiro_test::TempDir;
using tk::MediaMode;

namespace {

constexpr int kRate = 44100;

std::optional<std::string> FindProgram(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::string dirs = path ? path : "/usr/bin:/bin";
  size_t start = 0;
  while (start <= dirs.size()) {
    const size_t end = dirs.find(':', start);
    const std::string dir = dirs.substr(start, end == std::string::npos ? std::string::npos : end - start);
    const std::filesystem::path candidate = std::filesystem::path(dir) / name;
    if (!dir.empty() && access(candidate.c_str(), X_OK) == 0) return candidate.string();
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return std::nullopt;
}

// A child process with its output sent to a file; ended with the object.
class Child {
 public:
  Child(const std::vector<std::string>& argv, const std::string& out, const std::string& err) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    if (posix_spawn(&pid_, args[0], &actions, nullptr, args.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
  }
  ~Child() { Stop(); }
  bool Running() {
    if (pid_ <= 0) return false;
    return waitpid(pid_, nullptr, WNOHANG) == 0;
  }
  // SIGTERM, then SIGKILL if it has not gone within two seconds.
  void Stop() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    for (int i = 0; i < 200; ++i) {
      if (waitpid(pid_, nullptr, WNOHANG) != 0) {
        pid_ = -1;
        return;
      }
      usleep(10000);
    }
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }

 private:
  pid_t pid_ = -1;
};

void Spin(int ms) {
  SpinUntil([] { return false; }, ms);
}

// The power of one frequency in a window, relative to the window's energy:
// close to 1 for a pure tone of that frequency, near 0 for other tones.
double ToneShare(const float* x, size_t n, double frequency) {
  double re = 0, im = 0, energy = 0;
  for (size_t i = 0; i < n; ++i) {
    const double phase = 2 * std::numbers::pi * frequency * static_cast<double>(i) / kRate;
    re += x[i] * std::cos(phase);
    im += x[i] * std::sin(phase);
    energy += static_cast<double>(x[i]) * x[i];
  }
  if (energy < 1e-9) return 0;
  return 2 * (re * re + im * im) / (static_cast<double>(n) * energy);
}

double Rms(const float* x, size_t n) {
  double energy = 0;
  for (size_t i = 0; i < n; ++i) energy += static_cast<double>(x[i]) * x[i];
  return std::sqrt(energy / static_cast<double>(n));
}

struct ToneRun {
  int tone;      // index into the tones, or -1 for none
  size_t first;  // window index
  size_t count;
};

// Labels 10 ms windows with the tone that fills them and joins equal labels
// into runs; a single odd window inside a run is taken as part of it.
std::vector<ToneRun> ToneRuns(const std::vector<float>& left, const std::vector<double>& tones) {
  const size_t window = kRate / 100;
  std::vector<int> labels;
  for (size_t at = 0; at + window <= left.size(); at += window) {
    int label = -1;
    if (Rms(&left[at], window) > 0.05) {
      for (size_t t = 0; t < tones.size(); ++t) {
        if (ToneShare(&left[at], window, tones[t]) > 0.6) label = static_cast<int>(t);
      }
    }
    labels.push_back(label);
  }
  for (size_t i = 1; i + 1 < labels.size(); ++i) {
    if (labels[i] != labels[i - 1] && labels[i - 1] == labels[i + 1]) labels[i] = labels[i - 1];
  }
  std::vector<ToneRun> runs;
  for (size_t i = 0; i < labels.size(); ++i) {
    if (!runs.empty() && runs.back().tone == labels[i]) {
      ++runs.back().count;
    } else {
      runs.push_back({labels[i], i, 1});
    }
  }
  std::erase_if(runs, [](const ToneRun& r) { return r.tone < 0; });
  return runs;
}

class AudioIntegration : public testing::Test {
 protected:
  void SetUp() override {
    pulseaudio_ = FindProgram("pulseaudio");
    parec_ = FindProgram("parec");
    if (!pulseaudio_ || !parec_) GTEST_SKIP() << "pulseaudio or parec is not installed";

    const std::string socket = dir_.File("native");
    std::filesystem::create_directories(dir_.path() / "runtime");
    std::filesystem::create_directories(dir_.path() / "state");
    std::ofstream(dir_.File("client.conf")) << "autospawn = no\n";
    setenv("HOME", dir_.path().c_str(), 1);
    setenv("XDG_RUNTIME_DIR", dir_.File("runtime").c_str(), 1);
    setenv("PULSE_RUNTIME_PATH", dir_.File("runtime").c_str(), 1);
    setenv("PULSE_STATE_PATH", dir_.File("state").c_str(), 1);
    setenv("PULSE_CLIENTCONFIG", dir_.File("client.conf").c_str(), 1);
    setenv("PULSE_SERVER", ("unix:" + socket).c_str(), 1);
    StartServer();
  }

  // The server, with a null sink, and a recorder of what reaches the sink.
  void StartServer() {
    const std::string socket = dir_.File("native");
    std::filesystem::remove(socket);
    server_.emplace(std::vector<std::string>{
        *pulseaudio_, "-n", "--daemonize=no", "--system=no", "--exit-idle-time=-1",
        "--disallow-exit", "--use-pid-file=no", "--disable-shm=yes", "--log-target=stderr",
        "-L", "module-null-sink sink_name=tamiro_null rate=44100 channels=2 norewinds=1",
        "-L", "module-native-protocol-unix auth-anonymous=1 socket=" + socket},
        "/dev/null", dir_.File("pulseaudio.log"));
    ASSERT_TRUE(SpinUntil([&] { return std::filesystem::exists(socket) || !server_->Running(); }, 10000))
        << "the PulseAudio server did not come up";
    ASSERT_TRUE(server_->Running()) << "the PulseAudio server stopped: " << ServerLog();

    recorder_.emplace(std::vector<std::string>{
        *parec_, "-d", "tamiro_null.monitor", "--format=s16le", "--rate=44100",
        "--channels=2", "--latency-msec=20"},
        dir_.File("recording.raw"), dir_.File("parec.log"));
    ASSERT_TRUE(SpinUntil([&] {
      std::error_code ec;
      return std::filesystem::file_size(dir_.File("recording.raw"), ec) > 44100 || !recorder_->Running();
    }, 10000)) << "the recorder did not start";
    ASSERT_TRUE(recorder_->Running()) << "parec stopped";
  }

  void StopServer() {
    recorder_.reset();
    server_.reset();
  }

  void TearDown() override {
    recorder_.reset();
    server_.reset();
  }

  std::string ServerLog() {
    std::ifstream in(dir_.File("pulseaudio.log"));
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  // What pactl says about the test's server ("" when pactl is missing).
  std::string Pactl(const std::string& arguments) {
    const auto pactl = FindProgram("pactl");
    if (!pactl) return {};
    std::string out;
    if (FILE* pipe = popen((*pactl + " " + arguments + " 2>/dev/null").c_str(), "r")) {
      char buffer[4096];
      size_t n;
      while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
      pclose(pipe);
    }
    return out;
  }

  // Stops the recorder and returns the left channel of what it recorded.
  std::vector<float> Recording() {
    recorder_.reset();
    std::ifstream in(dir_.File("recording.raw"), std::ios::binary);
    std::vector<float> left;
    std::int16_t frame[2];
    while (in.read(reinterpret_cast<char*>(frame), sizeof frame)) left.push_back(frame[0] / 32768.0f);
    return left;
  }

  TempDir dir_;
  std::optional<std::string> pulseaudio_, parec_;
  std::optional<Child> server_, recorder_;
};

}  // namespace

TEST_F(AudioIntegration, EffectsAndMusicSoundAsRequested) {
  QElapsedTimer test_time;
  test_time.start();
  // Effects as pure tones, told apart in the recording by their pitch.
  // Above the music's notes, so that its flute is never taken for one.
  const std::vector<double> tones = {1500, 2000, 2600, 3300, 4200, 5200};
  enum { kWarmUp, kWhole, kCut, kCutter, kAgain, kAfterPause };
  const int lengths[] = {200, 600, 1500, 500, 1000, 400};
  const char* names[] = {"warm.wav", "whole.wav", "cut.wav", "cutter.wav", "again.wav",
                         "after-pause.wav"};
  for (int i = 0; i < 6; ++i) {
    tamiro_test::WriteSineWav(dir_.File(names[i]), tones[static_cast<size_t>(i)], lengths[i]);
  }
  // Music: a flute climbing in fourths, half a second a note.
  const std::vector<int> keys = {60, 65, 70, 75, 80, 85};
  std::vector<tamiro_test::Note> tune;
  for (int key : keys) tune.push_back({key, 480});
  tamiro_test::WriteMidi(dir_.File("tune.mid"), tune, 73);

  auto effects = tk::CreateEffectsPlayer();
  auto music = tk::CreateMusicPlayer();
  int notified = 0;
  effects->OnNotify = [&] { ++notified; };
  auto play_effect = [&](int which) {
    effects->SetFileName(dir_.File(names[which]));
    effects->Open();
    effects->Play();
  };

  // The first sound brings the output up; wait until it has been played.
  play_effect(kWarmUp);
  ASSERT_TRUE(SpinUntil([&] { return effects->Mode() == MediaMode::Stopped; }, 15000))
      << "the output did not start";
  Spin(300);

  // An effect plays whole, and its end is told.
  effects->Notify = true;
  play_effect(kWhole);
  effects->Notify = false;
  ASSERT_TRUE(SpinUntil([&] { return notified == 1; }, 5000));
  Spin(300);

  // A new effect cuts off the one playing.
  play_effect(kCut);
  Spin(400);
  play_effect(kCutter);
  ASSERT_TRUE(SpinUntil([&] { return effects->Mode() == MediaMode::Stopped; }, 5000));
  Spin(300);

  // The same effect asked for again goes on.
  play_effect(kAgain);
  Spin(400);
  effects->Play();
  EXPECT_EQ(effects->Mode(), MediaMode::Playing);
  ASSERT_TRUE(SpinUntil([&] { return effects->Mode() == MediaMode::Stopped; }, 5000));
  Spin(300);

  // Music stops, keeps its place, and resumes from it.
  music->SetFileName(dir_.File("tune.mid"));
  music->Open();
  music->Play();
  Spin(1250);
  music->Stop();
  Spin(50);
  const std::int64_t saved = music->Position();
  Spin(600);
  music->Seek(saved);
  music->Play();
  Spin(300);
  const std::int64_t resumed = music->Position();
  Spin(600);
  music->Stop();

  // After more than a second of silence the output stops pulling (its stream
  // is corked); the next effect wakes it and still plays whole.
  Spin(1800);
  const std::string idle_streams = Pactl("list sink-inputs");
  play_effect(kAfterPause);
  ASSERT_TRUE(SpinUntil([&] { return effects->Mode() == MediaMode::Stopped; }, 5000));
  Spin(300);
  music.reset();
  effects.reset();

  const std::vector<float> left = Recording();
  ASSERT_GT(left.size(), static_cast<size_t>(kRate * 5)) << "the recording is too short";

  const std::vector<ToneRun> runs = ToneRuns(left, tones);
  std::vector<std::vector<ToneRun>> by_tone(tones.size());
  std::string found;
  for (const ToneRun& run : runs) {
    by_tone[static_cast<size_t>(run.tone)].push_back(run);
    found += std::to_string(static_cast<int>(tones[static_cast<size_t>(run.tone)])) + " Hz at " +
             std::to_string(run.first * 10) + " ms for " + std::to_string(run.count * 10) + " ms; ";
  }
  SCOPED_TRACE("tones in the recording: " + found);
  for (size_t t = 0; t < tones.size(); ++t) {
    ASSERT_EQ(by_tone[t].size(), 1u) << "the " << tones[t] << " Hz effect should sound once, in one piece";
  }
  auto ms = [](const ToneRun& run) { return static_cast<int>(run.count) * 10; };
  EXPECT_NEAR(ms(by_tone[kWarmUp][0]), 200, 60);
  EXPECT_NEAR(ms(by_tone[kWhole][0]), 600, 60);
  // Cut off after about 400 ms of its 1500; the new one follows at once.
  EXPECT_GE(ms(by_tone[kCut][0]), 200);
  EXPECT_LE(ms(by_tone[kCut][0]), 800);
  EXPECT_NEAR(ms(by_tone[kCutter][0]), 500, 60);
  const size_t cut_end = by_tone[kCut][0].first + by_tone[kCut][0].count;
  EXPECT_LE(by_tone[kCutter][0].first - cut_end, 4u) << "a gap between the cut and the new effect";
  // Played once through, not restarted by the second Play (that would be 1400 ms).
  EXPECT_NEAR(ms(by_tone[kAgain][0]), 1000, 60);
  EXPECT_NEAR(ms(by_tone[kAfterPause][0]), 400, 60);
  if (!idle_streams.empty()) {
    EXPECT_NE(idle_streams.find("Corked: yes"), std::string::npos) << idle_streams;
    EXPECT_EQ(idle_streams.find("Corked: no"), std::string::npos) << idle_streams;
  }

  // The music, after the last effect: which note sounds in each 100 ms.
  const size_t music_from = (by_tone[kAgain][0].first + by_tone[kAgain][0].count + 10) * (kRate / 100);
  ASSERT_LT(music_from, left.size());
  const size_t window = kRate / 10;
  std::vector<double> rms;
  std::vector<int> note;
  double loudest = 0;
  const size_t music_to = by_tone[kAfterPause][0].first * (kRate / 100);
  ASSERT_LT(music_from, music_to);
  for (size_t at = music_from; at + window <= music_to; at += window) {
    rms.push_back(Rms(&left[at], window));
    loudest = std::max(loudest, rms.back());
    int best = 0;
    double best_share = 0;
    for (size_t k = 0; k < keys.size(); ++k) {
      const double f = 440 * std::pow(2.0, (keys[k] - 69) / 12.0);
      const double share = ToneShare(&left[at], window, f);
      if (share > best_share) {
        best_share = share;
        best = static_cast<int>(k);
      }
    }
    note.push_back(best);
  }
  ASSERT_GT(loudest, 0.02) << "no music in the recording";
  // Sounding windows, the pause after Stop, then sounding again.
  std::vector<bool> sounding;
  for (double r : rms) sounding.push_back(r > loudest * 0.1);
  size_t i = 0;
  while (i < sounding.size() && !sounding[i]) ++i;
  const size_t first_sound = i;
  while (i < sounding.size() && sounding[i]) ++i;
  const size_t pause = i;
  while (i < sounding.size() && !sounding[i]) ++i;
  const size_t second_sound = i;
  ASSERT_LT(second_sound, sounding.size()) << "the music did not sound again after the pause";
  EXPECT_GE((pause - first_sound) * 100, 900u) << "the first part of the music is too short";
  EXPECT_GE((second_sound - pause) * 100, 200u) << "the music did not pause while stopped";

  // It goes on with the note it was stopped in, not with the first one.
  ASSERT_GT(saved, 480);
  const int stopped_note = static_cast<int>(saved / 480);
  // The last window before the pause may hold the note before the stopped one
  // when Stop came just after a note began.
  EXPECT_TRUE(note[pause - 1] == stopped_note || note[pause - 1] == stopped_note - 1)
      << "last sounding note " << note[pause - 1] << ", stopped on " << stopped_note;
  EXPECT_TRUE(note[second_sound] == stopped_note || note[second_sound] == stopped_note + 1)
      << "resumed on note " << note[second_sound] << ", stopped on " << stopped_note;
  EXPECT_GE(resumed, saved + 150);

  EXPECT_LT(test_time.elapsed(), 60000);
}

TEST_F(AudioIntegration, TheSoundServerGoingAwayAndComingBack) {
  tamiro_test::WriteSineWav(dir_.File("tone.wav"), 2000, 300);
  const std::vector<double> tones = {2000};
  auto effects = tk::CreateEffectsPlayer();
  auto play = [&] {
    effects->SetFileName(dir_.File("tone.wav"));
    effects->Open();
    effects->Play();
  };
  play();
  ASSERT_TRUE(SpinUntil([&] { return effects->Mode() == MediaMode::Stopped; }, 15000)) << "the output did not start";

  // The server goes away in the middle of a game: every request still
  // returns at once, and the sounds still come to their end, in silence.
  StopServer();
  QElapsedTimer requests;
  for (int i = 0; i < 10; ++i) {
    requests.start();
    play();
    EXPECT_LT(requests.elapsed(), 200) << "a request waited for the server";
    EXPECT_TRUE(SpinUntil([&] { return effects->Mode() == MediaMode::Stopped; }, 5000)) << "sound " << i;
  }

  // The server comes back; the next start of the program is heard again.
  effects.reset();
  ASSERT_NO_FATAL_FAILURE(StartServer());
  setenv("TAMIRO_TEST_TONE", dir_.File("tone.wav").c_str(), 1);
  Child next({"/proc/self/exe", "--gtest_also_run_disabled_tests", "--gtest_filter=NextStart.DISABLED_PlaysTheTone"},
             dir_.File("next.out"), dir_.File("next.err"));
  ASSERT_TRUE(SpinUntil([&] { return !next.Running(); }, 20000)) << "the next start did not end";
  Spin(300);
  const std::vector<ToneRun> runs = ToneRuns(Recording(), tones);
  ASSERT_EQ(runs.size(), 1u) << "the tone after the server came back was not heard";
  EXPECT_NEAR(static_cast<int>(runs[0].count) * 10, 300, 60);
}

// The program started again: plays the tone it is given, once, and ends.
TEST(NextStart, DISABLED_PlaysTheTone) {
  const char* tone = std::getenv("TAMIRO_TEST_TONE");
  ASSERT_NE(tone, nullptr);
  auto effects = tk::CreateEffectsPlayer();
  effects->SetFileName(tone);
  effects->Open();
  effects->Play();
  ASSERT_TRUE(SpinUntil([&] { return effects->Mode() == MediaMode::Stopped; }, 15000));
  Spin(200);
}
