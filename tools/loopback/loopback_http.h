// A small HTTP/1.1 server on 127.0.0.1, on a network thread of its own, whose replies are scripted
// step by step: lines streamed one by one, raw bytes, pauses, gates that hold a reply until someone
// opens them, stalls and cut-off streams. Tests run real clients against it; the workbench's fake
// service is built on it.
#pragma once

#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "core/base/json.h"
#include "speech/net/net_thread.h"

class QTcpServer;

namespace orvak::loopback {

// Waits on `cv` for `done`, at most `seconds`; the caller holds `lock`.
bool boundedWait(std::condition_variable& cv, std::unique_lock<std::mutex>& lock, double seconds,
                 const std::function<bool()>& done);

// Splits an HTTP head into its request (or status) line and its headers, names in lower case.
std::pair<std::string, std::map<std::string, std::string>> parseHttpHead(const std::string& head);

struct HttpRequest {
  std::string method;
  std::string target;                          // path and query
  std::map<std::string, std::string> headers;  // names in lower case
  std::string body;
  std::string header(const std::string& lowerName) const {
    auto it = headers.find(lowerName);
    return it == headers.end() ? std::string() : it->second;
  }
  bool hasHeader(const std::string& lowerName) const { return headers.count(lowerName) != 0; }
  json::Json json() const { return json::Json::parse(body); }
  // The target without its query.
  std::string path() const { return target.substr(0, target.find('?')); }
  // The value of the first query item `name`, percent-decoded; empty when there is none.
  std::string query(const std::string& name) const;
};

// One step of a scripted response.
struct Step {
  enum Kind { line, raw, gate, stall, cut, pause };
  Kind kind = line;
  std::string text;     // the line (a line end is added), the raw bytes, or the gate's name
  double seconds = 0;   // of a pause
  static Step send(std::string l) { return {Step::line, std::move(l)}; }
  static Step bytes(std::string raw) { return {Step::raw, std::move(raw)}; }
  static Step waitFor(std::string gateName) { return {gate, std::move(gateName)}; }
  static Step hang() { return {stall, {}}; }
  static Step cutOff() { return {cut, {}}; }
  static Step wait(double s) { return {pause, {}, s}; }
};

// A reply: its status and its body as steps. A 200 reply, and any reply whose steps hold anything
// but lines and bytes, is streamed in chunks as the steps run; any other is sent whole.
struct HttpReply {
  int status = 200;
  std::vector<Step> steps;
  std::string contentType = "application/x-ndjson";
  static HttpReply json(int status, const json::Json& body) {
    return {status, {Step::bytes(json::dump(body))}, "application/json"};
  }
};

class HttpServer {
 public:
  // Listens on 127.0.0.1:`port` (0: any free port); see `listening`.
  explicit HttpServer(int port = 0);
  ~HttpServer();
  HttpServer(const HttpServer&) = delete;
  HttpServer& operator=(const HttpServer&) = delete;

  bool listening() const { return port_ != 0; }
  int port() const { return port_; }
  std::string base() const;  // "http://127.0.0.1:PORT"
  // Answers every request; runs on the server's thread, one request at a time.
  void setHandler(std::function<HttpReply(const HttpRequest&)> handler);
  std::vector<HttpRequest> requests() const;
  bool waitForRequests(std::size_t count, double seconds = 5);
  // The order of what happened: "request <target> #n", "end #n" and "cut #n" (n counts requests
  // from 0).
  std::vector<std::string> log() const;
  bool waitForLog(const std::string& entry, double seconds = 5);
  void open(const std::string& gateName);
  // Runs an empty task on the server's thread: everything it received before is handled.
  void barrier();

  struct Connection;

 private:
  friend struct Connection;
  void record(const HttpRequest& r, int& number);
  void note(const std::string& entry);

  net::NetThread thread_{"loopback-http"};
  QTcpServer* server_ = nullptr;
  int port_ = 0;
  mutable std::mutex mutex_;
  std::condition_variable cv_;
  std::function<HttpReply(const HttpRequest&)> handler_;
  std::vector<HttpRequest> requests_;
  std::vector<std::string> log_;
  std::set<std::string> openGates_;
  std::vector<std::shared_ptr<Connection>> connections_;  // server thread only
};

// Decodes %XX escapes (and nothing else) of a URL component.
std::string percentDecode(const std::string& s);

}  // namespace orvak::loopback
