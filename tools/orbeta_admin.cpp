// orbeta-admin: lets an administrator check, without the kiosk, what the kiosk will read and
// decide.
#include <cstdio>
#include <exception>
#include <functional>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "admin/admin_password.h"
#include "app/settings.h"
#include "app/settings_report.h"
#include "kiosk/launcher.h"
#include "language/dictionary_loader.h"
#include "lists/grid_file.h"
#include "lists/list_loading.h"
#include "lists/list_state.h"
#include "lists/site_list.h"
#include "navigation/mail_handoff.h"
#include "navigation/navigation_filter.h"
#include "navigation/online_validation.h"
#include "navigation/url_analysis.h"
#include "platform/codepage.h"
#include "platform/ini_file.h"
#include "platform/paths.h"

namespace {

using namespace orbeta;
using Arguments = std::vector<std::string>;

constexpr char kUsage[] =
    "usage: orbeta-admin settings [FILE]\n"
    "       orbeta-admin host URL\n"
    "       orbeta-admin explain [--popup] [--admin] [--settings FILE] [--sites FILE.edn]\n"
    "                            [--state FILE] [--run] URL...\n"
    "       orbeta-admin list dump FILE.edn\n"
    "       orbeta-admin list export FILE.edn OUT.html|OUT.htm|OUT.txt\n"
    "\n"
    "  settings  reads the settings file (default: the kiosk's own) as the kiosk does at\n"
    "            start-up, password store included, and prints every setting as Name=value\n"
    "  host      prints the rule code and host the site list sees in an address\n"
    "  explain   loads the settings and the site list as the kiosk does, then runs the\n"
    "            navigation filter on each address (of the main window, or of a pop-up with\n"
    "            --popup; unlocked with --admin) and prints: address, TAB, decision, TAB,\n"
    "            status-bar text, and for mail and launcher links what would be started.\n"
    "            Each address is judged afresh, unless --state FILE carries the browsing\n"
    "            state (validated host, script flag, status text) from one to the next and\n"
    "            from one run to the next. Nothing is started unless --run is given.\n"
    "  list      prints a site list, one row a line, cells TAB-separated; or exports it\n";

// Errors the administrator made in the call: usage and exit status 2.
struct UsageError : std::invalid_argument {
  using std::invalid_argument::invalid_argument;
};

std::string Utf8(const std::string& text) { return Cp1252ToUtf8(text); }

// Loads the dictionary beside the program and the settings as at start-up; false (after a
// message) when the settings file is missing.
bool LoadSettings(const std::string& file) {
  TDictionaryLoader loader;
  loader.SetRunTimeFileName(JoinPath(ProgramDirectory(), "Orbeta.stm"));
  if (ReadSettings(file)) return true;
  std::cerr << "orbeta-admin: settings file not found: " << file << "\n";
  return false;
}

int SettingsCommand(const Arguments& args) {
  if (args.size() > 1) throw UsageError("settings takes at most one file");
  if (!LoadSettings(args.empty() ? GetSettingsFile() : args[0])) return 1;
  for (const auto& [name, value] : DescribeSettings(orbeta::Settings))
    std::cout << name << "=" << Utf8(value) << "\n";
  std::cout << "AdminMode=" << (AdminMode ? 1 : 0) << "\n"
            << "SecurityOff=" << (orbeta::Settings.SecurityOff ? 1 : 0) << "\n";
  return 0;
}

int HostCommand(const Arguments& args) {
  if (args.size() != 1) throw UsageError("host takes one address");
  const UrlHost host = GetUrlHost(Utf8ToCp1252(args[0]));
  std::cout << "rule=" << host.rule << " host=" << Utf8(host.host) << "\n";
  return 0;
}

// The filter's world for one explain run: the status bar is a field that the filter and the
// validation requests write, and mail and launcher links are described instead of started
// unless asked to run them.
class ExplainContext : public NavigationContext, public ValidationStatus {
 public:
  explicit ExplainContext(bool run) : run_(run) {}
  void SetStatusText(const std::string& text, bool) override { status = text; }
  void RunMailProgram(const std::string& url) override {
    if (run_) return NavigationContext::RunMailProgram(url);
    note = "mail program not started: " + MailCommandLine(url);
  }
  void RunLauncherLink(const std::string& url) override {
    note = "no program to start";
    LauncherHooks hooks;
    hooks.sendMainWindowToBack = [this] { note = "program already running: kiosk sent to the back"; };
    if (!run_)
      hooks.runCommandLine = [this](std::string_view commandLine, WindowShow) {
        note = "program not started: " + std::string(commandLine);
        return true;
      };
    if (run_) note = "started if possible";
    orbeta::RunLauncherLink(url, hooks);
  }

  std::string status;
  std::string note;
  bool mainScript = false;
  bool popupScript = false;

 private:
  bool run_;
};

struct ExplainOptions {
  bool popup = false, admin = false, run = false;
  std::string settings, sites, state;
  std::vector<std::string> urls;
};

ExplainOptions ParseExplain(const Arguments& args) {
  ExplainOptions options;
  const std::map<std::string, std::string*> valued = {
      {"--settings", &options.settings}, {"--sites", &options.sites}, {"--state", &options.state}};
  const std::map<std::string, bool*> flags = {
      {"--popup", &options.popup}, {"--admin", &options.admin}, {"--run", &options.run}};
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (auto flag = flags.find(args[i]); flag != flags.end()) {
      *flag->second = true;
    } else if (auto value = valued.find(args[i]); value != valued.end()) {
      if (++i == args.size()) throw UsageError(args[i - 1] + " needs a value");
      *value->second = args[i];
    } else if (args[i].starts_with("--")) {
      throw UsageError("unknown option " + args[i]);
    } else {
      options.urls.push_back(args[i]);
    }
  }
  if (options.urls.empty()) throw UsageError("explain needs at least one address");
  return options;
}

// The browsing state that --state carries between addresses and runs.
constexpr char kStateSection[] = "Browsing";

void LoadState(ExplainContext& context, const std::string& file) {
  const IniFile state(file);
  context.lastValidatedHost = state.ReadString(kStateSection, "LastValidatedHost", "");
  context.status = state.ReadString(kStateSection, "StatusText", "");
  context.navigationState = static_cast<NavigationState>(state.ReadInteger(kStateSection, "NavigationState", 0));
  context.mainScript = state.ReadInteger(kStateSection, "JavaScriptFlag", 0) == 1;
  context.popupScript = state.ReadInteger(kStateSection, "PopupJavaScriptFlag", 0) == 1;
}

void SaveState(const ExplainContext& context, const std::string& file) {
  IniFile state(file);
  state.WriteString(kStateSection, "LastValidatedHost", context.lastValidatedHost);
  state.WriteString(kStateSection, "StatusText", context.status);
  state.WriteInteger(kStateSection, "NavigationState", context.navigationState);
  state.WriteInteger(kStateSection, "JavaScriptFlag", context.mainScript);
  state.WriteInteger(kStateSection, "PopupJavaScriptFlag", context.popupScript);
}

void LoadLists(const std::string& sites) {
  if (!sites.empty()) {
    ReadListFiles(sites);
  } else {
    LoadKeywordList();
    LoadSiteList();
  }
  // The kiosk puts the rule rows first before it browses, unless the list decides nothing.
  if (!orbeta::Settings.SecurityOff && !orbeta::Settings.SiteControlOff) SortSiteList(SiteRecord::HomePage);
}

int ExplainCommand(const Arguments& args) {
  const ExplainOptions options = ParseExplain(args);
  if (!LoadSettings(options.settings.empty() ? GetSettingsFile() : options.settings)) return 1;
  LoadLists(options.sites);
  if (options.admin) AdminMode = true;
  ExplainContext context(options.run);
  SetValidationStatus(&context);
  if (!options.state.empty()) LoadState(context, options.state);
  for (const std::string& url : options.urls) {
    if (options.state.empty()) context = ExplainContext(options.run);
    context.note.clear();
    const std::string address = Utf8ToCp1252(url);
    const NavigationDecision decision =
        options.popup ? FilterPopupNavigation(context, address, context.popupScript)
                      : FilterMainNavigation(context, address, "", context.mainScript);
    std::cout << url << "\t" << DecisionName(decision) << "\t" << Utf8(context.status);
    if (!context.note.empty()) std::cout << "\t" << Utf8(context.note);
    std::cout << "\n";
  }
  if (!options.state.empty()) SaveState(context, options.state);
  return 0;
}

int ListCommand(const Arguments& args) {
  if (args.size() == 2 && args[0] == "dump") {
    ReadGridFile(SiteList, args[1]);
    for (int row = 0; row < SiteList.RowCount(); ++row) {
      for (int col = 0; col < SiteList.ColCount(); ++col)
        std::cout << (col ? "\t" : "") << Utf8(SiteList.Cell(col, row));
      std::cout << "\n";
    }
    return 0;
  }
  if (args.size() == 3 && args[0] == "export") {
    const std::string& out = args[2];
    ReadGridFile(SiteList, args[1]);
    if (out.ends_with(".html") || out.ends_with(".htm"))
      ExportSiteListHtml(out);
    else if (out.ends_with(".txt"))
      ExportSiteListText(out);
    else
      throw UsageError("list export writes .html, .htm or .txt files");
    return 0;
  }
  throw UsageError("list takes dump FILE.edn, or export FILE.edn OUT");
}

const std::map<std::string, std::function<int(const Arguments&)>> kCommands = {
    {"settings", SettingsCommand},
    {"host", HostCommand},
    {"explain", ExplainCommand},
    {"list", ListCommand},
};

}  // namespace

int main(int argc, char** argv) {
  const Arguments args(argv + 1, argv + argc);
  const auto command = args.empty() ? kCommands.end() : kCommands.find(args[0]);
  if (command == kCommands.end()) {
    std::cerr << kUsage;
    return 2;
  }
  try {
    return command->second(Arguments(args.begin() + 1, args.end()));
  } catch (const UsageError& error) {
    std::cerr << "orbeta-admin: " << error.what() << "\n" << kUsage;
    return 2;
  } catch (const std::exception& error) {
    std::cerr << "orbeta-admin: " << Utf8(error.what()) << "\n";
    return 1;
  }
}
