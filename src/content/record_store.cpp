#include "content/record_store.h"

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include <sys/stat.h>

namespace tamiro {

namespace {

namespace fs = std::filesystem;

constexpr const char* kSchema =
    "CREATE TABLE game ("
    " id INTEGER PRIMARY KEY,"
    " started INTEGER NOT NULL,"
    " day INTEGER NOT NULL,"
    " exercise INTEGER NOT NULL,"
    " seconds INTEGER NOT NULL,"
    " outcome INTEGER,"
    " level INTEGER,"
    " questions INTEGER, first_try INTEGER, wrong_clicks INTEGER,"
    " score INTEGER, caught INTEGER, missed INTEGER,"
    " wrong_letters INTEGER,"
    " cards INTEGER, turns INTEGER, pairs INTEGER);"
    "CREATE INDEX game_day ON game(day);";

// Version 1 to 2: the local text time becomes Unix time and its calendar
// day (the date as written, which is the local one); a row whose time does
// not read is dropped rather than stopping the rest.
constexpr const char* kFromVersion1 =
    "INSERT INTO game (id, started, day, exercise, seconds, outcome, questions, first_try, wrong_clicks,"
    " score, caught, missed, wrong_letters, cards, turns, pairs)"
    " SELECT id, CAST(strftime('%s', played) AS INTEGER),"
    " CAST(julianday(substr(played, 1, 10)) - 2440587.5 AS INTEGER),"
    " exercise, seconds, outcome, questions, first_try, wrong_clicks,"
    " score, caught, missed, wrong_letters, cards, turns, pairs"
    " FROM games WHERE strftime('%s', played) IS NOT NULL AND julianday(substr(played, 1, 10)) IS NOT NULL;"
    "DROP TABLE games;";

bool Damaged(int code) {
  const int primary = code & 0xFF;
  return primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB;
}

// A prepared statement that finalises itself.
class Statement {
 public:
  Statement(sqlite3* db, const char* sql) { code_ = sqlite3_prepare_v2(db, sql, -1, &statement_, nullptr); }
  ~Statement() { sqlite3_finalize(statement_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  bool Ok() const { return code_ == SQLITE_OK; }
  int Code() const { return code_; }
  void Bind(int index, std::int64_t value) { sqlite3_bind_int64(statement_, index, value); }
  void Bind(int index, const std::optional<int>& value) {
    if (value) sqlite3_bind_int(statement_, index, *value);
    else sqlite3_bind_null(statement_, index);
  }
  // True while there is a row; the code tells why it stopped.
  bool Step() {
    if (!statement_) return false;
    code_ = sqlite3_step(statement_);
    return code_ == SQLITE_ROW;
  }
  bool Done() const { return code_ == SQLITE_DONE; }
  bool Null(int column) const { return sqlite3_column_type(statement_, column) == SQLITE_NULL; }
  int Int(int column) const { return sqlite3_column_int(statement_, column); }
  std::optional<int> Optional(int column) const {
    return Null(column) ? std::nullopt : std::optional<int>(Int(column));
  }
  std::string Text(int column) const {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement_, column));
    return text ? text : "";
  }

 private:
  sqlite3_stmt* statement_ = nullptr;
  int code_ = SQLITE_OK;
};

// Runs statements without results; the SQLite result code.
int Execute(sqlite3* db, const char* sql) { return sqlite3_exec(db, sql, nullptr, nullptr, nullptr); }

struct Closer {
  void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
using Connection = std::unique_ptr<sqlite3, Closer>;

// A transaction that rolls back unless committed.
class Transaction {
 public:
  Transaction(sqlite3* db, const char* begin) : db_(db) { code_ = Execute(db, begin); }
  ~Transaction() {
    if (code_ == SQLITE_OK && !committed_) Execute(db_, "ROLLBACK");
  }
  bool Ok() const { return code_ == SQLITE_OK; }
  int Code() const { return code_; }
  bool Commit() {
    if (code_ != SQLITE_OK) return false;
    code_ = Execute(db_, "COMMIT");
    committed_ = code_ == SQLITE_OK;
    return committed_;
  }

 private:
  sqlite3* db_;
  int code_;
  bool committed_ = false;
};

int PageCount(sqlite3* db, const char* pragma) {
  Statement s(db, pragma);
  return s.Step() ? s.Int(0) : 0;
}

}  // namespace

int DayNumber(int year, int month, int day) {
  using namespace std::chrono;
  return static_cast<int>(
      sys_days(std::chrono::year(year) / static_cast<unsigned>(month) / static_cast<unsigned>(day))
          .time_since_epoch()
          .count());
}

std::string DayText(int day) {
  using namespace std::chrono;
  const year_month_day date{sys_days(days(day))};
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02u-%02u", static_cast<int>(date.year()),
                static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()));
  return text;
}

RecordStore::RecordStore(std::string path) : RecordStore(std::move(path), Limits{}) {}

RecordStore::RecordStore(std::string path, Limits limits) : path_(std::move(path)), limits_(limits) {}

bool RecordStore::PutAside(int today) {
  // Beside the file, with the date it was found damaged; a second one that
  // day gets a number.
  const fs::path file(path_);
  const std::string stem = file.stem().string() + "-damaged-" + DayText(today);
  fs::path aside;
  for (int n = 1;; ++n) {
    aside = file.parent_path() / (stem + (n > 1 ? "-" + std::to_string(n) : "") + file.extension().string());
    std::error_code ignored;
    if (!fs::exists(aside, ignored)) break;
  }
  std::error_code error;
  fs::rename(file, aside, error);
  if (error) return false;
  setAside_ = aside.string();
  // Its journal goes with it: applied to the new file it would damage that.
  for (const char* companion : {"-wal", "-shm"}) {
    std::error_code ignored;
    const fs::path from(path_ + companion);
    if (fs::exists(from, ignored)) fs::rename(from, fs::path(aside.string() + companion), ignored);
  }
  return true;
}

namespace {
// Which file a path names now; none when there is no file.
std::optional<std::pair<std::uint64_t, std::uint64_t>> Identity(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return std::nullopt;
  return std::pair<std::uint64_t, std::uint64_t>(info.st_dev, info.st_ino);
}
}  // namespace

RecordStore::~RecordStore() { Close(); }

void RecordStore::Close() {
  if (db_) sqlite3_close_v2(db_);
  db_ = nullptr;
}

sqlite3* RecordStore::Open(Access access, int today) {
  // The connection stays open while its file is the one the path names: a
  // file removed or replaced meanwhile is opened as it now is.
  if (db_ && Identity(path_) == identity_) return db_;
  Close();
  std::error_code error;
  const fs::path file(path_);
  if (access == Access::Write && !file.parent_path().empty()) {
    fs::create_directories(file.parent_path(), error);
    if (error) return nullptr;
  }
  // A damaged file is set aside and a new one begun, once.
  for (int attempt = 0; attempt < 2; ++attempt) {
    if (access == Access::Read && !fs::exists(file, error)) return nullptr;
    sqlite3* raw = nullptr;
    const int flags = SQLITE_OPEN_READWRITE | (access == Access::Write ? SQLITE_OPEN_CREATE : 0);
    const int code = sqlite3_open_v2(path_.c_str(), &raw, flags, nullptr);
    Connection db(raw);
    Found found = Found::Unavailable;
    if (code == SQLITE_OK) {
      sqlite3_busy_timeout(db.get(), limits_.busyMilliseconds);
      sqlite3_extended_result_codes(db.get(), 1);
      found = Prepare(db.get());
    } else if (Damaged(code)) {
      found = Found::Damaged;
    }
    if (found == Found::Ready) {
      identity_ = Identity(path_);
      db_ = db.release();
      return db_;
    }
    if (found == Found::Unavailable) return nullptr;
    db.reset();
    if (!PutAside(today)) return nullptr;
  }
  return nullptr;
}

// Sets the connection up and brings the schema to this version. A file is
// looked at before anything is written to it: one that is not ours, or is
// of a later version, is left exactly as it was found.
RecordStore::Found RecordStore::Prepare(sqlite3* db) {
  const auto failed = [db] { return Damaged(sqlite3_errcode(db)) ? Found::Damaged : Found::Unavailable; };
  if (!checked_) {
    // Damage inside the file shows only where it is read: the check reads
    // it all, once in a run.
    Statement check(db, "PRAGMA quick_check");
    if (!check.Step()) return failed();
    if (check.Text(0) != "ok") return Found::Damaged;
  }
  int version = -1;
  {
    Statement s(db, "PRAGMA user_version");
    if (!s.Step()) return failed();
    version = s.Int(0);
  }
  // A later version's file is left as it is for that version.
  if (version > kSchemaVersion) return Found::Unavailable;
  if (version < 0) return Found::Damaged;
  if (version == 0) {
    Statement tables(db, "SELECT count(*) FROM sqlite_master");
    if (!tables.Step()) return failed();
    // Some other program's database, or ours without its version: not a
    // record this program can read.
    if (tables.Int(0) != 0) return Found::Damaged;
  }
  checked_ = true;
  {
    Statement wal(db, "PRAGMA journal_mode=WAL");
    if (!wal.Step()) return failed();
  }
  // Each game is one commit to the journal, which goes into the file
  // every hundred pages; the journal is kept small.
  Execute(db, "PRAGMA synchronous=NORMAL");
  Execute(db, "PRAGMA wal_autocheckpoint=100");
  Execute(db, "PRAGMA journal_size_limit=524288");
  {
    Statement size(db, "PRAGMA page_size");
    const std::int64_t page = size.Step() ? std::max(512, size.Int(0)) : 4096;
    const std::string limit = "PRAGMA max_page_count=" + std::to_string(std::max<std::int64_t>(8, limits_.maxBytes / page));
    Execute(db, limit.c_str());
  }
  if (version == kSchemaVersion) return Found::Ready;
  Transaction t(db, "BEGIN IMMEDIATE");
  if (!t.Ok()) return failed();
  if (Execute(db, kSchema) != SQLITE_OK) return failed();
  if (version == 1 && Execute(db, kFromVersion1) != SQLITE_OK) return failed();
  const std::string stamp = "PRAGMA user_version=" + std::to_string(kSchemaVersion);
  if (Execute(db, stamp.c_str()) != SQLITE_OK || !t.Commit()) return failed();
  return Found::Ready;
}

bool RecordStore::Add(const GameResult& game, int today) {
  if (!Open(Access::Write, today)) return false;
  const bool added = Insert(game, today);
  // After a failure the next game opens the file afresh.
  if (!added) Close();
  return added;
}

bool RecordStore::Insert(const GameResult& game, int today) {
  sqlite3* db = db_;
  const auto insert = [&] {
    Statement s(db,
                "INSERT INTO game (started, day, exercise, seconds, outcome, level, questions, first_try, "
                "wrong_clicks, score, caught, missed, wrong_letters, cards, turns, pairs) "
                "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14, ?15, ?16)");
    s.Bind(1, game.started);
    s.Bind(2, static_cast<std::int64_t>(game.day));
    s.Bind(3, static_cast<std::int64_t>(game.exercise));
    s.Bind(4, static_cast<std::int64_t>(game.seconds));
    s.Bind(5, game.outcome ? std::optional<int>(static_cast<int>(*game.outcome)) : std::nullopt);
    s.Bind(6, game.level ? std::optional<int>(static_cast<int>(*game.level)) : std::nullopt);
    s.Bind(7, game.questions);
    s.Bind(8, game.firstTry);
    s.Bind(9, game.wrongClicks);
    s.Bind(10, game.score);
    s.Bind(11, game.caught);
    s.Bind(12, game.missed);
    s.Bind(13, game.wrongLetters);
    s.Bind(14, game.cards);
    s.Bind(15, game.turns);
    s.Bind(16, game.pairs);
    s.Step();
    return s.Code();
  };
  const auto run = [&](const char* sql) {
    Statement s(db, sql);
    s.Bind(1, static_cast<std::int64_t>(today - kKeptDays));
    s.Step();
    return s.Done();
  };
  // The second time round, at the size limit, the oldest month of records
  // makes room first; a disk that is full is left alone.
  for (int attempt = 0; attempt < 2; ++attempt) {
    Transaction t(db, "BEGIN IMMEDIATE");
    if (!t.Ok()) return false;
    if (!run("DELETE FROM game WHERE day < ?1")) return false;
    if (attempt == 1 && !run("DELETE FROM game WHERE day < (SELECT min(day) FROM game) + 30"))
      return false;
    const int code = insert();
    if (code == SQLITE_DONE) return t.Commit();
    // A page or two short of the limit is at it: one game may need a few.
    if ((code & 0xFF) != SQLITE_FULL ||
        PageCount(db, "PRAGMA page_count") + 16 < PageCount(db, "PRAGMA max_page_count"))
      return false;
  }
  return false;
}

std::optional<Progress> RecordStore::Read(int today, int monday) {
  std::error_code error;
  if (!Open(Access::Read, today)) return fs::exists(fs::path(path_), error) ? std::nullopt : std::optional(Progress{});
  std::optional<Progress> progress = Figures(today, monday);
  if (!progress) Close();
  return progress;
}

std::optional<Progress> RecordStore::Figures(int today, int monday) {
  sqlite3* db = db_;
  Transaction t(db, "BEGIN");
  if (!t.Ok()) return std::nullopt;
  Progress progress;
  const int first = today - kChartDays + 1;
  {
    Statement days(db,
                   "SELECT exercise, day, seconds, questions, first_try, caught, missed, outcome, pairs, turns "
                   "FROM game WHERE day BETWEEN ?1 AND ?2");
    days.Bind(1, static_cast<std::int64_t>(first));
    days.Bind(2, static_cast<std::int64_t>(today));
    while (days.Step()) {
      GameProgress& game = progress[days.Int(0)];
      const int day = days.Int(1);
      DayProgress& d = game.days[static_cast<std::size_t>(day - first)];
      d.seconds += days.Int(2);
      if (day >= monday) game.weekSeconds += days.Int(2);
      // The family's own measure, from the fields it keeps.
      if (!days.Null(3)) {
        d.measured += days.Int(4);
        d.of += days.Int(3);
      } else if (!days.Null(5)) {
        d.measured += days.Int(5);
        d.of += days.Int(5) + days.Int(6);
      } else if (!days.Null(9)) {
        d.measured += days.Int(8);
        d.of += days.Int(9);
      } else if (!days.Null(7)) {
        const int outcome = days.Int(7);
        if (outcome != static_cast<int>(GameOutcome::Left)) {
          d.measured += outcome == static_cast<int>(GameOutcome::Won);
          ++d.of;
        }
      }
    }
    if (!days.Done()) return std::nullopt;
  }
  {
    Statement best(db,
                   "SELECT exercise, count(*), max(first_try), max(score),"
                   " min(CASE WHEN outcome = 1 THEN wrong_letters END),"
                   " max(caught) IS NOT NULL, max(wrong_letters) IS NOT NULL, max(cards) IS NOT NULL"
                   " FROM game WHERE day >= ?1 GROUP BY exercise");
    best.Bind(1, static_cast<std::int64_t>(today - kKeptDays));
    while (best.Step()) {
      GameProgress& game = progress[best.Int(0)];
      game.kind = best.Int(5)   ? GameKind::Rain
                  : best.Int(6) ? GameKind::Hangman
                  : best.Int(7) ? GameKind::Memory
                                : GameKind::Choice;
      game.games = best.Int(1);
      game.mostFirstTry = best.Optional(2);
      game.bestScore = best.Optional(3);
      game.fewestWrongLetters = best.Optional(4);
    }
    if (!best.Done()) return std::nullopt;
  }
  {
    Statement boards(db,
                     "SELECT exercise, cards, min(turns) FROM game WHERE outcome = 1 AND cards IS NOT NULL"
                     " AND day >= ?1 GROUP BY exercise, cards ORDER BY cards");
    boards.Bind(1, static_cast<std::int64_t>(today - kKeptDays));
    while (boards.Step()) {
      GameProgress& game = progress[boards.Int(0)];
      game.bestCards = boards.Int(1);
      game.bestTurns = boards.Int(2);
    }
    if (!boards.Done()) return std::nullopt;
  }
  // Days in the chart but older than the record keeps are not its games.
  for (auto it = progress.begin(); it != progress.end();)
    it = it->second.games == 0 ? progress.erase(it) : std::next(it);
  return progress;
}

bool RecordStore::Clear(int today) {
  sqlite3* db = Open(Access::Write, today);
  if (!db) return false;
  if (Execute(db, "DELETE FROM game") != SQLITE_OK) {
    Close();
    return false;
  }
  // The space they took goes too, and nothing of them stays in the journal.
  Execute(db, "VACUUM");
  Execute(db, "PRAGMA wal_checkpoint(TRUNCATE)");
  return true;
}

}  // namespace tamiro
