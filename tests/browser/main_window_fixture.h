// The main window's test fixture: a kiosk configuration in a folder of its own, pages from a
// local server, the real dictionary beside the program.
#pragma once

#include <gtest/gtest.h>
#include <gtkmm.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "admin/admin_password.h"
#include "app/settings.h"
#include "browser/main_window.h"
#include "lists/list_state.h"
#include "support/http_test_server.h"
#include "support/test_support.h"
#include "support/ui_pump.h"

namespace orbeta {

using test::HttpAnswer;
using test::HttpTestServer;
using test::ScopedEnv;
using test::TempDir;
using test::WriteFile;

inline bool RunUntil(const std::function<bool()>& done, int timeoutMs = 20000) {
  return test::PumpUntil(done, std::chrono::milliseconds(timeoutMs));
}

class MainWindowTest : public ::testing::Test {
 protected:
  MainWindowTest() {
    Settings = TSettings{};
    AdminMode = false;
    AdminPassword.clear();
    CurrentSiteFile = "Untitled.edn";
    CurrentKeyFile = "Untitled.key";
    server_.Serve("/home.html", HttpAnswer::Body("<html><title>Home</title><body>Welcome "
                                                 "<a id=l href='/page.html'>page</a></body></html>"));
    server_.Serve("/page.html", HttpAnswer::Body("<html><title>Page</title><body>A page</body></html>"));
    const std::string host = "127.0.0.1:" + std::to_string(server_.Port());
    WriteFile(dir_.File("sites.edn"),
              "9,3\r\n1,1,Town library\r\n2,1,>\r\n3,1,Culture\r\n4,1," + host + "\r\n5,1," +
                  server_.Url("home.html") + "\r\n7,1,CUL\r\n"
                  "1,2,Council\r\n2,2,>\r\n4,2,council.example\r\n5,2,http://council.example/\r\n7,2,TWN\r\n");
    WriteFile(dir_.File("sites.key"),
              "8,3\r\n3,1,Culture\r\n4,1,CUL\r\n6,1,0\r\n3,2,Town\r\n4,2,TWN\r\n6,2,0\r\n");
    settings_ = "[Navigator Params]\r\nNew Window=1\r\nReturn Home=0\r\nReturn Home Timer=0\r\n"
                "[Security]\r\nSecurity OFF=0\r\nSite Control OFF=0\r\nValidateOnLine=0\r\n"
                "[System]\r\nSiteFileName=" + dir_.File("sites.edn") + "\r\n"
                "[Language]\r\nLanguage=2\r\n"
                "[URLS]\r\nBlank=" + server_.Url("home.html") + "\r\nButton01 Name=Library\r\n"
                "Button01 URL=" + server_.Url("page.html") + "\r\n";
  }
  std::unique_ptr<TMainForm> Open(const std::string& extra = "") {
    WriteFile(dir_.File("Orbeta.ini"), settings_ + extra);
    auto window = std::make_unique<TMainForm>(std::vector<std::string>{});
    window->show();
    return window;
  }

  TempDir dir_;
  ScopedEnv windir_{"WINDIR", dir_.path()};
  ScopedEnv registry_{"ORBETA_REGISTRY", dir_.File("registry")};
  ScopedEnv home_{"ORBETA_HOME", ORBETA_BIN_DIR};
  ScopedEnv socket_{"ORBETA_SOCKET", dir_.File("orbeta.sock")};
  HttpTestServer server_;
  std::string settings_;
};

}  // namespace orbeta
