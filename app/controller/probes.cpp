#include "app/controller/probes.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <sstream>
#include <vector>

#include "app/audio/audio_route.h"
#include "app/capture/ax_walker.h"
#include "app/capture/capturer.h"
#include "core/base/log.h"
#include "core/text/text.h"

namespace orvak::Probes {

namespace {

// Whole numbers for the log; what is not finite is written as such rather than converted.
std::string whole(double v) {
  if (!std::isfinite(v)) return "nan";
  return std::to_string(static_cast<long long>(std::clamp(v, -1e15, 1e15)));
}

std::string rectText(const ax::Rect& r) {
  return "[" + whole(r.x) + "," + whole(r.y) + " " + whole(r.width) + "\u00D7" + whole(r.height) + "]";
}

// The probe's lines, made off the main queue: a program that does not answer holds up only them.
std::vector<std::string> axProbeLines(const std::string& app, std::size_t index, const ax::Element& target,
                                      std::int64_t chars) {
  std::vector<std::string> lines;
  target.setMessagingTimeout(Capturer::kProcessTimeout);
  const auto role = target.attribute("AXRole");
  const std::string* roleText = role ? role.value.as<std::string>() : nullptr;
  std::string params = "-";
  if (const auto names = target.attribute("AXParameterizedAttributeNames"); names) {
    if (const auto* list = names.value.as<ax::TextList>()) {
      params.clear();
      for (const auto& n : *list) params += (params.empty() ? "" : ",") + n;
      if (params.empty()) params = "-";
    }
  }
  lines.push_back("axprobe: " + app + " node " + std::to_string(index) + " role " + (roleText ? *roleText : "?") +
                  " chars " + std::to_string(chars) + " params " + params);
  ax::Point at{0, 0};
  ax::Size size{0, 0};
  if (const auto p = target.attribute("AXPosition"); p && p.value.as<ax::Point>()) at = *p.value.as<ax::Point>();
  if (const auto s = target.attribute("AXSize"); s && s.value.as<ax::Size>()) size = *s.value.as<ax::Size>();
  lines.push_back("axprobe: frame [" + whole(at.x) + "," + whole(at.y) + " " + whole(size.width) + "\u00D7" +
                  whole(size.height) + "]");
  const ax::Point points[] = {{46, 140},  {100, 130}, {100, 160},          {300, 200},
                              {300, 230}, {300, 320}, {at.x + 2, at.y + 5}};
  for (const auto& p : points) {
    const auto r = target.parameterizedAttribute("AXRangeForPosition", ax::Value(p));
    const auto* range = r ? r.value.as<ax::Range>() : nullptr;
    lines.push_back("axprobe: pos (" + whole(p.x) + "," + whole(p.y) + ") \u2192 err " +
                    std::to_string(ax::code(r.error)) + " index " + (range ? std::to_string(range->location) : "-1"));
  }
  const std::int64_t n = std::min<std::int64_t>(chars, 1600);
  for (std::int64_t l = 0; l < n; l += 160) {
    const auto b = target.parameterizedAttribute("AXBoundsForRange", ax::Value(ax::Range{l, 1}));
    const ax::Rect rect = b && b.value.as<ax::Rect>() ? *b.value.as<ax::Rect>() : ax::Rect{0, 0, 0, 0};
    const auto line = target.parameterizedAttribute("AXLineForIndex", ax::Value(l));
    const double* lineNumber = line ? line.value.as<double>() : nullptr;
    lines.push_back("axprobe: @" + std::to_string(l) + " \u2192 " + rectText(rect) + " line " +
                    (lineNumber ? whole(*lineNumber) : "n/a"));
  }
  return lines;
}

}  // namespace

void accessibility(const std::optional<Capture>& last) {
  if (!last) {
    Log::write("axprobe: no capture");
    return;
  }
  const Capture& cap = *last;
  std::size_t best = 0;
  std::int64_t longest = -1;
  for (std::size_t i = 0; i < cap.nodeTexts.size(); ++i) {
    const auto len = cap.nodeTexts[i] ? static_cast<std::int64_t>(text::toUtf16(*cap.nodeTexts[i]).length()) : 0;
    if (len > longest) {
      longest = len;
      best = i;
    }
  }
  if (longest < 0 || best >= cap.elements.size()) return;
  // The requests run on a queue of their own, each within the capturer's time-out, so a program
  // that hangs cannot freeze this one; the lines are written in order once they are all known.
  dispatch::global().async([app = cap.appName, best, target = cap.elements[best], chars = longest] {
    const auto lines = axProbeLines(app, best, target, chars);
    dispatch::main().async([lines] {
      for (const auto& line : lines) Log::write(line);
    });
  });
}

bool scroll(ax::System& ax, platform::Events& events, platform::Workspace& workspace, int lines) {
  const auto front = workspace.frontmostApplication();
  if (!front) return false;
  if (lines != 0) {
    const auto window = AXWalker::pickWindow(ax.application(front->pid));
    const auto f = window ? AXWalker::frame(*window) : std::nullopt;
    if (window && f) events.postScroll({(*f)[0] + (*f)[2] * 0.5, (*f)[1] + (*f)[3] * 0.5}, lines);
  }
  return true;
}

void audio(platform::AudioHardware* hardware) {
  const auto out = hardware ? AudioRoute::output(*hardware) : AudioRoute::output();
  const auto others = hardware ? AudioRoute::othersRecording(*hardware) : AudioRoute::othersRecording();
  std::string list;
  for (const auto& name : others) list += (list.empty() ? "\"" : ", \"") + name + "\"";
  Log::write("audio probe: output " +
             (out ? std::to_string(out->id) + " " + out->name + (out->personal ? " (personal)" : " (speakers)")
                  : std::string("none")) +
             " \u00B7 others recording [" + list + "]");
}

}  // namespace orvak::Probes
