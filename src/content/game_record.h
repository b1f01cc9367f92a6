#pragma once
// The record of games played, for the progress page: the games hand their
// results in here as they end or are left, and the page reads them back.
// Writing happens on a thread of its own, so a game pays only for handing
// its result over; whatever becomes of the file (missing, locked, read-only,
// full, damaged), the game goes on and nobody is told. The database itself
// is content/record_store.h.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "content/record_store.h"

namespace tamiro {

// Where the record lives: $XDG_DATA_HOME/tamiro/progress.sqlite (by default
// ~/.local/share/tamiro/), on Windows the local application data folder.
// Tests set another path.
std::string RecordFilePath();
void SetRecordFileOverride(std::optional<std::string> path);

// The wall clock the record reads, in milliseconds since 1970 (UTC); tests
// set their own. Days are the local calendar's.
std::int64_t RecordClock();
void SetRecordClockOverride(std::function<std::int64_t()> clock);
// The local calendar day of a moment (milliseconds since 1970), as the
// record numbers days, and the Monday of its week.
int LocalDay(std::int64_t milliseconds);
int MondayOf(int day);

// Recording is on unless the school's settings turn it off; games ended
// while it is off are not kept.
void SetRecording(bool on);
bool Recording();

// Hands a game over to be written (its `started` and `seconds` set, its day
// filled in here); returns at once.
void RecordGame(GameResult game);
// The page's figures as of now: every game handed over before is in them.
// Nothing when the record cannot be read.
std::optional<Progress> ReadProgress();
// Removes every record; false when the file could not be changed.
bool ClearRecord();
// Waits until every game handed over is written (or given up).
void FlushRecord();
// Writes what is waiting and ends the writing thread (at the end of the
// program); a later game starts it again.
void StopRecord();

}  // namespace tamiro
