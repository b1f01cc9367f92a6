#pragma once
// Days of play made up for the progress page's screenshots, its benchmark
// and the tests of the record's size: a child who plays most days, a few
// games at a time, and gets better at them. The same seed makes the same
// games.

#include <cstdint>
#include <vector>

#include "content/record_store.h"

namespace simulated {

struct Plan {
  int lastDay = 0;       // the local day of the last games (days since 1970)
  int days = 28;         // how many days up to it
  int gamesPerDay = 6;   // on a day of play
  int playedShare = 80;  // percent of the days with play
  std::vector<int> exercises = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};  // the games played
  std::uint32_t seed = 1;
};

// The games of the plan, oldest first, each with its day and start.
std::vector<tamiro::GameResult> Games(const Plan& plan);

// Adds them to the record, one transaction each as the program does;
// returns how many were written.
int Play(tamiro::RecordStore& store, const Plan& plan);

}  // namespace simulated
