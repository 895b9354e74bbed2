#include "support/http_test_server.h"

#include <arpa/inet.h>
#include <libsoup/soup.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <functional>
#include <future>
#include <map>
#include <mutex>
#include <stdexcept>
#include <thread>

namespace orbeta::test {

struct HttpTestServer::Impl {
  GMainContext* context = nullptr;
  std::atomic<bool> stopping{false};
  std::thread thread;
  int port = 0;

  mutable std::mutex mutex;
  std::map<std::string, HttpAnswer> answers;
  std::vector<std::string> requests;

  void Run(std::promise<int>& started);
};

namespace {

// Calls `action` once on the server's context after `delayMs`, keeping the message alive.
struct Deferred {
  SoupServerMessage* message;
  std::function<void(SoupServerMessage*)> action;
};

void Defer(GMainContext* context, int delayMs, SoupServerMessage* message,
           std::function<void(SoupServerMessage*)> action) {
  GSource* source = g_timeout_source_new(static_cast<guint>(delayMs < 0 ? 0 : delayMs));
  auto* deferred = new Deferred{SOUP_SERVER_MESSAGE(g_object_ref(message)), std::move(action)};
  g_source_set_callback(
      source,
      [](gpointer data) -> gboolean {
        auto* d = static_cast<Deferred*>(data);
        d->action(d->message);
        return G_SOURCE_REMOVE;
      },
      deferred,
      [](gpointer data) {
        auto* d = static_cast<Deferred*>(data);
        g_object_unref(d->message);
        delete d;
      });
  g_source_attach(source, context);
  g_source_unref(source);
}

// Appends pieces[next] and the ones after it, one per delay; the server's writer pauses by
// itself whenever it runs out of body, so each append is followed by an unpause.
void SendPieces(GMainContext* context, SoupServerMessage* message, std::vector<std::string> pieces,
                std::size_t next, int delayMs) {
  SoupMessageBody* body = soup_server_message_get_response_body(message);
  soup_message_body_append(body, SOUP_MEMORY_COPY, pieces[next].data(), pieces[next].size());
  ++next;
  if (next == pieces.size()) {
    soup_message_body_complete(body);
  } else {
    Defer(context, delayMs, message, [context, pieces = std::move(pieces), next, delayMs](SoupServerMessage* m) {
      SendPieces(context, m, pieces, next, delayMs);
    });
  }
  soup_server_message_unpause(message);
}

void Answer(GMainContext* context, SoupServerMessage* message, const HttpAnswer& answer) {
  soup_server_message_set_status(message, answer.status, nullptr);
  SoupMessageHeaders* headers = soup_server_message_get_response_headers(message);
  if (answer.pieces.empty()) {
    soup_server_message_set_response(message, "text/html", SOUP_MEMORY_COPY, answer.body.data(),
                                     answer.body.size());
    soup_server_message_unpause(message);
    return;
  }
  soup_message_headers_replace(headers, "Content-Type", "text/plain");
  if (answer.announceLength) {
    goffset total = 0;
    for (const std::string& piece : answer.pieces) total += static_cast<goffset>(piece.size());
    soup_message_headers_set_content_length(headers, total);
  } else {
    soup_message_headers_set_encoding(headers, SOUP_ENCODING_CHUNKED);
  }
  SendPieces(context, message, answer.pieces, 0, answer.pieceDelayMs);
}

void Handle(SoupServer*, SoupServerMessage* message, const char*, GHashTable*, gpointer data) {
  auto& impl = *static_cast<HttpTestServer::Impl*>(data);
  GUri* uri = soup_server_message_get_uri(message);
  std::string target = g_uri_get_path(uri);
  const char* query = g_uri_get_query(uri);
  std::string withQuery = query ? target + "?" + query : target;

  HttpAnswer answer;
  bool known = false;
  {
    std::lock_guard<std::mutex> lock(impl.mutex);
    impl.requests.push_back(withQuery);
    auto found = impl.answers.find(withQuery);
    if (found == impl.answers.end()) found = impl.answers.find(target);
    if (found != impl.answers.end()) {
      answer = found->second;
      known = true;
    }
  }
  if (!known) {
    answer.status = SOUP_STATUS_NOT_FOUND;
    answer.body = "not found";
  }

  soup_server_message_pause(message);
  if (answer.never) return;
  GMainContext* context = impl.context;
  Defer(context, answer.delayMs, message, [context, answer](SoupServerMessage* m) { Answer(context, m, answer); });
}

}  // namespace

HttpAnswer HttpAnswer::Body(std::string body, unsigned status) {
  HttpAnswer answer;
  answer.status = status;
  answer.body = std::move(body);
  return answer;
}

HttpAnswer HttpAnswer::Pieces(std::vector<std::string> pieces, int pieceDelayMs, bool announceLength) {
  HttpAnswer answer;
  answer.pieces = std::move(pieces);
  answer.pieceDelayMs = pieceDelayMs;
  answer.announceLength = announceLength;
  return answer;
}

HttpAnswer HttpAnswer::Never() {
  HttpAnswer answer;
  answer.never = true;
  return answer;
}

HttpAnswer& HttpAnswer::Delay(int ms) {
  delayMs = ms;
  return *this;
}

void HttpTestServer::Impl::Run(std::promise<int>& started) {
  g_main_context_push_thread_default(context);
  SoupServer* server = soup_server_new(nullptr, nullptr);
  soup_server_add_handler(server, nullptr, Handle, this, nullptr);
  GError* error = nullptr;
  if (!soup_server_listen_local(server, 0, SOUP_SERVER_LISTEN_IPV4_ONLY, &error)) {
    std::string text = error->message;
    g_error_free(error);
    g_object_unref(server);
    g_main_context_pop_thread_default(context);
    started.set_exception(std::make_exception_ptr(std::runtime_error("test server: " + text)));
    return;
  }
  GSList* uris = soup_server_get_uris(server);
  int listening = g_uri_get_port(static_cast<GUri*>(uris->data));
  g_slist_free_full(uris, reinterpret_cast<GDestroyNotify>(g_uri_unref));
  started.set_value(listening);

  while (!stopping) g_main_context_iteration(context, TRUE);

  soup_server_disconnect(server);
  g_object_unref(server);
  while (g_main_context_iteration(context, FALSE)) {
  }
  g_main_context_pop_thread_default(context);
}

HttpTestServer::HttpTestServer() : impl_(std::make_unique<Impl>()) {
  impl_->context = g_main_context_new();
  std::promise<int> started;
  std::future<int> port = started.get_future();
  impl_->thread = std::thread([this, &started] { impl_->Run(started); });
  try {
    impl_->port = port.get();
  } catch (...) {
    impl_->thread.join();
    g_main_context_unref(impl_->context);
    throw;
  }
}

HttpTestServer::~HttpTestServer() {
  impl_->stopping = true;
  g_main_context_wakeup(impl_->context);
  impl_->thread.join();
  // Drops the answers still waiting (delays, never-answered requests) with their messages.
  g_main_context_unref(impl_->context);
}

void HttpTestServer::Serve(const std::string& target, HttpAnswer answer) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  impl_->answers[target] = std::move(answer);
}

int HttpTestServer::Port() const { return impl_->port; }

std::string HttpTestServer::BaseUrl() const { return "http://127.0.0.1:" + std::to_string(impl_->port) + "/"; }

std::string HttpTestServer::Url(const std::string& pathAndQuery) const {
  return BaseUrl() + (pathAndQuery.starts_with('/') ? pathAndQuery.substr(1) : pathAndQuery);
}

std::vector<std::string> HttpTestServer::Requests() const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->requests;
}

RefusingPort::RefusingPort() {
  fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd_ < 0) throw std::runtime_error("RefusingPort: no socket");
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (::bind(fd_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
      ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    ::close(fd_);
    throw std::runtime_error("RefusingPort: cannot bind");
  }
  port_ = ntohs(address.sin_port);
}

RefusingPort::~RefusingPort() { ::close(fd_); }

std::string RefusingPort::Url(const std::string& pathAndQuery) const {
  return "http://127.0.0.1:" + std::to_string(port_) + "/" +
         (pathAndQuery.starts_with('/') ? pathAndQuery.substr(1) : pathAndQuery);
}

}  // namespace orbeta::test
