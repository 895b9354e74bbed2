// orbeta-demo-server: the web sites of the demo kiosk and its online validation server, on
// loopback ports, so that the kiosk can be tried and tested without the Internet.
//
// Every folder under ROOT/sites is one site with a port of its own (folders in name order get
// the base port, the base port + 1, ...); the validation server takes the port after the last
// site. ROOT/shared is served on every site under /shared/. Text files (pages, style sheets,
// the kiosk configuration, the validation allow list) are templates: "@SITE_<name>@" becomes
// "127.0.0.1:<port of that site>" and "@VALIDATION@" the validation server's base address
// "http://127.0.0.1:<port>/". See data/demo/README.md.
#include <glib-unix.h>
#include <glib.h>
#include <libsoup/soup.h>

#include <algorithm>
#include <cctype>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <map>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/atomic_file.h"

namespace {

namespace fs = std::filesystem;

constexpr char kProgram[] = "orbeta-demo-server";
constexpr char kValidationName[] = "validation";
constexpr char kAllowListFile[] = "validation-allow.txt";
constexpr char kAllowAnswer[] = "<html>1</html>";
constexpr char kRefuseAnswer[] = "<html>0</html>";
constexpr int kDefaultBasePort = 8400;

constexpr char kUsage[] =
    "usage: orbeta-demo-server [--root DIR] [--base-port N] [--port-file FILE] [--config-out DIR]\n"
    "\n"
    "  Serves every folder of DIR/sites as one web site on 127.0.0.1, folders in name order on\n"
    "  ports N, N+1, ..., and the online validation server (LB.php?url=, LN.php?url=, allowed\n"
    "  names in DIR/validation-allow.txt) on the port after the last site.\n"
    "  --root DIR         the demo folder (default: data/demo of the sources)\n"
    "  --base-port N      the first port (default 8400); 0 takes free ports chosen by the system\n"
    "  --config-out DIR   writes the kiosk configuration (the files at the top of the demo\n"
    "                     folder but *.md) there, placeholders filled in\n"
    "  --port-file FILE   once listening and the configuration written, writes name=port\n"
    "                     lines there, the validation server last\n"
    "  One line per request goes to the standard output. SIGTERM or SIGINT stops the server.\n";

struct UsageError : std::invalid_argument {
  using std::invalid_argument::invalid_argument;
};

struct Options {
  std::string root = ORBETA_DEMO_ROOT;
  int basePort = kDefaultBasePort;
  std::string portFile;
  std::string configOut;
};

Options ParseOptions(const std::vector<std::string>& args) {
  Options options;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& name = args[i];
    if (name == "--help" || name == "-h") throw UsageError("");
    if (name != "--root" && name != "--base-port" && name != "--port-file" && name != "--config-out")
      throw UsageError("unknown argument " + name);
    if (++i == args.size()) throw UsageError(name + " needs a value");
    const std::string& value = args[i];
    if (name == "--root") {
      options.root = value;
    } else if (name == "--port-file") {
      options.portFile = value;
    } else if (name == "--config-out") {
      options.configOut = value;
    } else {
      const bool digits = !value.empty() && value.size() <= 5 &&
                          std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; });
      if (!digits || std::stoi(value) > 65535) throw UsageError("--base-port needs a port number, not " + value);
      options.basePort = std::stoi(value);
    }
  }
  return options;
}

void Log(const std::string& line) {
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

std::string ReadBytes(const fs::path& path) {
  auto bytes = orbeta::ReadWholeFile(path.string());
  if (!bytes) throw std::runtime_error("cannot read " + path.string());
  return *bytes;
}

// Placeholders: "@" + NAME + "@", where NAME is upper-case letters and digits, optionally
// followed by "_" and a site name. Any other "@" (a mail address, say) is plain text.
bool LooksLikePlaceholder(std::string_view name) {
  if (name.empty() || !std::isupper(static_cast<unsigned char>(name[0]))) return false;
  std::size_t i = 0;
  while (i < name.size() && (std::isupper(static_cast<unsigned char>(name[i])) ||
                             std::isdigit(static_cast<unsigned char>(name[i]))))
    ++i;
  if (i == name.size()) return true;
  if (name[i] != '_' || i + 1 == name.size()) return false;
  return std::all_of(name.begin() + static_cast<std::ptrdiff_t>(i) + 1, name.end(), [](char c) {
    return std::islower(static_cast<unsigned char>(c)) || std::isdigit(static_cast<unsigned char>(c)) || c == '_' ||
           c == '-';
  });
}

// The text with every known placeholder replaced; the names of unknown ones go to `unknown`
// and stay in the text as they were.
std::string Substitute(std::string_view text, const std::map<std::string, std::string>& values,
                       std::set<std::string>* unknown) {
  std::string out;
  out.reserve(text.size());
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t at = text.find('@', pos);
    if (at == std::string_view::npos) break;
    out.append(text, pos, at - pos);
    const std::size_t end = text.find('@', at + 1);
    const std::string_view name =
        end == std::string_view::npos ? std::string_view() : text.substr(at + 1, end - at - 1);
    if (!LooksLikePlaceholder(name)) {
      out += '@';
      pos = at + 1;
      continue;
    }
    if (auto value = values.find(std::string(name)); value != values.end()) {
      out += value->second;
    } else {
      out.append(text, at, end - at + 1);
      if (unknown) unknown->insert(std::string(name));
    }
    pos = end + 1;
  }
  if (pos < text.size()) out.append(text, pos);
  return out;
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::string Trim(std::string_view text) {
  const auto first = text.find_first_not_of(" \t\r\n");
  if (first == std::string_view::npos) return "";
  const auto last = text.find_last_not_of(" \t\r\n");
  return std::string(text.substr(first, last - first + 1));
}

struct FileType {
  const char* extension;
  const char* contentType;
  bool text;  // a template: placeholders are filled in
};

constexpr FileType kFileTypes[] = {
    {".html", "text/html; charset=utf-8", true}, {".htm", "text/html; charset=utf-8", true},
    {".css", "text/css; charset=utf-8", true},   {".js", "text/javascript; charset=utf-8", true},
    {".txt", "text/plain; charset=utf-8", true}, {".svg", "image/svg+xml", true},
    {".png", "image/png", false},                {".jpg", "image/jpeg", false},
    {".ico", "image/x-icon", false},
};

FileType TypeOf(const fs::path& path) {
  const std::string extension = Lower(path.extension().string());
  for (const FileType& type : kFileTypes)
    if (extension == type.extension) return type;
  return {"", "application/octet-stream", false};
}

class DemoServer;

// One listening site (or the validation server) and what its handler needs.
struct Endpoint {
  DemoServer* owner = nullptr;
  std::string name;
  fs::path folder;  // the site's pages; empty for the validation server
  SoupServer* server = nullptr;
  int port = 0;
};

class DemoServer {
 public:
  explicit DemoServer(Options options) : options_(std::move(options)) {
    root_ = fs::path(options_.root);
    if (!fs::is_directory(root_ / "sites")) throw std::runtime_error("no sites folder in " + options_.root);
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(root_ / "sites"))
      if (entry.is_directory()) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
      if (name == kValidationName || !LooksLikePlaceholder("SITE_" + name))
        throw std::runtime_error("a site folder may not be called " + name +
                                 " (lower-case letters, digits, - and _; not validation)");
      AddEndpoint(name, root_ / "sites" / name);
    }
    if (endpoints_.empty()) throw std::runtime_error("no site in " + (root_ / "sites").string());
    AddEndpoint(kValidationName, {});
  }

  ~DemoServer() {
    for (auto& endpoint : endpoints_)
      if (endpoint->server) {
        soup_server_disconnect(endpoint->server);
        g_object_unref(endpoint->server);
      }
  }
  DemoServer(const DemoServer&) = delete;
  DemoServer& operator=(const DemoServer&) = delete;

  // Listens on every port; the placeholders are known from then on.
  void Listen() {
    for (std::size_t i = 0; i < endpoints_.size(); ++i) {
      Endpoint& endpoint = *endpoints_[i];
      const int port = options_.basePort == 0 ? 0 : options_.basePort + static_cast<int>(i);
      if (port > 65535) throw std::runtime_error("no port left for " + endpoint.name);
      GError* error = nullptr;
      if (!soup_server_listen_local(endpoint.server, static_cast<guint>(port), SOUP_SERVER_LISTEN_IPV4_ONLY, &error)) {
        const std::string message = error->message;
        g_error_free(error);
        throw std::runtime_error(endpoint.name + ": cannot listen on 127.0.0.1:" + std::to_string(port) + ": " +
                                 message);
      }
      GSList* uris = soup_server_get_uris(endpoint.server);
      endpoint.port = uris ? g_uri_get_port(static_cast<GUri*>(uris->data)) : port;
      g_slist_free_full(uris, reinterpret_cast<GDestroyNotify>(g_uri_unref));
      const std::string address = "127.0.0.1:" + std::to_string(endpoint.port);
      if (endpoint.folder.empty())
        values_["VALIDATION"] = "http://" + address + "/";
      else
        values_["SITE_" + endpoint.name] = address;
    }
  }

  // Copies the kiosk configuration with its placeholders filled in; an unknown placeholder
  // is an error, so that a misspelt site name does not reach the kiosk.
  // "@CONFIG@" is the folder written to, so that the settings can name their lists by a full
  // path (the kiosk works in its program's folder).
  void WriteConfiguration(const fs::path& out) const {
    fs::create_directories(out);
    auto values = values_;
    values["CONFIG"] = fs::absolute(out).lexically_normal().string();
    if (values["CONFIG"].size() > 1 && values["CONFIG"].back() == '/') values["CONFIG"].pop_back();
    for (const auto& entry : fs::directory_iterator(root_)) {
      if (!entry.is_regular_file() || entry.path().extension() == ".md") continue;
      std::set<std::string> unknown;
      const std::string bytes = Substitute(ReadBytes(entry.path()), values, &unknown);
      if (!unknown.empty())
        throw std::runtime_error(entry.path().string() + ": unknown placeholder @" + *unknown.begin() + "@");
      orbeta::ReplaceFileAtomically((out / entry.path().filename()).string(), bytes);
    }
  }

  void WritePortFile(const std::string& path) const {
    std::string lines;
    for (const auto& endpoint : endpoints_) lines += endpoint->name + "=" + std::to_string(endpoint->port) + "\n";
    orbeta::ReplaceFileAtomically(path, lines);
  }

  void AnnounceAddresses() const {
    for (const auto& endpoint : endpoints_)
      Log(std::string(kProgram) + ": " + endpoint->name + " on http://127.0.0.1:" + std::to_string(endpoint->port) +
          "/");
  }

 private:
  void AddEndpoint(const std::string& name, const fs::path& folder) {
    auto endpoint = std::make_unique<Endpoint>();
    endpoint->owner = this;
    endpoint->name = name;
    endpoint->folder = folder;
    endpoint->server = soup_server_new("server-header", "orbeta-demo-server ", nullptr);
    soup_server_add_handler(endpoint->server, nullptr,
                            folder.empty() ? &DemoServer::HandleValidation : &DemoServer::HandleSite,
                            endpoint.get(), nullptr);
    endpoints_.push_back(std::move(endpoint));
  }

  static std::string RequestText(SoupServerMessage* message) {
    GUri* uri = soup_server_message_get_uri(message);
    std::string text = soup_server_message_get_method(message);
    text += ' ';
    text += g_uri_get_path(uri);
    if (const char* query = g_uri_get_query(uri)) text += std::string("?") + query;
    return text;
  }

  static void Answer(SoupServerMessage* message, const Endpoint& endpoint, unsigned status, const char* contentType,
                     const std::string& body, const std::string& note = "") {
    soup_server_message_set_status(message, status, nullptr);
    soup_server_message_set_response(message, contentType, SOUP_MEMORY_COPY, body.data(), body.size());
    Log(endpoint.name + " " + RequestText(message) + " " + std::to_string(status) + (note.empty() ? "" : " " + note));
  }

  static void AnswerError(SoupServerMessage* message, const Endpoint& endpoint, unsigned status) {
    const std::string text = std::to_string(status) + " " + soup_status_get_phrase(status);
    Answer(message, endpoint, status, "text/html; charset=utf-8",
           "<!DOCTYPE html><html><head><title>" + text + "</title></head><body><h1>" + text + "</h1></body></html>\n");
  }

  // The file a site path names, or an empty path when it names none. The server hands over
  // the path decoded; a segment ".." names nothing.
  static fs::path FileOf(const Endpoint& endpoint, const std::string& path, const fs::path& root) {
    if (path.empty() || path[0] != '/') return {};
    for (std::size_t start = 1; start <= path.size();) {
      const std::size_t end = std::min(path.find('/', start), path.size());
      if (path.substr(start, end - start) == "..") return {};
      start = end + 1;
    }
    constexpr std::string_view kShared = "/shared/";
    if (path.starts_with(kShared)) return root / "shared" / path.substr(kShared.size());
    return endpoint.folder / path.substr(1);
  }

  static void HandleSite(SoupServer*, SoupServerMessage* message, const char* path, GHashTable*, gpointer data) {
    const Endpoint& endpoint = *static_cast<Endpoint*>(data);
    const DemoServer& self = *endpoint.owner;
    const std::string method = soup_server_message_get_method(message);
    if (method != "GET" && method != "HEAD") return AnswerError(message, endpoint, SOUP_STATUS_METHOD_NOT_ALLOWED);
    fs::path file = FileOf(endpoint, path, self.root_);
    std::error_code error;
    if (!file.empty() && fs::is_directory(file, error)) {
      if (!std::string_view(path).ends_with("/")) {
        soup_server_message_set_redirect(message, SOUP_STATUS_MOVED_PERMANENTLY, (std::string(path) + "/").c_str());
        Log(endpoint.name + " " + RequestText(message) + " " + std::to_string(SOUP_STATUS_MOVED_PERMANENTLY));
        return;
      }
      file /= "index.html";
    }
    if (file.empty() || !fs::is_regular_file(file, error)) return AnswerError(message, endpoint, SOUP_STATUS_NOT_FOUND);
    std::string body;
    try {
      body = ReadBytes(file);
    } catch (const std::exception&) {
      return AnswerError(message, endpoint, SOUP_STATUS_FORBIDDEN);
    }
    const FileType type = TypeOf(file);
    if (type.text) body = Substitute(body, self.values_, nullptr);
    Answer(message, endpoint, SOUP_STATUS_OK, type.contentType, body);
  }

  // The allow list, read afresh for every question so that it can be edited while the demo
  // runs: one host or domain a line, "#" starts a comment line, compared without case.
  std::set<std::string> AllowList() const {
    std::set<std::string> names;
    const auto bytes = orbeta::ReadWholeFile((root_ / kAllowListFile).string());
    if (!bytes) return names;
    const std::string text = Substitute(*bytes, values_, nullptr);
    for (std::size_t start = 0; start < text.size();) {
      const std::size_t end = std::min(text.find('\n', start), text.size());
      const std::string line = Trim(std::string_view(text).substr(start, end - start));
      if (!line.empty() && line[0] != '#') names.insert(Lower(line));
      start = end + 1;
    }
    return names;
  }

  // "/LB.php?url=HOST" and "/LN.php?url=DOMAIN": the allow answer when the name is listed.
  static void HandleValidation(SoupServer*, SoupServerMessage* message, const char* path, GHashTable* query,
                               gpointer data) {
    const Endpoint& endpoint = *static_cast<Endpoint*>(data);
    const std::string_view target = path;
    if (target != "/LB.php" && target != "/LN.php") return AnswerError(message, endpoint, SOUP_STATUS_NOT_FOUND);
    const char* url = query ? static_cast<const char*>(g_hash_table_lookup(query, "url")) : nullptr;
    const bool allowed = url && *url && endpoint.owner->AllowList().contains(Lower(url));
    Answer(message, endpoint, SOUP_STATUS_OK, "text/html", allowed ? kAllowAnswer : kRefuseAnswer,
           allowed ? "allowed" : "refused");
  }

  Options options_;
  fs::path root_;
  std::vector<std::unique_ptr<Endpoint>> endpoints_;
  std::map<std::string, std::string> values_;
};

gboolean Quit(gpointer loop) {
  g_main_loop_quit(static_cast<GMainLoop*>(loop));
  return G_SOURCE_CONTINUE;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  try {
    options = ParseOptions(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const UsageError& error) {
    if (*error.what()) std::cerr << kProgram << ": " << error.what() << "\n";
    std::cerr << kUsage;
    return 2;
  }
  std::signal(SIGPIPE, SIG_IGN);
  GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
  const guint term = g_unix_signal_add(SIGTERM, Quit, loop);
  const guint interrupt = g_unix_signal_add(SIGINT, Quit, loop);
  int status = 0;
  try {
    DemoServer server(options);
    server.Listen();
    if (!options.configOut.empty()) server.WriteConfiguration(options.configOut);
    if (!options.portFile.empty()) server.WritePortFile(options.portFile);
    server.AnnounceAddresses();
    g_main_loop_run(loop);
    Log(std::string(kProgram) + ": stopped");
  } catch (const std::exception& error) {
    std::cerr << kProgram << ": " << error.what() << "\n";
    status = 1;
  }
  g_source_remove(term);
  g_source_remove(interrupt);
  g_main_loop_unref(loop);
  return status;
}
