#include "exercises/common/games.h"

#include <algorithm>

namespace tamiro {

std::vector<Game>& Games() {
  static std::vector<Game> games;
  return games;
}

GameRegistration::GameRegistration(Game game) {
  auto& games = Games();
  const auto at = std::upper_bound(games.begin(), games.end(), game.tile.number,
                                   [](int number, const Game& g) { return number < g.tile.number; });
  games.insert(at, std::move(game));
}

const Game* FindGame(int exercise) {
  for (const Game& game : Games())
    if (game.exercise == exercise) return &game;
  return nullptr;
}

bool LaunchGame(tk::Form* menu, int exercise) {
  const Game* game = FindGame(exercise);
  if (!game || !game->launch) return false;
  // A copy: the launcher may be replaced while it runs.
  const Game running = *game;
  running.launch(menu, running);
  return true;
}

}  // namespace tamiro
