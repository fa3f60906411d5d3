#include "speech/cartesia_engine.h"

#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>
#include <QWebSocket>

#include "core/base/dispatch.h"
#include "core/base/json.h"
#include "core/text/text.h"
#include "speech/keys.h"
#include "speech/net/net_thread.h"
#include "speech/net/net_util.h"
#include "speech/vendor_replies.h"

namespace orvak {

namespace {

constexpr int kCartesiaSampleRate = 24000;

std::optional<double> secondsSince(std::optional<std::uint64_t> then) {
  if (!then) return std::nullopt;
  const std::uint64_t now = dispatch::monotonicNanos();
  return now > *then ? static_cast<double>(now - *then) / 1e9 : 0.0;
}

// The version goes into the address as it is, so it must be a plain token ("2026-08-14").
bool isUrlSafeToken(std::string_view s) {
  if (s.empty()) return false;
  for (char c : s) {
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
                    c == '_' || c == '.' || c == '~';
    if (!ok) return false;
  }
  return true;
}

}  // namespace

struct CartesiaEngine::Link {
  std::uint64_t id = 0;
  QWebSocket* ws = nullptr;  // deleted later, never inside one of its own signals
  QTimer* timer = nullptr;   // handshake time-out, then silence while replies are due

  explicit Link(std::uint64_t id) : id(id), ws(new QWebSocket()), timer(new QTimer()) { timer->setSingleShot(true); }
  Link(const Link&) = delete;
  Link& operator=(const Link&) = delete;
  ~Link() {
    timer->stop();
    timer->deleteLater();
    if (ws != nullptr) {
      ws->disconnect();  // its late events belong to nobody
      ws->abort();
      ws->deleteLater();
    }
  }
};

std::shared_ptr<CartesiaEngine> CartesiaEngine::make(std::string model, std::string voice, std::string version,
                                                     Options options) {
  return std::make_shared<CartesiaEngine>(Key{}, std::move(model), std::move(voice), std::move(version), options);
}

CartesiaEngine::CartesiaEngine(Key, std::string model, std::string voice, std::string version, Options options)
    : model_(std::move(model)), voice_(std::move(voice)), version_(std::move(version)), options_(options) {}

CartesiaEngine::~CartesiaEngine() {
  // The socket dies with the engine, on its own thread. Its objects are deleted later, never
  // inside one of their own signals (the last owner may let go inside a callback).
  net::NetThread::shared().run([this] { link_.reset(); });
}

std::string CartesiaEngine::requestMessage(const std::string& model, const std::string& voice,
                                           const std::string& contextId, const std::string& text, bool last) {
  json::Json j;
  j["model_id"] = text::repairUtf8(model);
  // Text from a page may carry broken UTF-8; repaired, every string encodes.
  j["transcript"] = text::repairUtf8(text) + (last ? "" : " ");
  j["voice"] = {{"mode", "id"}, {"id", text::repairUtf8(voice)}};
  j["language"] = "en";
  j["context_id"] = contextId;
  j["output_format"] = {{"container", "raw"}, {"encoding", "pcm_f32le"}, {"sample_rate", kCartesiaSampleRate}};
  j["add_timestamps"] = true;
  j["continue"] = !last;
  j["max_buffer_delay_ms"] = 0;
  return json::dump(j);
}

void CartesiaEngine::prepare() {
  bool reusable = false;
  {
    std::lock_guard lock(lock_);
    contextId_ = net::newUuid();
    pending_.clear();
    awaiting_ = false;
    const auto idle = secondsSince(lastActivity_);
    reusable = idle && *idle <= kReuseSeconds && socketId_ != 0 && isOpen_;
  }
  if (!reusable) {
    connect();
    return;
  }
  if (auto s = sink()) s->ttsConnected(true);
}

void CartesiaEngine::connect() {
  {
    std::lock_guard lock(lock_);
    // From here on the old socket is not the current one: its late events are ignored.
    socketId_ = 0;
    isOpen_ = false;
  }
  std::weak_ptr<CartesiaEngine> weak = weak_from_this();
  net::NetThread::shared().post([weak] {
    if (auto self = weak.lock(); self && self->link_) self->dropLink(self->link_->id, true);
  });

  const auto key = Keys::get("cartesia");
  if (!key) {
    if (auto s = sink()) s->ttsError("No Cartesia key (Keychain orvak-cartesia)");
    return;
  }
  if (!isUrlSafeToken(version_)) {
    if (auto s = sink()) s->ttsError("cartesia: the API version \"" + text::repairUtf8(version_) + "\" is not valid");
    return;
  }
  const std::string url =
      net::vendorBase("wss://api.cartesia.ai", kBaseEnv) + "/tts/websocket?cartesia_version=" + version_;
  if (!net::maySendSecret(url)) {
    // An override of the address must not carry the key in clear across a network.
    if (auto s = sink()) s->ttsError("cartesia: the key goes only over wss or to this computer, not to " + url);
    return;
  }
  std::uint64_t id = 0;
  {
    std::lock_guard lock(lock_);
    id = ++nextSocketId_;
    socketId_ = id;
  }
  net::NetThread::shared().post([weak, id, url, key = *key] {
    if (auto self = weak.lock()) self->openOnThread(id, url, key);
  });
}

void CartesiaEngine::openOnThread(std::uint64_t id, const std::string& url, const std::string& key) {
  {
    std::lock_guard lock(lock_);
    if (socketId_ != id) return;  // another prepare came first
  }
  if (link_) dropLink(link_->id, true);
  link_ = std::make_unique<Link>(id);
  QWebSocket* ws = link_->ws;
  ws->setMaxAllowedIncomingMessageSize(options_.maxMessageBytes);
  std::weak_ptr<CartesiaEngine> weak = weak_from_this();

  QObject::connect(ws, &QWebSocket::connected, ws, [weak, id] {
    if (auto self = weak.lock()) self->onOpen(id);
  });
  QObject::connect(ws, &QWebSocket::textMessageReceived, ws, [weak, id](const QString& message) {
    if (auto self = weak.lock()) self->onMessage(id, message.toStdString());
  });
  QObject::connect(ws, &QWebSocket::binaryMessageReceived, ws, [weak, id](const QByteArray& message) {
    const std::string_view text(message.constData(), static_cast<std::size_t>(message.size()));
    if (!text::isValidUtf8(text)) return;  // not text: skipped
    if (auto self = weak.lock()) self->onMessage(id, text);
  });
  QObject::connect(ws, qOverload<QAbstractSocket::SocketError>(&QWebSocket::error), ws,
                   [weak, id, ws](QAbstractSocket::SocketError) {
                     const auto [status, description] = net::handshakeFailure(ws->errorString().toStdString());
                     if (auto self = weak.lock()) self->onFailure(id, description, status);
                   });
  QObject::connect(ws, &QWebSocket::disconnected, ws, [weak, id, ws] {
    if (ws->error() != QAbstractSocket::UnknownSocketError) {
      // A socket that never opened (refused, unreachable) may report its end before its error.
      const auto [status, description] = net::handshakeFailure(ws->errorString().toStdString());
      if (auto self = weak.lock()) self->onFailure(id, description, status);
      return;
    }
    std::string description = "the connection closed";
    if (ws->closeCode() != QWebSocketProtocol::CloseCodeNormal || !ws->closeReason().isEmpty()) {
      description += " (code " + std::to_string(static_cast<int>(ws->closeCode()));
      if (!ws->closeReason().isEmpty()) description += ": " + ws->closeReason().toStdString();
      description += ")";
    }
    if (auto self = weak.lock()) self->onFailure(id, description, 0);
  });
  QObject::connect(link_->timer, &QTimer::timeout, link_->timer, [weak, id] {
    if (auto self = weak.lock()) self->onTimeout(id);
  });

  QNetworkRequest request{QUrl(QString::fromStdString(url))};
  request.setRawHeader("X-API-Key", QByteArray::fromStdString(key));
  request.setRawHeader("Cartesia-Version", QByteArray::fromStdString(version_));
  link_->timer->start(static_cast<int>(options_.requestTimeout * 1000));
  ws->open(request);
}

void CartesiaEngine::send(const std::string& text, int index, bool last) {
  std::string contextId;
  {
    std::lock_guard lock(lock_);
    contextId = contextId_;
  }
  std::string message;
  try {
    message = requestMessage(model_, voice_, contextId, text, last);
  } catch (const std::exception&) {
    // Never send an empty object in its place: the vendor would fail the whole context.
    if (auto s = sink()) s->ttsError("cartesia: sentence " + std::to_string(index) + " could not be encoded");
    return;
  }
  std::weak_ptr<CartesiaEngine> weak = weak_from_this();
  // Decided on the network thread, where the open event flushes what waited: a sentence sent
  // while the flush runs queues behind it and cannot overtake it.
  net::NetThread::shared().post([weak, message = std::move(message), index, contextId] {
    if (auto self = weak.lock()) self->sendOnThread(message, index, contextId);
  });
}

void CartesiaEngine::sendOnThread(std::string message, int index, const std::string& contextId) {
  {
    std::lock_guard lock(lock_);
    if (contextId != contextId_) return;  // its read was cancelled or replaced
    const bool open = isOpen_ && link_ && link_->id == socketId_;
    if (!open) {
      pending_.push_back({std::move(message), index});
      return;
    }
    awaiting_ = true;
  }
  write(*link_, message, index);
}

void CartesiaEngine::write(Link& link, const std::string& message, int index) {
  const qint64 written = link.ws->sendTextMessage(QString::fromStdString(message));
  if (auto s = sink()) s->ttsRequestSent(index);
  if (written <= 0 || !link.ws->isValid()) {
    const QString why = link.ws->errorString();
    if (auto s = sink()) s->ttsError("cartesia send: " + (why.isEmpty() ? std::string("not connected") : why.toStdString()));
    return;
  }
  restartTimer(link.id, true);
}

void CartesiaEngine::cancel() {
  std::string abandoned;
  std::uint64_t id = 0;
  bool open = false;
  {
    std::lock_guard lock(lock_);
    abandoned = contextId_;
    id = socketId_;
    open = isOpen_;
    contextId_ = "cancelled-" + net::newUuid();
    pending_.clear();
    awaiting_ = false;
  }
  if (!open || id == 0) return;
  std::weak_ptr<CartesiaEngine> weak = weak_from_this();
  net::NetThread::shared().post([weak, id, abandoned] {
    auto self = weak.lock();
    if (!self || !self->link_ || self->link_->id != id) return;
    json::Json j;
    j["context_id"] = abandoned;
    j["cancel"] = true;
    self->link_->ws->sendTextMessage(QString::fromStdString(json::dump(j)));
    self->restartTimer(id, false);
  });
}

void CartesiaEngine::onOpen(std::uint64_t id) {
  std::vector<Pending> taken;
  {
    std::lock_guard lock(lock_);
    if (socketId_ != id) return;
    isOpen_ = true;
    lastActivity_ = dispatch::monotonicNanos();
    taken.swap(pending_);
    awaiting_ = !taken.empty();
  }
  if (!link_ || link_->id != id) return;
  link_->timer->stop();
  if (auto s = sink()) s->ttsConnected(false);
  for (const auto& p : taken) {
    if (!link_ || link_->id != id) return;  // the socket failed while flushing
    write(*link_, p.message, p.index);
  }
}

void CartesiaEngine::onMessage(std::uint64_t id, std::string_view text) {
  json::Json message;
  try {
    message = json::parse(text);  // bounded nesting: the error text below dumps parts of it
  } catch (const json::DecodeError&) {
    return;  // not JSON: skipped
  }
  if (!message.is_object()) return;
  bool awaiting = false;
  {
    std::lock_guard lock(lock_);
    if (socketId_ != id) return;
    lastActivity_ = dispatch::monotonicNanos();
    awaiting = awaiting_;
  }
  restartTimer(id, awaiting);
  handle(message);
}

void CartesiaEngine::handle(const json::Json& message) {
  auto reply = CartesiaReply::parse(message);
  {
    std::lock_guard lock(lock_);
    if (reply.contextId && *reply.contextId != contextId_) return;
  }
  using Kind = CartesiaReply::Message::Kind;
  switch (reply.kind) {
    case Kind::ignored:
      return;
    case Kind::audio:
      if (auto s = sink()) s->ttsAudio(std::move(reply.samples), kCartesiaSampleRate, std::nullopt);
      return;
    case Kind::words:
      if (auto s = sink()) s->ttsWords(std::move(reply.words), std::nullopt);
      return;
    case Kind::done:
    case Kind::error:
      break;
  }
  {
    std::lock_guard lock(lock_);
    awaiting_ = false;
  }
  if (link_) link_->timer->stop();
  auto s = sink();
  if (!s) return;
  if (reply.kind == Kind::done) {
    s->ttsFinished();
  } else {
    s->ttsError(reply.error);
  }
}

void CartesiaEngine::onFailure(std::uint64_t id, const std::string& description, int status) {
  {
    std::lock_guard lock(lock_);
    if (socketId_ != id) return;  // not the current socket: silent
    socketId_ = 0;
    isOpen_ = false;
    awaiting_ = false;
  }
  dropLink(id, false);
  std::string text = "cartesia: " + VendorError::describe(status).value_or(description);
  if (status != 0) text += " (HTTP " + std::to_string(status) + ")";
  if (auto s = sink()) s->ttsError(text);
}

void CartesiaEngine::onTimeout(std::uint64_t id) {
  bool wasOpen = false;
  {
    std::lock_guard lock(lock_);
    if (socketId_ != id) return;
    if (isOpen_ && !awaiting_) return;  // an idle open socket may stay quiet
    wasOpen = isOpen_;
    socketId_ = 0;
    isOpen_ = false;
    awaiting_ = false;
  }
  dropLink(id, false);
  if (auto s = sink()) {
    s->ttsError(wasOpen ? "cartesia: no reply for " + net::secondsText(options_.requestTimeout)
                        : "cartesia: the connection timed out");
  }
}

void CartesiaEngine::restartTimer(std::uint64_t id, bool awaiting) {
  if (!link_ || link_->id != id) return;
  if (awaiting) {
    link_->timer->start(static_cast<int>(options_.requestTimeout * 1000));
  } else {
    link_->timer->stop();
  }
}

void CartesiaEngine::dropLink(std::uint64_t id, bool gracefully) {
  if (!link_ || link_->id != id) return;
  if (gracefully && link_->ws->state() == QAbstractSocket::ConnectedState) {
    // Going away: the vendor hears why; the socket is deleted once the close completes.
    QWebSocket* closing = std::exchange(link_->ws, nullptr);
    closing->disconnect();
    QObject::connect(closing, &QWebSocket::disconnected, closing, &QObject::deleteLater);
    QTimer::singleShot(5000, closing, &QObject::deleteLater);
    closing->close(QWebSocketProtocol::CloseCodeGoingAway);
  }
  link_.reset();
}

}  // namespace orvak
