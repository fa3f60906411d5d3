// The default natural voice over line-streamed HTTP: every sentence is one POST whose response is
// a stream of JSON lines, each with a piece of base64 16-bit audio and the word alignment of that
// piece. At most two requests run at once; output reaches the sink strictly in sentence order,
// later sentences held back until their turn.
//
// Requests go straight to the vendor with the user's key (Basic), or, while `proxy()` is set and
// yields a token, to the account service's voice proxy (Bearer). prepare() warms the connection
// with a small request (the proxy's health address or the vendor's voice list); the warm state
// counts for 50 seconds.
//
// prepare, send and cancel run on the caller's queue; requests run on the network thread
// (net/net_thread.h). ttsAudio, ttsWords and ttsFinished are called while the engine's lock is
// held, which keeps the order exact: a sink must never call back into the engine from them.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "speech/engine.h"

class QNetworkAccessManager;

namespace orvak {

struct InworldOptions {
  // Seconds without a byte before a request fails.
  double requestTimeout = 60;
  double warmupTimeout = 5;
  // A response line longer than this ends its request with an error instead of growing memory.
  std::size_t maxLineBytes = 16u * 1024u * 1024u;
};

class InworldEngine final : public SpeechEngine, public std::enable_shared_from_this<InworldEngine> {
 public:
  using Options = InworldOptions;

  struct Voice {
    std::string id;
    std::string name;
    std::string description;
    bool operator==(const Voice&) const = default;
  };

  // The account service's voice proxy; none means "go to the vendor directly".
  using Proxy = VoiceProxy;

  static constexpr int kMaxInFlight = 2;
  static constexpr double kWarmSeconds = 50;
  // Replaces "https://api.inworld.ai" (scheme and host) when set, e.g. "http://127.0.0.1:8123".
  static constexpr const char* kBaseEnv = "ORVAK_INWORLD_BASE";

  static std::shared_ptr<InworldEngine> make(std::string model, std::string voice, Options options = {});
  ~InworldEngine() override;

  // Shared by every engine; guarded, so the controller and the settings may write them any time.
  static std::vector<Voice> voices();
  static void setVoices(std::vector<Voice> voices);
  static std::optional<Proxy> proxy();
  static void setProxy(std::optional<Proxy> proxy);
  // Fills `voices()` from a voice-list reply; keeps them when it yields none.
  static void parseVoices(std::span<const std::uint8_t> data);

  Vendor vendor() const override { return Vendor::inworld; }
  std::string label() const override { return "Inworld \u00B7 " + voice_; }
  std::string model() const override { return model_; }
  std::string voice() const override { return voice_; }
  double sampleRate() const override { return 24000; }

  void prepare() override;
  void send(const std::string& text, int index, bool last) override;
  void cancel() override;

  // The JSON body of one sentence's request (exposed for tests).
  std::string requestBody(const std::string& text, bool viaProxy) const;

  struct Request;  // the network-thread side of one request

  struct Key {
    explicit Key() = default;
  };
  InworldEngine(Key, std::string model, std::string voice, Options options);

 private:
  struct Queued {
    std::string text;
    int index = 0;
    bool last = false;
  };
  using Event = std::variant<std::vector<float>, std::vector<WordTiming>>;

  void startMore();
  void fetch(std::uint64_t requestId, std::string text, int index, std::uint64_t run);
  void warmUp(std::uint64_t run);
  void onReadyRead(Request& r);
  void onFinished(std::uint64_t requestId);
  void processLine(Request& r, std::string_view line);
  void emitError(const std::string& message, std::uint64_t run);
  void deliver(Event event, int index, std::uint64_t run);
  void complete(int index, std::uint64_t run);
  void emitEvent(const std::shared_ptr<SpeechSink>& sink, Event event, int index);
  void abortRequest(std::uint64_t requestId);

  const std::string model_;
  const std::string voice_;
  const Options options_;

  // Guards everything below except the network-thread fields.
  mutable std::mutex lock_;
  bool warmed_ = false;
  std::optional<std::uint64_t> warmedAt_;  // monotonic nanoseconds
  std::uint64_t run_ = 0;
  std::vector<Queued> queued_;
  int inFlight_ = 0;
  int nextDeliver_ = 0;
  std::map<int, std::vector<Event>> buffered_;
  std::set<int> completed_;
  std::optional<int> lastIndex_;
  std::vector<std::uint64_t> tasks_;  // running requests, by id
  std::uint64_t nextRequestId_ = 0;

  // Network thread only.
  QNetworkAccessManager* session_ = nullptr;
  std::map<std::uint64_t, std::unique_ptr<Request>> requests_;
};

}  // namespace orvak
