// The progress page over the About window, on a record of the screen's own
// at a fixed date: --state empty (nothing played), day (one afternoon of
// play) or month (four weeks, two games never played).

#include <QDate>
#include <QDateTime>
#include <QTime>

#include "app/about.h"
#include "app/progress_page.h"
#include "content/game_record.h"
#include "screens.h"
#include "simulated_play.h"

namespace {

screenshot::ScreenFamily progress{
    "progress [--state empty|day|month]", [](const std::string& screen, const screenshot::ScreenOptions& o) {
      if (screen != "progress") return false;
      const std::string path = tamiro::RecordFilePath();
      // A Wednesday evening.
      const std::int64_t now = QDateTime(QDate(2026, 3, 18), QTime(18, 30)).toMSecsSinceEpoch();
      tamiro::SetRecordClockOverride([now] { return now; });
      simulated::Plan plan;
      plan.lastDay = tamiro::LocalDay(now);
      if (o.state == "day") {
        plan.days = 1;
        plan.exercises = {1, 2, 7, 9, 0};
      } else if (o.state == "month") {
        plan.days = 28;
        plan.gamesPerDay = 5;
        plan.exercises = {0, 1, 2, 3, 4, 5, 7, 8, 9, 10};
      } else if (!o.state.empty() && o.state != "empty") {
        return false;
      }
      if (o.state == "day" || o.state == "month") {
        tamiro::RecordStore store(path);
        simulated::Play(store, plan);
      }
      tamiro::frmAbout->Show();
      auto* page = tk::CreateForm<tamiro::TfrmProgress>(tamiro::frmAbout);
      tamiro::frmProgress = page;
      page->Show();
      return true;
    }};

}  // namespace
