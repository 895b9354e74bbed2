#include "platform/http_client.h"

#include <fcntl.h>
#include <libsoup/soup.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <utility>

#include "platform/codepage.h"

namespace orbeta {
namespace {

constexpr gsize kReadSize = 64 * 1024;

// The state of one call, shared with the libsoup callbacks. Every asynchronous operation we
// start completes before `done` is set, so no callback ever sees this after the call returns.
struct Call {
  const HttpRequest* request = nullptr;
  HttpResult result;
  SoupMessage* message = nullptr;
  GCancellable* cancellable = nullptr;
  GInputStream* body = nullptr;
  std::uint64_t arrived = 0;
  std::uint64_t announced = 0;
  int fd = -1;                           // the temporary file in file mode, once opened
  std::string tempPath;
  bool timedOut = false;
  bool done = false;
  std::exception_ptr exception;          // thrown by an event handler, rethrown by HttpGet
};

bool FileMode(const Call& call) { return !call.request->bodyFile.empty(); }

// Runs one of the caller's event handlers. A handler that throws ends the request; the
// exception reaches HttpGet's caller once libsoup is out of the way.
template <typename Handler, typename... Args>
void Notify(Call& call, const Handler& handler, Args... args) {
  if (!handler || call.exception) return;
  try {
    handler(args...);
  } catch (...) {
    call.exception = std::current_exception();
    g_cancellable_cancel(call.cancellable);
  }
}

void DiscardTempFile(Call& call) {
  if (call.fd >= 0) ::close(call.fd);
  call.fd = -1;
  if (!call.tempPath.empty()) ::unlink(call.tempPath.c_str());
  call.tempPath.clear();
}

void Finish(Call& call, std::string error) {
  call.result.success = error.empty();
  call.result.error = std::move(error);
  if (!call.result.success) DiscardTempFile(call);
  call.done = true;
  if (call.result.success)
    Notify(call, call.request->events.succeeded);
  else
    Notify(call, call.request->events.failed);
}

std::string ErrorText(const Call& call, GError* error) {
  std::string text;
  if (call.timedOut)
    text = "Time-out after " + std::to_string(call.request->timeoutMs) + " ms";
  else if (error)
    text = Utf8ToCp1252(error->message);
  else
    text = "Request failed";
  if (error) g_error_free(error);
  return text;
}

std::string SystemErrorText(const std::string& what, const std::string& path, int code) {
  return what + " " + path + ": " + std::strerror(code);
}

// A new file beside the target, created exclusively so that no other file is ever written.
bool OpenTempFile(Call& call) {
  const std::string& target = call.request->bodyFile;
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string path = target + ".part-" + std::to_string(::getpid()) + "-" + std::to_string(g_random_int());
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
      call.fd = fd;
      call.tempPath = std::move(path);
      return true;
    }
    if (errno != EEXIST) {
      Finish(call, SystemErrorText("Cannot create", path, errno));
      return false;
    }
  }
  Finish(call, "Cannot create a temporary file beside " + target);
  return false;
}

bool WriteAll(Call& call, const char* data, std::size_t size) {
  while (size > 0) {
    ssize_t written = ::write(call.fd, data, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      Finish(call, SystemErrorText("Cannot write", call.tempPath, errno));
      return false;
    }
    data += written;
    size -= static_cast<std::size_t>(written);
  }
  return true;
}

// The body is complete: in file mode the temporary file takes the target's name.
void Complete(Call& call) {
  if (FileMode(call)) {
    int fd = std::exchange(call.fd, -1);
    if (::fsync(fd) != 0 || ::close(fd) != 0) {
      int code = errno;
      Finish(call, SystemErrorText("Cannot write", call.tempPath, code));
      return;
    }
    if (::rename(call.tempPath.c_str(), call.request->bodyFile.c_str()) != 0) {
      Finish(call, SystemErrorText("Cannot replace", call.request->bodyFile, errno));
      return;
    }
    call.tempPath.clear();
  }
  if (SOUP_STATUS_IS_SUCCESSFUL(call.result.status))
    Finish(call, {});
  else
    Finish(call, "HTTP status " + std::to_string(call.result.status));
}

void ReadNext(Call& call);

void OnRead(GObject* source, GAsyncResult* res, gpointer data) {
  Call& call = *static_cast<Call*>(data);
  GError* error = nullptr;
  GBytes* bytes = g_input_stream_read_bytes_finish(G_INPUT_STREAM(source), res, &error);
  if (!bytes) {
    Finish(call, ErrorText(call, error));
    return;
  }
  gsize size = 0;
  const char* piece = static_cast<const char*>(g_bytes_get_data(bytes, &size));
  if (size == 0) {
    g_bytes_unref(bytes);
    Complete(call);
    return;
  }
  bool kept = true;
  if (FileMode(call))
    kept = WriteAll(call, piece, size);
  else
    call.result.body.append(piece, size);
  g_bytes_unref(bytes);
  if (!kept) return;
  call.arrived += size;
  Notify(call, call.request->events.progress, call.arrived, call.announced);
  if (call.exception) {
    Finish(call, "Request ended by its progress handler");
    return;
  }
  ReadNext(call);
}

void ReadNext(Call& call) {
  g_input_stream_read_bytes_async(call.body, kReadSize, G_PRIORITY_DEFAULT, call.cancellable, OnRead, &call);
}

void OnSent(GObject* source, GAsyncResult* res, gpointer data) {
  Call& call = *static_cast<Call*>(data);
  GError* error = nullptr;
  call.body = soup_session_send_finish(SOUP_SESSION(source), res, &error);
  if (!call.body) {
    Finish(call, ErrorText(call, error));
    return;
  }
  call.result.status = soup_message_get_status(call.message);
  SoupMessageHeaders* headers = soup_message_get_response_headers(call.message);
  if (soup_message_headers_get_encoding(headers) == SOUP_ENCODING_CONTENT_LENGTH)
    call.announced = static_cast<std::uint64_t>(soup_message_headers_get_content_length(headers));
  if (FileMode(call)) {
    // An error page must never take the place of the file: its body is not even read.
    if (!SOUP_STATUS_IS_SUCCESSFUL(call.result.status)) {
      Finish(call, "HTTP status " + std::to_string(call.result.status));
      return;
    }
    if (!OpenTempFile(call)) return;
  }
  ReadNext(call);
}

gboolean OnTimeout(gpointer data) {
  Call& call = *static_cast<Call*>(data);
  call.timedOut = true;
  g_cancellable_cancel(call.cancellable);
  return G_SOURCE_REMOVE;
}

GProxyResolver* NewProxyResolver(const HttpProxy& proxy) {
  std::string host = Cp1252ToUtf8(proxy.host);
  if (host.find(':') != std::string::npos && host.front() != '[') host = "[" + host + "]";
  std::string uri = "http://" + host;
  if (proxy.port > 0) uri += ":" + std::to_string(proxy.port);
  return g_simple_proxy_resolver_new(uri.c_str(), nullptr);
}

// A GET for an absolute http or https address with a host; nullptr for anything else.
SoupMessage* NewGetMessage(const std::string& address) {
  GUri* uri = g_uri_parse(Cp1252ToUtf8(address).c_str(), static_cast<GUriFlags>(SOUP_HTTP_URI_FLAGS), nullptr);
  if (!uri) return nullptr;
  const char* scheme = g_uri_get_scheme(uri);
  const char* host = g_uri_get_host(uri);
  SoupMessage* message = nullptr;
  if ((g_ascii_strcasecmp(scheme, "http") == 0 || g_ascii_strcasecmp(scheme, "https") == 0) && host && *host)
    message = soup_message_new_from_uri(SOUP_METHOD_GET, uri);
  g_uri_unref(uri);
  return message;
}

}  // namespace

HttpResult HttpGet(const HttpRequest& request) {
  Call call;
  call.request = &request;

  Notify(call, request.events.connecting);
  if (call.exception) std::rethrow_exception(call.exception);

  call.message = NewGetMessage(request.address);
  if (!call.message) {
    Finish(call, "Not a valid address: " + request.address);
    if (call.exception) std::rethrow_exception(call.exception);
    return call.result;
  }

  GMainContext* context = g_main_context_ref_thread_default();
  SoupSession* session = soup_session_new_with_options("user-agent", "Orbeta", "timeout", 0u, "idle-timeout", 0u,
                                                       nullptr);
  // Without a proxy of ours the connection is direct: the kiosk's proxy settings are the ones
  // the caller passes, not the environment's.
  GProxyResolver* resolver = request.proxy ? NewProxyResolver(*request.proxy) : nullptr;
  soup_session_set_proxy_resolver(session, resolver);
  if (resolver) g_object_unref(resolver);

  call.cancellable = g_cancellable_new();
  GSource* timer = nullptr;
  if (request.timeoutMs > 0) {
    timer = g_timeout_source_new(request.timeoutMs);
    g_source_set_callback(timer, OnTimeout, &call, nullptr);
    g_source_attach(timer, context);
  }

  soup_session_send_async(session, call.message, G_PRIORITY_DEFAULT, call.cancellable, OnSent, &call);
  while (!call.done) g_main_context_iteration(context, TRUE);

  if (timer) {
    g_source_destroy(timer);
    g_source_unref(timer);
  }
  // Whatever remains of the exchange is dropped without waiting for the network.
  g_cancellable_cancel(call.cancellable);
  if (call.body) {
    g_input_stream_close(call.body, call.cancellable, nullptr);
    g_object_unref(call.body);
  }
  soup_session_abort(session);
  g_object_unref(call.message);
  g_object_unref(session);
  g_object_unref(call.cancellable);
  g_main_context_unref(context);
  DiscardTempFile(call);

  if (call.exception) std::rethrow_exception(call.exception);
  return std::move(call.result);
}

}  // namespace orbeta
