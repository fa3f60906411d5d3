#include "app/feedback/feedback.h"

#include <sys/utsname.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include "app/account/account.h"
#include "app/account/service_address.h"
#include "app/account/service_http.h"
#include "app/account/service_request.h"
#include "core/base/dispatch.h"
#include "core/base/json.h"
#include "core/base/log.h"
#include "core/base/paths.h"
#include "core/base/read_file.h"
#include "core/base/scrub.h"
#include "core/text/text.h"
#include "platform/bundle.h"
#include "speech/keys.h"

namespace orvak::Feedback {

namespace fs = std::filesystem;

namespace {

// Our reports are a few kilobytes; one far larger is not ours, and scrubbing it whole would cost.
constexpr std::uintmax_t kMaxReportBytes = 1024u * 1024u;

platform::Defaults& defaults() { return *platform::Defaults::standard(); }

std::string unameField(const char* field, std::size_t size) { return machineText(field, size); }

// The value of a KEY=VALUE line of an os-release text, quotes removed.
std::string osReleaseValue(std::string_view text, std::string_view key) {
  std::size_t start = 0;
  while (start < text.size()) {
    const auto end = std::min(text.find('\n', start), text.size());
    std::string_view line = text.substr(start, end - start);
    start = end + 1;
    if (line.substr(0, key.size()) != key || line.size() <= key.size() || line[key.size()] != '=') continue;
    std::string_view v = line.substr(key.size() + 1);
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
      v = v.substr(1, v.size() - 2);
    std::string out;
    for (std::size_t i = 0; i < v.size(); ++i) {
      if (v[i] == '\\' && i + 1 < v.size()) ++i;
      out.push_back(v[i]);
    }
    return out;
  }
  return {};
}

void logSent(bool sent) { Log::write(std::string("crash report sent: ") + (sent ? "true" : "false")); }

void sendCrash(std::string report, std::function<void()> finished) {
  // The log excerpt is read when the report goes, off the main queue like the send itself.
  dispatch::global().async([report = std::move(report), finished = std::move(finished)] {
    const Payload payload = Payload::make("crash", std::nullopt, std::nullopt, recentLog(kCrashLogLines), report);
    send(payload, [finished](bool sent) {
      logSent(sent);
      if (finished) finished();
    });
  });
}

}  // namespace

std::string versionFrom(const platform::DefaultsValue& entry) {
  if (const auto* v = std::get_if<std::string>(&entry); v != nullptr && !v->empty()) return *v;
  return "dev";
}

std::string machineText(const char* field, std::size_t size) {
  const std::size_t n = std::min<std::size_t>(size, 256);
  const auto* end = std::find(field, field + n, '\0');
  return text::repairUtf8(std::string_view(field, static_cast<std::size_t>(end - field)));
}

std::string osText(std::string_view osRelease, std::string_view kernelRelease) {
  std::string name = osReleaseValue(osRelease, "PRETTY_NAME");
  if (name.empty()) name = "Linux";
  if (!kernelRelease.empty()) name += " " + std::string(kernelRelease);
  return text::repairUtf8(name);
}

Payload Payload::make(std::string kind, std::optional<std::string> message, std::optional<std::string> email,
                      std::optional<std::string> log, std::optional<std::string> report) {
  Payload p;
  p.kind = std::move(kind);
  p.message = std::move(message);
  p.email = std::move(email);
  p.log = std::move(log);
  p.report = std::move(report);
  p.version = versionFrom(platform::bundle::info(platform::bundle::kShortVersion));
  struct utsname u {};
  const bool known = ::uname(&u) == 0;
  std::string osRelease;
  if (auto text = readWholeFile("/etc/os-release")) {
    osRelease = *text;
  } else if (auto usr = readWholeFile("/usr/lib/os-release")) {
    osRelease = *usr;
  }
  p.os = osText(osRelease, known ? unameField(u.release, sizeof u.release) : std::string());
  p.arch = known ? unameField(u.machine, sizeof u.machine) : std::string();
  return p;
}

void to_json(json::Json& j, const Payload& p) {
  j = json::Json::object();
  json::put(j, "kind", p.kind);
  json::put(j, "message", p.message);
  json::put(j, "email", p.email);
  json::put(j, "log", p.log);
  json::put(j, "report", p.report);
  json::put(j, "version", p.version);
  json::put(j, "os", p.os);
  json::put(j, "arch", p.arch);
}

std::string lastLines(std::string_view text, std::size_t lines) {
  if (lines == 0) return {};
  // The last `lines` pieces begin after the `lines`-th line break from the end.
  std::size_t end = text.size();
  for (std::size_t n = 1;; ++n) {
    const auto nl = end == 0 ? std::string_view::npos : text.rfind('\n', end - 1);
    if (nl == std::string_view::npos) return std::string(text);
    if (n == lines) return std::string(text.substr(nl + 1));
    end = nl;
  }
}

std::string recentLog(std::size_t lines) {
  Log::flush();
  return recentLogOf(Log::url(), lines, OrvakPaths::home().string());
}

std::string recentLogOf(const fs::path& log, std::size_t lines, std::string_view home) {
  // A log that is not UTF-8 text is one we cannot read: the excerpt is then empty.
  std::string text;
  if (auto bytes = readWholeFile(log); bytes && text::isValidUtf8(*bytes)) text = std::move(*bytes);
  return Scrub::report(lastLines(text, lines), home);
}

fs::path crashFolder() { return OrvakPaths::logs() / "crashes"; }

std::optional<fs::path> newCrashReport(const fs::path& folder) {
  const auto seenUntil = defaults().date(kSeenUntilKey);
  defaults().set(kSeenUntilKey, platform::Date(std::chrono::milliseconds(dispatch::wallMillis())));
  if (!seenUntil) return std::nullopt;
  const auto since = fs::file_time_type::clock::from_sys(
      std::chrono::sys_time<std::chrono::nanoseconds>(seenUntil->time_since_epoch()));
  std::optional<fs::path> newest;
  fs::file_time_type newestTime;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const fs::path& p = it->path();
    const std::string name = p.filename().string();
    const std::string ext = p.extension().string();
    if (name.rfind("orvak-", 0) != 0 || (ext != ".crash" && ext != ".ips")) continue;
    std::error_code timeError;
    const auto modified = fs::last_write_time(p, timeError);
    if (timeError || modified <= since) continue;
    if (!newest || modified > newestTime) {
      newest = p;
      newestTime = modified;
    }
  }
  return newest;
}

std::string preparedReport(std::string_view text, std::string_view home) {
  // Scrubbed whole first: a home path or an address cut at the end would escape the scrub.
  const std::string scrubbed = Scrub::report(text, home);
  return std::string(text::graphemePrefix(scrubbed, kReportCharacters));
}

void send(const Payload& payload, std::function<void(bool)> done, account::Bounds bounds) {
  auto finish = [done = std::move(done)](bool sent) {
    dispatch::main().async([done, sent] {
      if (done) done(sent);
    });
  };
  std::string body;
  try {
    body = json::encode(payload);
  } catch (const std::exception&) {
    body.clear();  // sent empty, as an encoder failure leaves it
  }
  auto request = account::buildRequest(Account::base(), "POST", "/api/feedback", std::move(body), false, bounds);
  if (!request) return finish(false);
  if (const auto token = Keys::get("account"); token && account::mayCarryToken(request->url)) {
    request.value().headers.emplace_back("authorization", "Bearer " + *token);
  }
  account::HttpReader reader;
  // The first of the body settles it; the rest says nothing we use and is not waited for.
  reader.onData = [finish](int status, std::string_view) {
    finish(status == 200);
    return false;
  };
  reader.onEnd = [finish](int status, std::optional<account::PlatformFail> failure) {
    finish(!failure && status == 200);
  };
  account::sendHttp(std::move(request.value()), std::move(reader));
}

void showForm(const std::optional<std::string>& signedInAs, std::shared_ptr<Dialogs> dialogs,
              std::function<void()> finished) {
  const auto answer = dialogs->runForm(!signedInAs.has_value());
  const std::string message = answer ? std::string(text::trim(answer->text)) : std::string();
  if (message.empty()) {
    if (finished) finished();
    return;
  }
  std::optional<std::string> log;
  if (answer->includeLog) log = recentLog(kFormLogLines);
  const Payload payload = Payload::make("feedback", message, signedInAs ? *signedInAs : answer->email, log);
  send(payload, [dialogs, finished](bool sent) {
    dialogs->showResult(sent);
    if (finished) finished();
  });
}

void offerCrashReport(std::shared_ptr<Dialogs> dialogs, std::function<void()> finished, const fs::path& folder) {
  auto end = [&finished] {
    if (finished) finished();
  };
  const auto path = newCrashReport(folder);
  if (!path) return end();
  const FileContents contents = readFile(*path, kMaxReportBytes);
  // Unreadable, not UTF-8 text, or nothing in it (a crash that could not write its report): not
  // ours to send, and not offered again (the check time has moved on).
  if (!contents.ok() || !text::isValidUtf8(contents.bytes) || text::trim(contents.bytes).empty()) return end();
  std::string report = preparedReport(contents.bytes, OrvakPaths::home().string());
  if (!defaults().flag(kSendAlwaysKey)) {
    const auto answer = dialogs->runCrashAlert();
    if (answer.always) defaults().set(kSendAlwaysKey, answer.send);
    if (!answer.send) return end();
  }
  sendCrash(std::move(report), std::move(finished));
}

}  // namespace orvak::Feedback
