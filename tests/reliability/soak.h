#pragma once
// The random-input soak: the real program, in this process, on its committed
// content, the offscreen screen and players that play nothing, fed a seeded
// random stream of what a child does (presses and releases anywhere, biased
// towards the controls; typed keys; timer ticks; events handled in the
// middle of other handlers; the desktop's close request) through the
// program's own message loop. After every event it checks that nothing went
// wrong; an event whose handling takes more than a second of CPU time (or
// thirty seconds in all) is a hang, and the run stops at once with its seed
// and the event's number. The same seed replays the same run.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace reliability {

struct SoakResult {
  std::uint64_t seed = 0;
  long events = 0;            // events delivered
  double seconds = 0;         // wall time of the run
  long starts = 0;            // program starts (the menu's Exit ends one)
  std::map<std::string, long> visited;  // events handled per form (and exercise)
  std::map<int, long> languages;        // changes of the language, by the language changed to
  std::vector<std::string> failures;    // "seed S, event N: what went wrong"
  long residentStartKb = 0, residentEndKb = 0;
  double slowestEventMs = 0;  // CPU time of the slowest event
};

// Runs the program with the events; the program directory is the built one.
SoakResult RunSoak(std::uint64_t seed, long events);

// The forms the run is expected to reach (keys of SoakResult::visited).
std::vector<std::string> FormsToReach();

}  // namespace reliability
