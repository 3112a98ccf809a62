// When the one-second tick starts a quote cycle: the countdown, "Update Now" and a running cycle.
#include <gtest/gtest.h>
#include <windows.h>

#include "quotes/cycle.h"
#include "quotes/network.h"
#include "quotes/sources.h"

namespace {

// Each step: 'T' a tick, 'U' "Update Now", 'B' a cycle runs, 'I' it ended. After a tick: whether it
// started a cycle, and the seconds left.
struct Step {
  char op;
  bool cycle = false;
  int seconds = 0;
};

void RunTicks(int delay, std::initializer_list<Step> steps) {
  HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, NULL, NULL, NULL, NULL);
  nDelay = delay;
  nSecondsToUpdate = 0;
  bUpdateRequested = 1;
  bNetworkBusy = 0;
  bAutoVersion = 0;
  nQuoteSource = -5;  // a started cycle stops at once: no request leaves the test
  int n = 0;
  for (const Step& s : steps) {
    ++n;
    switch (s.op) {
      case 'U': RequestUpdateNow(); continue;
      case 'B': bNetworkBusy = 1; continue;
      case 'I': bNetworkBusy = 0; continue;
    }
    bool busy = bNetworkBusy;
    nNetworkState = STA_QUOTE_CHECK;
    OnCycleTick(window);
    bool started = nNetworkState == STA_BANNER_GET;
    bNetworkBusy = busy;
    EXPECT_EQ(started, s.cycle) << "Delay " << delay << ", step " << n;
    EXPECT_EQ(nSecondsToUpdate, s.seconds) << "Delay " << delay << ", step " << n;
  }
  DestroyWindow(window);
}

}  // namespace

TEST(UpdateCountdown, CyclesFollowTheDelayUpdateNowAndTheRunningCycle) {
  // The first tick starts a cycle; then one every Delay + 1 idle ticks.
  RunTicks(3, {{'T', true, 3}, {'T', false, 2}, {'T', false, 1}, {'T', false, 0}, {'T', true, 3}, {'T', false, 2},
          // "Update Now" while idle: the next tick.
          {'U'}, {'T', true, 3},
          // While a cycle runs the count stands; "Update Now" then waits for the first idle tick.
          {'B'}, {'T', false, 3}, {'U'}, {'T', false, 0}, {'I'}, {'T', true, 3}});
  // Delay 0: one cycle after start, then only on "Update Now", which is dropped during a cycle.
  RunTicks(0, {{'T', true, 0}, {'T', false, 0}, {'T', false, 0}, {'U'}, {'T', true, 0}, {'T', false, 0},
          {'B'}, {'U'}, {'I'}, {'T', false, 0}, {'U'}, {'T', true, 0}});
}
