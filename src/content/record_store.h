#pragma once
// The record of games on disk: one SQLite database file (WAL journal), one
// row per finished or left game, nothing but when, which exercise, how long
// and the result in the family's own terms, each game in a transaction of
// its own. The file stays open between operations while it is the file the
// path names; one that was removed or replaced in the meantime, or one that
// failed an operation, is opened afresh, so it is found as it now is. No
// operation ever throws: a folder that cannot be made, a file that is
// locked, read-only or full makes it return false (or nothing) and leaves
// the file as it was; a file that is not a database of ours or is damaged
// is set aside under a name with the date and a new one begun.
//
// The schema has a version (SQLite's user_version). Version 1 kept the start
// as local text time ("2026-03-05T16:20:00+01:00") and no level; version 2
// keeps it as Unix time with the local calendar day beside it, indexed, so
// that a day's games are found without reading the others, and the level of
// the arithmetic games. A version-1 file is brought to version 2 when it is
// first opened.

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>

struct sqlite3;

namespace tamiro {

enum class GameOutcome : int { Won = 1, Lost = 2, Left = 3 };
enum class GameLevel : int { Easy = 1, Hard = 2 };

// One finished or left game. The fields of other families stay empty.
struct GameResult {
  int exercise = 0;          // 1..11, 0 for hangman
  std::int64_t started = 0;  // Unix time, seconds
  int day = 0;               // the local calendar day of the start: days since 1970-01-01
  int seconds = 0;           // how long it lasted
  std::optional<GameOutcome> outcome;  // hangman: won, lost or left; memory: won or left
  // Multiple choice: questions answered, answered right at the first try,
  // wrong answers in all, and the level most questions were asked at (the
  // arithmetic games only).
  std::optional<int> questions, firstTry, wrongClicks;
  std::optional<GameLevel> level;
  // Rain: the score, items caught and items that landed.
  std::optional<int> score, caught, missed;
  // Hangman: wrong letters.
  std::optional<int> wrongLetters;
  // Memory: cards on the board, turns, pairs found.
  std::optional<int> cards, turns, pairs;
  bool operator==(const GameResult&) const = default;
};

inline constexpr int kSchemaVersion = 2;
// Records older than this many days before today are dropped.
inline constexpr int kKeptDays = 400;
inline constexpr int kChartDays = 28;

// One day of one game on the page: the time played, and the game's own
// measure as `measured` out of `of` (first-try right answers of questions,
// items caught of items, games won of games finished, pairs of turns).
struct DayProgress {
  int seconds = 0;
  int measured = 0;
  int of = 0;
};

// The families of games, as their records tell them apart.
enum class GameKind { Choice, Rain, Hangman, Memory };

// What the page shows of one game.
struct GameProgress {
  GameKind kind = GameKind::Choice;
  int games = 0;                                // in the record
  std::array<DayProgress, kChartDays> days{};  // the oldest first, today last
  int weekSeconds = 0;                          // since Monday
  // The best result: the most first-try right answers in one game, the
  // highest score, the fewest wrong letters in a game won, the largest board
  // won (in its fewest turns). Empty where none was reached.
  std::optional<int> mostFirstTry, bestScore, fewestWrongLetters, bestCards, bestTurns;
};
// By exercise number; games not played have no entry.
using Progress = std::map<int, GameProgress>;

class RecordStore {
 public:
  struct Limits {
    int busyMilliseconds = 1000;  // how long to wait for another writer
    // The file never grows beyond this: at the limit the oldest records
    // make room for the new one.
    std::int64_t maxBytes = 5 << 20;
  };
  explicit RecordStore(std::string path);
  RecordStore(std::string path, Limits limits);
  ~RecordStore();
  RecordStore(const RecordStore&) = delete;
  RecordStore& operator=(const RecordStore&) = delete;

  const std::string& Path() const { return path_; }

  // Adds a game, in one transaction with the dropping of records older than
  // kKeptDays before today. False when it could not be written.
  bool Add(const GameResult& game, int today);
  // The page's figures for the 28 days up to today, with the week from
  // monday. A missing file is an empty record; nothing when the file cannot
  // be read.
  std::optional<Progress> Read(int today, int monday);
  // Removes every record, and the space they took.
  bool Clear(int today);

  // Where the last damaged file was set aside; empty when none was.
  const std::string& SetAside() const { return setAside_; }

 private:
  enum class Access { Read, Write };
  enum class Found { Ready, Unavailable, Damaged };
  sqlite3* Open(Access access, int today);
  void Close();
  Found Prepare(sqlite3* db);
  bool PutAside(int today);
  bool Insert(const GameResult& game, int today);
  std::optional<Progress> Figures(int today, int monday);

  std::string path_;
  Limits limits_;
  sqlite3* db_ = nullptr;  // open while its file is the one at the path
  std::optional<std::pair<std::uint64_t, std::uint64_t>> identity_;
  bool checked_ = false;  // the file's integrity checked once in this run
  std::string setAside_;
};

// Days since 1970-01-01 of a date, and back.
int DayNumber(int year, int month, int day);
std::string DayText(int day);  // "2026-03-05"

}  // namespace tamiro
