// The record of games and the progress page, on a 1920 x 1080 screen:
//
// - what recording a game costs the user-interface thread: the end of a
//   hangman game through its exercise frame (the game's result taken and
//   handed to the writing thread), 1000 games, with the writer idle (a game
//   a minute, as children play) and with it busy (games back to back);
// - what the writing thread pays for one game (one transaction), for
//   comparison: the cost the games would see if they wrote themselves;
// - the size of the file after a simulated year: a child who plays on four
//   days in five, six games a day, and one who plays twenty games every day;
// - opening the progress page (reading the record, drawing every chart and
//   painting the screen) with that busiest year in the record.
//
// Elapsed time and this thread's processor time, in milliseconds.

#include <QApplication>
#include <QDate>
#include <QDateTime>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTime>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app/about.h"
#include "app/progress_page.h"
#include "bench_support.h"
#include "content/game_record.h"
#include "exercises/common/games.h"
#include "exercises/hangman/hangman_form.h"
#include "simulated_play.h"
#include "toolkit/application.h"

namespace {

std::uintmax_t RecordBytes(const std::string& path) {
  std::error_code e;
  std::uintmax_t bytes = std::filesystem::file_size(path, e);
  for (const char* companion : {"-wal", "-shm"}) {
    const std::uintmax_t more = std::filesystem::file_size(path + companion, e);
    if (!e) bytes += more;
  }
  return bytes;
}

}  // namespace

int main(int argc, char* argv[]) {
  QTemporaryDir temp;
  bench::UseOffscreenScreen(temp, 1920, 1080);
  QApplication qapp(argc, argv);
  bench::UseProgramFiles(temp);
  const std::int64_t now = QDateTime(QDate(2026, 3, 18), QTime(18, 30)).toMSecsSinceEpoch();
  const int today = tamiro::LocalDay(now);
  tamiro::SetRecordClockOverride([now] { return now; });
  bench::StartProgram(true);

  // The end of a game, as hangman's last letter ends it.
  tamiro::LaunchGame(tamiro::frmHuvudmeny, 0);
  tamiro::TfrmOvHangman* form = tamiro::frmOvHangman;
  tamiro::hangman::LetterUsed[1] = true;
  for (bool idle : {true, false}) {
    bench::Timings handOver;
    for (int i = 0; i < 1000; ++i) {
      if (idle) tamiro::FlushRecord();
      form->frame->GameBegins();
      handOver.Time([&] { form->frame->GameEnds(); });
    }
    tamiro::FlushRecord();
    handOver.Report(idle ? "game recorded, writer idle" : "game recorded, writer busy");
  }

  // One game written in its own transaction, on this thread.
  {
    tamiro::RecordStore store(temp.filePath("direct.sqlite").toStdString());
    simulated::Plan plan;
    plan.lastDay = today;
    plan.days = 50;
    plan.gamesPerDay = 20;
    plan.playedShare = 100;
    bench::Timings write;
    for (const tamiro::GameResult& game : simulated::Games(plan))
      write.Time([&] { store.Add(game, game.day); });
    write.Report("one game written (writing thread)");
  }

  // A year of play, two children.
  std::string busiest;
  for (const auto& [perDay, share] : {std::pair{6, 80}, std::pair{20, 100}}) {
    simulated::Plan plan;
    plan.lastDay = today;
    plan.days = 365;
    plan.gamesPerDay = perDay;
    plan.playedShare = share;
    const std::string path = temp.filePath(QString("year-%1.sqlite").arg(perDay)).toStdString();
    int written = 0;
    {
      tamiro::RecordStore store(path);
      written = simulated::Play(store, plan);
      std::printf("a year, %2d games on %3d%% of the days: %5d games, %8ju bytes while open",
                  perDay, share, written, RecordBytes(path));
    }
    std::printf(", %8ju bytes closed (%.1f bytes a game)\n", RecordBytes(path),
                static_cast<double>(RecordBytes(path)) / written);
    busiest = path;
  }

  // The page over the About window, with the busiest year in the record.
  tamiro::SetRecordFileOverride(busiest);
  tamiro::frmAbout->Show();
  bench::Timings open;
  for (int i = 0; i < 30; ++i) {
    open.Time([&] {
      auto* page = tk::CreateForm<tamiro::TfrmProgress>(tamiro::frmAbout);
      page->Show();
      tk::Application::Instance().Window()->repaint();
      page->Release();
    });
    tk::Application::ProcessMessages();
  }
  open.Report("progress page opened, a busy year");

  tk::Application::Instance().Shutdown();
  tamiro::StopRecord();
  return 0;
}
