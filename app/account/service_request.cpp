#include "app/account/service_request.h"

#include <memory>

#include "app/account/service_address.h"
#include "core/base/json.h"
#include "speech/keys.h"

namespace orvak::account {

Result<HttpCall> buildRequest(std::string_view base, std::string method, std::string_view path,
                              std::optional<std::string> body, bool auth, Bounds bounds) {
  std::string url(base);
  url += path;
  if (!isValidAddress(url)) return Fail::server(0, "bad URL");
  HttpCall call;
  call.method = std::move(method);
  call.bounds = bounds;
  if (body) {
    call.headers.emplace_back("content-type", "application/json");
    call.body = std::move(body);
  }
  if (auth) {
    const auto token = Keys::get("account");
    if (!token) return Fail::signedOut();
    if (!mayCarryToken(url)) return Fail::server(0, "bad URL");
    call.headers.emplace_back("authorization", "Bearer " + *token);
  }
  call.url = std::move(url);
  return call;
}

Fail serverFailure(int status, std::string_view body) {
  std::string fallback = "error " + std::to_string(status);
  try {
    const json::Json j = json::parse(body);
    if (!j.is_object()) return Fail::server(status, fallback);
    for (const auto& [key, value] : j.items()) {
      if (!value.is_string()) return Fail::server(status, fallback);  // not an object of texts
    }
    if (auto it = j.find("error"); it != j.end()) return Fail::server(status, it->get<std::string>());
  } catch (const std::exception&) {
  }
  return Fail::server(status, fallback);
}

Exchange fetchWhole(HttpCall call, std::function<void(Result<WholeReply>)> done) {
  auto body = std::make_shared<std::string>();
  HttpReader reader;
  reader.onData = [body](int, std::string_view bytes) {
    body->append(bytes);
    return true;
  };
  reader.onEnd = [body, done = std::move(done)](int status, std::optional<PlatformFail> failure) {
    if (failure) {
      done(std::move(*failure));
    } else {
      done(WholeReply{status, std::move(*body)});
    }
  };
  return sendHttp(std::move(call), std::move(reader));
}

}  // namespace orvak::account
