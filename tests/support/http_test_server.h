// A real HTTP server on 127.0.0.1 for the tests of the kiosk's HTTP requests.
//
// It listens on a random loopback port and runs on a thread of its own with its own GLib main
// context, so it answers whatever the code under test does with the default context, and a
// test can tell that the client kept the default context running while it waited.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace orbeta::test {

// How the server answers one path.
struct HttpAnswer {
  unsigned status = 200;
  std::string body;
  // Wait this long before answering at all (headers included).
  int delayMs = 0;
  // When not empty, the body is sent in these pieces instead of `body`, the next piece
  // `pieceDelayMs` after the previous one.
  std::vector<std::string> pieces;
  int pieceDelayMs = 0;
  // Pieces only: announce the length (Content-Length) or not (chunked transfer encoding).
  bool announceLength = true;
  // Takes the request and never answers it.
  bool never = false;

  static HttpAnswer Body(std::string body, unsigned status = 200);
  static HttpAnswer Pieces(std::vector<std::string> pieces, int pieceDelayMs, bool announceLength = true);
  static HttpAnswer Never();
  HttpAnswer& Delay(int ms);
};

class HttpTestServer {
 public:
  HttpTestServer();   // listening when the constructor returns
  ~HttpTestServer();
  HttpTestServer(const HttpTestServer&) = delete;
  HttpTestServer& operator=(const HttpTestServer&) = delete;

  // The answer for `target`: a path ("/LN.php", any query) or a path with its exact query as
  // sent ("/LN.php?url=example.com"), which wins over the bare path. Anything else: 404.
  void Serve(const std::string& target, HttpAnswer answer);

  int Port() const;
  // "http://127.0.0.1:<port>/"
  std::string BaseUrl() const;
  // BaseUrl() followed by `pathAndQuery` without its leading "/".
  std::string Url(const std::string& pathAndQuery) const;

  // Every request received, in order, as its path and query were sent ("/LN.php?url=a.com").
  std::vector<std::string> Requests() const;

  struct Impl;

 private:
  std::unique_ptr<Impl> impl_;
};

// A loopback port that refuses connections: bound for the fixture's life but never listening,
// so no other program can take it meanwhile.
class RefusingPort {
 public:
  RefusingPort();
  ~RefusingPort();
  RefusingPort(const RefusingPort&) = delete;
  RefusingPort& operator=(const RefusingPort&) = delete;
  int Port() const { return port_; }
  std::string Url(const std::string& pathAndQuery) const;

 private:
  int fd_ = -1;
  int port_ = 0;
};

}  // namespace orbeta::test
