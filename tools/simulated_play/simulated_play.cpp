#include "simulated_play.h"

#include <algorithm>
#include <random>

namespace simulated {

namespace {

int In(std::mt19937& random, int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); }

// One game of the exercise, `skill` (0 to 1) telling how good the child
// has become.
tamiro::GameResult Game(int exercise, double skill, std::mt19937& random) {
  using namespace tamiro;
  GameResult game;
  game.exercise = exercise;
  const auto share = [&](int of) {
    const double p = std::clamp(skill + std::uniform_real_distribution<double>(-0.15, 0.15)(random), 0.05, 1.0);
    return std::clamp(static_cast<int>(of * p + 0.5), 0, of);
  };
  if (exercise >= 1 && exercise <= 6) {
    const int questions = In(random, 6, 30);
    game.questions = questions;
    game.firstTry = share(questions);
    game.wrongClicks = (questions - *game.firstTry) + In(random, 0, 4);
    if (exercise >= 2 && exercise <= 4) game.level = In(random, 0, 3) == 0 ? GameLevel::Hard : GameLevel::Easy;
    game.seconds = questions * In(random, 4, 9);
  } else if (exercise == 7 || exercise == 8) {
    static constexpr int kBoards[2][3] = {{16, 24, 36}, {12, 18, 28}};
    const int cards = kBoards[exercise - 7][In(random, 0, 2)];
    const bool won = In(random, 0, 9) < 8;
    const int pairs = won ? cards / 2 : In(random, 1, cards / 2 - 1);
    game.cards = cards;
    game.pairs = pairs;
    game.turns = pairs + In(random, 0, static_cast<int>(pairs * (2.2 - 1.6 * skill)));
    game.outcome = won ? GameOutcome::Won : GameOutcome::Left;
    game.seconds = *game.turns * In(random, 3, 6);
  } else if (exercise >= 9 && exercise <= 11) {
    const int items = exercise == 10 ? 7 : exercise == 11 ? 29 : 10;
    game.caught = share(items);
    game.missed = items - *game.caught;
    game.score = *game.caught * In(random, 40, 95) - 10 * In(random, 0, 6);
    game.seconds = items * 5 + In(random, 0, 10);
  } else {
    const int misses = std::clamp(static_cast<int>(11 * (1 - skill)) + In(random, -3, 3), 0, 11);
    const bool left = In(random, 0, 9) == 0;
    game.wrongLetters = left ? std::min(misses, 5) : misses;
    game.outcome = left ? GameOutcome::Left : misses >= 11 ? GameOutcome::Lost : GameOutcome::Won;
    game.seconds = In(random, 40, 180);
  }
  return game;
}

}  // namespace

std::vector<tamiro::GameResult> Games(const Plan& plan) {
  std::mt19937 random(plan.seed);
  std::vector<tamiro::GameResult> games;
  for (int d = 0; d < plan.days; ++d) {
    const int day = plan.lastDay - plan.days + 1 + d;
    // The last day is always a day of play.
    if (d + 1 < plan.days && In(random, 0, 99) >= plan.playedShare) continue;
    const double skill = 0.35 + 0.55 * (d + 1) / plan.days;
    // From four in the afternoon, one game after another.
    std::int64_t start = static_cast<std::int64_t>(day) * 86400 + 16 * 3600 + In(random, 0, 3600);
    for (int n = 0; n < plan.gamesPerDay; ++n) {
      const int exercise = plan.exercises[static_cast<std::size_t>(In(random, 0, static_cast<int>(plan.exercises.size()) - 1))];
      tamiro::GameResult game = Game(exercise, skill, random);
      game.day = day;
      game.started = start;
      start += game.seconds + In(random, 5, 60);
      games.push_back(game);
    }
  }
  return games;
}

int Play(tamiro::RecordStore& store, const Plan& plan) {
  int written = 0;
  for (const tamiro::GameResult& game : Games(plan)) written += store.Add(game, game.day);
  return written;
}

}  // namespace simulated
