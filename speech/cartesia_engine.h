// The websocket voice: a whole read goes over one socket, each sentence one JSON request inside a
// vendor "context" that lasts for the read; the vendor answers with base64 float chunks, word
// timestamps, a done marker or an error. The socket is kept between reads and reused while its
// last activity is at most 240 seconds old.
//
// prepare, send and cancel are called on the caller's queue; everything on the socket happens on
// the network thread (net/net_thread.h), one event at a time, and the sink is called from there
// (or from the caller's thread for ttsConnected on reuse and for a missing key), never while the
// engine's lock is held.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/json_fwd.h"
#include "speech/engine.h"

namespace orvak {

struct CartesiaOptions {
  // Seconds allowed for the handshake, and for silence while replies to sent requests are due.
  double requestTimeout = 60;
  // Larger messages from the vendor end the socket with an error.
  std::uint64_t maxMessageBytes = 16u * 1024u * 1024u;
};

class CartesiaEngine final : public SpeechEngine, public std::enable_shared_from_this<CartesiaEngine> {
 public:
  using Options = CartesiaOptions;

  // A socket idle for longer than this is replaced at the next prepare.
  static constexpr double kReuseSeconds = 240;
  // Replaces "wss://api.cartesia.ai" (scheme and host) when set, e.g. "ws://127.0.0.1:8123".
  static constexpr const char* kBaseEnv = "ORVAK_CARTESIA_BASE";

  static std::shared_ptr<CartesiaEngine> make(std::string model, std::string voice, std::string version,
                                              Options options = {});
  ~CartesiaEngine() override;

  Vendor vendor() const override { return Vendor::cartesia; }
  std::string label() const override { return "Cartesia " + model_; }
  std::string model() const override { return model_; }
  std::string voice() const override { return voice_; }
  std::string version() const { return version_; }
  double sampleRate() const override { return 24000; }

  void prepare() override;
  void send(const std::string& text, int index, bool last) override;
  void cancel() override;

  // The request message for one sentence, as sent (exposed for tests).
  static std::string requestMessage(const std::string& model, const std::string& voice, const std::string& contextId,
                                    const std::string& text, bool last);

  struct Link;  // the network-thread side of one socket

  // Only through make(): the engine must be owned by a shared pointer.
  struct Key {
    explicit Key() = default;
  };
  CartesiaEngine(Key, std::string model, std::string voice, std::string version, Options options);

 private:
  struct Pending {
    std::string message;
    int index = 0;
  };

  void connect();
  void openOnThread(std::uint64_t id, const std::string& url, const std::string& key);
  void sendOnThread(std::string message, int index, const std::string& contextId);
  void write(Link& link, const std::string& message, int index);
  void onOpen(std::uint64_t id);
  void onMessage(std::uint64_t id, std::string_view text);
  void onFailure(std::uint64_t id, const std::string& description, int status);
  void onTimeout(std::uint64_t id);
  void handle(const json::Json& message);
  void restartTimer(std::uint64_t id, bool awaiting);
  // Drops the network side of socket `id` when it is still the one held (network thread).
  void dropLink(std::uint64_t id, bool gracefully);

  const std::string model_;
  const std::string voice_;
  const std::string version_;
  const Options options_;

  // Guards everything below except link_.
  mutable std::mutex lock_;
  std::uint64_t socketId_ = 0;  // the current socket; 0 when there is none
  std::uint64_t nextSocketId_ = 0;
  bool isOpen_ = false;
  std::vector<Pending> pending_;
  std::string contextId_;
  std::optional<std::uint64_t> lastActivity_;  // monotonic nanoseconds
  bool awaiting_ = false;                      // replies of the current context are due

  // Network thread only.
  std::unique_ptr<Link> link_;
};

}  // namespace orvak
