// Timers on a test clock: they tick only when the test moves the clock on,
// in the order their ticks fall due.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "toolkit/application.h"
#include "toolkit/forms.h"

namespace {

class TestClock : public ::testing::Test {
 protected:
  void SetUp() override { tk::SetTestClockForTimers(true); }
  void TearDown() override {
    tk::Application::Instance().DestroyForms();
    tk::SetTestClockForTimers(false);
  }
};

}  // namespace

TEST_F(TestClock, TicksComeInTheOrderTheyFallDueAndOnlyWhenTheClockMoves) {
  auto* form = new tk::Form(nullptr, "frmClock", 100, 100);
  auto* rain = new tk::Timer(form, "tmrRain");
  auto* slow = new tk::Timer(form, "tmrSlow");
  rain->SetInterval(80);
  slow->SetInterval(200);
  std::vector<std::string> ticks;
  rain->OnTimer = [&] { ticks.push_back("rain"); };
  slow->OnTimer = [&] { ticks.push_back("slow"); };
  tk::Application::ProcessMessages();
  EXPECT_TRUE(ticks.empty()) << "no tick without the clock moving";
  EXPECT_EQ(rain->RemainingTime(), 80);

  tk::AdvanceTimers(79);
  EXPECT_TRUE(ticks.empty());
  EXPECT_EQ(rain->RemainingTime(), 1);
  tk::AdvanceTimers(401);  // the clock at 480: rain at 80..480, slow at 200, 400
  EXPECT_EQ(ticks, (std::vector<std::string>{"rain", "rain", "slow", "rain", "rain", "rain", "slow", "rain"}));
  EXPECT_EQ(slow->RemainingTime(), 120);
}

TEST_F(TestClock, TicksFollowWhatEachTickChanges) {
  auto* form = new tk::Form(nullptr, "frmClock", 100, 100);
  auto* once = new tk::Timer(form, "tmrOnce");
  auto* later = new tk::Timer(form, "tmrLater");
  once->SetInterval(1000);
  later->SetInterval(100);
  later->SetEnabled(false);
  int onceTicks = 0, laterTicks = 0;
  // The one-second wait of a question: it switches itself off and starts the
  // other timer.
  once->OnTimer = [&] {
    ++onceTicks;
    once->SetEnabled(false);
    later->SetEnabled(true);
  };
  later->OnTimer = [&] { ++laterTicks; };
  tk::AdvanceTimers(1350);
  EXPECT_EQ(onceTicks, 1);
  EXPECT_EQ(laterTicks, 3) << "started at 1000, it ticks at 1100, 1200 and 1300";
  EXPECT_EQ(once->RemainingTime(), -1);

  // A released form's timers never tick again.
  form->Release();
  tk::AdvanceTimers(1000);
  EXPECT_EQ(laterTicks, 3);
}
