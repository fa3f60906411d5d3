#include "tools/loopback/loopback_http.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <sstream>

namespace orvak::loopback {

bool boundedWait(std::condition_variable& cv, std::unique_lock<std::mutex>& lock, double seconds,
                 const std::function<bool()>& done) {
  return cv.wait_for(lock, std::chrono::duration<double>(seconds), done);
}

std::pair<std::string, std::map<std::string, std::string>> parseHttpHead(const std::string& head) {
  std::istringstream in(head);
  std::string first;
  std::getline(in, first);
  if (!first.empty() && first.back() == '\r') first.pop_back();
  std::map<std::string, std::string> headers;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const auto colon = line.find(':');
    if (colon == std::string::npos) continue;
    std::string name = line.substr(0, colon);
    for (auto& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    std::string value = line.substr(colon + 1);
    while (!value.empty() && value.front() == ' ') value.erase(0, 1);
    headers[name] = value;
  }
  return {first, headers};
}

std::string percentDecode(const std::string& s) {
  auto hex = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '%' && i + 2 < s.size() && hex(s[i + 1]) >= 0 && hex(s[i + 2]) >= 0) {
      out.push_back(static_cast<char>(hex(s[i + 1]) * 16 + hex(s[i + 2])));
      i += 2;
    } else {
      out.push_back(s[i]);
    }
  }
  return out;
}

std::string HttpRequest::query(const std::string& name) const {
  const auto q = target.find('?');
  if (q == std::string::npos) return {};
  std::istringstream items(target.substr(q + 1));
  for (std::string item; std::getline(items, item, '&');) {
    const auto eq = item.find('=');
    if (item.substr(0, eq) == name) return eq == std::string::npos ? std::string() : percentDecode(item.substr(eq + 1));
  }
  return {};
}

struct HttpServer::Connection : std::enable_shared_from_this<Connection> {
  HttpServer* server = nullptr;
  QTcpSocket* socket = nullptr;
  std::string in;
  bool busy = false;
  bool chunked = false;
  std::vector<Step> steps;
  std::size_t next = 0;
  int number = 0;
  std::string waitingGate;

  ~Connection() {
    if (socket != nullptr) {
      socket->disconnect();
      socket->abort();
      socket->deleteLater();
    }
  }

  void onData() {
    const QByteArray data = socket->readAll();
    in.append(data.constData(), static_cast<std::size_t>(data.size()));
    if (!busy) tryRequest();
  }

  void tryRequest() {
    const auto end = in.find("\r\n\r\n");
    if (end == std::string::npos) return;
    auto [line, headers] = parseHttpHead(in.substr(0, end + 2));
    std::size_t length = 0;
    if (auto it = headers.find("content-length"); it != headers.end()) length = std::stoul(it->second);
    if (in.size() < end + 4 + length) return;
    HttpRequest r;
    std::istringstream first(line);
    first >> r.method >> r.target;
    r.headers = std::move(headers);
    r.body = in.substr(end + 4, length);
    in.erase(0, end + 4 + length);
    server->record(r, number);
    HttpReply reply;
    {
      std::lock_guard lock(server->mutex_);
      if (server->handler_) reply = server->handler_(r);
    }
    start(reply);
  }

  static bool isPlain(const std::vector<Step>& steps) {
    return std::all_of(steps.begin(), steps.end(), [](const Step& s) { return s.kind == Step::line || s.kind == Step::raw; });
  }

  void start(const HttpReply& reply) {
    const std::string status = "HTTP/1.1 " + std::to_string(reply.status) + (reply.status == 200 ? " OK" : " Scripted");
    if (reply.status != 200 && isPlain(reply.steps)) {
      std::string body;
      for (const auto& s : reply.steps) body += s.kind == Step::line ? s.text + "\n" : s.text;
      const std::string head = status + "\r\nContent-Type: " + reply.contentType + "\r\nContent-Length: " +
                               std::to_string(body.size()) + "\r\n\r\n";
      socket->write(QByteArray::fromStdString(head + body));
      server->note("end #" + std::to_string(number));
      if (!in.empty()) tryRequest();
      return;
    }
    socket->write(QByteArray::fromStdString(status + "\r\nContent-Type: " + reply.contentType +
                                            "\r\nTransfer-Encoding: chunked\r\n\r\n"));
    steps = reply.steps;
    next = 0;
    busy = true;
    resume();
  }

  void writeChunk(const std::string& data) {
    if (data.empty()) return;
    char size[32];
    std::snprintf(size, sizeof size, "%zx\r\n", data.size());
    socket->write(QByteArray::fromStdString(size + data + "\r\n"));
  }

  void resume() {
    while (next < steps.size()) {
      const Step& s = steps[next];
      switch (s.kind) {
        case Step::line: writeChunk(s.text + "\n"); break;
        case Step::raw: writeChunk(s.text); break;
        case Step::gate: {
          std::lock_guard lock(server->mutex_);
          if (!server->openGates_.contains(s.text)) {
            waitingGate = s.text;
            return;
          }
          break;
        }
        case Step::pause: {
          std::weak_ptr<Connection> weak = weak_from_this();
          QTimer::singleShot(static_cast<int>(s.seconds * 1000), socket, [weak] {
            if (auto self = weak.lock()) {
              ++self->next;
              self->resume();
            }
          });
          return;
        }
        case Step::stall: return;
        case Step::cut:
          socket->flush();
          socket->abort();  // no final chunk: the stream is cut off
          server->note("cut #" + std::to_string(number));
          return;
      }
      ++next;
    }
    socket->write("0\r\n\r\n");
    busy = false;
    server->note("end #" + std::to_string(number));
    if (!in.empty()) tryRequest();
  }
};

HttpServer::HttpServer(int port) {
  thread_.run([this, port] {
    server_ = new QTcpServer(thread_.context());
    if (!server_->listen(QHostAddress::LocalHost, static_cast<quint16>(port))) return;
    port_ = server_->serverPort();
    QObject::connect(server_, &QTcpServer::newConnection, server_, [this] {
      while (QTcpSocket* socket = server_->nextPendingConnection()) {
        auto c = std::make_shared<Connection>();
        c->server = this;
        c->socket = socket;
        std::weak_ptr<Connection> weak = c;
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [weak] {
          if (auto self = weak.lock()) self->onData();
        });
        connections_.push_back(c);
      }
    });
  });
}

HttpServer::~HttpServer() {
  thread_.run([this] {
    connections_.clear();
    delete server_;
  });
}

std::string HttpServer::base() const { return "http://127.0.0.1:" + std::to_string(port_); }

void HttpServer::setHandler(std::function<HttpReply(const HttpRequest&)> handler) {
  std::lock_guard lock(mutex_);
  handler_ = std::move(handler);
}

void HttpServer::record(const HttpRequest& r, int& number) {
  std::lock_guard lock(mutex_);
  number = static_cast<int>(requests_.size());
  requests_.push_back(r);
  log_.push_back("request " + r.target + " #" + std::to_string(number));
  cv_.notify_all();
}

void HttpServer::note(const std::string& entry) {
  std::lock_guard lock(mutex_);
  log_.push_back(entry);
  cv_.notify_all();
}

std::vector<HttpRequest> HttpServer::requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

bool HttpServer::waitForRequests(std::size_t count, double seconds) {
  std::unique_lock lock(mutex_);
  return boundedWait(cv_, lock, seconds, [&] { return requests_.size() >= count; });
}

std::vector<std::string> HttpServer::log() const {
  std::lock_guard lock(mutex_);
  return log_;
}

bool HttpServer::waitForLog(const std::string& entry, double seconds) {
  std::unique_lock lock(mutex_);
  return boundedWait(cv_, lock, seconds, [&] { return std::find(log_.begin(), log_.end(), entry) != log_.end(); });
}

void HttpServer::open(const std::string& gateName) {
  {
    std::lock_guard lock(mutex_);
    openGates_.insert(gateName);
  }
  thread_.post([this, gateName] {
    for (auto& c : connections_) {
      if (c->waitingGate == gateName) {
        c->waitingGate.clear();
        ++c->next;
        c->resume();
      }
    }
  });
}

void HttpServer::barrier() {
  thread_.run([] {});
}

}  // namespace orvak::loopback
