// A stand-in for the maker's service on 127.0.0.1, for tests and for trying the application
// without the real one. Every endpoint the client uses answers with plausible canned replies:
// sign-in prints (rather than e-mails) an "orvak://activate?token=..." link, activation issues a
// device token, "/api/me" names the account of the token, "/api/ask" streams its answer a few
// words per line, the library answers cite their sources, the voice list and samples exist.
//
// Every request is recorded (method, target, headers, body), and a test can script any path to
// answer differently: a status and body, an "error", a non-JSON body, delays, stalls, lines one
// by one, malformed lines, a cut-off (see loopback::Step).
#pragma once

#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "tools/loopback/loopback_http.h"

namespace orvak::fake {

using loopback::HttpReply;
using loopback::HttpRequest;
using loopback::Step;

class FakeService {
 public:
  // Listens on 127.0.0.1:`port` (0: any free port).
  explicit FakeService(int port = 0);
  FakeService(const FakeService&) = delete;
  FakeService& operator=(const FakeService&) = delete;

  bool listening() const { return server_.listening(); }
  std::string base() const { return server_.base(); }

  // From now on `path` (the target without its query) is answered by `answer` instead of the
  // canned reply; `reply` answers with the same reply every time.
  void script(const std::string& path, std::function<HttpReply(const HttpRequest&)> answer);
  void script(const std::string& path, HttpReply reply);
  // `path` answers `status` with {"error": "scripted failure"}.
  void fail(const std::string& path, int status);
  // `path` answers its canned reply again.
  void unscript(const std::string& path);

  // What the service can tell a person watching it: one line per request, then what matters in
  // it (the sign-in link, the device token, the feedback payload). Runs on the server's thread.
  void onEvent(std::function<void(const std::string& line)> print);

  std::vector<HttpRequest> requests() const { return server_.requests(); }
  bool waitForRequests(std::size_t count, double seconds = 5) { return server_.waitForRequests(count, seconds); }
  void open(const std::string& gateName) { server_.open(gateName); }
  loopback::HttpServer& server() { return server_; }

  // The account every unknown but present token belongs to.
  static constexpr const char* kDefaultEmail = "reader@example.com";
  // The answer "/api/ask" streams, and the pieces it streams it in.
  static std::vector<std::string> askPieces();
  // The short WAV every voice sample is.
  static std::string sampleWav();

 private:
  HttpReply answer(const HttpRequest& r);
  HttpReply canned(const HttpRequest& r);
  std::string accountOf(const HttpRequest& r) const;  // "" without a bearer token
  void tell(const std::string& line);

  mutable std::mutex mutex_;
  std::map<std::string, std::function<HttpReply(const HttpRequest&)>> scripts_;
  std::map<std::string, std::string> links_;    // sign-in link token -> e-mail
  std::map<std::string, std::string> devices_;  // device token -> e-mail
  std::function<void(const std::string&)> print_;
  int issued_ = 0;
  loopback::HttpServer server_;  // last: stops answering before the state above goes
};

}  // namespace orvak::fake
