// Twenty thousand random events of a child on the whole program: no
// failure, no hang, every form reached, and the language changed in the
// About form. TAMIRO_SOAK_SEED replays another seed; a failure names its seed
// and event.

#include <gtest/gtest.h>

#include <cstdlib>

#include "reliability/soak.h"

TEST(Soak, TwentyThousandRandomEventsReachEveryFormAndBreakNothing) {
  const char* seedText = std::getenv("TAMIRO_SOAK_SEED");
  const std::uint64_t seed = seedText ? std::strtoull(seedText, nullptr, 10) : 20261208;
  const reliability::SoakResult result = reliability::RunSoak(seed, 20000);
  for (const std::string& failure : result.failures) ADD_FAILURE() << failure;
  EXPECT_EQ(result.events, 20000);
  for (const std::string& form : reliability::FormsToReach()) {
    long events = 0;
    for (const auto& [key, count] : result.visited)
      if (key.rfind(form, 0) == 0) events += count;
    EXPECT_GT(events, 0) << form << " was never reached (seed " << seed << ")";
  }
  EXPECT_GT(result.starts, 1) << "the menu's Exit was never reached";
  // Languages chosen in the About form's list and applied with its OK.
  EXPECT_GE(result.languages.size(), 3u) << "the language changed to fewer than three others (seed " << seed << ")";
}
