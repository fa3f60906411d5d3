#include "speech/net/net_util.h"

#include <QHostAddress>
#include <QUrl>
#include <QUuid>
#include <cstdio>
#include <cstdlib>

namespace orvak::net {

std::string vendorBase(std::string_view fixed, const char* envName) {
  const char* v = std::getenv(envName);
  if (v == nullptr || v[0] == '\0') return std::string(fixed);
  std::string base = v;
  while (!base.empty() && base.back() == '/') base.pop_back();
  return base;
}

bool maySendSecret(std::string_view address) {
  const QUrl url(QString::fromUtf8(address.data(), static_cast<qsizetype>(address.size())), QUrl::StrictMode);
  if (!url.isValid() || url.host().isEmpty()) return false;
  const QString scheme = url.scheme();
  if (scheme == "https" || scheme == "wss") return true;
  if (scheme != "http" && scheme != "ws") return false;
  const QString host = url.host();
  if (host.compare("localhost", Qt::CaseInsensitive) == 0) return true;
  const QHostAddress ip(host);
  return !ip.isNull() && (ip == QHostAddress(QHostAddress::LocalHost) || ip == QHostAddress(QHostAddress::LocalHostIPv6));
}

std::string newUuid() { return QUuid::createUuid().toString(QUuid::WithoutBraces).toStdString(); }

std::string secondsText(double seconds) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.2f", seconds);
  std::string s = buf;
  s.erase(s.find_last_not_of('0') + 1);
  if (!s.empty() && s.back() == '.') s.pop_back();
  return s + " s";
}

std::pair<int, std::string> handshakeFailure(std::string_view errorText) {
  std::string description(errorText);
  // Qt names the function that failed in front of its message: "QWebSocketPrivate::processHandshake: ".
  if (const auto colons = description.find("::"); colons != std::string::npos) {
    if (const auto end = description.find(": ", colons); end != std::string::npos) description.erase(0, end + 2);
  }
  // Qt's only account of a refused handshake's status is in its message:
  // "Unhandled http status code: 401 (Unauthorized)." A test against a local server pins the form.
  int status = 0;
  static constexpr std::string_view kMarker = "status code: ";
  if (const auto at = errorText.find(kMarker); at != std::string_view::npos) {
    std::size_t i = at + kMarker.size();
    while (i < errorText.size() && errorText[i] >= '0' && errorText[i] <= '9' && status < 1000) {
      status = status * 10 + (errorText[i] - '0');
      ++i;
    }
    if (status < 100 || status > 999) status = 0;
  }
  if (status != 0) {
    // "… status code: 404 (Not Found)." says no more than "refused" and the status.
    std::string reason;
    const auto open = errorText.find('(', errorText.find(kMarker));
    const auto close = errorText.find(')', open);
    if (open != std::string_view::npos && close != std::string_view::npos) reason = errorText.substr(open + 1, close - open - 1);
    description = reason.empty() ? "handshake refused" : "handshake refused: " + reason;
  }
  if (description.empty()) description = "error";
  return {status, description};
}

}  // namespace orvak::net
