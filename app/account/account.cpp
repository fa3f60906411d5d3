#include "app/account/account.h"

#include "app/account/service_address.h"
#include "app/account/service_request.h"
#include "platform/bundle.h"
#include "platform/defaults.h"
#include "speech/keys.h"

namespace orvak {

namespace {
constexpr const char* kBuiltInBase = "https://orvak.app";
}

std::string Account::base() {
  if (auto v = platform::Defaults::standard()->text("apiBase")) return *v;
  const auto entry = platform::bundle::info(platform::bundle::kApi);
  if (const auto* v = std::get_if<std::string>(&entry)) return *v;
  return kBuiltInBase;
}

std::optional<InworldEngine::Proxy> Account::voiceProxy() {
  if (!Keys::get("account")) return std::nullopt;
  const std::string address = base() + "/api/voice/stream";
  if (!account::mayCarryToken(address)) return std::nullopt;
  return InworldEngine::Proxy{address, [] { return Keys::get("account"); }};
}

Account::Exchange Account::callJson(const std::string& method, const std::string& path, std::optional<json::Json> body,
                                    bool auth, double timeout, std::function<void(Result<json::Json>)> done) {
  std::optional<std::string> text;
  if (body) text = json::dump(*body);
  auto request = account::buildRequest(base(), method, path, std::move(text), auth, timeout);
  if (!request) {
    done(request.failure());
    return {};
  }
  return account::fetchWhole(std::move(request.value()), [auth, done = std::move(done)](Result<account::WholeReply> reply) {
    if (!reply) return done(reply.failure());
    const int status = reply->status;
    if (status == 401 && auth) return done(Fail::signedOut());
    if (status < 200 || status > 299) return done(account::serverFailure(status, reply->body));
    try {
      done(json::parse(reply->body));
    } catch (const std::exception& e) {
      done(PlatformFail{PlatformFail::Kind::undecodable, std::string("undecodable reply: ") + e.what()});
    }
  });
}

}  // namespace orvak
