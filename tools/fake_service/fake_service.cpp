#include "tools/fake_service/fake_service.h"

#include <cmath>
#include <cstdint>

#include "core/base/json.h"
#include "speech/net/net_util.h"

namespace orvak::fake {

namespace {

std::string randomHex(std::size_t length) {
  std::string s;
  while (s.size() < length) {
    for (char c : net::newUuid()) {
      if (c != '-') s.push_back(c);
    }
  }
  return s.substr(0, length);
}

HttpReply error(int status, const std::string& message) { return HttpReply::json(status, {{"error", message}}); }

json::Json voiceList() {
  auto voice = [](const char* id, const char* name, const char* description, const char* gender, const char* accent) {
    return json::Json{{"id", id},         {"name", name},     {"description", description},
                      {"gender", gender}, {"accent", accent}, {"languages", {"en"}},
                      {"reading", true}};
  };
  return {{"defaultVoice", "ashley"},
          {"voices",
           {voice("ashley", "Ashley", "Warm and even, for long reads", "female", "American"),
            voice("dennis", "Dennis", "Calm and clear", "male", "American"),
            voice("olivia", "Olivia", "Bright, a little quicker", "female", "British")}}};
}

void appendLE(std::string& out, std::uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

}  // namespace

std::vector<std::string> FakeService::askPieces() {
  return {"That passage says ", "the committee will ", "meet again in spring, ", "once the survey is done."};
}

std::string FakeService::sampleWav() {
  constexpr std::uint32_t rate = 22050;
  constexpr std::uint32_t samples = rate / 4;  // a quarter of a second of 440 Hz
  std::string pcm;
  for (std::uint32_t i = 0; i < samples; ++i) {
    const double v = 0.2 * std::sin(2.0 * M_PI * 440.0 * i / rate);
    appendLE(pcm, static_cast<std::uint16_t>(static_cast<std::int16_t>(std::lround(v * 32767))), 2);
  }
  std::string wav = "RIFF";
  appendLE(wav, static_cast<std::uint32_t>(36 + pcm.size()), 4);
  wav += "WAVEfmt ";
  appendLE(wav, 16, 4);
  appendLE(wav, 1, 2);  // PCM
  appendLE(wav, 1, 2);  // mono
  appendLE(wav, rate, 4);
  appendLE(wav, rate * 2, 4);
  appendLE(wav, 2, 2);
  appendLE(wav, 16, 2);
  wav += "data";
  appendLE(wav, static_cast<std::uint32_t>(pcm.size()), 4);
  return wav + pcm;
}

FakeService::FakeService(int port) : server_(port) {
  server_.setHandler([this](const HttpRequest& r) { return answer(r); });
}

void FakeService::script(const std::string& path, std::function<HttpReply(const HttpRequest&)> answer) {
  std::lock_guard lock(mutex_);
  scripts_[path] = std::move(answer);
}

void FakeService::script(const std::string& path, HttpReply reply) {
  script(path, [reply](const HttpRequest&) { return reply; });
}

void FakeService::fail(const std::string& path, int status) { script(path, error(status, "scripted failure")); }

void FakeService::unscript(const std::string& path) {
  std::lock_guard lock(mutex_);
  scripts_.erase(path);
}

void FakeService::onEvent(std::function<void(const std::string&)> print) {
  std::lock_guard lock(mutex_);
  print_ = std::move(print);
}

void FakeService::tell(const std::string& line) {
  std::function<void(const std::string&)> print;
  {
    std::lock_guard lock(mutex_);
    print = print_;
  }
  if (print) print(line);
}

std::string FakeService::accountOf(const HttpRequest& r) const {
  const std::string auth = r.header("authorization");
  static const std::string kBearer = "Bearer ";
  if (auth.rfind(kBearer, 0) != 0 || auth.size() == kBearer.size()) return {};
  std::lock_guard lock(mutex_);
  auto it = devices_.find(auth.substr(kBearer.size()));
  return it == devices_.end() ? kDefaultEmail : it->second;
}

HttpReply FakeService::answer(const HttpRequest& r) {
  tell(r.method + " " + r.target);
  std::function<HttpReply(const HttpRequest&)> scripted;
  {
    std::lock_guard lock(mutex_);
    if (auto it = scripts_.find(r.path()); it != scripts_.end()) scripted = it->second;
  }
  if (scripted) return scripted(r);
  return canned(r);
}

HttpReply FakeService::canned(const HttpRequest& r) {
  const std::string path = r.path();
  json::Json body;
  try {
    if (!r.body.empty()) body = json::parse(r.body);
  } catch (const std::exception&) {
    return error(400, "the body is not JSON");
  }
  auto text = [&](const char* key) { return body.is_object() && body.contains(key) && body[key].is_string() ? body[key].get<std::string>() : std::string(); };

  if (r.method == "POST" && path == "/api/signin") {
    const std::string email = text("email");
    if (email.find('@') == std::string::npos) return HttpReply::json(200, {{"sent", false}, {"reason", "that doesn't look like an email address"}});
    const std::string token = "link-" + randomHex(16);
    {
      std::lock_guard lock(mutex_);
      links_[token] = email;
    }
    tell("  sign-in link for " + email + ": orvak://activate?token=" + token);
    return HttpReply::json(200, {{"sent", true}});
  }
  if (r.method == "POST" && path == "/api/activate") {
    std::string email;
    {
      std::lock_guard lock(mutex_);
      auto it = links_.find(text("token"));
      if (it != links_.end()) {
        email = it->second;
        links_.erase(it);  // a link works once
      }
    }
    if (email.empty()) return error(400, "this sign-in link is no longer valid");
    const std::string device = "dev-" + randomHex(32);
    {
      std::lock_guard lock(mutex_);
      devices_[device] = email;
      ++issued_;
    }
    tell("  device \"" + text("device") + "\" signed in as " + email + "; device token: " + device);
    return HttpReply::json(200, {{"deviceToken", device}, {"account", {{"email", email}, {"name", "Sample Reader"}}}});
  }
  if (r.method == "POST" && path == "/api/feedback") {
    tell("  feedback: " + r.body);
    return HttpReply::json(200, json::Json::object());
  }

  const std::string email = accountOf(r);
  if (email.empty()) return error(401, "sign in first");

  if (r.method == "GET" && path == "/api/me") return HttpReply::json(200, {{"email", email}, {"name", "Sample Reader"}});
  if (r.method == "POST" && path == "/api/signout") {
    const std::string auth = r.header("authorization");
    std::lock_guard lock(mutex_);
    devices_.erase(auth.substr(7));
    return HttpReply::json(200, {{"ok", true}});
  }
  if (r.method == "POST" && path == "/api/ask") {
    HttpReply reply;
    std::string answer;
    for (const auto& piece : askPieces()) {
      reply.steps.push_back(Step::send(json::dump(json::Json{{"t", piece}})));
      reply.steps.push_back(Step::wait(0.15));
      answer += piece;
    }
    reply.steps.push_back(Step::send(json::dump(json::Json{{"done", true}, {"answer", answer}, {"actions", json::Json::array()}})));
    return reply;
  }
  if (r.method == "POST" && path == "/api/library/ask") {
    const bool any = body.is_object() && body.contains("items") && body["items"].is_array() && !body["items"].empty();
    if (!any) return HttpReply::json(200, {{"answer", "There is nothing saved to answer from yet."}, {"cites", json::Json::array()}});
    return HttpReply::json(200, {{"answer", "Your saved items come back to one idea [1]."}, {"cites", {1}}});
  }
  if (r.method == "POST" && path == "/api/library/document") {
    const std::string question = text("question");
    return HttpReply::json(200, {{"title", question.empty() ? "Notes" : question},
                                 {"paragraphs",
                                  {{{"text", "What the saved items say, in short [1]."}, {"cites", {1}}},
                                   {{"text", "What is still open."}, {"cites", json::Json::array()}}}}});
  }
  if (r.method == "GET" && path == "/api/voices") return HttpReply::json(200, voiceList());
  if (r.method == "GET" && path == "/api/voices/sample") {
    const std::string id = r.query("id");
    bool known = false;
    // The list must outlive the loop: a range over a member of a temporary reads freed memory.
    const auto list = voiceList();
    for (const auto& v : list["voices"]) known = known || v["id"] == id;
    if (!known) return error(404, "no such voice");
    return {200, {Step::bytes(sampleWav())}, "audio/wav"};
  }
  return error(404, "no such endpoint");
}

}  // namespace orvak::fake
