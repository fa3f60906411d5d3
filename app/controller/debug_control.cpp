#include "app/controller/debug_control.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "app/controller/probes.h"
#include "app/main_model.h"
#include "core/base/dispatch.h"
#include "core/base/json.h"
#include "core/base/log.h"
#include "core/base/read_file.h"
#include "platform/bundle.h"

namespace orvak {

namespace {

std::vector<std::string_view> split(std::string_view text, char at) {
  std::vector<std::string_view> out;
  while (true) {
    const auto cut = text.find(at);
    const std::string_view piece = text.substr(0, cut);
    if (!piece.empty()) out.push_back(piece);
    if (cut == std::string_view::npos) return out;
    text.remove_prefix(cut + 1);
  }
}

// A plain decimal number: the whole text, finite.
std::optional<double> number(std::string_view text) {
  if (text.empty()) return std::nullopt;
  const std::string s(text);
  char* end = nullptr;
  const double v = std::strtod(s.c_str(), &end);
  if (end != s.c_str() + s.size() || !std::isfinite(v)) return std::nullopt;
  // strtod also reads hexadecimal, "inf" and "nan": a decimal number is digits, a sign, a point
  // and an exponent only.
  for (const char c : s) {
    if (!((c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.' || c == 'e' || c == 'E')) return std::nullopt;
  }
  return v;
}

std::optional<long long> wholeNumber(std::string_view text) {
  // "+3" is as whole a number as "3"; from_chars takes no sign but "-".
  if (text.size() > 1 && text.front() == '+' && text[1] != '-') text.remove_prefix(1);
  long long v = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (error != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
  return v;
}

std::string expandHome(const std::string& path) {
  if (path.empty() || path[0] != '~') return path;
  const char* home = std::getenv("HOME");
  return (home ? std::string(home) : std::string()) + path.substr(1);
}

}  // namespace

namespace DebugNames {
std::string trigger() { return platform::bundle::identifier() + ".debug.trigger"; }
std::string control() { return platform::bundle::identifier() + ".debug.control"; }
std::string result() { return platform::bundle::identifier() + ".debug.result"; }
std::string controlled() { return platform::bundle::identifier() + ".debug.controlled"; }
}  // namespace DebugNames

DebugControl::DebugControl(Token, Parts parts)
    : parts_(std::move(parts)), files_(dispatch::makeQueue("orvak.debug.files")) {}

std::shared_ptr<DebugControl> DebugControl::make(Parts parts) {
  auto channel = std::make_shared<DebugControl>(Token{}, std::move(parts));
  std::weak_ptr<DebugControl> weak = channel;
  channel->parts_.bus->observe(DebugNames::trigger(), [weak](const std::string& payload) {
    if (auto self = weak.lock()) self->onTrigger(payload);
  });
  channel->parts_.bus->observe(DebugNames::control(), [weak](const std::string& payload) {
    if (auto self = weak.lock()) self->onControl(payload);
  });
  Log::write("debug control channel on");
  return channel;
}

std::map<std::string, std::string> DebugControl::kv(std::string_view options) {
  std::map<std::string, std::string> out;
  for (std::string_view token : split(options, ' ')) {
    // Split at the first "=" with empty pieces dropped: leading "=" signs go, "key=" is a bare key
    // and a token of "=" signs alone has no key at all.
    while (!token.empty() && token.front() == '=') token.remove_prefix(1);
    if (token.empty()) continue;
    const auto eq = token.find('=');
    const std::string_view value = eq == std::string_view::npos ? std::string_view() : token.substr(eq + 1);
    out[std::string(token.substr(0, eq))] = value.empty() ? "1" : std::string(value);
  }
  return out;
}

std::optional<DebugControl::Control> DebugControl::parseControl(std::string_view message) {
  while (!message.empty() && message.front() == '=') message.remove_prefix(1);
  if (message.empty()) return std::nullopt;
  const auto eq = message.find('=');
  if (eq == std::string_view::npos) return Control{std::string(message), ""};
  return Control{std::string(message.substr(0, eq)), std::string(message.substr(eq + 1))};
}

int DebugControl::scrollLines(std::string_view argument) {
  constexpr long long kLimit = 1000;
  const auto lines = wholeNumber(argument);
  if (!lines || *lines < std::numeric_limits<std::int32_t>::min() ||
      *lines > std::numeric_limits<std::int32_t>::max()) {
    return -10;
  }
  return static_cast<int>(std::clamp(*lines, -kLimit, kLimit));
}

void DebugControl::onTrigger(const std::string& options) {
  const auto o = kv(options);
  const auto get = [&](const char* key) -> std::optional<std::string> {
    const auto it = o.find(key);
    return it == o.end() ? std::nullopt : std::optional(it->second);
  };
  ReadOptions opts;
  opts.mute = get("mute") == "1";
  if (const auto s = get("stopAfter")) opts.stopAfter = number(*s);
  std::optional<Vendor> vendor;
  if (const auto v = get("vendor")) vendor = vendorFromRaw(*v);
  std::optional<std::string> path;
  if (const auto p = get("text")) path = expandHome(*p);
  // Any process on the bus names the file: it is read on the channel's own queue, never on the
  // main one, and only a regular file within the limit (a device or a pipe could hold the
  // application for ever or fill its memory). Every trigger takes that way, so they stay in order.
  files_->async([weak = weak_from_this(), opts, vendor, path = std::move(path)] {
    std::optional<std::string> text;
    if (path) {
      FileContents contents = readRegularFile(*path, kMaxTextFileBytes);
      if (contents.ok()) {
        text = std::move(contents.bytes);
      } else if (contents.status != FileContents::Status::missing) {
        Log::write("debug: text file not read (" + contents.error + "), reading the front window");
      }
    }
    dispatch::main().async([weak, opts, vendor, text = std::move(text)] {
      if (auto self = weak.lock(); self && self->parts_.trigger) self->parts_.trigger(opts, text, vendor);
    });
  });
}

void DebugControl::onControl(const std::string& message) {
  const bool known = act(message);
  Log::write(std::string(known ? "debug: control " : "debug: unknown control ") + message);
  parts_.bus->post(DebugNames::controlled(), known ? "done" : "unknown");
}

bool DebugControl::act(const std::string& message) {
  const auto control = parseControl(message);
  if (!control) return false;
  const std::string& w = control->word;
  const std::string& arg = control->argument;
  const auto player = parts_.read->player();
  if (w == "toggle") {
    if (player) player->togglePause();
  } else if (w == "skip") {
    if (player) player->skip(1);
  } else if (w == "back") {
    if (player) player->skip(-1);
  } else if (w == "stop") {
    if (player) player->stop("user");
  } else if (w == "speed") {
    // Only a speed a read can have: finite and above 0 (the player still keeps it to 0.25-4).
    if (const auto v = number(arg); v && *v > 0) parts_.prefs->setSpeed(static_cast<float>(*v));
  } else if (w == "hold") {
    if (arg == "down") {
      parts_.voice->holdStart();
    } else {
      parts_.voice->holdEnd(false);
    }
  } else if (w == "inject") {
    const auto fields = split(arg, '|');
    if (fields.empty()) return true;
    const std::string file(fields[0]);
    const std::string label = fields.size() > 1 ? std::string(fields[1]) : file;
    const double peak = fields.size() > 2 ? number(fields[2]).value_or(-20) : -20;
    if (auto* voice = parts_.voice->commands()) voice->inject(file, label, peak);
  } else if (w == "say") {
    parts_.voice->debugSay(arg);
  } else if (w == "alwaysOn") {
    parts_.prefs->setAlwaysOnListening(arg == "1");
  } else if (w == "scroll") {
    // The scroll watch looks once the scrolling has settled, as after a scroll of the user's.
    if (Probes::scroll(*parts_.ax, *parts_.events, *parts_.workspace, scrollLines(arg))) {
      std::weak_ptr<ReadSession> read = parts_.read;
      dispatch::main().asyncAfter(ReadSession::kSettleDelay, [read] {
        if (auto session = read.lock()) session->checkScrolledAway();
      });
    }
  } else if (w == "readFromHere") {
    parts_.read->readFromHere("debug");
  } else if (w == "notes") {
    if (auto* windows = this->windows()) {
      windows->reloadModels();
      windows->showMain(MainModel::Page::library);
    }
  } else if (w == "axprobe") {
    Probes::accessibility(parts_.read->lastCapture());
  } else if (w == "trimtest") {
    std::vector<double> values;
    for (const auto field : split(arg, ',')) {
      if (const auto v = number(field)) values.push_back(*v);
    }
    if (values.size() == 2) {
      Player::setKeepBehindSec(values[0]);
      Player::setTrimStepSec(values[1]);
    }
  } else if (w == "audioprobe") {
    Probes::audio(parts_.audioHardware.get());
  } else if (w == "settings") {
    if (auto* windows = this->windows()) windows->showMain(MainModel::Page::general);
  } else if (w == "page") {
    const auto page = MainModel::page(arg);
    if (auto* windows = this->windows(); windows && page) windows->showMain(*page);
  } else if (w == "onboarding") {
    if (auto* windows = this->windows()) windows->showOnboarding();
  } else if (w == "onboardingStep") {
    if (auto* windows = this->windows()) windows->showOnboarding();
    const auto step = wholeNumber(arg);
    if (parts_.notifications) parts_.notifications->post("orvak.debugOnboardingStep", step.value_or(0));
  } else {
    return false;
  }
  return true;
}

void DebugControl::firstAudio(const ReadTiming& timing) {
  std::string text;
  try {
    text = json::encode(timing);
  } catch (const std::exception&) {
    text = "{}";
  }
  parts_.bus->post(DebugNames::result(), text);
}

}  // namespace orvak
