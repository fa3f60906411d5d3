#include "app/account/service_address.h"

#include <QUrl>

#include "speech/net/net_util.h"

namespace orvak::account {

namespace {

QUrl parse(std::string_view address) {
  return QUrl(QString::fromUtf8(address.data(), static_cast<qsizetype>(address.size())), QUrl::StrictMode);
}

}  // namespace

bool isValidAddress(std::string_view address) {
  const QUrl url = parse(address);
  return url.isValid() && (url.scheme() == "http" || url.scheme() == "https") && !url.host().isEmpty();
}

bool mayCarryToken(std::string_view address) { return isValidAddress(address) && net::maySendSecret(address); }

std::string encodeQueryValue(std::string_view value) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (const char ch : value) {
    const auto c = static_cast<unsigned char>(ch);
    const bool unreserved = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
                            c == '.' || c == '_' || c == '~';
    if (unreserved) {
      out.push_back(ch);
    } else {
      out.push_back('%');
      out.push_back(kHex[c >> 4]);
      out.push_back(kHex[c & 0xF]);
    }
  }
  return out;
}

}  // namespace orvak::account
