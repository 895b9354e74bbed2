// A small HTTP client for the kiosk's own requests (online validation, list download).
//
// One GET at a time per call, on libsoup. The call waits by iterating the calling thread's
// default main context (the GLib default context on the user-interface thread), like a modal
// wait: timers, posted messages and window events keep being dispatched meanwhile, and another
// request may even start and finish inside the wait. Call it from the thread that runs that
// context.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace orbeta {

// An HTTP proxy that every request of the call goes through.
struct HttpProxy {
  std::string host;
  std::int32_t port = 0;
};

// Notifications during one request; each may be left empty.
struct HttpEvents {
  // The request is about to connect and send.
  std::function<void()> connecting;
  // The whole answer arrived with a 2xx status.
  std::function<void()> succeeded;
  // The request ended any other way: no connection, time-out, transfer error, non-2xx status.
  std::function<void()> failed;
  // After each piece of the body: bytes so far and the length the server announced (0: none).
  std::function<void(std::uint64_t arrived, std::uint64_t announced)> progress;
};

struct HttpRequest {
  std::string address;                  // an absolute http:// or https:// address
  std::uint32_t timeoutMs = 0;          // for the whole request, answer included; 0: none
  std::optional<HttpProxy> proxy;       // none: a direct connection, whatever the system says
  // Empty: the body is kept in HttpResult::body. Otherwise the body of a 2xx answer is written
  // to a temporary file beside this path and renamed over it once complete; on any failure
  // the temporary file is removed and nothing appears under this path.
  std::string bodyFile;
  HttpEvents events;
};

struct HttpResult {
  bool success = false;                 // the whole answer arrived and its status is 2xx
  std::uint32_t status = 0;             // the HTTP status; 0 when no answer arrived
  std::string body;                     // memory mode: the body as received, whatever the status
  std::string error;                    // why it failed; empty on success
};

HttpResult HttpGet(const HttpRequest& request);

}  // namespace orbeta
