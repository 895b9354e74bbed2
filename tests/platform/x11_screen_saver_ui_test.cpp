// The screen-saver watch against the test X server's own saver: a second connection turns the
// saver (or the monitor) on as another client would, and the server's state shows what the
// watch did with the window's answer.
#include "platform/x11_screen_saver.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>

#include "support/test_support.h"

// Last: Xlib defines macros (Bool, Status, None) that clash with names in other headers.
#include <X11/Xlib.h>
#include <X11/extensions/dpms.h>
#include <X11/extensions/scrnsaver.h>

namespace orbeta {
namespace {

using Clock = std::chrono::steady_clock;

// Runs the GLib main loop until `done` holds or `limit` has passed; gives `done`'s last answer.
bool PumpUntil(const std::function<bool()>& done,
               std::chrono::milliseconds limit = std::chrono::seconds(3)) {
  const auto deadline = Clock::now() + limit;
  while (!done() && Clock::now() < deadline) {
    while (g_main_context_iteration(nullptr, FALSE)) {
    }
    g_usleep(2000);
  }
  return done();
}

// Lets the watch answer whatever is under way.
void PumpFor(std::chrono::milliseconds time) {
  PumpUntil([] { return false; }, time);
}

class ScreenSaverWatchTest : public testing::Test {
 protected:
  void SetUp() override {
    other_ = XOpenDisplay(nullptr);
    ASSERT_NE(other_, nullptr);
    int eventBase = 0, errorBase = 0;
    ASSERT_TRUE(XScreenSaverQueryExtension(other_, &eventBase, &errorBase))
        << "the test X server has no MIT-SCREEN-SAVER extension";
  }
  void TearDown() override {
    if (!other_) return;
    XForceScreenSaver(other_, ScreenSaverReset);
    XCloseDisplay(other_);
  }

  // What another client does: turn the saver on, or off, now.
  void ForceSaver(int mode) {
    XForceScreenSaver(other_, mode);
    XSync(other_, False);
  }
  bool SaverOnSeenByOther() {
    XScreenSaverInfo* info = XScreenSaverAllocInfo();
    const bool on = XScreenSaverQueryInfo(other_, DefaultRootWindow(other_), info) &&
                    info->state == ScreenSaverOn;
    XFree(info);
    return on;
  }
  bool HasDpms() {
    int eventBase = 0, errorBase = 0;
    return DPMSQueryExtension(other_, &eventBase, &errorBase) && DPMSCapable(other_);
  }
  CARD16 MonitorLevel() {
    CARD16 level = DPMSModeOn;
    BOOL enabled = False;
    DPMSInfo(other_, &level, &enabled);
    return level;
  }

  Display* other_ = nullptr;
};

// Each activation of the saver asks the window again; its answer decides whether the saver
// is reset at once or stays on.
TEST_F(ScreenSaverWatchTest, EachActivationAsksAndTheAnswerDecides) {
  for (const bool dropped : {true, false}) {
    SCOPED_TRACE(dropped ? "dropped" : "passed");
    ScreenSaverWatch watch;
    ASSERT_TRUE(watch.Active());
    int asked = 0;
    watch.SetScreenSaverRequest([&] {
      ++asked;
      return dropped;
    });
    for (int round = 1; round <= 2; ++round) {
      SCOPED_TRACE("activation " + std::to_string(round));
      ForceSaver(ScreenSaverActive);
      ASSERT_TRUE(PumpUntil([&] { return asked == round; }));
      if (dropped) {
        EXPECT_TRUE(PumpUntil([&] { return !SaverOnSeenByOther(); }));
      } else {
        PumpFor(std::chrono::milliseconds(300));
        EXPECT_TRUE(SaverOnSeenByOther());
        EXPECT_TRUE(watch.SaverOn());
        ForceSaver(ScreenSaverReset);
      }
    }
    PumpFor(std::chrono::milliseconds(100));
    EXPECT_EQ(asked, 2) << "turning the saver off must not ask the window";
  }
}

// SaverOn waits for a reply on the watch's connection, which reads pending events off the
// socket; an activation caught that way must still reach the window.
TEST_F(ScreenSaverWatchTest, ActivationReadDuringAStateQueryIsStillAnswered) {
  ScreenSaverWatch watch;
  int asked = 0;
  watch.SetScreenSaverRequest([&] {
    ++asked;
    return true;
  });
  PumpFor(std::chrono::milliseconds(50));
  ForceSaver(ScreenSaverActive);
  EXPECT_TRUE(watch.SaverOn());
  EXPECT_TRUE(PumpUntil([&] { return asked == 1; }));
  EXPECT_TRUE(PumpUntil([&] { return !watch.SaverOn(); }));
}

TEST_F(ScreenSaverWatchTest, WithoutADisplayItDoesNothing) {
  std::optional<ScreenSaverWatch> watch;
  {
    test::ScopedEnv noDisplay("DISPLAY", std::nullopt);
    watch.emplace();
  }
  EXPECT_FALSE(watch->Active());
  watch->SetScreenSaverRequest([] { return true; });
  watch->SetMonitorPowerRequest([] { return true; });
  EXPECT_FALSE(watch->MonitorPowerWatched());
  EXPECT_FALSE(watch->SaverOn());
}

// DPMS sends no events: the watch notices a monitor that left full power at its next poll,
// asks once for that occasion, and a dropped request brings the monitor back.
TEST_F(ScreenSaverWatchTest, MonitorPowerOffIsAskedOnceAndDroppingTurnsItOn) {
  ScreenSaverWatch watch;
  watch.SetMonitorPowerRequest([] { return true; });
  if (!HasDpms()) {
    EXPECT_FALSE(watch.MonitorPowerWatched());
    GTEST_SKIP() << "the test X server has no DPMS extension: monitor power is not watched";
  }
  ASSERT_TRUE(watch.MonitorPowerWatched());
  DPMSEnable(other_);
  for (const bool dropped : {true, false}) {
    SCOPED_TRACE(dropped ? "dropped" : "passed");
    int asked = 0;
    watch.SetMonitorPowerRequest([&] {
      ++asked;
      return dropped;
    });
    DPMSForceLevel(other_, DPMSModeOff);
    XSync(other_, False);
    ASSERT_TRUE(PumpUntil([&] { return asked == 1; }));
    if (dropped) {
      EXPECT_TRUE(PumpUntil([&] { return MonitorLevel() == DPMSModeOn; }));
    } else {
      PumpFor(std::chrono::milliseconds(2200));
      EXPECT_EQ(MonitorLevel(), DPMSModeOff);
      EXPECT_EQ(asked, 1) << "a monitor that stays off is asked about once";
      DPMSForceLevel(other_, DPMSModeOn);
      XSync(other_, False);
    }
  }
}

}  // namespace
}  // namespace orbeta
