#include "app/account/account.h"

#include <QUrl>

#include "platform/bundle.h"
#include "platform/defaults.h"
#include "speech/keys.h"

namespace orvak::Account {

namespace {
constexpr const char* kBuiltInBase = "https://orvak.app";
}

std::string base() {
  if (auto v = platform::Defaults::standard()->text("apiBase")) return *v;
  const auto entry = platform::bundle::info(platform::bundle::kApi);
  if (const auto* v = std::get_if<std::string>(&entry)) return *v;
  return kBuiltInBase;
}

std::optional<InworldEngine::Proxy> voiceProxy() {
  if (!Keys::get("account")) return std::nullopt;
  const std::string address = base() + "/api/voice/stream";
  const QUrl url(QString::fromStdString(address), QUrl::StrictMode);
  if (!url.isValid() || url.host().isEmpty() || (url.scheme() != "https" && url.scheme() != "http")) return std::nullopt;
  return InworldEngine::Proxy{address, [] { return Keys::get("account"); }};
}

}  // namespace orvak::Account
