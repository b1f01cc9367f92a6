#include "content/game_record.h"

#include <QDate>
#include <QDateTime>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <future>
#include <memory>
#include <mutex>
#include <thread>

#include "toolkit/profile.h"

namespace tamiro {

namespace {

std::optional<std::string> g_fileOverride;
std::function<std::int64_t()> g_clock;
std::atomic<bool> g_recording{true};

// The thread that writes: jobs run in the order they were handed over, each
// on the store of the path that was in force when it was.
class Writer {
 public:
  using Job = std::function<void(RecordStore&)>;

  ~Writer() { Stop(); }

  void Post(std::string path, Job job) {
    std::lock_guard lock(mutex_);
    queue_.push_back({std::move(path), std::move(job)});
    if (!thread_.joinable()) {
      stopping_ = false;
      thread_ = std::thread([this] { Run(); });
    }
    wake_.notify_one();
  }

  void Flush() {
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return queue_.empty() && !busy_; });
  }

  void Stop() {
    {
      std::lock_guard lock(mutex_);
      stopping_ = true;
      wake_.notify_one();
    }
    if (thread_.joinable()) thread_.join();
    stores_.clear();
  }

 private:
  struct Entry {
    std::string path;
    Job job;
  };

  void Run() {
    std::unique_lock lock(mutex_);
    for (;;) {
      wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
      if (queue_.empty()) break;  // stopping, with nothing left to write
      Entry entry = std::move(queue_.front());
      queue_.pop_front();
      busy_ = true;
      lock.unlock();
      auto& store = stores_[entry.path];
      if (!store) store = std::make_unique<RecordStore>(entry.path);
      entry.job(*store);
      lock.lock();
      busy_ = false;
      if (queue_.empty()) idle_.notify_all();
    }
    busy_ = false;
    idle_.notify_all();
  }

  std::mutex mutex_;
  std::condition_variable wake_, idle_;
  std::deque<Entry> queue_;
  bool busy_ = false;
  bool stopping_ = false;
  std::thread thread_;
  // Only the thread touches the stores while it runs.
  std::map<std::string, std::unique_ptr<RecordStore>> stores_;
};

Writer& TheWriter() {
  static Writer writer;
  return writer;
}

int Today() { return LocalDay(RecordClock()); }

// Runs a job on the writing thread and waits for its answer.
template <class T>
T Ask(std::function<T(RecordStore&)> job) {
  auto promise = std::make_shared<std::promise<T>>();
  std::future<T> answer = promise->get_future();
  TheWriter().Post(RecordFilePath(), [promise, job = std::move(job)](RecordStore& store) {
    promise->set_value(job(store));
  });
  return answer.get();
}

}  // namespace

std::string RecordFilePath() {
  if (g_fileOverride) return *g_fileOverride;
  return tk::UserFilePath(tk::UserFolder::Data, "progress.sqlite");
}

void SetRecordFileOverride(std::optional<std::string> path) { g_fileOverride = std::move(path); }

std::int64_t RecordClock() { return g_clock ? g_clock() : QDateTime::currentMSecsSinceEpoch(); }

void SetRecordClockOverride(std::function<std::int64_t()> clock) { g_clock = std::move(clock); }

int LocalDay(std::int64_t milliseconds) {
  const QDate date = QDateTime::fromMSecsSinceEpoch(milliseconds).date();
  return DayNumber(date.year(), date.month(), date.day());
}

int MondayOf(int day) {
  // Day 0, 1970-01-01, was a Thursday.
  const int weekday = ((day % 7) + 7 + 3) % 7;  // 0 for Monday
  return day - weekday;
}

void SetRecording(bool on) { g_recording = on; }
bool Recording() { return g_recording; }

void RecordGame(GameResult game) {
  if (!g_recording) return;
  game.day = LocalDay(game.started * 1000);
  const int today = Today();
  TheWriter().Post(RecordFilePath(), [game, today](RecordStore& store) { store.Add(game, today); });
}

std::optional<Progress> ReadProgress() {
  const int today = Today();
  return Ask<std::optional<Progress>>([today](RecordStore& store) { return store.Read(today, MondayOf(today)); });
}

bool ClearRecord() {
  const int today = Today();
  return Ask<bool>([today](RecordStore& store) { return store.Clear(today); });
}

void FlushRecord() { TheWriter().Flush(); }

void StopRecord() { TheWriter().Stop(); }

}  // namespace tamiro
