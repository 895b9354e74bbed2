#include "platform/message_socket.h"

#include <gio/gio.h>
#include <gio/gunixsocketaddress.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>

namespace orbeta {

struct MessageSocket::Impl {
  std::map<std::string, std::uint32_t> words;
  Deliver deliver;
  std::string path;
  GSocketService* service = nullptr;
};

namespace {

constexpr gsize kMaxWord = 64;

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

// A folder only this user may enter, for systems without a runtime folder.
std::string PrivateFolder() {
  const std::string folder = "/tmp/orbeta-" + std::to_string(::getuid());
  ::mkdir(folder.c_str(), 0700);
  struct stat info {};
  if (::lstat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != ::getuid() ||
      (info.st_mode & 077) != 0)
    throw std::runtime_error("unsafe folder for the kiosk's socket: " + folder);
  return folder;
}

GSocketAddress* AddressOf(const std::string& path) {
  return g_unix_socket_address_new(path.c_str());
}

bool FromSameUser(GSocketConnection* connection) {
  GError* error = nullptr;
  GCredentials* credentials = g_socket_get_credentials(g_socket_connection_get_socket(connection), &error);
  if (!credentials) {
    g_clear_error(&error);
    return false;
  }
  const uid_t uid = g_credentials_get_unix_user(credentials, nullptr);
  g_object_unref(credentials);
  return uid == ::getuid();
}

std::string ReadWord(GSocketConnection* connection) {
  char buffer[kMaxWord] = {};
  GInputStream* in = g_io_stream_get_input_stream(G_IO_STREAM(connection));
  gsize got = 0;
  g_input_stream_read_all(in, buffer, sizeof buffer - 1, &got, nullptr, nullptr);
  std::string word(buffer, got);
  while (!word.empty() && (word.back() == '\n' || word.back() == '\r')) word.pop_back();
  return word;
}

gboolean OnIncoming(GSocketService*, GSocketConnection* connection, GObject*, gpointer data) {
  auto* impl = static_cast<MessageSocket::Impl*>(data);
  if (!FromSameUser(connection)) return TRUE;
  const auto word = impl->words.find(ReadWord(connection));
  if (word != impl->words.end()) impl->deliver(word->second);
  return TRUE;
}

// A socket file nobody answers on is left from an ended program.
void RemoveStaleSocket(const std::string& path) {
  std::string ignored;
  if (::access(path.c_str(), F_OK) == 0 && !SendMessageWord("", ignored, path)) ::unlink(path.c_str());
}

}  // namespace

std::string MessageSocketPath() {
  if (std::string path = Env("ORBETA_SOCKET"); !path.empty()) return path;
  const std::string runtime = Env("XDG_RUNTIME_DIR");
  return (runtime.empty() ? PrivateFolder() : runtime) + "/orbeta.sock";
}

MessageSocket::MessageSocket(std::map<std::string, std::uint32_t> words, Deliver deliver, std::string path)
    : impl_(std::make_unique<Impl>()) {
  impl_->words = std::move(words);
  impl_->deliver = std::move(deliver);
  impl_->path = std::move(path);
  RemoveStaleSocket(impl_->path);
  impl_->service = g_socket_service_new();
  GSocketAddress* address = AddressOf(impl_->path);
  GError* error = nullptr;
  const mode_t oldMask = ::umask(077);  // the socket file is the user's alone from its creation
  const bool bound = g_socket_listener_add_address(G_SOCKET_LISTENER(impl_->service), address, G_SOCKET_TYPE_STREAM,
                                                   G_SOCKET_PROTOCOL_DEFAULT, nullptr, nullptr, &error);
  ::umask(oldMask);
  g_object_unref(address);
  if (!bound) {
    std::string message = error->message;
    g_error_free(error);
    g_object_unref(impl_->service);
    throw std::runtime_error("cannot listen on " + impl_->path + ": " + message);
  }
  g_signal_connect(impl_->service, "incoming", G_CALLBACK(OnIncoming), impl_.get());
  g_socket_service_start(impl_->service);
}

MessageSocket::~MessageSocket() {
  g_socket_service_stop(impl_->service);
  g_socket_listener_close(G_SOCKET_LISTENER(impl_->service));
  g_object_unref(impl_->service);
  ::unlink(impl_->path.c_str());
}

bool SendMessageWord(const std::string& word, std::string& error, const std::string& path) {
  GSocketClient* client = g_socket_client_new();
  GSocketAddress* address = AddressOf(path);
  GError* failure = nullptr;
  GSocketConnection* connection =
      g_socket_client_connect(client, G_SOCKET_CONNECTABLE(address), nullptr, &failure);
  g_object_unref(address);
  g_object_unref(client);
  if (!connection) {
    error = std::string("no kiosk listens on ") + path + ": " + failure->message;
    g_error_free(failure);
    return false;
  }
  const std::string line = word + "\n";
  GOutputStream* out = g_io_stream_get_output_stream(G_IO_STREAM(connection));
  const bool sent = g_output_stream_write_all(out, line.data(), line.size(), nullptr, nullptr, &failure);
  if (!sent) {
    error = failure->message;
    g_error_free(failure);
  }
  g_io_stream_close(G_IO_STREAM(connection), nullptr, nullptr);
  g_object_unref(connection);
  return sent;
}

}  // namespace orbeta
