// The real kiosk program end to end: `orbeta` started on the demo configuration, the demo
// sites and the validation server of `orbeta-demo-server` on loopback ports, real X input
// (xdotool) on the test's X server. The kiosk logs nothing: what it asked for is read from the
// demo server's log, one line per request.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <gdk-pixbuf/gdk-pixbuf.h>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "support/kiosk_process.h"
#include "support/test_support.h"

namespace orbeta {
namespace {

using test::Bin;
using test::Child;
using test::DemoServer;
using test::FindAddressEntry;
using test::KioskGeometry;
using test::Point;
using test::Ran;
using test::ReadIfAny;
using test::RunToEnd;
using test::ScopedEnv;
using test::Screenshot;
using test::TempDir;
using test::TypeAddress;

// A demo server, its kiosk configuration, and the environment the kiosk and orbeta-send read.
class KioskE2E : public ::testing::Test {
 protected:
  KioskE2E()
      : server_(dir_, kiosk_),
        windir_("WINDIR", kiosk_),
        registry_("ORBETA_REGISTRY", kiosk_ + "/registry"),
        socket_("ORBETA_SOCKET", dir_.File("kiosk.socket")),
        screenshot_("ORBETA_SCREENSHOT", std::nullopt) {}

  std::unique_ptr<Child> StartKiosk() {
    return std::make_unique<Child>(std::vector<std::string>{Bin("orbeta")}, dir_.File("kiosk.out"),
                                   dir_.File("kiosk.err"));
  }

  // Asks the running kiosk to close, as a launcher would, and gives its exit code.
  int CloseKiosk(Child& kiosk) {
    const Ran send = RunToEnd({Bin("orbeta-send"), "closemain"}, dir_);
    EXPECT_EQ(send.exitCode, 0) << send.err;
    const std::optional<int> status = kiosk.WaitExit();
    if (!status) return -1000;
    return WIFEXITED(*status) ? WEXITSTATUS(*status) : -WTERMSIG(*status);
  }

  std::string KioskErr() const { return ReadIfAny(dir_.File("kiosk.err")); }

  TempDir dir_;
  std::string kiosk_ = dir_.File("kiosk");
  DemoServer server_;
  ScopedEnv windir_;
  ScopedEnv registry_;
  ScopedEnv socket_;
  ScopedEnv screenshot_;
};

// ---- The tests ----

// Start-up shows the home page (its last element, the end image, included) without asking the
// validation server about it, and a closing message ends the kiosk cleanly.
TEST_F(KioskE2E, StartsOnTheHomePageAndClosesOnTheCloseMessage) {
  std::unique_ptr<Child> kiosk = StartKiosk();
  ASSERT_TRUE(server_.WaitForLine("home GET / 200")) << server_.Log() << KioskErr();
  ASSERT_TRUE(server_.WaitForLine("home GET /end.png 200")) << server_.Log() << KioskErr();
  EXPECT_TRUE(kiosk->Running()) << KioskErr();
  // The home page is admitted by a rule of the site list: no question to the validation server.
  EXPECT_EQ(server_.Log().find("\nvalidation "), std::string::npos) << server_.Log();

  EXPECT_EQ(CloseKiosk(*kiosk), 0) << KioskErr();
}

// A visitor types addresses: listed sites open without a question to the validation server;
// the shop (unlisted) and the games site (closed by a rule) are refused by the validation
// server and never reach their sites.
TEST_F(KioskE2E, AddressBarOpensListedSitesAndKeepsRefusedOnesAway) {
  std::unique_ptr<Child> kiosk = StartKiosk();
  ASSERT_TRUE(server_.WaitForLine("home GET /end.png 200")) << server_.Log() << KioskErr();

  const auto window = KioskGeometry(kiosk->Pid(), dir_);
  ASSERT_TRUE(window) << "no visible kiosk window";
  GdkPixbuf* shot = Screenshot();
  ASSERT_NE(shot, nullptr);
  const Point entry = FindAddressEntry(shot, *window);
  const std::string shotFile = ::testing::TempDir() + "orbeta_kiosk_e2e_address_bar.png";
  if (entry.x < 0) gdk_pixbuf_save(shot, shotFile.c_str(), "png", nullptr, nullptr);
  g_object_unref(shot);
  ASSERT_GE(entry.x, 0) << "no address entry on the screen; screenshot in " << shotFile;

  TypeAddress(entry, server_.Url("library"), dir_);
  EXPECT_TRUE(server_.WaitForLine("library GET / 200")) << server_.Log() << KioskErr();
  EXPECT_FALSE(server_.ValidationAsked("library")) << server_.Log();

  // The shop is not listed: the validation server is asked, refuses, and the shop sees nothing.
  TypeAddress(entry, server_.Url("shop"), dir_);
  EXPECT_TRUE(server_.WaitForLine("validation GET /LB.php?url=" + server_.Host("shop") + " 200 refused"))
      << server_.Log();

  // The games site is closed by an "&" rule, which makes its host unlisted: the validation
  // server, which does not admit it either, is asked, and the site itself never is.
  TypeAddress(entry, server_.Url("games"), dir_);
  EXPECT_TRUE(server_.WaitForLine("validation GET /LB.php?url=" + server_.Host("games") + " 200 refused"))
      << server_.Log();

  // A listed site typed last: once it is requested, every address before it has been handled.
  TypeAddress(entry, server_.Url("museum"), dir_);
  EXPECT_TRUE(server_.WaitForLine("museum GET / 200")) << server_.Log() << KioskErr();

  EXPECT_FALSE(server_.SiteRequested("shop")) << server_.Log();
  EXPECT_FALSE(server_.SiteRequested("games")) << server_.Log();
  EXPECT_FALSE(server_.ValidationAsked("museum")) << server_.Log();
  EXPECT_TRUE(kiosk->Running()) << KioskErr();

  EXPECT_EQ(CloseKiosk(*kiosk), 0) << KioskErr();
}

// Without its settings file the kiosk does not open a window: it names the missing file on one
// line of its error output and ends with a failure status.
TEST_F(KioskE2E, RefusesToStartWithoutItsSettingsFile) {
  TempDir empty;
  ScopedEnv windir("WINDIR", empty.path());
  const Ran ran = RunToEnd({Bin("orbeta")}, dir_);
  EXPECT_NE(ran.exitCode, 0);
  EXPECT_NE(ran.exitCode, -1) << "the kiosk did not end by itself";
  EXPECT_EQ(ran.out, "");
  const std::string missing = empty.File("Orbeta.ini");
  EXPECT_NE(ran.err.find(missing), std::string::npos) << ran.err;
  ASSERT_FALSE(ran.err.empty());
  EXPECT_EQ(ran.err.find('\n'), ran.err.size() - 1) << ran.err;
  EXPECT_FALSE(server_.SiteRequested("home")) << server_.Log();
}

}  // namespace
}  // namespace orbeta
