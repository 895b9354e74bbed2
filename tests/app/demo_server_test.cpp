// orbeta-demo-server: the demo sites on their own ports, the validation server and its allow
// list, and the kiosk configuration it fills in, judged by the kiosk's own filter.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/http_client.h"
#include "support/http_test_server.h"
#include "support/test_support.h"

extern char** environ;

namespace orbeta {
namespace {

namespace fs = std::filesystem;
using test::RunProgram;
using test::ScopedEnv;
using test::TempDir;

const std::set<std::string> kSites = {"gallery", "games", "home",   "library", "museum",
                                      "news",    "school", "shop", "townhall"};

// A running orbeta-demo-server, started without a shell, its standard output in a file.
class ServerProcess {
 public:
  ServerProcess(const std::string& root, const std::string& dir, std::vector<std::string> extra = {})
      : portFile_(dir + "/ports"), log_(dir + "/server.log") {
    std::vector<std::string> argv = {std::string(ORBETA_BIN_DIR) + "/orbeta-demo-server", "--root", root,
                                     "--base-port", "0", "--port-file", portFile_};
    argv.insert(argv.end(), extra.begin(), extra.end());
    std::vector<char*> pointers;
    for (auto& arg : argv) pointers.push_back(arg.data());
    pointers.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, log_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int failed = posix_spawn(&pid_, pointers[0], &actions, nullptr, pointers.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (failed) throw std::runtime_error("cannot start " + argv[0]);
    WaitForPorts();
  }
  ~ServerProcess() {
    if (pid_ > 0) Stop(SIGKILL);
  }
  ServerProcess(const ServerProcess&) = delete;
  ServerProcess& operator=(const ServerProcess&) = delete;

  // Sends the signal and gives the wait status.
  int Stop(int signal) {
    ::kill(pid_, signal);
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
    return status;
  }

  int Port(const std::string& name) const { return ports_.at(name); }
  std::string Host(const std::string& name) const { return "127.0.0.1:" + std::to_string(Port(name)); }
  std::string Url(const std::string& name, const std::string& path) const {
    return "http://" + Host(name) + path;
  }
  const std::map<std::string, int>& Ports() const { return ports_; }
  std::string PortFileText() const { return test::ReadFile(portFile_); }
  std::string Log() const { return test::ReadFile(log_); }

 private:
  // The port file appears, whole, once the server listens.
  void WaitForPorts() {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!fs::exists(portFile_)) {
      int status = 0;
      if (::waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        throw std::runtime_error("orbeta-demo-server ended before listening");
      }
      if (std::chrono::steady_clock::now() > deadline) throw std::runtime_error("no port file");
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    std::ifstream in(portFile_);
    for (std::string line; std::getline(in, line);) {
      const auto equals = line.find('=');
      ports_[line.substr(0, equals)] = std::stoi(line.substr(equals + 1));
    }
  }

  std::string portFile_;
  std::string log_;
  pid_t pid_ = -1;
  std::map<std::string, int> ports_;
};

HttpResult Get(const std::string& address) {
  HttpRequest request;
  request.address = address;
  request.timeoutMs = 10000;
  return HttpGet(request);
}

// A private copy of the demo folder, so that a test may change it; the server reads it and
// writes the kiosk configuration into "kiosk".
class DemoServerTest : public ::testing::Test {
 protected:
  DemoServerTest() { fs::copy(std::string(ORBETA_SOURCE_DIR) + "/data/demo", root_, fs::copy_options::recursive); }

  ServerProcess& Start() {
    server_ = std::make_unique<ServerProcess>(root_, dir_.path(), std::vector<std::string>{"--config-out", kiosk_});
    return *server_;
  }

  TempDir dir_;
  std::string root_ = dir_.File("demo");
  std::string kiosk_ = dir_.File("kiosk");
  std::unique_ptr<ServerProcess> server_;
};

TEST_F(DemoServerTest, EverySiteHasItsOwnPortAndOnlyItsOwnPages) {
  ServerProcess& server = Start();
  std::set<std::string> names;
  std::set<int> ports;
  for (const auto& [name, port] : server.Ports()) {
    names.insert(name);
    ports.insert(port);
    EXPECT_GT(port, 0) << name;
  }
  std::set<std::string> expected = kSites;
  expected.insert("validation");
  EXPECT_EQ(names, expected);
  EXPECT_EQ(ports.size(), expected.size());
  EXPECT_TRUE(server.PortFileText().ends_with("\nvalidation=" + std::to_string(server.Port("validation")) + "\n"));

  struct Case {
    const char* site;
    const char* path;
    unsigned status;
  };
  const Case cases[] = {
      {"library", "/", 200},         {"library", "/catalogue.html", 200}, {"museum", "/collection.html", 200},
      {"library", "/collection.html", 404},  // the museum's page, asked of the library
      {"library", "/end.png", 404},          // the home page's image
      {"news", "/shared/demo.css", 200},     {"home", "/%2e%2e/validation-allow.txt", 404},
      {"home", "/a/%2e%2e/%2e%2e/Orbeta.ini", 404},     {"school", "/nothing.html", 404},
  };
  for (const Case& c : cases) {
    const HttpResult result = Get(server.Url(c.site, c.path));
    EXPECT_EQ(result.status, c.status) << c.site << c.path << " " << result.error;
  }
  EXPECT_TRUE(Get(server.Url("home", "/end.png")).body.starts_with("\x89PNG\r\n"));
  EXPECT_NE(server.Log().find("\nmuseum GET /collection.html 200\n"), std::string::npos) << server.Log();
}

TEST_F(DemoServerTest, PagesArriveWithEveryPlaceholderFilledIn) {
  ServerProcess& server = Start();
  int pages = 0;
  for (const std::string& site : kSites) {
    const fs::path folder = fs::path(root_) / "sites" / site;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
      if (entry.path().extension() != ".html") continue;
      const std::string path = "/" + fs::relative(entry.path(), folder).generic_string();
      const HttpResult page = Get(server.Url(site, path));
      ++pages;
      EXPECT_EQ(page.status, 200u) << site << path;
      EXPECT_EQ(page.body.find("@SITE_"), std::string::npos) << site << path;
      EXPECT_EQ(page.body.find("@VALIDATION"), std::string::npos) << site << path;
    }
  }
  EXPECT_GT(pages, 9);

  // The home page links every other site by its port, and ends with the image a start-up
  // measurement waits for: after it come closing tags only.
  const std::string home = Get(server.Url("home", "/")).body;
  for (const std::string& site : kSites) {
    if (site == "home") continue;
    EXPECT_NE(home.find("href=\"" + server.Url(site, "/") + "\""), std::string::npos) << site;
  }
  const auto image = home.find("src=\"/end.png\"");
  ASSERT_NE(image, std::string::npos);
  for (auto tag = home.find('<', image); tag != std::string::npos; tag = home.find('<', tag + 1))
    EXPECT_EQ(home[tag + 1], '/') << home.substr(tag);
}

TEST_F(DemoServerTest, ValidationAnswersFromTheAllowListReadForEveryQuestion) {
  ServerProcess& server = Start();
  const auto ask = [&](const std::string& question) { return Get(server.Url("validation", question)); };
  struct Case {
    std::string question;
    const char* body;
  };
  const std::vector<Case> cases = {
      {"/LB.php?url=" + server.Host("gallery"), "<html>1</html>"},
      {"/LN.php?url=" + server.Host("gallery"), "<html>1</html>"},
      {"/LB.php?url=" + server.Host("games"), "<html>0</html>"},
      {"/LB.php?url=" + server.Host("shop"), "<html>0</html>"},
      {"/LB.php?url=127.0.0.1", "<html>0</html>"},
      {"/LB.php?url=", "<html>0</html>"},
      {"/LB.php", "<html>0</html>"},
      {"/LN.php?url=example.org", "<html>0</html>"},
  };
  for (const Case& c : cases) {
    const HttpResult answer = ask(c.question);
    EXPECT_EQ(answer.status, 200u) << c.question;
    EXPECT_EQ(answer.body, c.body) << c.question;
  }
  EXPECT_EQ(ask("/XX.php?url=" + server.Host("gallery")).status, 404u);

  std::ofstream(root_ + "/validation-allow.txt", std::ios::app) << "  Example.ORG \r\n@SITE_shop@\n";
  EXPECT_EQ(ask("/LN.php?url=example.org").body, "<html>1</html>");
  EXPECT_EQ(ask("/LB.php?url=" + server.Host("shop")).body, "<html>1</html>");
  EXPECT_NE(server.Log().find("\nvalidation GET /LB.php?url=" + server.Host("games") + " 200 refused\n"),
            std::string::npos);
}

// What the demo promises, as the kiosk's filter decides it with the configuration written.
TEST_F(DemoServerTest, ConfigurationOutAdmitsTheListedSitesAndTheValidatedOne) {
  ServerProcess& server = Start();
  ScopedEnv windir("WINDIR", kiosk_);
  ScopedEnv registry("ORBETA_REGISTRY", kiosk_ + "/registry");
  for (const char* file : {"Orbeta.ini", "Orbeta.edn", "Orbeta.key", "validation-allow.txt"}) {
    const std::string bytes = test::ReadFile(kiosk_ + "/" + file);
    EXPECT_EQ(bytes.find("@SITE_"), std::string::npos) << file;
    EXPECT_EQ(bytes.find("@VALIDATION@"), std::string::npos) << file;
  }
  EXPECT_FALSE(fs::exists(kiosk_ + "/README.md"));
  EXPECT_TRUE(test::ReadFile(kiosk_ + "/Orbeta.edn").starts_with("9,9\r\n"));

  const auto settings = RunProgram("orbeta-admin", {"settings", kiosk_ + "/Orbeta.ini"});
  ASSERT_EQ(settings.exitCode, 0) << settings.err;
  for (const std::string& line :
       {"HomePage=" + server.Url("home", "/"), "ValidationServer=" + server.Url("validation", "/"),
        std::string("ValidateOnLine=1"), std::string("UseWhiteList=1"), std::string("SiteControlOff=0"),
        std::string("UserCanQuit=1"), "CurrentSiteFile=" + kiosk_ + "/Orbeta.edn",
        "LinkButtons[1].URL=" + server.Url("library", "/"), std::string("AdminMode=0\nSecurityOff=0")})
    EXPECT_NE(settings.out.find("\n" + line + "\n"), std::string::npos) << line;

  struct Case {
    const char* site;
    const char* path;
    const char* decision;
  };
  const Case cases[] = {
      {"home", "/", "ndAllow"},          // by the "*" rule
      {"library", "/catalogue.html", "ndAllow"},
      {"museum", "/", "ndAllow"},
      {"museum", "/staff/", "ndRefuseSite"},  // the "!" rule closes part of an open site
      {"townhall", "/", "ndAllow"},
      {"school", "/", "ndAllow"},
      {"news", "/article.html", "ndAllow"},
      {"gallery", "/", "ndAllow"},  // unlisted, admitted by the validation server
      {"games", "/", "ndRefuseSite"},
      {"shop", "/", "ndRefuseSite"},
  };
  std::vector<std::string> args = {"explain", "--settings", kiosk_ + "/Orbeta.ini", "--sites", kiosk_ + "/Orbeta.edn"};
  for (const Case& c : cases) args.push_back(server.Url(c.site, c.path));
  const auto explained = RunProgram("orbeta-admin", args);
  ASSERT_EQ(explained.exitCode, 0) << explained.err;
  std::size_t start = 0;
  for (const Case& c : cases) {
    const std::string prefix = server.Url(c.site, c.path) + "\t" + c.decision + "\t";
    EXPECT_EQ(explained.out.compare(start, prefix.size(), prefix), 0) << prefix << "\n" << explained.out;
    start = explained.out.find('\n', start) + 1;
  }
  // Only the unlisted hosts were asked about.
  for (const char* site : {"gallery", "games", "shop"})
    EXPECT_NE(server.Log().find("GET /LB.php?url=" + server.Host(site) + " "), std::string::npos) << site;
  EXPECT_EQ(server.Log().find("url=" + server.Host("library")), std::string::npos);
}

TEST_F(DemoServerTest, StopsCleanlyOnTermAndInterrupt) {
  for (int signal : {SIGTERM, SIGINT}) {
    ServerProcess server(root_, dir_.path());
    const int status = server.Stop(signal);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << signal;
    EXPECT_TRUE(server.Log().ends_with("orbeta-demo-server: stopped\n")) << server.Log();
    fs::remove(dir_.File("ports"));
  }
}

TEST_F(DemoServerTest, RefusesToStartOnBadArgumentsBusyPortsAndUnknownPlaceholders) {
  test::RefusingPort busy;
  struct Case {
    std::vector<std::string> args;
    int exitCode;
    std::string message;
  };
  const std::vector<Case> cases = {
      {{"--frob"}, 2, "unknown argument --frob"},
      {{"--base-port", "70000"}, 2, "--base-port needs a port number"},
      {{"--port-file"}, 2, "--port-file needs a value"},
      {{"--root", dir_.File("nowhere")}, 1, "no sites folder in"},
      {{"--root", root_, "--base-port", std::to_string(busy.Port())}, 1,
       "cannot listen on 127.0.0.1:" + std::to_string(busy.Port())},
  };
  for (const Case& c : cases) {
    const auto result = RunProgram("orbeta-demo-server", c.args);
    EXPECT_EQ(result.exitCode, c.exitCode) << result.err;
    EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
  }

  // A misspelt site name in a configuration file stops the server before it names its ports.
  test::WriteFile(root_ + "/Orbeta.ini", "[URLS]\r\nBlank=http://@SITE_hom@/\r\n");
  const auto typo = RunProgram("orbeta-demo-server", {"--root", root_, "--base-port", "0", "--config-out", kiosk_,
                                                      "--port-file", dir_.File("ports")});
  EXPECT_EQ(typo.exitCode, 1);
  EXPECT_NE(typo.err.find("Orbeta.ini: unknown placeholder @SITE_hom@"), std::string::npos) << typo.err;
  EXPECT_FALSE(fs::exists(dir_.File("ports")));
}

}  // namespace
}  // namespace orbeta
