#include "app/account/service_http.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <cmath>

#include "speech/net/net_thread.h"

namespace orvak::account {

struct Exchange::State {
  HttpReader reader;
  Bounds bounds;
  QNetworkReply* reply = nullptr;  // network thread only, like everything below
  std::size_t received = 0;        // body bytes handed to the reader
  bool cancelled = false;
  bool pastDeadline = false;
  bool ended = false;
};

namespace {

// The network thread's one session, made on first use and kept like the thread itself.
QNetworkAccessManager& session() {
  static QNetworkAccessManager* manager = [] {
    auto* m = new QNetworkAccessManager(net::NetThread::shared().context());
    // A redirect would carry the token to wherever the service points; none is followed.
    m->setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
    return m;
  }();
  return *manager;
}

int statusOf(QNetworkReply* reply) {
  const QVariant v = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
  return v.isValid() ? v.toInt() : 0;
}

// Errors Qt raises for a reply whose HTTP status is outside 2xx: the content (201-299), protocol
// (301-399: a 400 is "invalid operation") and server (401-499) kinds. With a status the reply
// itself arrived, and its status and body are the answer, not a transport failure.
bool isStatusError(QNetworkReply::NetworkError e, int status) {
  const int code = static_cast<int>(e);
  return (status < 200 || status > 299) && status != 0 && code >= 201 && code <= 499;
}


void stop(QNetworkReply* reply) {
  if (!reply->isFinished()) reply->abort();
}

void deliver(const std::shared_ptr<Exchange::State>& state) {
  QNetworkReply* reply = state->reply;
  if (state->ended) return;
  const int status = statusOf(reply);
  const QByteArray data = reply->readAll();
  // Only what the bounds allow reaches the reader; a server that sends more is not read on.
  const std::size_t limit = isSuccess(status) ? state->bounds.maxBody : state->bounds.maxFailureBody;
  const std::size_t room = limit - std::min(limit, state->received);
  const auto size = static_cast<std::size_t>(data.size());
  const std::string_view piece(data.constData(), std::min(size, room));
  state->received += piece.size();
  if (!piece.empty() && !state->reader.onData(status, piece)) {
    state->ended = true;
    stop(reply);
    return;
  }
  if (isSuccess(status) ? size <= room : state->received < limit) return;
  state->ended = true;
  stop(reply);
  std::optional<PlatformFail> failure;
  if (isSuccess(status)) {
    failure = PlatformFail{PlatformFail::Kind::tooLarge,
                           "The reply was larger than " + std::to_string(limit) + " bytes."};
  }
  state->reader.onEnd(status, std::move(failure));
}

void finish(const std::shared_ptr<Exchange::State>& state) {
  QNetworkReply* reply = state->reply;
  reply->deleteLater();
  const auto error = reply->error();
  const int status = statusOf(reply);
  if (!state->cancelled && (error == QNetworkReply::NoError || isStatusError(error, status))) deliver(state);
  if (state->ended) return;
  state->ended = true;
  std::optional<PlatformFail> failure;
  if (state->cancelled) {
    failure = PlatformFail{PlatformFail::Kind::cancelled, "cancelled"};
  } else if (state->pastDeadline) {
    failure = PlatformFail{PlatformFail::Kind::timedOut, "The request took too long."};
  } else if (error == QNetworkReply::OperationCanceledError) {
    // Only the transfer time-out aborts a request that nobody cancelled.
    failure = PlatformFail{PlatformFail::Kind::timedOut, "The request timed out."};
  } else if (error != QNetworkReply::NoError && !isStatusError(error, status)) {
    failure = PlatformFail{PlatformFail::Kind::transport, reply->errorString().toStdString()};
  }
  state->reader.onEnd(status, std::move(failure));
}

int milliseconds(double seconds) {
  // NaN and absurd values become the nearest sane one before the conversion.
  const double ms = std::isnan(seconds) ? 1.0 : std::clamp(seconds * 1000.0, 1.0, 1e9);
  return static_cast<int>(std::lround(ms));
}

void start(const std::shared_ptr<Exchange::State>& state, const HttpCall& call) {
  QNetworkRequest request(QUrl(QString::fromStdString(call.url), QUrl::StrictMode));
  for (const auto& [name, value] : call.headers)
    request.setRawHeader(QByteArray::fromStdString(name), QByteArray::fromStdString(value));
  request.setTransferTimeout(milliseconds(call.bounds.timeout));
  const QByteArray verb = QByteArray::fromStdString(call.method);
  QNetworkReply* reply = call.body ? session().sendCustomRequest(request, verb, QByteArray::fromStdString(*call.body))
                                   : session().sendCustomRequest(request, verb);
  state->reply = reply;
  std::weak_ptr<Exchange::State> weak = state;
  QObject::connect(reply, &QNetworkReply::readyRead, reply, [weak] {
    if (auto s = weak.lock()) deliver(s);
  });
  // The whole exchange has its deadline too: the transfer time-out alone lets a server that sends
  // a byte now and then hold the request for ever.
  QTimer::singleShot(milliseconds(call.bounds.deadline), reply, [weak] {
    auto s = weak.lock();
    if (!s || s->ended || s->cancelled) return;
    s->pastDeadline = true;
    s->reply->abort();  // finished follows, with the time-out
  });
  // The state lives until the reply has finished, whoever else lets go of it.
  QObject::connect(reply, &QNetworkReply::finished, reply, [state] { finish(state); });
}

}  // namespace

void Exchange::cancel() const {
  if (!state_) return;
  net::NetThread::shared().post([state = state_] {
    if (state->ended || state->cancelled) return;
    state->cancelled = true;
    if (state->reply != nullptr) state->reply->abort();  // finished follows, with the cancel
  });
}

Exchange sendHttp(HttpCall call, HttpReader reader) {
  auto state = std::make_shared<Exchange::State>();
  state->reader = std::move(reader);
  state->bounds = call.bounds;
  net::NetThread::shared().post([state, call = std::move(call)] { start(state, call); });
  return Exchange(state);
}

}  // namespace orvak::account
