// The simulated desktop's model, shared by the scene loader and the request handling. Internal to
// platform/sim.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "core/base/json.h"
#include "platform/ax.h"
#include "platform/sim/sim_desktop.h"
#include "platform/sim/text_layout.h"

namespace orvak::sim {

using NodeIndex = std::int32_t;
constexpr NodeIndex kNone = -1;

// An attribute whose value names other elements; kept as node indexes so the model never holds a
// handle onto itself.
struct ElementRefs {
  std::vector<NodeIndex> nodes;
  bool list = false;  // a list of elements rather than one element
};

struct SimNode {
  enum class Kind { systemWide, application, element };
  Kind kind = Kind::element;
  pid_t pid = 0;
  NodeIndex parent = kNone;
  std::vector<NodeIndex> children;
  std::string ref;

  std::vector<std::pair<std::string, ax::Value>> attrs;     // stored values, override derived ones
  std::vector<std::pair<std::string, ElementRefs>> elementAttrs;
  std::vector<std::pair<std::string, ax::Error>> errors;    // injected per-attribute failures
  std::optional<ax::Error> batchError;
  std::optional<ax::Rect> frame;  // screen coordinates with the window scrolled to the top

  // Text reachable through the text-range queries; with `textIsValue` it is also "AXValue".
  bool hasText = false;
  bool textIsValue = false;
  std::string textUtf8;
  std::u16string text16;
  std::optional<ax::Range> selection;

  bool invalid = false;
  std::optional<double> latency;  // none: the application's (or the desktop's) default
  double timeout = 0;             // its own messaging time-out; 0: the process-wide one
  std::vector<std::string> actions;

  // Windows only.
  double scrollY = 0;
  std::optional<double> alpha;  // the window server's opacity; none: not stated
  int walks = 0;

  // Applications only.
  SimApp app;
  NodeIndex focusedWindow = kNone;
  NodeIndex mainWindow = kNone;
  NodeIndex focusedElement = kNone;
};

struct Script {
  enum class Kind { walks, seconds, keyChord, setAttribute };
  Kind kind = Kind::walks;
  NodeIndex target = kNone;  // the window (walks) or element (setAttribute); kNone: any
  int count = 0;             // walks: after this many walks; keyChord: on the count-th chord
  double seconds = 0;
  KeyChord chord;            // pid 0 matches any application
  std::string attribute;
  json::Json changes;
  int seen = 0;
  bool done = false;
};

struct SimDesktop::State : std::enable_shared_from_this<SimDesktop::State> {
  mutable std::mutex mutex;
  std::string origin;
  // [0] is the system-wide element. A deque, so scripts that add elements in the middle of a
  // request leave references to the others valid.
  std::deque<SimNode> nodes;
  std::vector<NodeIndex> apps;
  std::unordered_map<std::string, NodeIndex> refs;
  std::optional<pid_t> frontmost;
  std::optional<pid_t> self;           // the application standing for this program, if any
  std::vector<std::string> modifiers;  // held modifier keys, sorted
  std::uint64_t launches = 0;          // hands out SimApp::launchedAt
  bool trusted = true;
  int prompts = 0;
  double globalTimeout = 0;
  double defaultLatency = 0;
  LayoutMetrics metrics;
  std::vector<Script> scripts;
  std::vector<KeyChord> chords;
  std::vector<std::string> actionsLog;
  std::size_t requests = 0;
  std::uint64_t loadedAt = 0;
  // Told on the main queue when another application comes to the front.
  std::map<std::uint64_t, std::function<void(const SimApp&)>> frontObservers;
  std::uint64_t nextObserver = 1;
  std::optional<pid_t> announcedFront;  // the front application observers last heard of

  NodeIndex lookup(std::string_view ref) const;  // throws SceneError
  NodeIndex windowOf(NodeIndex n) const;         // kNone when not inside a window
  NodeIndex appOf(NodeIndex n) const;
  bool isWindow(NodeIndex n) const;
  // The frame as reported now (the window's scrolling applied).
  std::optional<ax::Rect> reportedFrame(NodeIndex n) const;
  void detach(NodeIndex n);
  // After anything that may have changed `frontmost`: when it names another application than the
  // one last announced, every front observer hears of it on the main queue.
  void announceFrontmost();
};

// ---- Scene loading (scene_loader.cpp); all run with the state's lock held or before sharing ----

// Builds the whole desktop from a scene or a capture dump.
void loadScene(SimDesktop::State& st, const json::Json& scene);
// Runs one "do" list.
void applyChanges(SimDesktop::State& st, const json::Json& changes, const std::string& where);
// Parses one script entry.
Script parseScript(SimDesktop::State& st, const json::Json& entry, const std::string& where);
// Sets the element's text (and what derives from it).
void setText(SimNode& node, const std::string& utf8, bool isValue);

}  // namespace orvak::sim
