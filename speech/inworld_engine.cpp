#include "speech/inworld_engine.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <cmath>

#include "core/base/dispatch.h"
#include "core/base/json.h"
#include "core/text/text.h"
#include "speech/keys.h"
#include "speech/net/net_thread.h"
#include "speech/net/net_util.h"
#include "speech/vendor_replies.h"

namespace orvak {

namespace {

constexpr int kInworldSampleRate = 24000;
constexpr std::string_view kVendorBase = "https://api.inworld.ai";

struct Shared {
  std::mutex lock;
  std::vector<InworldEngine::Voice> voices;
  std::optional<InworldEngine::Proxy> proxy;
};

Shared& shared() {
  static Shared s;
  return s;
}

std::string sizeText(std::size_t bytes) {
  constexpr std::size_t kMiB = 1024u * 1024u;
  if (bytes >= kMiB && bytes % kMiB == 0) return std::to_string(bytes / kMiB) + " MiB";
  return std::to_string(bytes) + " bytes";
}

int msec(double seconds) { return static_cast<int>(std::clamp(seconds, 0.0, 86400.0) * 1000); }

}  // namespace

struct InworldEngine::Request {
  std::uint64_t id = 0;
  std::uint64_t run = 0;
  int index = 0;
  QNetworkReply* reply = nullptr;
  QTimer* timer = nullptr;   // inactivity
  std::string partial;       // bytes of a line not yet ended
  int status = 0;            // 0 until the response head arrived
  std::string errorBody;     // lines of a failure's body, joined
  double t = 0;              // seconds of this sentence's audio received
  bool ended = false;        // reported, cancelled or timed out: nothing more to do
  bool timedOut = false;
  bool cancelled = false;

  ~Request() {
    if (timer != nullptr) {
      timer->stop();
      timer->deleteLater();
    }
    if (reply != nullptr) {
      reply->disconnect();
      reply->abort();
      reply->deleteLater();
    }
  }
};

std::shared_ptr<InworldEngine> InworldEngine::make(std::string model, std::string voice, Options options) {
  return std::make_shared<InworldEngine>(Key{}, std::move(model), std::move(voice), options);
}

InworldEngine::InworldEngine(Key, std::string model, std::string voice, Options options)
    : model_(std::move(model)), voice_(std::move(voice)), options_(options) {
  net::NetThread::shared().run([this] { session_ = new QNetworkAccessManager(); });
}

InworldEngine::~InworldEngine() {
  auto& thread = net::NetThread::shared();
  if (thread.isCurrent()) {
    // The last owner let go inside one of the engine's own callbacks: the reply or timer that is
    // signalling must outlive this event, so the network side goes once it is over.
    auto doomed = std::make_shared<std::map<std::uint64_t, std::unique_ptr<Request>>>(std::move(requests_));
    QNetworkAccessManager* session = session_;
    thread.post([doomed, session] {
      doomed->clear();
      delete session;
    });
    return;
  }
  thread.run([this] {
    requests_.clear();
    delete session_;  // aborts the warm-ups still running
    session_ = nullptr;
  });
}

// ---- Shared state --------------------------------------------------------------------------

std::vector<InworldEngine::Voice> InworldEngine::voices() {
  std::lock_guard lock(shared().lock);
  return shared().voices;
}

void InworldEngine::setVoices(std::vector<Voice> voices) {
  std::lock_guard lock(shared().lock);
  shared().voices = std::move(voices);
}

std::optional<InworldEngine::Proxy> InworldEngine::proxy() {
  std::lock_guard lock(shared().lock);
  return shared().proxy;
}

void InworldEngine::setProxy(std::optional<Proxy> proxy) {
  std::lock_guard lock(shared().lock);
  shared().proxy = std::move(proxy);
}

void InworldEngine::parseVoices(std::span<const std::uint8_t> data) {
  json::Json j;
  try {
    j = json::parse(std::string_view(reinterpret_cast<const char*>(data.data()), data.size()));
  } catch (const json::DecodeError&) {
    return;
  }
  if (!j.is_object()) return;
  const auto list = j.find("voices");
  if (list == j.end() || !list->is_array()) return;
  std::vector<Voice> out;
  for (const auto& v : *list) {
    if (!v.is_object()) continue;
    const auto id = v.find("voiceId");
    if (id == v.end() || !id->is_string()) continue;
    Voice voice;
    voice.id = text::repairUtf8(id->get<std::string>());
    const auto name = v.find("displayName");
    voice.name = name != v.end() && name->is_string() ? text::repairUtf8(name->get<std::string>()) : voice.id;
    const auto description = v.find("description");
    if (description != v.end() && description->is_string()) voice.description = text::repairUtf8(description->get<std::string>());
    out.push_back(std::move(voice));
  }
  if (out.empty()) return;
  std::stable_sort(out.begin(), out.end(), [](const Voice& a, const Voice& b) { return a.name < b.name; });
  setVoices(std::move(out));
}

// ---- Requests ------------------------------------------------------------------------------

std::string InworldEngine::requestBody(const std::string& text, bool viaProxy) const {
  json::Json j;
  j["text"] = text::repairUtf8(text);
  j["voiceId"] = text::repairUtf8(voice_);
  j["modelId"] = text::repairUtf8(model_);
  j["audioConfig"] = {{"audioEncoding", "PCM"}, {"sampleRateHertz", kInworldSampleRate}};
  j["timestampType"] = "WORD";
  if (model_ == "inworld-tts-2") j["deliveryMode"] = "BALANCED";
  if (viaProxy) j["sampleRateHertz"] = kInworldSampleRate;
  return json::dump(j);
}

void InworldEngine::prepare() {
  std::vector<std::uint64_t> abandoned;
  bool warm = false;
  std::uint64_t run = 0;
  {
    std::lock_guard lock(lock_);
    run = ++run_;
    queued_.clear();
    buffered_.clear();
    completed_.clear();
    inFlight_ = 0;
    nextDeliver_ = 0;
    lastIndex_.reset();
    abandoned.swap(tasks_);
    if (warmedAt_) {
      const std::uint64_t now = dispatch::monotonicNanos();
      const double age = now > *warmedAt_ ? static_cast<double>(now - *warmedAt_) / 1e9 : 0.0;
      if (age > kWarmSeconds) warmed_ = false;
    }
    warm = warmed_;
  }
  std::weak_ptr<InworldEngine> weak = weak_from_this();
  if (!abandoned.empty()) {
    net::NetThread::shared().post([weak, abandoned] {
      if (auto self = weak.lock()) {
        for (auto id : abandoned) self->abortRequest(id);
      }
    });
  }
  if (warm) {
    if (auto s = sink()) s->ttsConnected(true);
    return;
  }
  net::NetThread::shared().post([weak, run] {
    if (auto self = weak.lock()) self->warmUp(run);
  });
}

void InworldEngine::send(const std::string& text, int index, bool last) {
  {
    std::lock_guard lock(lock_);
    queued_.push_back({text, index, last});
    if (last) lastIndex_ = index;
  }
  startMore();
}

void InworldEngine::startMore() {
  std::weak_ptr<InworldEngine> weak = weak_from_this();
  std::lock_guard lock(lock_);
  while (inFlight_ < kMaxInFlight && !queued_.empty()) {
    Queued q = std::move(queued_.front());
    queued_.erase(queued_.begin());
    ++inFlight_;
    const std::uint64_t id = ++nextRequestId_;
    tasks_.push_back(id);
    net::NetThread::shared().post([weak, id, q = std::move(q), run = run_] {
      if (auto self = weak.lock()) self->fetch(id, q.text, q.index, run);
    });
  }
}

void InworldEngine::cancel() {
  std::vector<std::uint64_t> abandoned;
  {
    std::lock_guard lock(lock_);
    ++run_;
    abandoned.swap(tasks_);
    queued_.clear();
    buffered_.clear();
  }
  if (abandoned.empty()) return;
  std::weak_ptr<InworldEngine> weak = weak_from_this();
  net::NetThread::shared().post([weak, abandoned] {
    if (auto self = weak.lock()) {
      for (auto id : abandoned) self->abortRequest(id);
    }
  });
}

void InworldEngine::abortRequest(std::uint64_t requestId) {
  auto it = requests_.find(requestId);
  if (it == requests_.end() || it->second->ended) return;
  it->second->ended = true;
  it->second->cancelled = true;
  it->second->reply->abort();
}

void InworldEngine::fetch(std::uint64_t requestId, std::string text, int index, std::uint64_t run) {
  {
    std::lock_guard lock(lock_);
    if (run != run_) return;
  }
  const auto proxy = InworldEngine::proxy();
  std::optional<std::string> token;
  if (proxy && proxy->token) token = proxy->token();
  QNetworkRequest request;
  if (token) {
    request.setUrl(QUrl(QString::fromStdString(proxy->url)));
    request.setRawHeader("Authorization", QByteArray::fromStdString("Bearer " + *token));
  } else {
    const auto key = Keys::get("inworld");
    if (!key) {
      emitError("natural voice not available (not signed in)", run);
      return;
    }
    const std::string url = net::vendorBase(kVendorBase, kBaseEnv) + "/tts/v1/voice:stream";
    if (!net::maySendSecret(url)) {
      // An override of the address must not carry the key in clear across a network.
      emitError("inworld: the key goes only over https or to this computer, not to " + url, run);
      return;
    }
    request.setUrl(QUrl(QString::fromStdString(url)));
    request.setRawHeader("Authorization", QByteArray::fromStdString("Basic " + *key));
  }
  request.setHeader(QNetworkRequest::ContentTypeHeader, "application/json");
  const std::string body = requestBody(text, proxy.has_value());

  bool tell = false;
  {
    std::lock_guard lock(lock_);
    // Choosing the route may have taken a while (the keychain tool): a read abandoned meanwhile
    // neither hears of this request nor has it sent.
    if (run != run_) return;
    tell = index == 0 || index == nextDeliver_;
  }
  if (tell) {
    if (auto s = sink()) s->ttsRequestSent(index);
  }

  auto r = std::make_unique<Request>();
  r->id = requestId;
  r->run = run;
  r->index = index;
  r->reply = session_->post(request, QByteArray::fromStdString(body));
  r->timer = new QTimer();
  r->timer->setSingleShot(true);
  Request* raw = r.get();
  requests_[requestId] = std::move(r);

  std::weak_ptr<InworldEngine> weak = weak_from_this();
  QObject::connect(raw->reply, &QNetworkReply::readyRead, raw->reply, [weak, raw] {
    if (auto self = weak.lock()) self->onReadyRead(*raw);
  });
  QObject::connect(raw->reply, &QNetworkReply::finished, raw->reply, [weak, requestId] {
    if (auto self = weak.lock()) self->onFinished(requestId);
  });
  QObject::connect(raw->timer, &QTimer::timeout, raw->timer, [raw] {
    if (raw->ended) return;
    raw->timedOut = true;
    raw->reply->abort();  // finished follows
  });
  raw->timer->start(msec(options_.requestTimeout));
}

void InworldEngine::onReadyRead(Request& r) {
  if (r.ended) return;
  r.timer->start(msec(options_.requestTimeout));
  if (r.status == 0) r.status = r.reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
  const QByteArray data = r.reply->readAll();
  r.partial.append(data.constData(), static_cast<std::size_t>(data.size()));
  std::size_t start = 0;
  for (std::size_t nl; !r.ended && (nl = r.partial.find('\n', start)) != std::string::npos; start = nl + 1) {
    std::string_view line(r.partial.data() + start, nl - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    processLine(r, line);
  }
  if (r.ended) return;
  r.partial.erase(0, start);
  if (r.partial.size() > options_.maxLineBytes) {
    r.ended = true;
    emitError("inworld: a response line is longer than " + sizeText(options_.maxLineBytes), r.run);
    r.reply->abort();
  }
}

void InworldEngine::processLine(Request& r, std::string_view line) {
  if (r.status != 200) {
    // A failure's body: its lines joined, kept only as far as the message needs.
    r.errorBody.append(line);
    if (text::graphemeCount(text::repairUtf8(r.errorBody)) >= 401) {
      r.ended = true;
      r.reply->abort();
      const std::string body(text::graphemePrefix(text::repairUtf8(r.errorBody), 300));
      emitError("inworld: " + VendorError::describe(r.status).value_or("error") + " (HTTP " +
                    std::to_string(r.status) + "): " + body,
                r.run);
    }
    return;
  }
  {
    std::lock_guard lock(lock_);
    if (run_ != r.run) {
      r.ended = true;  // abandoned: no report, no completion
      r.reply->abort();
      return;
    }
    warmed_ = true;  // streaming keeps the connection warm
    warmedAt_ = dispatch::monotonicNanos();
  }
  auto piece = InworldReply::parse(line);
  if (!piece) return;  // not a piece of the answer: skipped
  if (piece->error) {
    r.ended = true;
    r.reply->abort();
    emitError("inworld: " + *piece->error, r.run);
    return;
  }
  const double t0 = r.t;
  if (piece->samples) {
    r.t += static_cast<double>(piece->samples->size()) / kInworldSampleRate;
    deliver(std::move(*piece->samples), r.index, r.run);
  }
  if (auto& words = piece->words) {
    // Each piece's words may count from the piece rather than the sentence: move them behind the
    // audio already received.
    if (!words->empty() && t0 > 0.3 && words->front().start < t0 - 0.3) {
      for (auto& w : *words) {
        w.start += t0;
        w.end += t0;
      }
    }
    deliver(std::move(*words), r.index, r.run);
  }
}

void InworldEngine::onFinished(std::uint64_t requestId) {
  const auto it = requests_.find(requestId);
  if (it == requests_.end()) return;
  Request& r = *it->second;
  // Removed once this event is over: the reply is still inside its own signal.
  std::weak_ptr<InworldEngine> weak = weak_from_this();
  net::NetThread::shared().post([weak, requestId] {
    if (auto self = weak.lock()) self->requests_.erase(requestId);
  });
  r.timer->stop();
  {
    std::lock_guard lock(lock_);
    std::erase(tasks_, requestId);
  }
  if (r.cancelled) return;
  if (r.timedOut && !r.ended) {
    r.ended = true;
    emitError("inworld: no data for " + net::secondsText(options_.requestTimeout) + ", the request timed out", r.run);
    return;
  }
  if (r.ended) return;
  if (r.status == 0) r.status = r.reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
  const auto error = r.reply->error();
  if (r.status == 0 || (r.status == 200 && error != QNetworkReply::NoError)) {
    // No answer, or a stream cut off: the transport's own account.
    r.ended = true;
    emitError("inworld: " + r.reply->errorString().toStdString(), r.run);
    return;
  }
  // The rest of the body, and its last line even without a line end.
  onReadyRead(r);
  if (r.ended) return;
  if (!r.partial.empty()) {
    std::string last = std::move(r.partial);
    if (!last.empty() && last.back() == '\r') last.pop_back();
    if (r.status == 200 && !json::Json::accept(last)) {
      // Qt does not always report a stream cut off by the server; a last line broken off in
      // the middle shows it.
      r.ended = true;
      emitError("inworld: the stream ended in the middle of a line", r.run);
      return;
    }
    processLine(r, last);
    if (r.ended) return;
  }
  r.ended = true;
  if (r.status != 200) {
    const std::string body(text::graphemePrefix(text::repairUtf8(r.errorBody), 300));
    emitError("inworld: " + VendorError::describe(r.status).value_or("error") + " (HTTP " + std::to_string(r.status) +
                  "): " + body,
              r.run);
    return;
  }
  complete(r.index, r.run);
}

void InworldEngine::warmUp(std::uint64_t run) {
  const auto proxy = InworldEngine::proxy();
  QNetworkRequest request;
  bool voiceList = true;
  if (proxy) {
    const QUrl url(QString::fromStdString(proxy->url));
    if (url.isValid() && !url.host().isEmpty()) {
      // The proxy's own server: same scheme, host and port, so a development service is reached too.
      QUrl health;
      health.setScheme(url.scheme());
      health.setHost(url.host());
      health.setPort(url.port());
      health.setPath("/api/health");
      if (health.isValid()) {
        request.setUrl(health);
        voiceList = false;
      }
    }
  }
  if (voiceList) {
    const std::string url = net::vendorBase(kVendorBase, kBaseEnv) + "/tts/v1/voices?languages=EN_US";
    request.setUrl(QUrl(QString::fromStdString(url)));
    if (const auto key = Keys::get("inworld"); key && net::maySendSecret(url)) {
      request.setRawHeader("Authorization", QByteArray::fromStdString("Basic " + *key));
    }
  }
  QNetworkReply* reply = session_->get(request);
  auto* timer = new QTimer(reply);
  timer->setSingleShot(true);
  QObject::connect(timer, &QTimer::timeout, reply, &QNetworkReply::abort);
  timer->start(msec(options_.warmupTimeout));
  std::weak_ptr<InworldEngine> weak = weak_from_this();
  QObject::connect(reply, &QNetworkReply::finished, reply, [weak, reply, run, voiceList] {
    reply->deleteLater();
    const bool ok = reply->error() == QNetworkReply::NoError &&
                    reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() == 200;
    if (voiceList && ok) {
      const QByteArray body = reply->readAll();
      parseVoices(std::span(reinterpret_cast<const std::uint8_t*>(body.constData()), static_cast<std::size_t>(body.size())));
    }
    auto self = weak.lock();
    if (!self) return;
    {
      std::lock_guard lock(self->lock_);
      if (self->run_ != run) return;
      // A failed warm-up still reports ready: a real failure shows with the first sentence.
      self->warmed_ = true;
      self->warmedAt_ = dispatch::monotonicNanos();
    }
    if (auto s = self->sink()) s->ttsConnected(false);
  });
}

// ---- Ordered delivery ----------------------------------------------------------------------

void InworldEngine::emitError(const std::string& message, std::uint64_t run) {
  {
    std::lock_guard lock(lock_);
    if (run != run_) return;
  }
  if (auto s = sink()) s->ttsError(message);
}

void InworldEngine::deliver(Event event, int index, std::uint64_t run) {
  std::lock_guard lock(lock_);
  if (run != run_) return;
  if (index == nextDeliver_) {
    emitEvent(sink(), std::move(event), index);
  } else {
    buffered_[index].push_back(std::move(event));
  }
}

void InworldEngine::complete(int index, std::uint64_t run) {
  {
    std::lock_guard lock(lock_);
    if (run != run_) return;
    --inFlight_;
    completed_.insert(index);
    bool finished = false;
    std::vector<std::pair<int, Event>> ready;
    while (completed_.contains(nextDeliver_)) {
      if (lastIndex_ == nextDeliver_) finished = true;
      ++nextDeliver_;
      if (auto it = buffered_.find(nextDeliver_); it != buffered_.end()) {
        for (auto& e : it->second) ready.emplace_back(nextDeliver_, std::move(e));
        buffered_.erase(it);
      }
    }
    // Under the lock, so that two requests ending at once cannot interleave their output.
    const auto s = sink();
    for (auto& [i, e] : ready) emitEvent(s, std::move(e), i);
    if (finished && s) s->ttsFinished();
  }
  startMore();
}

void InworldEngine::emitEvent(const std::shared_ptr<SpeechSink>& sink, Event event, int index) {
  if (!sink) return;
  if (auto* samples = std::get_if<std::vector<float>>(&event)) {
    sink->ttsAudio(std::move(*samples), kInworldSampleRate, index);
  } else {
    sink->ttsWords(std::move(std::get<std::vector<WordTiming>>(event)), index);
  }
}

}  // namespace orvak
