#include <cmath>
#include <cstdio>
#include <stdexcept>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/pill/pill.h"
#include "app/pill/pill_doubles.h"
#include "core/base/dispatch.h"
#include "tools/orvak-dev/commands.h"

namespace orvak::dev {
namespace {

const char* kPillUsage =
    "usage: orvak-dev pill STEP... | demo\n"
    "steps: show:TEXT:working|info|warn|listening[:SECONDS]  flash:TEXT[:NOTE]  finish  hide\n"
    "       notice:TITLE:SUB[:warn]  press-notice  player:reading|paused:SUB:PROGRESS:SPEED\n"
    "       offer:TEXT|none  hover:in|out  size:W:H  wait:SECONDS   (\"\\:\" is a colon inside a text)\n";

// A step's fields, split at colons that are not escaped.
std::vector<std::string> fields(const std::string& step) {
  std::vector<std::string> out(1);
  for (std::size_t i = 0; i < step.size(); ++i) {
    if (step[i] == '\\' && i + 1 < step.size() && step[i + 1] == ':') {
      out.back() += ':';
      ++i;
    } else if (step[i] == ':') {
      out.emplace_back();
    } else {
      out.back() += step[i];
    }
  }
  return out;
}

double number(const std::string& s) {
  char* end = nullptr;
  const double v = std::strtod(s.c_str(), &end);
  if (s.empty() || *end != '\0' || !std::isfinite(v)) {
    throw std::runtime_error("not a number: \"" + s + "\"");
  }
  return v;
}

const char* curveName(std::optional<Curve> c) {
  if (!c) {
    return "none";
  }
  switch (*c) {
    case Curve::ease:
      return "ease";
    case Curve::leave:
      return "leave";
    case Curve::enter:
      return "enter";
  }
  return "none";
}

}  // namespace

int runPillDemo();

// Runs the pill's controller with a recording panel in virtual time and prints its timeline;
// `demo` shows the real pill instead.
int runPill(const Args& args) {
  if (args.size() == 1 && args[0] == "demo") {
    return runPillDemo();
  }
  if (args.empty()) {
    std::fprintf(stderr, "%s", kPillUsage);
    return 2;
  }
  dispatch::VirtualTime vt;
  auto panel = std::make_shared<RecordingPanel>();
  auto screens = std::make_shared<FixedScreens>();
  screens->main = ax::Rect{0, 0, 1920, 1040};
  auto pill = Pill::make(panel, screens);
  const auto start = vt.nowNanos();
  const auto now = [&] { return double(vt.nowNanos() - start) / 1e9; };
  panel->onCall = [&](const std::string& call) { std::printf("%7.3f  panel: %s\n", now(), call.c_str()); };
  pill->model().onChange = [&](std::optional<Curve> curve) {
    const auto& m = pill->model();
    const auto& s = m.state();
    std::printf("%7.3f  model (%s): %s \"%s\" sub \"%s\"%s%s controls %s shown %s hover %s serial %lld notice %s%s\n", now(),
                curveName(curve), kindName(s.kind), s.state.c_str(), s.sub.c_str(),
                s.progress.empty() ? "" : (" progress " + s.progress).c_str(),
                s.speed == 1.0f ? "" : (" speed " + std::to_string(s.speed).substr(0, 4)).c_str(),
                m.controls() ? "yes" : "no", m.shown() ? "yes" : "no", m.hover() ? "yes" : "no", static_cast<long long>(s.serial),
                m.notice() ? ("\"" + m.notice()->title + "\"").c_str() : "-",
                m.offer() ? (" offer \"" + *m.offer() + "\"").c_str() : "");
  };

  for (const auto& step : args) {
    const auto f = fields(step);
    const auto& verb = f[0];
    auto need = [&](std::size_t n) {
      if (f.size() < n) {
        throw std::runtime_error("step \"" + step + "\" needs more fields\n" + kPillUsage);
      }
    };
    std::printf("%7.3f  > %s\n", now(), step.c_str());
    if (verb == "show") {
      need(3);
      const std::string& tone = f[2];
      const Pill::Tone t = tone == "working" ? Pill::Tone::working
                           : tone == "warn"  ? Pill::Tone::warn
                           : tone == "listening" ? Pill::Tone::listening
                           : tone == "info" ? Pill::Tone::info
                                            : throw std::runtime_error("unknown tone \"" + tone + "\"");
      pill->show(f[1], t, f.size() > 3 ? std::optional<double>(number(f[3])) : std::nullopt);
    } else if (verb == "flash") {
      need(2);
      pill->flash(f[1], f.size() > 2 ? std::optional<std::string>(f[2]) : std::nullopt);
    } else if (verb == "finish") {
      pill->finish();
    } else if (verb == "hide") {
      pill->hide();
    } else if (verb == "notice") {
      need(3);
      pill->notice(f[1], f[2], f.size() > 3 && f[3] == "warn", "Open", "exclamationmark",
                   [&] { std::printf("%7.3f  notice action ran\n", now()); });
    } else if (verb == "press-notice") {
      if (const auto& n = pill->model().notice(); n && n->run) {
        const auto run = n->run;  // the card goes away while it runs
        run();
      } else {
        std::printf("%7.3f  (no notice to press)\n", now());
      }
    } else if (verb == "player") {
      need(5);
      PillState s;
      s.kind = f[1] == "paused" ? PillState::Kind::paused : PillState::Kind::reading;
      s.state = f[1] == "paused" ? "Paused" : "Reading";
      s.sub = f[2];
      s.progress = f[3];
      s.speed = float(number(f[4]));
      pill->playerChanged(s);
    } else if (verb == "offer") {
      need(2);
      pill->setOffer(f[1] == "none" ? std::nullopt : std::optional<std::string>(f[1]));
    } else if (verb == "hover") {
      need(2);
      pill->hovered(f[1] == "in");
    } else if (verb == "size") {
      need(3);
      pill->model().onSize(number(f[1]), number(f[2]));
    } else if (verb == "wait") {
      need(2);
      vt.advance(number(f[1]));
    } else {
      std::fprintf(stderr, "orvak-dev pill: unknown step \"%s\"\n%s", step.c_str(), kPillUsage);
      return 2;
    }
    vt.drain();
  }
  return 0;
}

}  // namespace orvak::dev
