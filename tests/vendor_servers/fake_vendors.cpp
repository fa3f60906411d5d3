#include "tests/vendor_servers/fake_vendors.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QWebSocket>
#include <QWebSocketServer>
#include <chrono>
#include <cstring>
#include <sstream>

#include "core/base/base64.h"
#include "core/base/json.h"

namespace orvak::test {

std::string toBase64(const std::string& bytes) { return base64::encode(std::vector<std::uint8_t>(bytes.begin(), bytes.end())); }

std::string float32LE(const std::vector<float>& samples) {
  std::string out(samples.size() * 4, '\0');
  for (std::size_t i = 0; i < samples.size(); ++i) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, &samples[i], 4);
    for (int b = 0; b < 4; ++b) out[i * 4 + b] = static_cast<char>((bits >> (8 * b)) & 0xFF);
  }
  return out;
}

std::string inworldLine(int samples, std::int16_t value, const std::vector<std::string>& words,
                        const std::vector<double>& starts, const std::vector<double>& ends, bool riffHeader) {
  std::string pcm;
  if (riffHeader) {
    pcm = "RIFF";
    pcm.resize(44, '\x7f');  // a header whose bytes would be loud samples if they were kept
  }
  for (int i = 0; i < samples; ++i) {
    pcm.push_back(static_cast<char>(static_cast<std::uint16_t>(value) & 0xFF));
    pcm.push_back(static_cast<char>((static_cast<std::uint16_t>(value) >> 8) & 0xFF));
  }
  json::Json result;
  result["audioContent"] = toBase64(pcm);
  if (!words.empty() || !starts.empty() || !ends.empty()) {
    result["timestampInfo"]["wordAlignment"] = {
        {"words", words}, {"wordStartTimeSeconds", starts}, {"wordEndTimeSeconds", ends}};
  }
  return json::dump(json::Json{{"result", result}});
}

// ---- Websocket ---------------------------------------------------------------------------------

FakeWebSocketServer::FakeWebSocketServer() {
  thread_.run([this] {
    tcp_ = new QTcpServer(thread_.context());
    ws_ = new QWebSocketServer("fake", QWebSocketServer::NonSecureMode, thread_.context());
    tcp_->listen(QHostAddress::LocalHost, 0);
    port_ = tcp_->serverPort();
    QObject::connect(ws_, &QWebSocketServer::newConnection, ws_, [this] {
      while (QWebSocket* s = ws_->nextPendingConnection()) accept(s);
    });
    QObject::connect(tcp_, &QTcpServer::newConnection, tcp_, [this] {
      while (QTcpSocket* socket = tcp_->nextPendingConnection()) {
        // The head is peeked, not read, so the websocket server can still read the handshake.
        auto watch = std::make_shared<QMetaObject::Connection>();
        *watch = QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, watch] {
          const QByteArray peeked = socket->peek(64 * 1024);
          const auto end = peeked.indexOf("\r\n\r\n");
          if (end < 0) return;
          QObject::disconnect(*watch);  // the head is complete: this connection's fate is decided once
          auto [line, headers] = loopback::parseHttpHead(peeked.left(end + 2).toStdString());
          Handshake h;
          std::istringstream first(line);
          std::string method;
          first >> method >> h.target;
          h.headers = std::move(headers);
          std::optional<int> refuse;
          bool hold = false;
          {
            std::lock_guard lock(mutex_);
            handshakes_.push_back(h);
            refuse = refuse_;
            hold = hold_;
            cv_.notify_all();
          }
          if (refuse) {
            socket->readAll();
            socket->write(QByteArray::fromStdString("HTTP/1.1 " + std::to_string(*refuse) +
                                                    " Refused\r\nContent-Length: 0\r\nConnection: close\r\n\r\n"));
            socket->disconnectFromHost();
            return;
          }
          auto hand = [this, socket] { ws_->handleConnection(socket); };
          if (hold) {
            heldHandshakes_.push_back(hand);
          } else {
            hand();
          }
        });
      }
    });
  });
}

FakeWebSocketServer::~FakeWebSocketServer() {
  thread_.run([this] {
    for (auto* c : clients_) {
      c->disconnect();
      c->abort();
      delete c;
    }
    clients_.clear();
    delete ws_;
    delete tcp_;
  });
}

std::string FakeWebSocketServer::base() const { return "ws://127.0.0.1:" + std::to_string(port_); }

void FakeWebSocketServer::setAutoReply(bool on) {
  std::lock_guard lock(mutex_);
  autoReply_ = on;
}

void FakeWebSocketServer::refuseWith(std::optional<int> status) {
  std::lock_guard lock(mutex_);
  refuse_ = status;
}

void FakeWebSocketServer::holdHandshakes(bool hold) {
  std::lock_guard lock(mutex_);
  hold_ = hold;
}

void FakeWebSocketServer::open(const std::string& gateName) {
  if (gateName != "handshake") return;
  thread_.post([this] {
    auto held = std::move(heldHandshakes_);
    heldHandshakes_.clear();
    for (auto& h : held) h();
  });
}

void FakeWebSocketServer::accept(QWebSocket* socket) {
  socket->setParent(thread_.context());
  clients_.push_back(socket);
  QObject::connect(socket, &QWebSocket::textMessageReceived, socket, [this, socket](const QString& text) {
    onMessage(socket, text.toStdString());
  });
  QObject::connect(socket, &QWebSocket::disconnected, socket, [this, socket] {
    {
      std::lock_guard lock(mutex_);
      closeCodes_.push_back(static_cast<int>(socket->closeCode()));
      cv_.notify_all();
    }
    std::erase(clients_, socket);
    socket->deleteLater();
  });
}

void FakeWebSocketServer::onMessage(QWebSocket* socket, const std::string& text) {
  json::Json m;
  try {
    m = json::Json::parse(text);
  } catch (const std::exception&) {
    m = text;
  }
  bool reply = false;
  int k = 0;
  {
    std::lock_guard lock(mutex_);
    messages_.push_back(m);
    cv_.notify_all();
    if (m.is_object() && m.contains("transcript")) {
      k = requestCount_++;
      reply = autoReply_;
    }
  }
  if (!reply) return;
  const std::string ctx = m.value("context_id", "");
  const std::vector<float> samples(240, 0.01f * static_cast<float>(k + 1));
  json::Json chunk{{"type", "chunk"}, {"context_id", ctx}, {"data", toBase64(float32LE(samples))}, {"done", false}};
  socket->sendTextMessage(QString::fromStdString(json::dump(chunk)));
  std::vector<std::string> words;
  std::vector<double> starts, ends;
  std::istringstream in(m.value("transcript", ""));
  for (std::string w; in >> w;) {
    starts.push_back(0.1 * static_cast<double>(words.size()));
    ends.push_back(starts.back() + 0.1);
    words.push_back(w);
  }
  json::Json ts{{"type", "timestamps"},
                {"context_id", ctx},
                {"word_timestamps", {{"words", words}, {"start", starts}, {"end", ends}}}};
  socket->sendTextMessage(QString::fromStdString(json::dump(ts)));
  if (!m.value("continue", true)) {
    socket->sendTextMessage(QString::fromStdString(json::dump(json::Json{{"type", "done"}, {"context_id", ctx}})));
  }
}

std::vector<FakeWebSocketServer::Handshake> FakeWebSocketServer::handshakes() const {
  std::lock_guard lock(mutex_);
  return handshakes_;
}

bool FakeWebSocketServer::waitForHandshakes(std::size_t count, double seconds) {
  std::unique_lock lock(mutex_);
  return boundedWait(cv_, lock, seconds, [&] { return handshakes_.size() >= count; });
}

std::vector<json::Json> FakeWebSocketServer::messages() const {
  std::lock_guard lock(mutex_);
  return messages_;
}

bool FakeWebSocketServer::waitForMessages(std::size_t count, double seconds) {
  std::unique_lock lock(mutex_);
  return boundedWait(cv_, lock, seconds, [&] { return messages_.size() >= count; });
}

std::vector<int> FakeWebSocketServer::closeCodes() const {
  std::lock_guard lock(mutex_);
  return closeCodes_;
}

bool FakeWebSocketServer::waitForCloses(std::size_t count, double seconds) {
  std::unique_lock lock(mutex_);
  return boundedWait(cv_, lock, seconds, [&] { return closeCodes_.size() >= count; });
}

void FakeWebSocketServer::sendText(const std::string& text) {
  thread_.post([this, text] {
    for (auto* c : clients_) c->sendTextMessage(QString::fromStdString(text));
  });
}

void FakeWebSocketServer::sendBinary(const std::string& bytes) {
  thread_.post([this, bytes] {
    for (auto* c : clients_) c->sendBinaryMessage(QByteArray::fromStdString(bytes));
  });
}

void FakeWebSocketServer::closeClients() {
  thread_.post([this] {
    for (auto* c : clients_) c->close(QWebSocketProtocol::CloseCodeNormal);
  });
}

}  // namespace orvak::test
