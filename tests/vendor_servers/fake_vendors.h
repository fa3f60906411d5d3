// Local servers on 127.0.0.1 that speak the two cloud voices' protocols, each on its own network
// thread, so the real engines can be tested end to end. Tests script what they answer: lines,
// gates that hold a response until the test opens them, stalls, cut-off streams, malformed
// lines, error statuses and refused handshakes.
#pragma once

#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/base/json.h"
#include "speech/net/net_thread.h"
#include "tools/loopback/loopback_http.h"

class QTcpServer;
class QWebSocketServer;
class QWebSocket;

namespace orvak::test {

// The loopback HTTP server lives in tools/loopback; these names are what the tests know it by.
using loopback::boundedWait;
using loopback::HttpReply;
using loopback::HttpRequest;
using loopback::Step;
using FakeHttpServer = loopback::HttpServer;

// A line of the voice stream: 16-bit samples all equal to `value`, and the alignment of its words.
std::string inworldLine(int samples, std::int16_t value, const std::vector<std::string>& words = {},
                        const std::vector<double>& starts = {}, const std::vector<double>& ends = {},
                        bool riffHeader = false);

// ---- Websocket ---------------------------------------------------------------------------------

class FakeWebSocketServer {
 public:
  // With auto-reply on, every request message is answered with one chunk of 240 float samples
  // equal to 0.01 × (1 + the request's number), its transcript's words as timestamps, and "done"
  // after a request whose "continue" is false, all in the request's context.
  FakeWebSocketServer();
  ~FakeWebSocketServer();

  std::string base() const;  // "ws://127.0.0.1:PORT"
  void setAutoReply(bool on);
  // The next handshakes are refused with this status (none: accepted).
  void refuseWith(std::optional<int> status);
  // Handshakes wait until `open("handshake")` when set.
  void holdHandshakes(bool hold);
  void open(const std::string& gateName);

  struct Handshake {
    std::string target;
    std::map<std::string, std::string> headers;
  };
  std::vector<Handshake> handshakes() const;
  bool waitForHandshakes(std::size_t count, double seconds = 5);
  std::vector<json::Json> messages() const;  // what clients sent, in order
  bool waitForMessages(std::size_t count, double seconds = 5);
  std::vector<int> closeCodes() const;  // of client sockets that closed, in order
  bool waitForCloses(std::size_t count, double seconds = 5);

  void sendText(const std::string& text);      // to every open client
  void sendBinary(const std::string& bytes);
  void closeClients();                          // a normal close from the server side

 private:
  void accept(QWebSocket* socket);
  void onMessage(QWebSocket* socket, const std::string& text);

  net::NetThread thread_{"fake-ws"};
  QTcpServer* tcp_ = nullptr;
  QWebSocketServer* ws_ = nullptr;
  int port_ = 0;
  mutable std::mutex mutex_;
  std::condition_variable cv_;
  bool autoReply_ = true;
  bool hold_ = false;
  std::optional<int> refuse_;
  std::vector<Handshake> handshakes_;
  std::vector<json::Json> messages_;
  std::vector<int> closeCodes_;
  int requestCount_ = 0;
  std::vector<QWebSocket*> clients_;                   // server thread only
  std::vector<std::function<void()>> heldHandshakes_;  // server thread only
};

// Standard base64 of `bytes`.
std::string toBase64(const std::string& bytes);
// The little-endian bytes of float samples.
std::string float32LE(const std::vector<float>& samples);

}  // namespace orvak::test
